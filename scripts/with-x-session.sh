#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a private X session: Xvfb on a free display and openbox as window manager.
# Usage: scripts/with-x-session.sh [--no-wm | --wm openbox|mutter] COMMAND [ARGS...]
# The window manager's output goes to the file $TALVENOR_WM_LOG when that is set.
set -euo pipefail
source "$(dirname "$0")/wait-for-wm.sh"

wm=openbox
case "${1:-}" in
  --no-wm) wm=""; shift ;;
  --wm) wm=$2; shift 2 ;;
esac
# GNOME's manager wants a session bus: the session gets one of its own.
if [ "$wm" = mutter ] && [ -z "${TALVENOR_OWN_BUS:-}" ]; then
  export TALVENOR_OWN_BUS=1
  exec dbus-run-session -- "$0" --wm mutter "$@"
fi

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
    display=":${n}"
    break
  fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

# -noreset: an X server starts afresh when its last client leaves, and would refuse the window
# manager for a moment after the check below has disconnected.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset -dpi 96 >/dev/null 2>&1 &
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

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
if [ -n "$wm" ]; then
  case "$wm" in
    openbox) openbox --sm-disable >"${TALVENOR_WM_LOG:-/dev/null}" 2>&1 & ;;
    mutter) mutter --x11 --replace --sm-disable >"${TALVENOR_WM_LOG:-/dev/null}" 2>&1 & ;;
    *) echo "unknown window manager: $wm" >&2; exit 2 ;;
  esac
  wm_pid=$!
  # Never run the tests without the manager they rely on.
  wait_for_window_manager "$wm_pid" || { echo "the window manager $wm did not start on $display" >&2; exit 1; }
fi

export SDL_AUDIODRIVER=dummy
"$@"
