#!/usr/bin/env bash
# Fails unless the given .exe is a 32-bit program of the given subsystem ("gui", the default, or
# "console") that needs no DLL besides Windows' own.
set -euo pipefail
exe="$1" subsystem="${2:-gui}"
case "$subsystem" in
  gui) code=0002 ;;
  console) code=0003 ;;
  *) echo "check-exe: unknown subsystem '$subsystem'" >&2; exit 2 ;;
esac
dump="$(i686-w64-mingw32-objdump -p "$exe")"
grep -q 'file format pei-i386' <<<"$dump" || { echo "$exe: not a 32-bit Windows program" >&2; exit 1; }
grep -q "^Subsystem[[:space:]]*0000$code" <<<"$dump" || { echo "$exe: not a $subsystem program" >&2; exit 1; }
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|ADVAPI32|OLE32|MSVCRT|SHLWAPI|UXTHEME)\.DLL$'
bad="$(grep 'DLL Name:' <<<"$dump" | awk '{print toupper($3)}' | grep -Ev "$allowed" || true)"
if [ -n "$bad" ]; then echo "$exe needs DLLs that Windows does not have: $bad" >&2; exit 1; fi
