#!/bin/bash
# The installer under Wine, in a fresh prefix of its own, on the X display in DISPLAY: a silent
# install, its files, Start menu shortcut and keys; the command registered for .flv run on a video
# in another folder, where a first click on « Lancer » says how to get ffmpeg, and a second one,
# once a stand-in ffmpeg.exe is on the user's PATH as winget puts it, converts beside the video;
# installs over the first, in the same folder and in another; a silent uninstall that leaves the
# user's ffmpeg.exe and the type's own default program, and nothing else.
# Usage: installer_test.sh SOURCE_DIR WIN_BUILD_DIR WINE_LOADER
set -euo pipefail
source=$1 windir=$2 wine=$3

work=$(mktemp -d /tmp/talvenor-setup.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No menu entries nor file types for this machine's own desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap '/usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT

failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
wait_for() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return; sleep 0.2; done; return 1; }

"$source/scripts/package-win.sh" "$windir" "$work/Talvenor.zip" >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
setup=$windir/Talvenor-1.0-setup.exe
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 && /usr/lib/wine/wineserver -w
"$wine" reg add 'HKCU\Software\Classes\.avi' /ve /d Lecteur.avi /f >/dev/null

user=${USER:-$(id -un)}
default='C:\users\'"$user"'\AppData\Local\Programs\Talvenor' other='C:\Programmes\Talvenor'
unix() { echo "$WINEPREFIX/drive_c/$(tr '\\' / <<<"${1#C:\\}")"; }
shortcut="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Talvenor.lnk"
keys=('Classes\Talvenor.flv' 'Classes\Talvenor.avi' 'Classes\.flv' 'Classes\.avi' 'Classes\Applications\Talvenor.exe'
      'Microsoft\Windows\CurrentVersion\Uninstall\Talvenor')
# The keys as .reg text, without blank lines.
exported() {
  local key
  for key in "${keys[@]}"; do
    "$wine" reg export "HKCU\\Software\\$key" 'C:\keys.reg' /y >/dev/null 2>&1 || continue
    iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/keys.reg" | tr -d '\r' | grep -v '^Windows Registry\|^$'
  done
}
# The first value of the last export whose line matches PATTERN, as a program reading it gets it.
registered() { grep -m1 "$1" "$work/keys" | sed 's/^[^=]*="//; s/"$//; s/\\\(.\)/\1/g'; }
expected() {
  local type
  for type in flv avi; do
    printf '%s\n' "[HKEY_CURRENT_USER\\Software\\Classes\\Talvenor.$type]" "@=\"Vidéo ${type^^}\"" \
      "[HKEY_CURRENT_USER\\Software\\Classes\\Talvenor.$type\\DefaultIcon]" '@="INSTDIR\\Talvenor.exe,0"' \
      "[HKEY_CURRENT_USER\\Software\\Classes\\Talvenor.$type\\shell]" "[HKEY_CURRENT_USER\\Software\\Classes\\Talvenor.$type\\shell\\open]" \
      "[HKEY_CURRENT_USER\\Software\\Classes\\Talvenor.$type\\shell\\open\\command]" '@="\"INSTDIR\\Talvenor.exe\" \"%1\""'
  done
  printf '%s\n' '[HKEY_CURRENT_USER\Software\Classes\.flv]' '[HKEY_CURRENT_USER\Software\Classes\.flv\OpenWithProgids]' \
    '"Talvenor.flv"=hex(0):' '[HKEY_CURRENT_USER\Software\Classes\.avi]' '@="Lecteur.avi"' \
    '[HKEY_CURRENT_USER\Software\Classes\.avi\OpenWithProgids]' '"Talvenor.avi"=hex(0):'
  cat <<'KEYS'
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe]
"FriendlyAppName"="Talvenor"
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe\shell]
[HKEY_CURRENT_USER\Software\Classes\Applications\Talvenor.exe\shell\open]
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
installed() {  # installed WHEN FOLDER [EXTRA_FILE...], FOLDER as Windows names it
  check "$1: the folder holds Talvenor, its read-me and uninstaller${3:+ and $3}" \
    diff <(ls "$(unix "$2")") <(printf '%s\n' "Désinstaller Talvenor.exe" LISEZMOI.txt Talvenor.exe "${@:3}" | sort)
  check "$1: the installed Talvenor.exe is the built one" cmp "$(unix "$2")/Talvenor.exe" "$windir/Talvenor.exe"
  check "$1: the Start menu shortcut starts Talvenor with its icon" grep -qF "$2\Talvenor.exe" <(strings -el "$shortcut")
  exported >"$work/keys"
  local size=$(($(sed -n 's/^"EstimatedSize"=dword:/0x/p' "$work/keys")))
  check "$1: the size of Talvenor's files is declared ($size KiB)" [ "$size" -ge $(($(stat -c %s "$windir/Talvenor.exe") / 1024)) ]
  local text
  text=$(sed 's/^"EstimatedSize"=.*/"EstimatedSize"=SIZE/' "$work/keys")
  check "$1: the keys are exactly those of Talvenor" diff -u <(expected) <(echo "${text//"${2//\\/\\\\}"/INSTDIR}")
}

check "the installer is made beside the zip" [ -f "$setup" ]
check "a silent install succeeds" "$wine" "$setup" /S
installed "installed" "$default"

# « Ouvrir avec » > Talvenor: the registered command with the video's path for %1.
mkdir -p "$work/autre dossier"
: >"$work/autre dossier/clip.flv"
[[ $(registered '^@=.*%1') =~ ^\"(.*)\"\ \"%1\"$ ]] && program=${BASH_REMATCH[1]} || program=
(cd "$work" && exec "$wine" "$program" "Z:${work//\//\\}\\autre dossier\\clip.flv") >"$work/talvenor.log" 2>&1 &
started=$!
window() { xdotool search --onlyvisible --name '^Talvenor 1\.0 ' | head -1; }
if wait_for window; then
  xdotool windowactivate --sync "$(window)" >/dev/null 2>&1 || true
  eval "$(xdotool getwindowgeometry --shell "$(window)")"
  xdotool mousemove $((X + 180)) $((Y + 200)) click 1
  box() { xdotool search --name '^Talvenor$' | head -1; }
  check "a click on « Lancer » without ffmpeg opens a box" wait_for box
  check "the box says how to get ffmpeg" grep -q 'avec la commande : winget install Gyan.FFmpeg$' \
    <("$wine" "$windir/window_probe.exe" texts Talvenor | tr -d '\r')
  xdotool windowactivate --sync "$(box)" key Return
  # winget links the tools into a folder that it adds to the user's PATH, in the registry.
  links='C:\users\'"$user"'\AppData\Local\Microsoft\WinGet\Links'
  mkdir -p "$(unix "$links")" && cp "$windir/argv_echo.exe" "$(unix "$links")/ffmpeg.exe"
  "$wine" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d '%LOCALAPPDATA%\Microsoft\WinGet\Links' /f >/dev/null
  xdotool mousemove $((X + 180)) $((Y + 200)) click 1
  report="$work/autre dossier/argv_echo.txt"
  check "the next click converts the video opened with Talvenor beside it" wait_for grep -qx clip.avi "$report"
  check "ffmpeg.exe found on the user's new PATH converts it" diff <(tr -d '\r' <"$report" | tail -n +4) <(printf '%s\n' -y -i clip.flv -f avi clip.avi)
else
  check "the registered command opens Talvenor's window" false
fi
kill "$started" 2>/dev/null || true
/usr/lib/wine/wineserver -k || true; /usr/lib/wine/wineserver -w

cp "$windir/argv_echo.exe" "$(unix "$default")/ffmpeg.exe"
check "an install over the earlier one succeeds" "$wine" "$setup" /S
installed "installed again" "$default" ffmpeg.exe
# Moved elsewhere, nothing of the earlier installation stays but what the user put there.
check "an install into another folder succeeds" "$wine" "$setup" /S "/D=$other"
installed "installed elsewhere" "$other"
check "the earlier folder keeps only the user's ffmpeg.exe" diff <(ls "$(unix "$default")") <(echo ffmpeg.exe)

[[ $(registered '^"QuietUninstallString"=') =~ ^\"(.*)\"\ /S$ ]] && uninstaller=${BASH_REMATCH[1]} || uninstaller=
cp "$windir/argv_echo.exe" "$(unix "$other")/ffmpeg.exe"
# The uninstaller runs a copy of itself and returns at once: its end is the prefix's.
check "a silent uninstall succeeds" "$wine" "$uninstaller" /S
/usr/lib/wine/wineserver -w
check "only the user's ffmpeg.exe is left in the folder" diff <(ls "$(unix "$other")") <(echo ffmpeg.exe)
check "the Start menu shortcut is gone" [ ! -e "$shortcut" ]
check "no key of Talvenor's is left, the .avi type keeps its default program" diff -u \
  <(printf '%s\n' '[HKEY_CURRENT_USER\Software\Classes\.avi]' '@="Lecteur.avi"') <(exported)

echo "$failures installer check(s) failed"
[ "$failures" -eq 0 ]
