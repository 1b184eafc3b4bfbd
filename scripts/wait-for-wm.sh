# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that start X sessions for the tests.
# wait_for_window_manager [PID]: waits up to a minute, while PID (when given) still runs, for the
# display in DISPLAY to have a window manager that names itself on the root window. A first start
# on a fresh machine may build font caches first. Fails when none came.
wait_for_window_manager() {
  local pid=${1:-}
  for _ in $(seq 1 600); do
    # The whole answer is read: with pipefail, grep -q could close the pipe early.
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && return 0
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null
}
