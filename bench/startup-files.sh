#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Which files Talvenor opens between exec and its window being mapped, against the Qt floor.
#
#   bench/run.sh                # builds build-bench/ first
#   bench/startup-files.sh      # then this, which needs strace
#
# Lists what Talvenor opens that the floor does not, and the reverse, with file sizes. Each program
# runs once under strace in a private Xvfb with no window manager; opens later than the moment the
# window's map was seen are left out.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-bench
for file in "$out/talvenor" "$out/bench/floor_qt" "$out/bench/xprobe"; do
    [[ -x $file ]] || { echo "startup-files: $file is missing; run bench/run.sh first" >&2; exit 1; }
done
for tool in strace Xvfb; do
    command -v "$tool" >/dev/null || { echo "startup-files: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/talvenor-files.XXXXXX)
xvfb=""
cleanup() {
    if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 15 display_number <"$work/displayfd" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$display_number
export XDG_RUNTIME_DIR=$work/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER

# Files opened for reading, not directories, and not the program's own file.
opened() {  # NAME PROGRAM
    local line mapped_at
    line=$("$out/bench/xprobe" launch --settle 100 --size 367x287 -- \
        strace -f -qq -ttt -e trace=open,openat -e status=successful -o "$work/$1.trace" "$2" 2>>"$work/programs.log")
    mapped_at=$(sed -n 's/.*mapped_at=\([0-9.]*\).*/\1/p' <<<"$line")
    awk -v until="$mapped_at" '$2 + 0 <= until + 0' "$work/$1.trace" | grep -v O_DIRECTORY \
        | sed -n 's/.*open\(at\)\?(\(AT_FDCWD, \)\?"\([^"]*\)".*/\3/p' \
        | grep -vxF "$2" | LC_ALL=C sort -u >"$work/$1.files"
}
opened talvenor "$out/talvenor"
opened floor_qt "$out/bench/floor_qt"

listing() {
    local file
    while read -r file; do
        printf '  %9s  %s\n' "$(stat -L -c %s "$file" 2>/dev/null || echo "?")" "$file"
    done
}
echo "Opened by Talvenor before its window is mapped: $(wc -l <"$work/talvenor.files") files;" \
    "by the Qt floor: $(wc -l <"$work/floor_qt.files")."
echo
echo "Only Talvenor opens (bytes, path):"
LC_ALL=C comm -13 "$work/floor_qt.files" "$work/talvenor.files" | listing
echo
echo "Only the Qt floor opens (bytes, path):"
LC_ALL=C comm -23 "$work/floor_qt.files" "$work/talvenor.files" | listing
