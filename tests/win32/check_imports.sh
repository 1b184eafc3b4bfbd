#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program and the tools beside it run from their folder on a bare Windows: every DLL they
# import must be one that Windows itself ships, never a compiler runtime nor a tool's library.
# Usage: check_imports.sh OBJDUMP EXE...
set -u
objdump=$1
shift
allowed=(advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msimg32.dll
         msvcrt.dll ole32.dll oleacc.dll oleaut32.dll shell32.dll user32.dll version.dll windowscodecs.dll
         winmm.dll)
status=0
for exe in "$@"; do
  mapfile -t imported < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  if [ "${#imported[@]}" -eq 0 ]; then
    echo "no import found in $exe"
    status=1
  fi
  for dll in "${imported[@]}"; do
    if [[ " ${allowed[*]} " == *" $dll "* ]]; then
      echo "$(basename "$exe"): system DLL: $dll"
    else
      echo "$(basename "$exe"): NOT a system DLL: $dll"
      status=1
    fi
  done
done
exit $status
