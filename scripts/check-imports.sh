#!/usr/bin/env bash
# Fails unless every library the executable imports is one of the KnownDLLs,
# which Windows always takes from its own folder, never from the program's.
# The list is what Windows 7 and Windows 10 both keep under
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs.
#   check-imports.sh OBJDUMP EXE
set -euo pipefail
objdump=${1:?usage: check-imports.sh OBJDUMP EXE}
exe=${2:?usage: check-imports.sh OBJDUMP EXE}
known=" advapi32 clbcatq comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32
        oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32 "

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$imports" ] || { echo "no imports read from $exe" >&2; exit 1; }
status=0
for dll in $imports; do
    name=$(printf '%s' "${dll%.*}" | tr '[:upper:]' '[:lower:]')
    case $known in
    *" $name "*) echo "imports $dll: a KnownDLL" ;;
    *) echo "imports $dll, which Windows would look for beside the program first" >&2; status=1 ;;
    esac
done
exit $status
