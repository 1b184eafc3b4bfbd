#!/usr/bin/env bash
# Packs the Windows build with its French read-me, the ffmpeg.exe and ffplay.exe it ships and their
# licences, as a zip and as an installer:
#   scripts/package-win.sh [WIN_BUILD_DIR [ZIP [SETUP]]]
# WIN_BUILD_DIR defaults to build-win (holding Talvenor.exe); ZIP defaults to
# WIN_BUILD_DIR/Talvenor-<version>-windows.zip, which holds one folder, Talvenor/; SETUP to
# WIN_BUILD_DIR/Talvenor-<version>-setup.exe, made by makensis from res/talvenor.nsi. The tools come
# from scripts/build-win-tools.sh, which builds them only when its cache lacks them.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
windir=${1:-$root/build-win}
version=$(sed -n 's/^#define TALVENOR_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/core/version.h")
zip=${2:-$windir/Talvenor-$version-windows.zip}
setup=${3:-$windir/Talvenor-$version-setup.exe}

[[ -f $windir/Talvenor.exe ]] || { echo "package-win.sh: $windir/Talvenor.exe not found; build it first (scripts/test-win32.sh)" >&2; exit 1; }
command -v zip >/dev/null || { echo "package-win.sh: zip is not installed (apt-get install zip)" >&2; exit 1; }
command -v makensis >/dev/null || { echo "package-win.sh: makensis is not installed (apt-get install nsis)" >&2; exit 1; }
tools=$("$root/scripts/build-win-tools.sh")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Talvenor"
cp "$windir/Talvenor.exe" "$stage/Talvenor/Talvenor.exe"
# Notepad on older Windows shows a file without carriage returns as one line.
sed 's/\r*$/\r/' "$root/res/LISEZMOI.txt" >"$stage/Talvenor/LISEZMOI.txt"
cp -R "$tools/ffmpeg.exe" "$tools/ffplay.exe" "$tools/licences" "$stage/Talvenor/"

case $zip in /*) ;; *) zip=$PWD/$zip ;; esac
case $setup in /*) ;; *) setup=$PWD/$setup ;; esac
rm -f "$zip" "$setup"
(cd "$stage" && zip -q -X -r "$zip" Talvenor)
# The uninstaller knows the tools it installed by their size: a user's own copy in their place stays.
makensis -V2 -INPUTCHARSET UTF8 -DPROGRAM="$stage/Talvenor/Talvenor.exe" -DREADME="$stage/Talvenor/LISEZMOI.txt" \
  -DTOOLS="$stage/Talvenor" -DFFMPEG_SIZE="$(stat -c %s "$tools/ffmpeg.exe")" \
  -DFFPLAY_SIZE="$(stat -c %s "$tools/ffplay.exe")" -DOUTFILE="$setup" "$root/res/talvenor.nsi" >&2
echo "$zip"
echo "$setup"
