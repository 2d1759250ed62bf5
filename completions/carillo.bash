# Bash completion for carillo: its commands, each command's flags, and for operands the files that fit
# (*.pdb for a database, *.mid and directories for tunes, directories for a destination folder).
# Needs nothing from the bash-completion package, so it also works when sourced on its own.

# Files whose names end in one of the extensions, in any case, and every directory to descend into.
_carillo_files() {
    local cur=$1 extension IFS=$'\n'
    shift
    compopt -o filenames 2>/dev/null
    COMPREPLY+=($(compgen -d -- "$cur"))
    for extension in "$@"; do
        # A leading "!" makes -X keep only what matches.
        COMPREPLY+=($(compgen -f -X "!*.$(_carillo_any_case "$extension")" -- "$cur"))
    done
}

# "pdb" as "[pP][dD][bB]".
_carillo_any_case() {
    local word=$1 out='' i c
    for ((i = 0; i < ${#word}; i++)); do
        c=${word:i:1}
        out+="[${c,,}${c^^}]"
    done
    printf '%s' "$out"
}

_carillo() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()

    if [ "$COMP_CWORD" -eq 1 ]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '-h --help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'extract compile list convert add remove render' -- "$cur"))
        fi
        return 0
    fi

    local command=${COMP_WORDS[1]} flags
    case $command in
        extract) flags='-y --yes -n --no-overwrite -q --quiet' ;;
        compile) flags='--name --all-formats --to-smf0 --ring --channel --octave --seconds -y --yes -n --no-overwrite --skip-bad -q --quiet' ;;
        list) flags='--json' ;;
        convert) flags='--ring --channel --octave --seconds -y --yes -n --no-overwrite -q --quiet' ;;
        add) flags='--all-formats --to-smf0 --ring --channel --octave --seconds -y --yes -n --no-overwrite --skip-bad --output -q --quiet' ;;
        remove) flags='-y --yes -n --no-overwrite --output -q --quiet' ;;
        render) flags='--volume --ring --channel --octave --seconds -y --yes -n --no-overwrite -q --quiet' ;;
        *) return 0 ;;
    esac
    flags+=' -h --help'

    # The database name and the numbers are free text (bash splits "--name=NAME" at the "=");
    # --output takes a database.
    local valued='--name --channel --octave --seconds --volume'
    [[ " $valued " == *" $prev "* ]] && return 0
    [ "$prev" = = ] && [[ " $valued " == *" ${COMP_WORDS[COMP_CWORD-2]} "* ]] && return 0
    if [ "$prev" = --output ] || { [ "$prev" = = ] && [ "${COMP_WORDS[COMP_CWORD-2]}" = --output ]; }; then
        _carillo_files "$cur" pdb
        return 0
    fi

    # Which operand the word is: flags, the name after --name, and "--" itself do not count.
    local i word operand=0 flags_ended=0
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [ "$flags_ended" = 0 ] && [ "$word" = -- ]; then
            flags_ended=1
        elif [ "$flags_ended" = 0 ] && [[ " $valued --output " == *" $word "* ]]; then
            i=$((i + 1))
            [ "${COMP_WORDS[i]}" = = ] && i=$((i + 1))
        elif [ "$flags_ended" = 1 ] || [ "$word" = - ] || [[ $word != -* ]]; then
            operand=$((operand + 1))
        fi
    done

    if [ "$flags_ended" = 0 ] && [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$flags" -- "$cur"))
        return 0
    fi

    case $command in
        extract)
            if [ "$operand" = 0 ]; then
                _carillo_files "$cur" pdb
            elif [ "$operand" = 1 ]; then
                _carillo_files "$cur"
            fi
            ;;
        compile)
            # Tunes and folders first; from the second operand on, any word may be the database.
            if [ "$operand" = 0 ]; then
                _carillo_files "$cur" mid
            else
                _carillo_files "$cur" mid pdb
            fi
            ;;
        list)
            [ "$operand" != 0 ] || _carillo_files "$cur" pdb
            ;;
        convert)
            [ "$operand" -ge 2 ] || _carillo_files "$cur" mid
            ;;
        add)
            if [ "$operand" = 0 ]; then
                _carillo_files "$cur" pdb
            else
                _carillo_files "$cur" mid
            fi
            ;;
        remove)
            # Record names are the database's own: only the database is a file.
            [ "$operand" != 0 ] || _carillo_files "$cur" pdb
            ;;
        render)
            # A tune or a database, then for a database its record's name, then the sound.
            local first=''
            for ((i = 2; i < COMP_CWORD; i++)); do [[ ${COMP_WORDS[i]} != -* ]] && first=${COMP_WORDS[i]} && break; done
            if [ "$operand" = 0 ]; then
                _carillo_files "$cur" mid pdb
            elif [[ ${first,,} != *.pdb ]] || [ "$operand" = 2 ]; then
                [ "$operand" -ge 3 ] || _carillo_files "$cur" wav
            fi
            ;;
    esac
    return 0
}

complete -F _carillo carillo
