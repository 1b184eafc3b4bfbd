#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Talvenor for 64-bit Windows with mingw-w64 into build-win/, with the ffmpeg.exe and
# ffplay.exe it ships (scripts/build-win-tools.sh), and runs the core's tests, the
# Windows backend's tests, the end-to-end test and the installer's under Wine on a virtual X
# display with a window manager. Installs what it needs with apt-get when something is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TALVENOR_WIN_BUILD:-$root/build-win}

packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix mingw-w64 wine64 wine fonts-wine
          xvfb openbox xdotool x11-utils imagemagick ffmpeg zip nsis binutils)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get -o DPkg::Lock::Timeout=600 update
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver

xvfb_pid=
openbox_pid=
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# The ffmpeg.exe and ffplay.exe the package ships: built once, then taken from their cache.
tools=$("$root/scripts/build-win-tools.sh")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTALVENOR_WIN_TOOLS_DIR="$tools"
cmake --build "$build"

# A display of our own: the first free number from 90 up.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
# -noreset: without it the server starts afresh whenever its last client leaves, and may refuse
# the next one meanwhile.
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$build/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$build/openbox.log" 2>&1 &
openbox_pid=$!
# Activation and stacking need the manager: never run the tests before it has started.
source "$root/scripts/wait-for-wm.sh"
wait_for_window_manager "$openbox_pid" || { echo "openbox did not start on $DISPLAY" >&2; exit 1; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot --init >"$build/wineboot.log" 2>&1 || true
  "$wineserver" -w
fi
# A program that crashes ends at once with its backtrace on the test's output, rather than behind
# the debugger's crash window, which waits for a click that never comes.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

cd "$build"
ctest --output-on-failure
