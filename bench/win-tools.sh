#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows package's own ffmpeg.exe against Debian's ffmpeg, on this machine:
#   bench/win-tools.sh [TOOLS_DIR]
# TOOLS_DIR holds ffmpeg.exe and ffplay.exe (default: what scripts/build-win-tools.sh prints). A
# 20-second 720p H.264/AAC FLV goes through « Vidéo  FLV vers AVI » (ffmpeg -y -i NAME.flv -f avi
# NAME.avi), best of three for each, under Wine for ffmpeg.exe, Wine's start-up included; then
# ffplay.exe plays a 720p H.264 clip for 10 s on a private Xvfb, and its CPU time is given.
# Needs: ffmpeg (Debian's), Wine (/usr/lib/wine/wine64), Xvfb, bc.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tools=${1:-$("$root/scripts/build-win-tools.sh")}
wine=/usr/lib/wine/wine64
for tool in ffmpeg Xvfb bc "$wine"; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/talvenor-bench-tools.XXXXXX)
xvfb_pid=""
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

echo "Making the clips and a Wine prefix ..." >&2
ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=30:duration=20 -f lavfi -i sine=f=440:r=44100:d=20 \
    -c:v libx264 -preset veryfast -b:v 2500k -c:a aac -b:a 128k -f flv "$work/clip.flv"
cp "$tools/ffmpeg.exe" "$tools/ffplay.exe" "$work/"
"$wine" wineboot --init >/dev/null 2>&1 && /usr/lib/wine/wineserver -w
# Wine's server stays up between runs, as it does on a desktop where Wine already runs.
/usr/lib/wine/wineserver -p

# best COMMAND...: the best wall-clock time of three runs, in seconds, in the clip's folder.
best() {
    local best="" t start
    for _ in 1 2 3; do
        rm -f "$work/clip.avi"
        start=$(date +%s.%N)
        (cd "$work" && "$@" >/dev/null 2>&1) || { echo "bench: $* failed" >&2; exit 1; }
        t=$(echo "$(date +%s.%N) - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    printf '%.2f' "$best"
}
# The preset's command line with a relative name, as Talvenor runs it in the video's folder.
debian=$(best ffmpeg -y -i clip.flv -f avi clip.avi)
shipped=$(best "$wine" ffmpeg.exe -y -i clip.flv -f avi clip.avi)
ratio=$(printf '%.2f' "$(echo "$shipped / $debian" | bc -l)")

# ffplay.exe for 10 s of a 720p H.264 clip: the CPU time of its process (user + system).
display=""
for n in $(seq 150 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
cpu=$( { TIMEFORMAT='%U %S'; time (cd "$work" && "$wine" ffplay.exe -autoexit -t 10 -loglevel quiet clip.flv \
    >/dev/null 2>&1); } 2>&1 | awk '{printf "%.2f", $1 + $2}')

echo "Windows tools bench, $(date +%F): $(basename "$tools")"
printf '%-58s %8s\n' "« Vidéo  FLV vers AVI », 20 s of 720p H.264/AAC FLV" "best of 3"
printf '%-58s %7ss\n' "  Debian's ffmpeg $(ffmpeg -version | awk 'NR==1{print $3}')" "$debian"
printf '%-58s %7ss\n' "  shipped ffmpeg.exe under Wine" "$shipped"
printf '%-58s %7sx\n' "  ratio (aim: 1.15x at most)" "$ratio"
printf '%-58s %7ss\n' "ffplay.exe, 10 s of that clip: CPU time (user + system)" "$cpu"
