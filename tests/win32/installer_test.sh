#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# installer_test.sh SOURCE_DIR WIN_BUILD_DIR WINE_LOADER: the installer, silent, in a fresh Wine
# prefix of its own on the display in DISPLAY: files, shortcut, keys; the command registered for
# .flv, with ffmpeg missing, then on the user's PATH as winget leaves it; updates; the uninstall,
# which takes the tools it installed and leaves a user's own ffmpeg.exe.
set -euo pipefail
source=$1 windir=$2 wine=$3
work=$(mktemp -d /tmp/talvenor-setup.XXXXXX) failures=0 setup=$work/Talvenor-1.0-setup.exe
# No menu entries nor file types for this machine's own desktop.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap '/usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
wait_for() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return; sleep 0.2; done; return 1; }
"$source/scripts/package-win.sh" "$windir" "$work" >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 && /usr/lib/wine/wineserver -w
# A crash ends at once, its backtrace printed, not behind a crash window that waits for a click.
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
# The user's own default programs for the types, which Talvenor must leave alone.
for type in flv avi; do "$wine" reg add "HKCU\\Software\\Classes\\.$type" /ve /d "Lecteur.$type" /f >/dev/null; done
user=${USER:-$(id -un)}
default='C:\users\'"$user"'\AppData\Local\Programs\Talvenor' other='C:\Programmes\Talvenor'
unix() { echo "$WINEPREFIX/drive_c/$(tr '\\' / <<<"${1#C:\\}")"; }
shortcut="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Talvenor.lnk"
# The keys as .reg text, without blank lines nor the keys that only lead to others.
exported() {
  for key in 'Classes\'{Talvenor.flv,.flv,Talvenor.avi,.avi,Applications\\Talvenor.exe} 'Microsoft\Windows\CurrentVersion\Uninstall\Talvenor'; do
    "$wine" reg export "HKCU\\Software\\$key" 'C:\keys.reg' /y >/dev/null 2>&1 || continue
    iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/keys.reg" | tr -d '\r' | grep -v '^Windows Registry\|^$\|\\shell\]$\|\\open\]$'
  done
}
# The first value of the last export whose line matches PATTERN, as a program reading it gets it.
registered() { grep -m1 "$1" "$work/keys" | sed 's/^[^=]*="//; s/"$//; s/\\\(.\)/\1/g'; }
expected() {
  for type in flv avi; do sed "s/@t@/$type/g; s/@T@/${type^^}/g" <<'KEYS'; done
[HKEY_CURRENT_USER\Software\Classes\Talvenor.@t@]
@="Vidéo @T@"
[HKEY_CURRENT_USER\Software\Classes\Talvenor.@t@\DefaultIcon]
@="INSTDIR\\Talvenor.exe,0"
[HKEY_CURRENT_USER\Software\Classes\Talvenor.@t@\shell\open\command]
@="\"INSTDIR\\Talvenor.exe\" \"%1\""
[HKEY_CURRENT_USER\Software\Classes\.@t@]
@="Lecteur.@t@"
[HKEY_CURRENT_USER\Software\Classes\.@t@\OpenWithProgids]
"Talvenor.@t@"=hex(0):
KEYS
  cat <<'KEYS'
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe]
"FriendlyAppName"="Talvenor"
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe\shell\open\command]
@="\"INSTDIR\\Talvenor.exe\" \"%1\""
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe\SupportedTypes]
".avi"=""
".flv"=""
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talvenor]
"DisplayIcon"="INSTDIR\\Talvenor.exe,0"
"DisplayName"="Talvenor"
"DisplayVersion"="1.0"
"EstimatedSize"=SIZE
"InstallLocation"="INSTDIR"
"NoModify"=dword:00000001
"NoRepair"=dword:00000001
"Publisher"="Les développeurs de Talvenor"
"QuietUninstallString"="\"INSTDIR\\Désinstaller Talvenor.exe\" /S"
"UninstallString"="\"INSTDIR\\Désinstaller Talvenor.exe\""
KEYS
}
installed() {  # installed WHEN FOLDER, FOLDER as Windows names it
  check "$1: the folder holds Talvenor, its read-me, uninstaller, tools and their licences" \
    diff <(cd "$(unix "$2")" && find . -type f | sort) <(printf './%s\n' "Désinstaller Talvenor.exe" LISEZMOI.txt Talvenor.exe \
      ffmpeg.exe ffplay.exe licences/{Talvenor-GPL-3.0,ffmpeg-LGPL-2.1,LAME-LGPL-2,SDL2-zlib,zlib,SOURCES}.txt | sort)
  check "$1: the Start menu shortcut starts Talvenor with its icon" grep -qF "$2\\Talvenor.exe" <(strings -el "$shortcut")
  exported >"$work/keys" && local text && text=$(sed 's/^"EstimatedSize"=dword:0000[1-9a-f].*/"EstimatedSize"=SIZE/' "$work/keys")
  check "$1: the keys are exactly those of Talvenor" diff -u <(expected) <(echo "${text//"${2//\\/\\\\}"/INSTDIR}")
}
check "Talvenor-1.0-setup.exe, made beside the zip, installs silently" "$wine" "$setup" /S
installed "installed" "$default"
# « Ouvrir avec » > Talvenor: the registered command with the video's path for %1.
mkdir -p "$work/autre dossier" && : >"$work/autre dossier/clip.flv"
[[ $(registered '^@=.*%1') =~ ^\"(.*)\"\ \"%1\"$ ]] && program=${BASH_REMATCH[1]} || program=
(cd "$work" && exec "$wine" "$program" "Z:${work//\//\\}\\autre dossier\\clip.flv") >"$work/talvenor.log" 2>&1 &
window() { xdotool search --onlyvisible --name '^Talvenor 1\.0 ' | head -1; }
says() { "$wine" "$windir/window_probe.exe" texts Talvenor | tr -d '\r' | grep -q "$1"; }
check "the registered command opens Talvenor's window" wait_for window
xdotool windowactivate --sync "$(window)" >/dev/null 2>&1 || true
eval "$(xdotool getwindowgeometry --shell "$(window)")"
# A user who took ours away; relative entries of the user's PATH lead to the video's folder, whose
# stray ffmpeg.exe is not taken.
rm "$(unix "$default")/ffmpeg.exe"
cp "$windir/argv_echo.exe" "$work/autre dossier/ffmpeg.exe"
"$wine" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d '.;..\autre dossier' /f >/dev/null
xdotool mousemove $((X + 180)) $((Y + 200)) click 1
check "a click on « Lancer » without ffmpeg opens a box that says how to get it" wait_for says 'avec la commande : winget install Gyan.FFmpeg$'
xdotool windowactivate --sync "$(xdotool search --name '^Talvenor$' | head -1)" >/dev/null 2>&1 || true
xdotool key Return
# winget links the tools into a folder that it adds to the user's PATH, in the registry.
links='C:\users\'"$user"'\AppData\Local\Microsoft\WinGet\Links'
mkdir -p "$(unix "$links")" && cp "$windir/argv_echo.exe" "$(unix "$links")/ffmpeg.exe" && rm "$work/autre dossier/ffmpeg.exe"
"$wine" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d '%LOCALAPPDATA%\Microsoft\WinGet\Links' /f >/dev/null
xdotool mousemove $((X + 180)) $((Y + 200)) click 1
report="$work/autre dossier/argv_echo.txt"
check "the next click converts the video opened with Talvenor beside it" wait_for grep -qx 'clip (inachevé).avi' "$report"
check "ffmpeg.exe from the user's new PATH got the conversion's arguments" \
  diff <(tail -n +4 "$report") <(printf '%s\n' -y -i clip.flv -f avi 'clip (inachevé).avi')
/usr/lib/wine/wineserver -k || true; /usr/lib/wine/wineserver -w
check "an install over the earlier one succeeds" "$wine" "$setup" /S
installed "installed again" "$default"
# A user who prefers another ffmpeg puts it in place of ours: an update's uninstall leaves it.
cp "$windir/argv_echo.exe" "$(unix "$default")/ffmpeg.exe"
check "an install into another folder succeeds" "$wine" "$setup" /S "/D=$other"
installed "installed elsewhere" "$other"
check "the earlier folder keeps only the user's ffmpeg.exe" diff <(ls -A "$(unix "$default")") <(echo ffmpeg.exe)
[[ $(registered '^"QuietUninstallString"=') =~ ^\"(.*)\"\ /S$ ]] && uninstaller=${BASH_REMATCH[1]} || uninstaller=
check "a silent uninstall succeeds" "$wine" "$uninstaller" /S
/usr/lib/wine/wineserver -w  # the end of the copy of itself that the uninstaller leaves running
check "the folder goes with the tools and licences it held" [ ! -e "$(unix "$other")" ]
check "the Start menu shortcut is gone" [ ! -e "$shortcut" ]
check "no key of Talvenor's is left, the types keep their default program" diff -u \
  <(printf '%s\n' '[HKEY_CURRENT_USER\Software\Classes\.flv]' '@="Lecteur.flv"' '[HKEY_CURRENT_USER\Software\Classes\.avi]' '@="Lecteur.avi"') <(exported)
echo "$failures installer check(s) failed"
[ "$failures" -eq 0 ]
