#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under Wine on the X display in DISPLAY, driven by real clicks at the design's
# pixels: the window and its pictures, a file chosen in the open-file dialog, the four conversions
# run by the ffmpeg.exe the package ships (its outputs read back with this system's ffprobe), the
# question before replacing an output, the help box, the message for the missing volume mixer, the
# shipped ffplay.exe started minimised and stopped by its key, the topmost band after a press on
# the background, and the quit button, which stops the player too.
# Usage: end_to_end_test.sh TALVENOR_EXE WINDOW_PROBE_EXE FAKE_PLAYER_EXE WINE_LOADER TOOLS_DIR
set -euo pipefail

exe=$1
probe_exe=$2
player_exe=$3
wine=$4
tools=$5

[ -n "${DISPLAY:-}" ] || { echo "DISPLAY is not set: run under Xvfb"; exit 1; }

work=$(mktemp -d /tmp/talvenor-e2e.XXXXXX)
program_pid=
mounted=
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid"; fi
  [ -z "$mounted" ] || umount -l "$mounted"
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

# Waits up to 20 seconds (WAIT_TRIES fifths of a second) for COMMAND to succeed.
wait_for() {
  local tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt "${WAIT_TRIES:-100}" ] || return 1
    sleep 0.2
  done
}

probe() { "$wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r' || true; }
not() { ! "$@"; }

caption="Talvenor 1.0$(printf '%104s' '')talvenor.example"
mkdir -p "$work/Talvenor" "$work/mes vidéos"
cp "$exe" "$work/Talvenor/Talvenor.exe"
cp "$tools/ffmpeg.exe" "$tools/ffplay.exe" "$work/Talvenor/"
# The stand-in appends here: its folder and arguments when it starts, "quit" on its key.
player_report="$work/player.txt"
source="$work/mes vidéos/clip été.flv"
output="$work/mes vidéos/clip été.avi"
# 25 frames a second: MPEG-1 takes only its own rates, and ffmpeg 5.1 does not pick one by itself.
ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=25 -f lavfi -i sine=duration=1 "$source"

(cd "$work" && TALVENOR_PLAYER_REPORT="Z:${player_report//\//\\}" exec "$wine" "$work/Talvenor/Talvenor.exe") \
  >"$work/program.log" 2>&1 &
program_pid=$!

window_id() { xdotool search --onlyvisible --name "^Talvenor 1\.0 " | head -1; }
wait_for window_id || { echo "FAILED: the window never opened"; exit 1; }
window=$(window_id)
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
eval "$(xdotool getwindowgeometry --shell "$window")"
left=$X
top=$Y

# Clicks at a point of the client area, in the design's pixels.
click_at() { xdotool mousemove $((left + $1)) $((top + $2)) click 1; }
shot="$work/screen.png"
# The colour at a point of the client area on a fresh screenshot, as #RRGGBB.
colour_at() {
  import -window root "$shot"
  convert "$shot" -crop "1x1+$((left + $1))+$((top + $2))" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1
}
colour_is() { [ "$(colour_at "$1" "$2")" = "$3" ]; }

check "the client area is 367 x 287 pixels" [ "$(probe client "$caption")" = "367x287" ]
check "the bare background shows the picture's flat blue" colour_is 40 150 '#5975FF'
check "the file box is light red" colour_is 68 127 '#FFC0C0'
check "the quit button shows its black cross" colour_is 320 24 '#000000'
import -window root "${E2E_SCREENSHOT:-$work/window.png}"

texts=$(probe texts "$caption")
check "the preset box shows preset 0" grep -qx 'Vidéo  FLV vers AVI' <<<"$texts"
check "the file box shows the prompt" grep -qx 'Un clic ici pour sélectionner le fichier à coder' <<<"$texts"
# Read from this other process, as a screen reader reads them.
names=$(probe names "$caption")
check "a screen reader names the file box" grep -qx 'Choix du fichier à voir ou à convertir' <<<"$names"
check "a screen reader names the preset box" grep -qx 'Conversion choisie' <<<"$names"
check "a screen reader names the list" grep -qx 'Conversions' <<<"$names"
check "a screen reader names the help button" grep -qx 'Aide : commandes du lecteur' <<<"$names"
check "a screen reader names the address" grep -qx 'Site web' <<<"$names"

# The file box opens the dialog; the path is typed into its file name box, which has the focus.
# Typed accents can get lost on the way through X, so the box is read back before confirming.
dialog_id() { xdotool search --name '^Sélection du fichier vidéo$' | head -1; }
windows_source="Z:${source//\//\\}"
typed_right() { [ "$(probe focus)" = "$windows_source" ]; }
choose_source() {
  local attempt
  for attempt in 1 2 3 4 5; do
    xdotool windowactivate --sync "$(dialog_id)" >/dev/null 2>&1 || true
    xdotool key Home shift+End BackSpace
    xdotool type --delay 40 "$windows_source"
    if WAIT_TRIES=15 wait_for typed_right; then
      xdotool key Return
      wait_for not dialog_id
      return
    fi
    echo "the file name box read \"$(probe focus)\" after attempt $attempt"
  done
  return 1
}
# Done once the file box shows the choice: until then the window, owner of the dialog, takes no click.
choose_file() { click_at 180 132 && wait_for dialog_id && choose_source && wait_for colour_is 68 127 '#C0FFFF'; }
click_at 180 132
if wait_for dialog_id; then
  echo "ok: the open-file dialog opened with its French title"
  check "the source file is chosen in the dialog" choose_source
else
  echo "FAILED: the open-file dialog never opened"
  failures=$((failures + 1))
fi
check "the file box turns light cyan" wait_for colour_is 68 127 '#C0FFFF'
check "the file box shows the base name" grep -qx 'clip été' <<<"$(probe texts "$caption")"

# A quick double click on the launch button starts one conversion: the second click is told that
# it already runs. The stand-in player stands in for a conversion that takes its time.
cp "$player_exe" "$work/Talvenor/ffmpeg.exe"
xdotool mousemove $((left + 180)) $((top + 200)) click --repeat 2 --delay 80 1
question_id() { xdotool search --name '^Talvenor$' | head -1; }
slow_id() { xdotool search --name '^-y$' | head -1; }
# A key for a window that another one's opening has just deprived of the focus is sent again.
key_until_gone() {  # key_until_gone KEY WINDOW_FUNCTION
  xdotool windowactivate --sync "$($2)" >/dev/null 2>&1 || true
  xdotool key "$1"
  WAIT_TRIES=25 wait_for not "$2"
}
if wait_for question_id; then
  check "the second click is told the conversion already runs" \
    grep -q "La conversion vers « clip été.avi » est déjà en cours." <<<"$(probe texts Talvenor)"
  # The stand-in's window takes the focus as it opens.
  wait_for slow_id || true
  check "the message closes" wait_for key_until_gone Return question_id
else
  echo "FAILED: no message for the second click of a double click"
  failures=$((failures + 1))
fi
check "one conversion started" [ "$(tr -d '\r' <"$player_report" | grep -cx -- '-y')" -eq 1 ]
check "the stand-in conversion ends" wait_for key_until_gone q slow_id
cp "$tools/ffmpeg.exe" "$work/Talvenor/ffmpeg.exe"
rm -f "$player_report"

# The launch button converts beside the source, whose folder the dialog made current.
# What ffprobe reads in FILE: each stream's codec (and picture size), in order, then its format.
probed() {
  { ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$1" | LC_ALL=C sort
    ffprobe -v error -show_entries format=format_name -of csv=p=0 "$1"; } 2>&1 | paste -sd' '
}
converted_to() { [ "$(probed "$1")" = "$2" ]; }
check_converted() {  # check_converted DESCRIPTION FILE EXPECTED
  check "$1" wait_for converted_to "$2" "$3"
  converted_to "$2" "$3" || echo "  ffprobe read: $(probed "$2")"
}
console_id() { xdotool search --name '^Talvenor — ffmpeg' | head -1; }
click_at 180 200
check_converted "the conversion wrote an MPEG-4 and MP3 AVI beside the source" "$output" 'mp3 mpeg4,160,120 avi'
check "the conversion's console closes by itself after a success" wait_for not console_id

# A second launch asks first; "Non" keeps the file as it is.
before=$(stat -c %Y.%s "$output" 2>/dev/null || echo none)
click_at 180 200
if wait_for question_id; then
  question=$(probe texts Talvenor)
  check "the question names the output" grep -q 'clip été.avi » existe déjà' <<<"$question"
  check "the question answers Oui or Non" grep -qx '&Non' <<<"$question"
  check "the question closes on n" wait_for key_until_gone n question_id
  sleep 1
  check "Non leaves the output untouched" [ "$(stat -c %Y.%s "$output" 2>/dev/null || echo none)" = "$before" ]
else
  echo "FAILED: no question before replacing the output"
  failures=$((failures + 1))
fi

# The list chooses the other conversions, then the file again, made by the shipped ffmpeg.exe too.
list_row() { echo $((104 + 2 + 13 * $1 + 6)); }
preset_is() { grep -qx "$1" <<<"$(probe texts "$caption")"; }
choose_preset() {  # choose_preset ROW NAME
  click_at 288 97
  wait_for colour_is 66 "$(list_row 3)" '#C0FFFF' && click_at 180 "$(list_row "$1")" && wait_for preset_is "$2" &&
    choose_file
}
check "the list chooses the uncompressed AVI" choose_preset 1 'Vidéo  FLV vers AVI non compressé.'
click_at 180 200
wait_for question_id && key_until_gone o question_id
check_converted "Oui replaces the AVI with raw 320x240 pictures and PCM sound" "$output" 'pcm_s16le rawvideo,320,240 avi'
check "its console closes by itself" wait_for not console_id
check "the list chooses MPEG-1" choose_preset 2 'Vidéo  FLV vers MPEG1'
click_at 180 200
check_converted "the conversion wrote an MPEG-1 program stream" "${output%.avi}.mpeg" 'mp2 mpeg1video,160,120 mpeg'
check "its console closes by itself" wait_for not console_id

# The help button shows the player's commands.
click_at 168 176
if wait_for question_id; then
  help=$(probe texts Talvenor)
  check "the help box lists the player's commands" grep -q 'Commandes du moniteur' <<<"$help"
  check "the help box keeps its accents" grep -q 'flêches directionnelles' <<<"$help"
  check "the help box closes" wait_for key_until_gone Return question_id
else
  echo "FAILED: the help box never opened"
  failures=$((failures + 1))
fi

# The speaker button asks for a volume mixer that this system lacks: the user is told so in French.
click_at 192 176
if wait_for question_id; then
  check "the missing mixer is reported" grep -q "Impossible d'ouvrir le mélangeur de volume" <<<"$(probe texts Talvenor)"
  check "the message closes" wait_for key_until_gone Return question_id
else
  echo "FAILED: no message for the missing volume mixer"
  failures=$((failures + 1))
fi

# "Voir" starts the shipped player on the chosen file, named as it is in its folder; it shows its
# window itself, in front, and is minimised then. "Stop" types its quit key into it.
# Wine shows the player's process under its Windows path, in this test's own folder.
player_pid() { pgrep -f "${work##*/}.Talvenor.ffplay\.exe" | head -1; }
player_window() { xdotool search --name '^clip été\.flv$' | head -1; }
iconic() { xprop -id "$(player_window)" WM_STATE | grep -q Iconic; }
# A player never found is taken for one that runs on: its stop cannot pass.
alive() { [ "$1" = none ] && return; local state; state=$(ps -o stat= -p "$1") && [[ "$state" != Z* ]]; }
click_at 128 176
check "Voir starts ffplay.exe, which opens the chosen file from its folder" wait_for player_window
player=$(player_pid) || player=none
check "the player's window is minimised, clear of Stop" wait_for iconic
click_at 228 176
check "Stop brings the player forward and it quits on its key" wait_for not alive "$player"

# A drag from the bare background moves the window and puts it in the topmost band. The press
# lasts as a hand's would: a move that starts after the release would wait for another click.
topmost() { [ $((0x$(probe exstyle "$caption") & 0x8)) -ne 0 ]; }
check "the window is not topmost at first" not topmost
xdotool mousemove $((left + 6)) $((top + 150)) mousedown 1
sleep 0.3
xdotool mousemove $((left + 26)) $((top + 160))
sleep 0.2
xdotool mousemove $((left + 36)) $((top + 170))
sleep 0.3
xdotool mouseup 1
moved_by_drag() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$X" -eq $((left + 30)) ] && [ "$Y" -eq $((top + 20)) ]
}
check "a drag from the background moves the window with the pointer" wait_for moved_by_drag
check "the press on the background made it topmost" wait_for topmost
eval "$(xdotool getwindowgeometry --shell "$window")"
left=$X
top=$Y

# With a player running again, the quit button stops it and ends the program.
click_at 128 176
check "Voir starts the player again" wait_for player_window
player=$(player_pid) || player=none
wait_for iconic || true
click_at 320 24
check "the quit button makes the player quit" wait_for not alive "$player"
# The program's process, once ended, stays a zombie until this script reaps it.
running() { local state; state=$(ps -o stat= -p "$program_pid") && [[ "$state" != Z* ]]; }
check "the quit button ends the program" wait_for not running

# "Ouvrir avec", a drop on the icon and "Envoyer vers" start the program with the file's path:
# started from another folder, the window opens with the file chosen under the preset that
# reads it, and the conversion lands beside the file.
camera="$work/mes vidéos/Caméra 42.avi"
camera_output="$work/mes vidéos/Caméra 42.flv"
ffmpeg -loglevel error -i "$source" -f avi "$camera"
(cd "$work/Talvenor" && TALVENOR_PLAYER_REPORT="Z:${player_report//\//\\}" exec "$wine" "$work/Talvenor/Talvenor.exe" \
  "Z:${camera//\//\\}") >"$work/program2.log" 2>&1 &
program_pid=$!
if wait_for window_id; then
  window=$(window_id)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  left=$X
  top=$Y
  check "a file given on the command line is chosen" wait_for colour_is 68 127 '#C0FFFF'
  texts=$(probe texts "$caption")
  check "the file box shows its base name" grep -qx 'Caméra 42' <<<"$texts"
  check "the preset follows the file to AVI vers FLV" grep -qx 'Vidéo  AVI vers FLV' <<<"$texts"
  click_at 180 200
  check_converted "the file given on the command line converts beside itself, to FLV at 320x240" \
    "$camera_output" 'flv1,320,240 mp3 flv'
  click_at 320 24
  check "the quit button ends the program" wait_for not running
else
  echo "FAILED: Talvenor.exe FILE never opened its window"
  failures=$((failures + 1))
fi

# A video on read-only media: the box offers the Videos known folder (made, for this test, a
# folder of its own through the user's shell folders in the test's Wine prefix); n starts
# nothing, o converts there.
readonly="$work/cd"
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
mkdir -p "$readonly" "$work/Vidéos" && cp "$source" "$readonly/clip.flv"
if mount --bind "$readonly" "$readonly" 2>/dev/null && mounted=$readonly && mount -o remount,ro,bind "$readonly"; then
  "$wine" reg add "$shell_folders" /v 'My Videos' /t REG_EXPAND_SZ /d "Z:${work//\//\\}\\Vidéos" /f >/dev/null
  (cd "$work/Talvenor" && exec "$wine" "$work/Talvenor/Talvenor.exe" "Z:${readonly//\//\\}\\clip.flv") >"$work/program4.log" 2>&1 &
  program_pid=$!
  if wait_for window_id; then
    eval "$(xdotool getwindowgeometry --shell "$(window_id)")"
    left=$X
    top=$Y
    click_at 180 200
    wait_for question_id || true
    check "a read-only folder: a box offers the Videos folder" \
      grep -q "ne peut pas recevoir le fichier converti.*Enregistrer « clip.avi » dans votre dossier de vidéos" \
      <<<"$(probe texts Talvenor | paste -sd' ')"
    check "a read-only folder: the box closes on n" wait_for key_until_gone n question_id
    sleep 1
    check "a read-only folder: « Non » starts nothing" test -z "$(ls "$work/Vidéos")"
    click_at 180 200
    wait_for question_id || true
    check "a read-only folder: the box closes on o" wait_for key_until_gone o question_id ||
      echo "  the box says: $(probe texts Talvenor | paste -sd' ')"
    check_converted "a read-only folder: « Oui » converts into the Videos folder" "$work/Vidéos/clip.avi" 'mp3 mpeg4,160,120 avi'
    check "a read-only folder: and leaves nothing else there" test "$(ls "$work/Vidéos")" = clip.avi
    kill "$program_pid" 2>/dev/null || true
  else
    echo "FAILED: Talvenor.exe FILE on read-only media never opened its window"
    failures=$((failures + 1))
  fi
  umount -l "$readonly" && mounted=
  "$wine" reg add "$shell_folders" /v 'My Videos' /t REG_EXPAND_SZ /d '%USERPROFILE%\Videos' /f >/dev/null
else
  echo "skip: a read-only folder (mounting is not allowed here)"
fi

# Space on the file box, which has the focus at start, opens the dialog as a click does.
(cd "$work" && exec "$wine" "$work/Talvenor/Talvenor.exe") >"$work/program3.log" 2>&1 &
program_pid=$!
# A window found by its name may not be shown yet, nor its file box focused: both are awaited.
file_box_focused() {
  xdotool windowactivate --sync "$(window_id)" >/dev/null 2>&1 || true
  [ "$(probe focus)" = 'Un clic ici pour sélectionner le fichier à coder' ]
}
if wait_for window_id; then
  check "the file box has the focus at start" wait_for file_box_focused
  xdotool key space
  check "Space on the file box opens the dialog" wait_for dialog_id
  xdotool windowactivate --sync "$(dialog_id)" >/dev/null 2>&1 || true
  xdotool key Escape
  check "the dialog closes on Escape" wait_for not dialog_id
  kill "$program_pid" 2>/dev/null || true
else
  echo "FAILED: the window never opened a third time"
  failures=$((failures + 1))
fi

# Every source of the table, made by this system's ffmpeg, through every preset that reads it, by
# the shipped ffmpeg.exe with the line the core gives a click; the table's script checks each output.
table=$(dirname "$0")/../conversion_sources.sh
mkdir "$work/table"
check "the table's sources are made" test -z "$(bash "$table" make "$work/table")"
for file in "$work/table"/*; do
  name=${file##*/}
  for row in 0 1 2 3; do
    case "$row:$name" in 3:*.avi | [012]:*.flv) ;; *) continue ;; esac
    mapfile -t arguments < <(cd "$work/table" && "$wine" "$(dirname "$exe")/preset_line.exe" "$row" "out-${name%.*}" "$name" | tr -d '\r')
    (cd "$work/table" && "$wine" "$work/Talvenor/ffmpeg.exe" -nostdin -v error "${arguments[@]}") >"$work/table.log" 2>&1 ||
      { echo "  ffmpeg.exe said: $(tail -n 3 "$work/table.log")"; }
    output=$(ls "$work/table" | grep "^out-${name%.*}[. ]" | head -n 1)
    verdict=$(bash "$table" check "$file" "$work/table/${output:-none}" "$row")
    check "preset $row converts $name with the shipped ffmpeg.exe" test -n "$output" -a -z "$verdict"
    [ -z "$verdict" ] || echo "  $verdict"
    rm -f "$work/table/out-"*
  done
done

echo "$failures end-to-end check(s) failed"
[ "$failures" -eq 0 ]
