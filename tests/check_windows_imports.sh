#!/usr/bin/env bash
# nuvra.scr is one file that runs on any Windows 10 or 11: it imports only
# DLLs every Windows has, its C and C++ runtimes linked in.
#   check_windows_imports.sh <program>
set -euo pipefail
program=$1
system='kernel32|user32|gdi32|shell32|ole32|comdlg32|winmm|dwmapi|advapi32|msvcrt'
imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p')
status=0
for dll in $imports; do
  if ! grep -qixE "($system)\.dll" <<<"$dll"; then
    echo "$program imports $dll, which is not among the DLLs it may import"
    status=1
  fi
done
[ -n "$imports" ] || { echo "$program imports nothing: not a Windows program"; status=1; }
[ $status -eq 0 ] && echo "imports only Windows' own DLLs: $(tr '\n' ' ' <<<"$imports")"
exit $status
