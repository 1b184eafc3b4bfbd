#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the whole Windows release twice from nothing and compares the bytes:
#   scripts/check-reproducible.sh
# Two clones of this checkout's commit, in different folders, one after the other (so at different
# times), the second with another time zone and umask, each with an empty tools cache of its own:
# each fetches the Debian sources, builds ffmpeg.exe and ffplay.exe (about 20 minutes on 2 cores),
# builds Talvenor.exe and makes the release with scripts/package-win.sh. Then ffmpeg.exe,
# ffplay.exe, Talvenor.exe, the zip, the installer, the sources archive and SHA256SUMS must be the
# same. Prints one line a file and exits 1 when any differs. The packaging suite makes the same
# comparison with the tools already built; this one also rebuilds them.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/talvenor-reproducible.XXXXXX)
# Both clones are of the commit checked out now, whatever is committed meanwhile.
commit=$(git -C "$root" rev-parse HEAD)
version=$(sed -n 's/^#define TALVENOR_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/core/version.h")

make_release() {  # make_release FOLDER
  local clone=$1/talvenor started=$SECONDS
  git clone -q "$root" "$clone" && git -C "$clone" checkout -q "$commit"
  export TALVENOR_TOOLS_CACHE=$1/cache
  local tools
  tools=$("$clone/scripts/build-win-tools.sh")
  cmake -S "$clone" -B "$clone/build-win" -G Ninja -DTALVENOR_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$clone/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$clone/build-win" --target Talvenor >/dev/null
  "$clone/scripts/package-win.sh" "$clone/build-win" "$1/release" >/dev/null
  cp "$tools/ffmpeg.exe" "$tools/ffplay.exe" "$clone/build-win/Talvenor.exe" "$1/release/"
  echo "$1: made in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s" >&2
}

make_release "$work/first"
(umask 077; TZ=Pacific/Chatham make_release "$work/second/in/another/folder")

differ=0
for file in ffmpeg.exe ffplay.exe Talvenor.exe Talvenor-$version-windows.zip Talvenor-$version-setup.exe \
            Talvenor-$version-sources.tar.xz SHA256SUMS; do
  a=$work/first/release/$file b=$work/second/in/another/folder/release/$file
  if cmp -s "$a" "$b"; then
    echo "same      $file  $(sha256sum <"$a" | cut -d' ' -f1)"
  else
    echo "DIFFERENT $file"
    differ=1
  fi
done
# What differs is kept to be looked at (diffoscope, cmp -l).
if [ "$differ" = 0 ]; then rm -rf "$work"; else echo "kept in $work" >&2; fi
exit $differ
