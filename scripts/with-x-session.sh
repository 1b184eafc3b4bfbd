#!/usr/bin/env bash
# Runs a command in a private X session: Xvfb on a free display and openbox as window manager.
# Usage: scripts/with-x-session.sh [--no-wm] COMMAND [ARGS...]
set -euo pipefail

with_wm=1
if [ "${1:-}" = "--no-wm" ]; then
  with_wm=0
  shift
fi

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
    display=":${n}"
    break
  fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 &
xvfb_pid=$!
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

export DISPLAY="$display"
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }

if [ "$with_wm" = 1 ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
fi

export SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
"$@"
