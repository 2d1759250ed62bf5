#!/usr/bin/env bash
# The shell completions parse, and bash's offers the commands, each command's flags and, for each
# operand, the files that fit it. Usage: completion_test.sh COMPLETIONS-DIR
completions=$1
status=0
fail() { echo "completion_test: $*" >&2; status=1; }
bash -n "$completions/carillo.bash" || fail "carillo.bash does not parse"
zsh -n "$completions/_carillo" || fail "_carillo does not parse"

. "$completions/carillo.bash"
[ "$(complete -p carillo)" = "complete -F _carillo carillo" ] || fail "registered as: $(complete -p carillo)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir tunes && touch a.pdb B.PDB c.mid D.MID notes.txt

# offers 'EXPECTED' WORD...: what completing the last word offers, sorted bytewise.
offers() {
    local expected=$1 got
    shift
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
    _carillo
    got="$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -s -d ' ')"
    [ "$got" = "$expected" ] || fail "'$*' offers '$got', expected '$expected'"
}
offers 'add compile convert extract list remove render' carillo ''
offers '--help --version -h' carillo -
offers '--all-formats --channel --help --name --no-overwrite --octave --quiet --ring --seconds --skip-bad --to-smf0 --yes -h -n -q -y' carillo compile -
offers '--help --no-overwrite --quiet --yes -h -n -q -y' carillo extract x.pdb -
offers '--help --json -h' carillo list -
offers 'B.PDB a.pdb tunes' carillo extract ''
offers 'tunes' carillo extract -y a.pdb ''
offers '' carillo extract a.pdb tunes ''
offers 'D.MID c.mid tunes' carillo compile ''
offers 'B.PDB D.MID a.pdb c.mid tunes' carillo compile --name Bells c.mid ''
offers '' carillo compile --name ''
offers 'B.PDB a.pdb tunes' carillo list --json ''
offers 'D.MID c.mid tunes' carillo convert - ''
offers '' carillo convert c.mid d.mid ''
offers '--all-formats --channel --help --no-overwrite --octave --output --quiet --ring --seconds --skip-bad --to-smf0 --yes -h -n -q -y' carillo add -
offers '--help --no-overwrite --output --quiet --yes -h -n -q -y' carillo remove a.pdb -
offers 'D.MID c.mid tunes' carillo add --output a.pdb B.PDB ''
offers 'B.PDB a.pdb tunes' carillo remove -q --output ''
offers '' carillo remove a.pdb ''
offers '' carillo render --ring --seconds ''
offers '' carillo render a.pdb ''
offers 'tunes' carillo render --volume 9 c.mid ''
exit $status
