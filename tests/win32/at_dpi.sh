#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows program under Wine with the screen's scaling set to DPI dots per inch (96 is
# 100 %, 144 is 150 %), then sets 100 % back whatever happened. The program is told the scaling
# it should find in TALVENOR_EXPECTED_DPI.
# Usage: at_dpi.sh DPI WINE_LOADER PROGRAM [ARGS...]
set -u
dpi=$1
wine=$2
shift 2

set_scaling() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 &&
    "$wine" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_scaling 96' EXIT
set_scaling "$dpi" || { echo "could not set the scaling to $dpi dpi"; exit 1; }
TALVENOR_EXPECTED_DPI=$dpi "$wine" "$@"
