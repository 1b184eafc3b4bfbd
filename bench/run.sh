#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Talvenor's bench: builds the Release program and the floors in build-bench/, measures them in one
# private Xvfb with no window manager, and prints one table of medians.
#
#   bench/run.sh            11 runs of each figure after one warm-up
#   BENCH_RUNS=15 bench/run.sh
#
# Needs: cmake, a C and C++ compiler, Qt 6 and X11 development files, Xvfb, xdotool, binutils (strip).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-bench
runs=${BENCH_RUNS:-11}
((runs >= 7)) || { echo "BENCH_RUNS must be at least 7" >&2; exit 2; }
for tool in cmake Xvfb xdotool strip ldd; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 1; }
done

log() { printf '%s\n' "$*" >&2; }

log "Building the Release program and the floors in $out ..."
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DTALVENOR_BUILD_TESTS=OFF >"$out.configure.log" 2>&1 \
    || { cat "$out.configure.log" >&2; exit 1; }
cmake --build "$out" --target talvenor talvenor-console -j"$(nproc)" >"$out.build.log" 2>&1 || { cat "$out.build.log" >&2; exit 1; }
cmake -S "$root/bench" -B "$out/bench" -DCMAKE_BUILD_TYPE=Release >>"$out.configure.log" 2>&1 \
    || { cat "$out.configure.log" >&2; exit 1; }
cmake --build "$out/bench" -j"$(nproc)" >>"$out.build.log" 2>&1 || { cat "$out.build.log" >&2; exit 1; }
rm -f "$out.configure.log" "$out.build.log"

work=$(mktemp -d /tmp/talvenor-bench.XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

xprobe=$out/bench/xprobe
# What ships is stripped: measure that.
mkdir -p "$work/bin"
strip -o "$work/bin/talvenor" "$out/talvenor"
strip -o "$work/bin/floor_qt" "$out/bench/floor_qt"
strip -o "$work/bin/floor_xlib" "$out/bench/floor_xlib"

# One X server for everything, no window manager.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 15 display_number <"$work/displayfd" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$display_number
export XDG_RUNTIME_DIR=$work/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER

median() { LC_ALL=C sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p"; }

# --- Start-up and memory: the three programs take turns, so a noisy moment hits all of them.
programs=(talvenor floor_qt floor_xlib)
log "Start-up and memory: $runs runs after a warm-up ..."
for ((i = 0; i <= runs; i++)); do
    for program in "${programs[@]}"; do
        line=$("$xprobe" launch --settle 300 --size 367x287 -- "$work/bin/$program" 2>>"$work/programs.log")
        ((i == 0)) || echo "$line" >>"$work/launch-$program"
    done
done

# --- Size: the stripped file, and the shared libraries the loader pulls in.
declare -A stripped ldd_count ldd_kib
for program in "${programs[@]}"; do
    stripped[$program]=$(stat -c %s "$work/bin/$program")
    ldd "$work/bin/$program" | awk '$2 == "=>" && $3 ~ /^\// {print $3}' | LC_ALL=C sort -u >"$work/ldd-$program"
    ldd_count[$program]=$(wc -l <"$work/ldd-$program")
    ldd_kib[$program]=$(xargs -r stat -L -c %s <"$work/ldd-$program" | awk '{s += $1} END {printf "%d", s / 1024}')
done

# --- Click to launch. Talvenor runs from a folder of its own with stand-ins for ffmpeg and ffplay
# beside it; it looks there first.
app=$work/app
mkdir -p "$app/term" "$app/media"
cp "$work/bin/talvenor" "$app/talvenor"
strip -o "$app/talvenor-console" "$out/talvenor-console"
cp "$out/bench/stand_in" "$app/ffmpeg"
cp "$out/bench/stand_in" "$app/ffplay"
# A pass-through terminal: the conversion's terminal is started as the program starts it, but a real
# terminal's own start-up stays out of the figure.
cp "$out/bench/stand_in" "$app/term/x-terminal-emulator"
head -c 65536 /dev/zero >"$app/media/clip.flv"
export TALVENOR_BENCH_LOG=$app/started.log
: >"$TALVENOR_BENCH_LOG"

window=""
start_talvenor() {  # PATH_PREFIX: starts the program, chooses the file, sets $window and $talvenor_pid
    local line
    line=$(PATH=$1$PATH "$xprobe" launch --keep --settle 0 --size 367x287 -- "$app/talvenor" 2>>"$work/programs.log")
    window=$(field window <<<"$line")
    talvenor_pid=$(field pid <<<"$line")
    pids+=("$talvenor_pid")
    # The file box opens "Sélection du fichier vidéo" with the focus in its file-name box.
    xdotool mousemove --window "$window" 180 132 click 1
    timeout 10 xdotool search --sync --onlyvisible --name "Sélection du fichier vidéo" >/dev/null \
        || { log "bench: the file dialog did not open"; exit 1; }
    sleep 0.3
    xdotool type --delay 2 "$app/media/clip.flv"
    xdotool key Return
    local waited
    for ((waited = 0; waited < 50; waited++)); do
        xdotool search --onlyvisible --name "Sélection du fichier vidéo" >/dev/null || break
        sleep 0.1
    done
    sleep 0.3
}

stop_talvenor() {
    kill "$talvenor_pid" 2>/dev/null || true
    wait "$talvenor_pid" 2>/dev/null || true
}

# Milliseconds from a click at (X, Y) to the start of the stand-in NAME, from its log line.
click_to() {  # X Y NAME
    local before clicked started waited
    before=$(grep -c "^$3 " "$TALVENOR_BENCH_LOG" || true)
    # xprobe stays idle 300 ms after the click: the bench's own commands must not compete with the
    # program for the CPU while it answers.
    clicked=$("$xprobe" click --quiet 300 "$window" "$1" "$2")
    for ((waited = 0; waited < 100; waited++)); do
        (($(grep -c "^$3 " "$TALVENOR_BENCH_LOG" || true) > before)) && break
        sleep 0.05
    done
    started=$(grep "^$3 " "$TALVENOR_BENCH_LOG" | tail -n1 | cut -d' ' -f2)
    (($(grep -c "^$3 " "$TALVENOR_BENCH_LOG" || true) > before)) || { log "bench: no $3 started after a click at ($1, $2)"; exit 1; }
    awk -v a="$clicked" -v b="$started" 'BEGIN {printf "%.3f\n", (b - a) / 1e6}'
    # Let the launched processes finish before the next click.
    sleep 0.4
}

log "Click to launch: $runs clicks of each after a warm-up ..."
: >"$work/lancer"; : >"$work/lancer-term"; : >"$work/voir"; : >"$work/lancer-xterm"; : >"$work/spawn"
start_talvenor "$app/term:"
for ((i = 0; i <= runs; i++)); do
    ms=$(click_to 180 200 ffmpeg)
    ((i == 0)) && continue
    echo "$ms" >>"$work/lancer"
    # The pass-through terminal logs its own start as well: when the window would begin to open.
    term=$(grep "^x-terminal-emulator " "$TALVENOR_BENCH_LOG" | tail -n1 | cut -d' ' -f2)
    ffmpeg=$(grep "^ffmpeg " "$TALVENOR_BENCH_LOG" | tail -n1 | cut -d' ' -f2)
    awk -v t="$term" -v f="$ffmpeg" -v ms="$ms" 'BEGIN {printf "%.3f\n", ms - (f - t) / 1e6}' >>"$work/lancer-term"
done
for ((i = 0; i <= runs; i++)); do
    ms=$(click_to 128 176 ffplay)
    ((i == 0)) || echo "$ms" >>"$work/voir"
done
stop_talvenor

# The same conversion through the system's real terminal, for what a user waits.
terminal=$(readlink -f "$(command -v x-terminal-emulator || command -v xterm || echo none)")
if [[ -x $terminal ]]; then
    start_talvenor ""
    for ((i = 0; i <= runs; i++)); do
        ms=$(click_to 180 200 ffmpeg)
        ((i == 0)) || echo "$ms" >>"$work/lancer-xterm"
        sleep 0.3
    done
    stop_talvenor
fi

# The floor for a click: a plain fork and exec of the same stand-in from a small C program.
for ((i = 0; i <= runs; i++)); do
    before=$("$xprobe" spawn "$app/ffmpeg")
    ((i == 0)) && continue
    started=$(grep "^ffmpeg " "$TALVENOR_BENCH_LOG" | tail -n1 | cut -d' ' -f2)
    awk -v a="$before" -v b="$started" 'BEGIN {printf "%.3f\n", (b - a) / 1e6}' >>"$work/spawn"
done

# --- The table.
m() { field "$2" <"$work/launch-$1" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a == "-" || b == "-" || b == 0 || a == "nan" || b == "nan") print "-"; else printf "%.2f", a / b}'; }
verdict() {  # VALUE LIMIT
    awk -v v="$1" -v l="$2" 'BEGIN {if (v == "-" || v == "nan") print "?"; else if (v + 0 <= l + 0) print "met"; else print "MISSED"}'
}
row() {  # LABEL TALVENOR QT XLIB GOAL VERDICT
    printf '| %-47s | %10s | %10s | %10s | %8s | %8s | %-12s | %-7s |\n' "$1" "$2" "$3" "$4" \
        "$(ratio "$2" "$3")" "$(ratio "$2" "$4")" "$5" "$6"
}
click_row() {  # LABEL FILE GOAL_MS
    local value floor goal verdict_text
    value=$(median <"$work/$2")
    floor=$(median <"$work/spawn")
    goal=${3:+< $3 ms}
    verdict_text=${3:+$(verdict "$value" "$3")}
    printf '| %-47s | %10s | %10s | %10s | %8s | %8s | %-12s | %-7s |\n' "$1" "$value" "-" "$floor" "-" \
        "$(ratio "$value" "$floor")" "${goal:--}" "${verdict_text:--}"
}

startup_t=$(m talvenor startup_ms) startup_q=$(m floor_qt startup_ms) startup_x=$(m floor_xlib startup_ms)
rss_t=$(m talvenor rss_kb) rss_q=$(m floor_qt rss_kb) rss_x=$(m floor_xlib rss_kb)
hwm_t=$(m talvenor hwm_kb) hwm_q=$(m floor_qt hwm_kb) hwm_x=$(m floor_xlib hwm_kb)
libs_t=$(m talvenor libs) libs_q=$(m floor_qt libs) libs_x=$(m floor_xlib libs)
libkib() { awk -v b="$(m "$1" lib_bytes)" 'BEGIN {printf "%d", b / 1024}'; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
memory=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
qt=$(sed -n 's/^Version: //p' <(dpkg -s libqt6core6 2>/dev/null) | head -n1)
echo "Talvenor bench, $(date -u +%Y-%m-%d): medians of $runs runs after one warm-up; Xvfb $DISPLAY, no window manager."
echo "Machine: $(nproc) CPUs, ${cpu:-unknown CPU}, $memory; $(uname -sr); Qt ${qt:-?}."
echo "Click floor (Xlib column of the click rows): a plain fork+exec of the same stand-in from a small C program."
echo "Terminal behind the last click row: ${terminal##*/}."
echo
printf '| %-47s | %10s | %10s | %10s | %8s | %8s | %-12s | %-7s |\n' "figure" "Talvenor" "Qt floor" "Xlib floor" "T / Qt" "T / Xlib" "goal" "verdict"
printf '|%s|%s|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..49})" "------------" "------------" "------------" "----------" "----------" "--------------" "---------"
row "start-up, exec to window mapped (ms)" "$startup_t" "$startup_q" "$startup_x" "<= 1.3 x Qt" "$(verdict "$(ratio "$startup_t" "$startup_q")" 1.3)"
row "VmRSS 300 ms after the map (KiB)" "$rss_t" "$rss_q" "$rss_x" "<= 1.2 x Qt" "$(verdict "$(ratio "$rss_t" "$rss_q")" 1.2)"
row "VmHWM 300 ms after the map (KiB)" "$hwm_t" "$hwm_q" "$hwm_x" "<= 1.2 x Qt" "$(verdict "$(ratio "$hwm_t" "$hwm_q")" 1.2)"
row "stripped executable (bytes)" "${stripped[talvenor]}" "${stripped[floor_qt]}" "${stripped[floor_xlib]}" "-" "-"
row "shared libraries, ldd (count)" "${ldd_count[talvenor]}" "${ldd_count[floor_qt]}" "${ldd_count[floor_xlib]}" "-" "-"
row "shared libraries, ldd (KiB on disk)" "${ldd_kib[talvenor]}" "${ldd_kib[floor_qt]}" "${ldd_kib[floor_xlib]}" "-" "-"
row "shared objects mapped after the map (count)" "$libs_t" "$libs_q" "$libs_x" "-" "-"
row "shared objects mapped after the map (KiB)" "$(libkib talvenor)" "$(libkib floor_qt)" "$(libkib floor_xlib)" "-" "-"
row "stripped conversion console (bytes)" "$(stat -c %s "$app/talvenor-console")" "-" "-" "-" "-"
click_row "click Lancer -> ffmpeg, pass-through term (ms)" lancer 5
click_row "click Lancer -> terminal started (ms)" lancer-term ""
click_row "click Voir -> ffplay (ms)" voir 5
if [[ -s $work/lancer-xterm ]]; then click_row "click Lancer -> ffmpeg, real terminal (ms)" lancer-xterm ""; fi
