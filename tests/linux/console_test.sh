#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The conversion console on its own: a stand-in terminal runs what follows its -e with its
# output in a file, so that what the window would show can be read back.
#
#   tests/linux/console_test.sh PATH/TO/talvenor-console
set -uo pipefail

console=$(realpath "$1")
work=$(mktemp -d /tmp/talvenor-console-test.XXXXXX)
trap 'pkill -P $$ 2>/dev/null; [[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
failures=0

check() {  # DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok   - $what"
    else
        echo "FAIL - $what"
        failures=$((failures + 1))
    fi
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# The stand-in terminal: records its arguments, then runs the command after -e, its input from
# $work/input if that exists (a fifo the test writes to), else from /dev/null.
cat >"$work/terminal" <<'EOF'
#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" >"$dir/terminal.args"
echo $$ >"$dir/terminal.pid"
while [ "$1" != "-e" ]; do shift; done
shift
if [ -p "$dir/input" ]; then exec "$@" >"$dir/window" 2>&1 <"$dir/input"; fi
exec "$@" >"$dir/window" 2>&1 </dev/null
EOF
# The tool: says whether its streams are a terminal and whether it got descriptor 9 (which the test
# holds open), prints each argument, ends with $CODE.
cat >"$work/tool" <<'EOF'
#!/bin/sh
echo $$ >"$(dirname "$0")/tool.pid"
if [ -t 0 ] && [ -t 1 ] && [ -t 2 ]; then echo "on a terminal"; fi
if [ -e /proc/$$/fd/9 ]; then echo "descriptor 9 leaked"; fi
for arg in "$@"; do printf '<%s>\n' "$arg"; done
exit "${CODE:-0}"
EOF
chmod +x "$work/terminal" "$work/tool"

# Whether a process still runs. One that has ended but is not yet collected (a zombie, which
# `kill -0` still finds) has not.
alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

window_text() { tr -d '\r' <"$work/window" 2>/dev/null; }
reset() { rm -f "$work/window" "$work/terminal.args" "$work/terminal.pid" "$work/tool.pid" "$work/input"; }

# 1. The tool runs on a terminal of its own, receives every argument untouched, and its output
#    reaches the window, which closes by itself when the tool succeeds.
reset
args=("un fichier.flv" "'guillemets'" '"doubles"' '$(touch injected)' '`touch injected`' "a;b&c|d" "-tiret" "" "été ビデオ")
exec 9>"$work/held"
"$console" --title "Talvenor — ffmpeg" --terminal "$work/terminal" -- "$work/tool" "${args[@]}" &
runner=$!
exec 9>&-
wait_for 50 test -s "$work/window"
wait_for 50 eval '! alive "$(cat "$work/terminal.pid" 2>/dev/null)"'
wait "$runner"
check "the console ends with the tool, with 0" test $? -eq 0
expected=$(printf 'on a terminal\n'; printf '<%s>\n' "${args[@]}")
check "the tool's output shows in the window, arguments untouched, no stray descriptor" \
    test "$(window_text)" == "$expected"
check "nothing was run by a shell" test ! -e injected -a ! -e "$work/injected"
check "the window is titled as asked" grep -qxF "Talvenor — ffmpeg" "$work/terminal.args"
check "no failure message after a success" eval '! grep -q "échoué" "$work/window"'

# 2. A failure keeps the window with the exit code until Enter.
reset
mkfifo "$work/input"
exec 7<>"$work/input"
CODE=3 "$console" --title T --terminal "$work/terminal" -- "$work/tool" x &
wait_for 50 grep -qs "Appuyez sur Entrée pour fermer cette fenêtre." "$work/window"
check "a failure says so, with its code" grep -qF "La conversion a échoué (code 3)." "$work/window"
sleep 0.5
check "the window waits for Enter" alive "$(cat "$work/terminal.pid")"
echo >&7
wait_for 50 eval '! alive "$(cat "$work/terminal.pid")"'
check "Enter closes it" eval '! alive "$(cat "$work/terminal.pid")"'
exec 7>&-

# 2b. In a real terminal the window shows how far the tool is, read from its statistics lines: in
#     its title and as the desktop's progress bar (ESC ] 9 ; 4), which is cleared after a success
#     and left in its error state after a failure. The stand-in terminal here is a pseudo-terminal
#     that keeps every byte the window writes to it.
cat >"$work/ptyterm" <<'EOF'
#!/bin/sh
dir=$(dirname "$0")
echo $$ >"$dir/terminal.pid"
while [ "$1" != "-e" ]; do shift; done
shift
exec python3 -c 'import os, pty, sys
kept = open(sys.argv[1], "wb")
def read(fd):
    data = os.read(fd, 4096)
    kept.write(data)
    kept.flush()
    return data
pty.spawn(sys.argv[2:], read)' "$dir/window" "$@" </dev/null >/dev/null
EOF
cat >"$work/halfway" <<'EOF'
#!/bin/sh
echo '  Duration: 00:00:20.00, start: 0.000000, bitrate: 512 kb/s' >&2
printf 'frame=  100 fps= 25 q=2.0 size=     256kB time=00:00:10.00 bitrate= 400.0kbits/s speed=1.00x    \r' >&2
exit "${CODE:-0}"
EOF
chmod +x "$work/ptyterm" "$work/halfway"
for code_and_end in $'0:\e]9;4;0\e\\' $'3:\e]9;4;2;100\e\\'; do
    reset
    CODE=${code_and_end%%:*} "$console" --title "Talvenor — ffmpeg" --terminal "$work/ptyterm" -- "$work/halfway" &
    wait_for 50 grep -qsF "${code_and_end#*:}" "$work/window"
    check "code ${code_and_end%%:*}: the title shows the progress" \
        grep -qF $'\e]0;Talvenor — halfway — 50 % (reste 10 s)\e\\' "$work/window"
    check "code ${code_and_end%%:*}: so does the progress bar" grep -qF $'\e]9;4;1;50\e\\' "$work/window"
    check "code ${code_and_end%%:*}: and its end" grep -qF "${code_and_end#*:}" "$work/window"
    kill "$(cat "$work/terminal.pid")" 2>/dev/null
done

# 3. A tool that cannot be started, or that a signal ends, is a failure too, with the code a shell
#    would give: 127, and 128 + the signal (SIGTERM: 143).
printf '#!/bin/sh\nkill -TERM $$\n' >"$work/killed"
chmod +x "$work/killed"
for tool_and_code in "no such tool:127" "killed:143"; do
    reset
    "$console" --title T --terminal "$work/terminal" -- "$work/${tool_and_code%:*}" &
    wait_for 50 grep -qs "Appuyez" "$work/window"
    check "${tool_and_code%:*}: reported with code ${tool_and_code##*:}" \
        grep -qF "La conversion a échoué (code ${tool_and_code##*:})." "$work/window"
done

# 4. Closing the window hangs up the tool, as closing a terminal does.
reset
cat >"$work/long" <<'EOF'
#!/bin/sh
echo $$ >"$(dirname "$0")/tool.pid"
exec sleep 60
EOF
chmod +x "$work/long"
"$console" --title T --terminal "$work/terminal" -- "$work/long" &
wait_for 50 test -s "$work/tool.pid"
wait_for 50 test -s "$work/terminal.pid"
sleep 0.3
kill "$(cat "$work/terminal.pid")"
wait_for 50 eval '! alive "$(cat "$work/tool.pid")"'
check "closing the window ends the tool" eval '! alive "$(cat "$work/tool.pid")"'

# 5. With no terminal to show it, the conversion still runs to its end: its output (far more than
#    a terminal holds) is read and dropped, never left to block it.
reset
cat >"$work/chatty" <<'EOF'
#!/bin/sh
i=0
while [ $i -lt 4000 ]; do echo "ligne $i ................................................................"; i=$((i + 1)); done
touch "$(dirname "$0")/done"
EOF
chmod +x "$work/chatty"
rm -f "$work/done"
"$console" --title T --terminal "$work/no terminal" -- "$work/chatty" &
runner=$!
wait_for 100 test -e "$work/done"
check "without a terminal the tool is not blocked by its output" test -e "$work/done"
wait_for 50 eval '! alive $runner'
check "and the console does not linger" eval '! alive $runner'

# 6. A console started ahead of time runs the command line it is handed on descriptor 3 (each
#    argument ended by a NUL byte), from the folder named there.
reset
mkdir -p "$work/dossier à part"
cat >"$work/where" <<'EOF'
#!/bin/sh
pwd
printf '<%s>\n' "$@"
EOF
chmod +x "$work/where"
"$console" --standby 3 3< <(printf '%s\0' --cwd "$work/dossier à part" --title "Titre" --terminal "$work/terminal" \
    -- "$work/where" "x y" "") &
runner=$!
wait_for 50 eval '! alive $runner'
check "a console on standby runs the job it is handed, from its folder" \
    test "$(window_text)" == "$(printf '%s\n' "$work/dossier à part" "<x y>" "<>")"
check "with the title it is given" grep -qxF "Titre" "$work/terminal.args"

# 7. Handed nothing (the program ended), it ends quietly.
"$console" --standby 3 3</dev/null
check "a console on standby that gets nothing ends quietly with 0" test $? -eq 0

# 8. Only the window the console started gets the conversion's terminal. Before that window, the
#    stand-in terminal lets others try the channel it was named: another user (when we are root),
#    who cannot even reach it, and another program of the user's, which is turned away. The real window still attaches; the channel's folder, private to us
#    meanwhile, is gone once it has.
reset
cat >"$work/intruded" <<'EOF2'
#!/bin/sh
dir=$(dirname "$0")
folder=$(dirname "$6")
echo "$folder" >"$dir/folder"
stat -c %a "$folder" >"$dir/folder.mode"
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$SHARED/talvenor-console" --attach "$6" "$7" "$8" >"$dir/other-user" 2>&1 </dev/null
fi
# Another program of ours that speaks the window's part, started as the window is.
"$dir/impostor" --attach "$6" "$7" "$8" >"$dir/other-program" 2>&1
shift 3
exec "$@" >"$dir/window" 2>&1 </dev/null
EOF2
chmod +x "$work/intruded"
# A program of the user's, not ours, with the window's command line and word: only its program
# file tells it apart.
cat >"$work/impostor.c" <<'EOF2'
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
int main(int argc, char** argv) {
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    const int channel = socket(AF_UNIX, SOCK_STREAM, 0);
    char word = 'W', control[CMSG_SPACE(sizeof(int))];
    struct iovec part = {&word, 1};
    struct msghdr answer = {.msg_iov = &part, .msg_iovlen = 1, .msg_control = control, .msg_controllen = sizeof control};
    if (argc < 3) return 2;
    strncpy(address.sun_path, argv[2], sizeof address.sun_path - 1);
    if (connect(channel, (struct sockaddr*)&address, sizeof address) != 0 || send(channel, &word, 1, MSG_NOSIGNAL) != 1) return puts("nothing"), 0;
    puts(recvmsg(channel, &answer, 0) == 1 && answer.msg_controllen > 0 ? "descriptor" : "nothing");
    return 0;
}
EOF2
cc -o "$work/impostor" "$work/impostor.c" || echo "FAIL - the impostor could not be built"
shared=$(mktemp -d /tmp/talvenor-console-shared.XXXXXX)
chmod 755 "$shared"
cp "$console" "$shared/talvenor-console"
mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR=$work/run SHARED=$shared \
    "$console" --title T --terminal "$work/intruded" -- "$work/tool" secret &
runner=$!
wait_for 50 eval '! alive $runner'
check "the channel is a folder of our runtime folder that only we may enter" \
    test "$(dirname "$(cat "$work/folder")")" == "$work/run" -a "$(cat "$work/folder.mode")" == 700
if [[ -e $work/other-user ]]; then
    check "another user cannot reach it" grep -q "introuvable" "$work/other-user"
fi
check "another program gets nothing" grep -qx nothing "$work/other-program"
check "the window the console started still shows the tool" grep -q "<secret>" "$work/window"
check "the channel's folder is gone" test ! -e "$(cat "$work/folder")"

# A window told to expect another console refuses the one that answers, and shows nothing of it.
reset
cat >"$work/misled" <<'EOF2'
#!/bin/sh
exec "$4" --attach "$6" 1 "$8" >"$(dirname "$0")/window" 2>&1 </dev/null
EOF2
chmod +x "$work/misled"
"$console" --title T --terminal "$work/misled" -- "$work/tool" secret &
runner=$!
wait_for 50 grep -qs "refuse" "$work/window"
check "a window refuses a console it does not expect" grep -q "refuse" "$work/window"
check "and shows nothing of its tool" eval '! grep -q secret "$work/window"'
rm -rf "$shared"

# 8b. A console installed under a long path is its window's all the same: the window's whole
#     command line, which names that path, is checked.
reset
long=$work/$(printf 'un dossier au nom bien long %.0s' {1..8})
mkdir -p "$long"
cp "$console" "$long/talvenor-console"
"$long/talvenor-console" --title T --terminal "$work/terminal" -- "$work/tool" loin &
runner=$!
wait_for 50 grep -qs "<loin>" "$work/window"
check "a console installed under a long path shows its tool in its window" grep -q "<loin>" "$work/window"
wait_for 50 eval '! alive $runner'

# 8c. A channel's folder that the console did not make is never removed: here the runtime folder's
#     name leaves no room for a socket's, and /tmp is another user's (a mount of its own, in a
#     namespace that ends with the console), so no channel opens; a folder by the cut name stays.
if [[ $(id -u) -eq 0 ]] && unshare -m true 2>/dev/null; then
    kept=$(unshare -m bash -s "$console" <<'EOF2'
exec 3<"$1"  # the console may be under /tmp
mount -t tmpfs -o mode=0755,uid=65534 tmpfs /tmp || exit
cat <&3 >/tmp/console && chmod +x /tmp/console
base=/tmp/$(printf 'r%.0s' {1..90})
cut=$base/talvenor-console-XXXXXX
mkdir -p "${cut:0:107}"
env -u TMPDIR XDG_RUNTIME_DIR="$base" /tmp/console --title T --terminal /bin/false -- /bin/true
[[ -d ${cut:0:107} ]] && echo kept
EOF2
)
    check "a folder the console did not make is left alone" test "$kept" == kept
fi

# 9. Whatever the session's locale, the window reads the failure lines as written: a stand-in
#    terminal decodes what it is sent with its own locale's character set, as a real one does.
cat >"$work/reader" <<'EOF'
#!/bin/sh
dir=$(dirname "$0")
env | grep -E '^(LANG|LC_[A-Z]+)=' | sort | tr '\n' ' ' >"$dir/reader.locale"
while [ "$1" != "-e" ]; do shift; done
shift
"$@" </dev/null 2>&1 | iconv -f "$(locale charmap)" -t UTF-8 >"$dir/window" 2>&1
EOF
chmod +x "$work/reader"
while IFS='|' read -r session seen; do
    reset
    # shellcheck disable=SC2086
    env -u LC_ALL -u LC_CTYPE -u LANG -u LC_MESSAGES $session CODE=3 \
        "$console" --title T --terminal "$work/reader" -- "$work/tool" &
    runner=$!
    wait_for 50 eval '! kill -0 $runner 2>/dev/null'
    wait_for 50 grep -q "Appuyez" "$work/window"
    check "under $session the window reads the failure in French" \
        grep -qxF "La conversion a échoué (code 3)." "$work/window" || cat "$work/window"
    check "under $session the window's locale is $seen" test "$(cat "$work/reader.locale")" == "$seen"
done <<'CASES'
LANG=C|LANG=C LC_CTYPE=C.UTF-8 
LC_ALL=C LANG=C.UTF-8|LANG=C LC_CTYPE=C.UTF-8 
LANG=C.UTF-8|LANG=C.UTF-8 
LANG=C.UTF-8 LC_MESSAGES=C|LANG=C.UTF-8 LC_MESSAGES=C 
CASES

# 11. With the real ffmpeg, where the world gets in the way. The tool writes under a temporary
#     name that only its good end turns into the file's own: whatever stops it (a source that is
#     no video, a full disk, a read-only folder, a kill mid-way), a file it was to replace keeps
#     its bytes, nothing partial is left, and the window says why in French, in its title too,
#     then waits for Entrée whatever it is sent meanwhile. The window is a real pseudo-terminal.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=d=20:s=320x240:r=25 -f lavfi -i sine=d=20 \
    -c:v flv -c:a libmp3lame "$work/clip.flv"
echo "not a video" >"$work/random.flv"
mounted=()
trap 'for m in "${mounted[@]}"; do umount "$m"; done; pkill -P $$ 2>/dev/null; [[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
mkdir -p "$work/ok" "$work/bad" "$work/full" "$work/ro" "$work/stopped"
# A small full disk and a read-only folder, where mounting is allowed.
if mount -t tmpfs -o size=2m tmpfs "$work/full" 2>/dev/null; then mounted+=("$work/full"); fi
if mount --bind "$work/ro" "$work/ro" 2>/dev/null; then
    mounted+=("$work/ro")
    echo précieux >"$work/ro/clip.avi"
    mount -o remount,ro,bind "$work/ro" || echo "note: the read-only remount was refused"
fi
while IFS='|' read -r folder source reason; do
    if [[ $folder =~ ^(full|ro)$ && ! " ${mounted[*]} " =~ " $work/$folder " ]]; then
        echo "skip - $folder: mounting is not allowed here"
        continue
    fi
    reset
    [[ $folder == ro ]] || echo précieux >"$work/$folder/clip.avi"
    (cd "$work/$folder" && exec "$console" --output clip.avi --partial "clip (inachevé).avi" --title "Talvenor — ffmpeg" \
        --terminal "$work/ptyterm" -- "$(command -v ffmpeg)" -y $([[ $folder == stopped ]] && echo -re) -i "$work/$source" -vcodec rawvideo \
        -s 320x240 -acodec pcm_s16le -ac 2 -f avi "clip (inachevé).avi") &
    if [[ $folder == stopped ]]; then
        wait_for 100 test -s "$work/stopped/clip (inachevé).avi"
        pkill -KILL -x ffmpeg -P $!
    fi
    wait_for 200 grep -qsF "Appuyez sur Entrée" "$work/window"
    if [[ -z $reason ]]; then
        wait_for 50 eval '! alive "$(cat "$work/terminal.pid")"'
        check "$folder: the window closes once the file has its name" test "$(ffprobe -v error -show_entries \
            format=format_name -of csv=p=0 "$work/ok/clip.avi")" = avi
        check "$folder: nothing else is left" test "$(ls "$work/ok")" = clip.avi
        continue
    fi
    attached=$(pgrep -P "$(cat "$work/terminal.pid")" | head -n 1)
    kill -WINCH "$attached"; kill -INT "$attached"; sleep 0.5
    check "$folder: resized or sent Ctrl+C, the window still waits for Entrée" test -n "$attached" -a -e "/proc/${attached:-none}" && alive "$attached"
    check "$folder: it says why" grep -qF "$reason" "$work/window"
    check "$folder: its title says it failed" grep -qF $'\e]0;Talvenor — ffmpeg — échec de la conversion\e\\' "$work/window"
    check "$folder: the file to replace is whole" test "$(cat "$work/$folder/clip.avi")" = précieux
    check "$folder: nothing partial is left" test "$(ls "$work/$folder")" = clip.avi
    kill "$(cat "$work/terminal.pid")" 2>/dev/null
done <<'CASES'
ok|clip.flv|
bad|random.flv|ffmpeg ne sait pas lire le fichier source comme une vidéo
full|clip.flv|Le disque est plein
ro|clip.flv|ffmpeg n'a pas eu le droit d'écrire le fichier converti
stopped|clip.flv|ffmpeg a été arrêté avant la fin
CASES

# 10. Wrong use is refused with a usage line.
"$console" --title T -- "$work/tool" >/dev/null 2>"$work/usage"
check "a call without a terminal is refused with 2" test $? -eq 2
check "and says how to call it" grep -q "^usage" "$work/usage"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all console checks passed"
