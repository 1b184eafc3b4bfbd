#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a private Wayland session: weston without a screen (its headless backend)
# with XWayland, WAYLAND_DISPLAY and DISPLAY set for it.
# Usage: scripts/with-wayland-session.sh COMMAND [ARGS...]
# Exits with 77 and says why when weston or XWayland cannot start here.
set -euo pipefail

runtime=$(mktemp -d /tmp/talvenor-wayland.XXXXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
socket="talvenor-$$"
log="$runtime/weston.log"
weston_pid=""
cleanup() {
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

command -v weston >/dev/null || { echo "skipped: weston is not installed" >&2; exit 77; }
command -v Xwayland >/dev/null || { echo "skipped: Xwayland is not installed" >&2; exit 77; }
# Inside an X session weston shows in a window of it, with that session's pointer and keyboard as
# its seat; without one (headless) it has no seat, and nothing can be clicked or typed.
backend=headless-backend.so
[ -n "${DISPLAY:-}" ] && backend=x11-backend.so
# Nested, its output is smaller than the X screen around it, so that the seat's pointer can wait
# outside it: a real pointer over a window overrides where a test's synthetic clicks go, whenever
# weston reports it entering or moving, and that report may come late.
size=(--width=1280 --height=1024)
[ "$backend" = x11-backend.so ] && size=(--width=1024 --height=768)
weston --backend="$backend" --xwayland --socket="$socket" "${size[@]}" \
  --idle-time=0 >"$log" 2>&1 &
weston_pid=$!

display=""
for _ in $(seq 1 150); do
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | head -n 1)
  [ -n "$display" ] && [ -S "$runtime/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "skipped: weston with XWayland did not start here:" >&2
  cat "$log" >&2
  exit 77
fi
if [ "$backend" = x11-backend.so ]; then
  xdotool mousemove 1279 1023
fi
# The X session weston shows in, if any: where a screenshot sees what weston draws.
export TALVENOR_OUTER_DISPLAY="${DISPLAY:-}"
export WAYLAND_DISPLAY="$socket" DISPLAY="$display"
# XWayland starts on the first X client: wait until it answers.
for _ in $(seq 1 150); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "skipped: XWayland does not answer on $display" >&2; cat "$log" >&2; exit 77; }
# Windows mapped before weston manages X windows would never be shown: wait for its manager.
source "$(dirname "$0")/wait-for-wm.sh"
wait_for_window_manager "$weston_pid" || { echo "weston manages no X11 windows on $display" >&2; cat "$log" >&2; exit 1; }

export SDL_AUDIODRIVER=dummy
"$@"
