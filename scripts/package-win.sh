#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows release: Talvenor.exe with its French read-me, its licence, the ffmpeg.exe and
# ffplay.exe it ships and their licences, as a zip and as an installer, and beside them the sources
# of all of it and their checksums:
#   scripts/package-win.sh [WIN_BUILD_DIR [OUT_DIR]]
# WIN_BUILD_DIR defaults to build-win (holding Talvenor.exe); OUT_DIR, to WIN_BUILD_DIR. It writes
# there Talvenor-<version>-windows.zip (one folder, Talvenor/), Talvenor-<version>-setup.exe (made by
# makensis from res/talvenor.nsi), Talvenor-<version>-sources.tar.xz (the Debian source packages the
# tools are built from, with Talvenor's own sources of the checkout's commit) and SHA256SUMS, and
# prints their paths. The tools come from scripts/build-win-tools.sh, which builds them only when its
# cache lacks them. Every time stored is SOURCE_DATE_EPOCH, by default the commit's: the same commit
# and tools give the same bytes, wherever and whenever they are packed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
windir=${1:-$root/build-win}
outdir=${2:-$windir}
version=$(sed -n 's/^#define TALVENOR_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/core/version.h")

die() { echo "package-win.sh: $*" >&2; exit 1; }
[[ -f $windir/Talvenor.exe ]] || die "$windir/Talvenor.exe not found; build it first (scripts/test-win32.sh)"
for tool in zip makensis git xz; do
  command -v $tool >/dev/null || die "$tool is not installed (scripts/test-win32.sh installs what it needs)"
done
git -C "$root" rev-parse --verify -q HEAD >/dev/null || die "$root is no git checkout: its sources cannot be packed"
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "package-win.sh: the checkout has uncommitted changes; the sources archive holds the commit only" >&2
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
tools=$("$root/scripts/build-win-tools.sh")

mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
zip=$outdir/Talvenor-$version-windows.zip
setup=$outdir/Talvenor-$version-setup.exe
sources=$outdir/Talvenor-$version-sources.tar.xz

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Notepad on older Windows shows a file without carriage returns as one line.
crlf() { sed 's/\r*$/\r/' "$1"; }
mkdir -p "$stage/Talvenor/licences"
cp "$windir/Talvenor.exe" "$tools/ffmpeg.exe" "$tools/ffplay.exe" "$stage/Talvenor/"
crlf "$root/res/LISEZMOI.txt" >"$stage/Talvenor/LISEZMOI.txt"
cp "$tools/licences/"* "$stage/Talvenor/licences/"
crlf "$root/COPYING" >"$stage/Talvenor/licences/Talvenor-GPL-3.0.txt"
crlf <(cat <<EOF

Ces sources, celles de Talvenor $version et ce script sont publiés à côté de Talvenor, dans
l'archive $(basename "$sources") : le dossier debian-sources contient les fichiers
ci-dessus, le dossier talvenor-$version les sources de Talvenor, scripts/build-win-tools.sh compris.
EOF
) >>"$stage/Talvenor/licences/SOURCES.txt"

# The same bytes for the same files: one time, one mode, one order, no owner.
normalise() {  # normalise FOLDER
  find "$1" -type d -exec chmod 755 {} + -o -type f -perm /111 -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}
normalise "$stage/Talvenor"
rm -f "$zip" "$setup" "$sources" "$outdir/SHA256SUMS"
(cd "$stage" && find Talvenor | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip")
# The uninstaller knows the tools it installed by their size: a user's own copy in their place stays.
makensis -V2 -INPUTCHARSET UTF8 -DPROGRAM="$stage/Talvenor/Talvenor.exe" -DREADME="$stage/Talvenor/LISEZMOI.txt" \
  -DTOOLS="$stage/Talvenor" -DFFMPEG_SIZE="$(stat -c %s "$tools/ffmpeg.exe")" \
  -DFFPLAY_SIZE="$(stat -c %s "$tools/ffplay.exe")" -DOUTFILE="$setup" "$root/res/talvenor.nsi" >&2

tree=$stage/sources/Talvenor-$version-sources
mkdir -p "$tree/debian-sources"
git -C "$root" archive --format=tar --prefix="talvenor-$version/" HEAD | tar -x -C "$tree"
cp "$tools/sources/"* "$tree/debian-sources/"
cp "$stage/Talvenor/licences/SOURCES.txt" "$tree/"
normalise "$tree"
tar -C "$stage/sources" --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  --format=gnu -cf - "Talvenor-$version-sources" | xz -6 -T1 >"$sources"

(cd "$outdir" && sha256sum -- "$(basename "$zip")" "$(basename "$setup")" "$(basename "$sources")" >SHA256SUMS)
printf '%s\n' "$zip" "$setup" "$sources" "$outdir/SHA256SUMS"
