#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What « Vidéo  FLV vers MPEG1 » costs over ffmpeg's own conversion, on this machine:
#   bench/mpeg1.sh
# Two clips made here by Debian's ffmpeg: 20 s of 720p 25 fps H.264/AAC, and 20 s of 320x240 15 fps
# Sorenson/MP3 (a webcam's). Each goes through the line a click on the preset gives for it (the
# core's own, built from tests/win32/preset_line.cpp), through ffmpeg's plain line (`ffmpeg -y -i
# NAME.flv NAME.mpeg`; for 15 fps, which the plain line refuses, with the rate the preset gives,
# `-r 30`) and through the filter line every source got before. Processor time (user + system) of
# ffmpeg, best of three; the outputs are compared byte for byte.
# Needs: ffmpeg (Debian's), g++, GNU time (/usr/bin/time).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
for tool in ffmpeg g++ /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 1; }
done
work=$(mktemp -d /tmp/talvenor-bench-mpeg1.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "Building the core's line maker and making the clips ..." >&2
g++ -std=c++20 -O2 -I"$root/src/core" -o "$work/preset_line" "$root/tests/win32/preset_line.cpp" \
    "$root/src/core/presets.cpp" "$root/src/core/flv_rate.cpp"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=20 -f lavfi -i sine=f=440:r=44100:d=20 \
    -c:v libx264 -preset veryfast -c:a aac "$work/hd.flv"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=15:duration=20 -f lavfi -i sine=f=440:r=22050:d=20 \
    -c:v flv -c:a libmp3lame "$work/webcam.flv"

# best OUTPUT ARGUMENT...: ffmpeg's least processor time in three runs, in seconds, in the clips'
# folder; the output is kept as OUTPUT.
best() {
    local output=$1 best="" t
    shift
    for _ in 1 2 3; do
        (cd "$work" && /usr/bin/time -f '%U %S' -o "$work/time" ffmpeg -nostdin -v error -y "$@" >/dev/null) ||
            { echo "bench: ffmpeg $* failed" >&2; exit 1; }
        t=$(awk '{ printf "%.2f", $1 + $2 }' "$work/time")
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    done
    mv "$work/${*: -1}" "$work/$output"
    echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
same() { cmp -s "$work/$1" "$work/$2" && echo same || echo DIFFERENT; }

filter=$("$work/preset_line" 2 x /dev/null | sed -n 5p)  # the line for a source whose rate is not known
echo "MPEG-1 preset bench, $(date +%F): ffmpeg $(ffmpeg -version | awk 'NR==1{print $3}'), processor time (user + system), best of 3"
printf '%-36s %-10s %9s %9s %7s %9s %7s %s\n' clip "row 2" "row 2 s" "plain s" ratio "filter s" ratio "bytes (row 2, plain, filter)"
for clip in hd webcam; do
    mapfile -t row2 < <(cd "$work" && "$work/preset_line" 2 "$clip" "$clip.flv")
    plain=(-i "$clip.flv" "$clip.mpeg")
    [ "$clip" = webcam ] && plain=(-i "$clip.flv" -r 30 "$clip.mpeg")
    kind=filter; [ "${#row2[@]}" = 4 ] && kind=plain; [[ " ${row2[*]} " == *" null -r "* ]] && kind="-r ${row2[6]}"
    t_row2=$(best row2.mpeg "${row2[@]:1}")
    t_plain=$(best plain.mpeg "${plain[@]}")
    t_filter=$(best filter.mpeg -i "$clip.flv" -vf "$filter" "$clip.mpeg")
    label="20 s 720p 25 fps H.264/AAC"; [ "$clip" = webcam ] && label="20 s 320x240 15 fps Sorenson/MP3"
    printf '%-36s %-10s %9s %9s %6sx %9s %6sx %s\n' "$label" "$kind" "$t_row2" "$t_plain" "$(ratio "$t_row2" "$t_plain")" \
        "$t_filter" "$(ratio "$t_filter" "$t_plain")" "$(same row2.mpeg plain.mpeg), $(same row2.mpeg filter.mpeg)"
done
