#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The conversion sources of tests/conversion_sources.txt, for every runner of the table.
#   conversion_sources.sh make FOLDER [OUTPUTS]    makes each source in FOLDER (and the folder OUTPUTS)
#                                                  with the ffmpeg on the PATH
#   conversion_sources.sh check SOURCE OUTPUT ROW  says what is wrong with preset ROW's OUTPUT of SOURCE
# Both print nothing when all is well (check always exits 0: its words are the verdict).
# The checks use Debian's ffprobe and ffmpeg, whichever ffmpeg made OUTPUT.
set -uo pipefail

table="$(dirname "$0")/conversion_sources.txt"

# The table's rows of one kind, their fields separated by tabs.
rows() {
  grep -v '^#' "$table" | awk -F' [|] ' -v kind="$1" -v OFS='\t' '$1 == kind { $1 = $1; print }' | cut -f2-
}

# One csv line per stream, CODEC,video,WIDTH,HEIGHT,RATE or CODEC,audio,SAMPLE_RATE,CHANNELS,...,
# then the length in seconds. RATE is the frames' own rate: ffprobe 7 gives an MPEG-1 stream's
# field rate (twice it) as r_frame_rate, and ends its csv lines with a comma.
streams() {
  ffprobe -v error -show_entries stream=codec_name,codec_type,width,height,avg_frame_rate,sample_rate,channels:format=duration \
    -of csv=p=0 "$1" | sed 's/,*$//'
}

# What is wrong with FILE against the streams and length it must have, and the patterns (when given)
# its video and audio streams must match.
verdict() {
  local file=$1 seconds=$2 want=$3 video=${4:-.*} audio=${5:-.*}
  local got; got=$(streams "$file" 2>&1) || { echo "$file: unreadable: $got"; return; }
  local kinds; kinds=$(grep , <<<"$got" | cut -d, -f2 | sort -ur | paste -sd+)
  [ "$kinds" = "$want" ] || echo "$file: has $kinds, not $want"
  local kind pattern
  for kind in video audio; do
    pattern=$video; [ $kind = audio ] && pattern=$audio
    grep ",$kind," <<<"$got" | grep -Evx "$pattern" | awk -v f="$file" -v p="$pattern" '{ print f ": " $0 ", not " p }'
  done
  local length; length=$(tail -n1 <<<"$got")
  awk -v l="$length" -v s="$seconds" 'BEGIN { exit !(l + 0 >= s - 0.5 && l + 0 <= s + 0.5) }' ||
    echo "$file: lasts $length s, not $seconds"
  local errors; errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1)
  [ -z "$errors" ] || echo "$file: decoding says: $errors"
}

case "${1:-}" in
  make)
    mkdir -p "$2" ${3:+"$3"}
    rows source | while IFS=$'\t' read -r name seconds want arguments; do
      # shellcheck disable=SC2086 # the arguments are words with no blank inside
      ffmpeg -nostdin -v error -y $arguments "$2/$name" || echo "$name: ffmpeg could not make it"
      verdict "$2/$name" "$seconds" "$want"
    done ;;
  check)
    source_row=$(rows source | awk -F'\t' -v n="$(basename "$2")" '$1 == n')
    preset_row=$(rows preset | awk -F'\t' -v r="$4" '$1 == r')
    [ -n "$source_row" ] && [ -n "$preset_row" ] || { echo "no row for $2 or preset $4"; exit 0; }
    IFS=$'\t' read -r _ seconds want _ <<<"$source_row"
    IFS=$'\t' read -r _ _ video audio <<<"$preset_row"
    verdict "$3" "$seconds" "$want" "$video" "$audio" ;;
  *)
    echo "usage: $0 make FOLDER | check SOURCE OUTPUT ROW" >&2
    exit 2 ;;
esac
