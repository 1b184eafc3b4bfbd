#!/bin/bash
# The program runs from its own folder on a bare Windows: every DLL it imports must be one that
# Windows itself ships, never a compiler runtime.
set -u
objdump=$1
exe=$2
allowed=(advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll ole32.dll
         oleacc.dll oleaut32.dll shell32.dll user32.dll version.dll windowscodecs.dll)
mapfile -t imported < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
if [ "${#imported[@]}" -eq 0 ]; then
  echo "no import found in $exe"
  exit 1
fi
status=0
for dll in "${imported[@]}"; do
  if [[ " ${allowed[*]} " == *" $dll "* ]]; then
    echo "system DLL: $dll"
  else
    echo "NOT a system DLL: $dll"
    status=1
  fi
done
exit $status
