#!/usr/bin/env bash
# Builds the ffmpeg.exe and ffplay.exe that the Windows package ships, for 64-bit Windows with
# mingw-w64, from the upstream tarballs Debian 12's own packages are made of:
#   scripts/build-win-tools.sh
# The result (both programs and a licences/ folder) is kept in a cache outside the checkout,
# keyed by the sources and the configuration, so that only the first run builds; its folder is
# the one line printed on the standard output.
# TALVENOR_TOOLS_CACHE overrides the cache folder; TALVENOR_TOOLS_JOBS the build's parallelism.
set -euo pipefail

cache=${TALVENOR_TOOLS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/talvenor}
jobs=${TALVENOR_TOOLS_JOBS:-2}
archive=http://deb.debian.org/debian

# name, folder in Debian's archive, SHA-256 of the tarball.
ffmpeg_tarball=ffmpeg_5.1.9.orig.tar.xz
ffmpeg_pool=pool/main/f/ffmpeg
ffmpeg_sha256=d9b593bb2ba93d4b50f74177e0cdcd41747e708596367deed0c30348a71dd176
lame_tarball=lame_3.100.orig.tar.gz
lame_pool=pool/main/l/lame
lame_sha256=ddfe36cab873794038ae2c1210557ad34857a4b6bdc515785d1da9e175b1da1e
sdl_tarball=libsdl2_2.26.5+dfsg.orig.tar.gz
sdl_pool=pool/main/libs/libsdl2
sdl_sha256=b3f2c822151804125d08db94c65852f711c2e5df2145a59da120748dc32eb9c3

host=x86_64-w64-mingw32
# The win32 thread model: ffmpeg and SDL use Windows' own threads, so no winpthread is linked.
cc=$host-gcc-win32

packages=(gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev make pkg-config
          xz-utils curl ca-certificates)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  apt-get -o DPkg::Lock::Timeout=600 update >&2
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends \
    "${missing[@]}" >&2
fi

lame_configure=(--host=$host --disable-shared --enable-static --disable-frontend --disable-decoder
                --disable-gtktest "CC=$cc" "CFLAGS=-O2")
# ffplay initialises only video, audio and timers: the game-controller parts are left out.
sdl_configure=(--host=$host --disable-shared --enable-static --disable-joystick --disable-haptic
               --disable-hidapi --disable-sensor "CC=$cc" "CFLAGS=-O2")
# LGPL only, no assembly, nothing detected from the build machine; every native decoder, demuxer
# and parser, and only the encoders, muxers and filters the four conversions and the player use.
ffmpeg_configure=(--enable-cross-compile --arch=x86_64 --target-os=mingw32 --cross-prefix=$host- "--cc=$cc" --pkg-config=pkg-config
                  --pkg-config-flags=--static --disable-autodetect --enable-w32threads --disable-x86asm
                  --disable-debug --disable-doc --disable-ffprobe --disable-avdevice --disable-network
                  --enable-sdl2 --enable-libmp3lame
                  --disable-encoders --enable-encoder=mpeg4,rawvideo,pcm_s16le,mpeg1video,mp2,flv,libmp3lame
                  --disable-muxers --enable-muxer=avi,flv,mpeg1system
                  --disable-filters
                  --enable-filter=scale,fps,split,lut2,aresample,format,aformat,null,anull,trim,atrim,setpts,asetpts,crop,transpose,hflip,vflip,rotate
                  --disable-protocols --enable-protocol=file,pipe)

compiler=$("$cc" --version | head -n1)
recipe=$(printf '%s\n' "$compiler" "$ffmpeg_tarball $ffmpeg_sha256" "$lame_tarball $lame_sha256" \
  "$sdl_tarball $sdl_sha256" "${lame_configure[*]}" "${sdl_configure[*]}" "${ffmpeg_configure[*]}")
key=$(printf '%s' "$recipe" | sha256sum | cut -c1-16)
out=$cache/win-tools/ffmpeg-5.1.9-lame-3.100-sdl-2.26.5-$key

mkdir -p "$cache/win-tools" "$cache/sources"
# One build at a time, whoever asks: a second caller waits and then takes the cached result.
exec 9>"$cache/win-tools/.lock"
flock 9
if [ -f "$out/ffmpeg.exe" ] && [ -f "$out/ffplay.exe" ] && [ -f "$out/licences/SOURCES.txt" ]; then
  echo "$out"
  exit 0
fi

fetch() {  # fetch TARBALL POOL SHA256
  local file=$cache/sources/$1
  if [ ! -f "$file" ] || ! echo "$3  $file" | sha256sum -c --quiet - >/dev/null 2>&1; then
    echo "Downloading $archive/$2/$1" >&2
    curl -fsSL --retry 3 -o "$file.part" "$archive/$2/$1"
    mv "$file.part" "$file"
  fi
  echo "$3  $file" | sha256sum -c --quiet - >&2 || { rm -f "$file"; echo "$1: wrong SHA-256" >&2; exit 1; }
}
fetch "$ffmpeg_tarball" "$ffmpeg_pool" "$ffmpeg_sha256"
fetch "$lame_tarball" "$lame_pool" "$lame_sha256"
fetch "$sdl_tarball" "$sdl_pool" "$sdl_sha256"

work=$(mktemp -d "$cache/win-tools/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
# Only what is built here is found by pkg-config, never the build machine's own libraries.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
started=$SECONDS
log=$work/build.log
step() {  # step NAME COMMAND...: its output goes to the log, shown only when it fails
  echo "  $1" >&2
  "${@:2}" >>"$log" 2>&1 || { tail -n 60 "$log" >&2; echo "build-win-tools.sh: $1 failed" >&2; exit 1; }
}
echo "Building ffmpeg.exe and ffplay.exe for Windows into $out (once; about 20 minutes on 2 cores)" >&2

tar -xf "$cache/sources/$lame_tarball" -C "$work"
cd "$work"/lame-3.100
step "LAME: configure" ./configure --prefix="$prefix" "${lame_configure[@]}"
step "LAME: build" make -j"$jobs"
step "LAME: install" make install

tar -xf "$cache/sources/$sdl_tarball" -C "$work"
cd "$work"/SDL2-2.26.5
step "SDL2: configure" ./configure --prefix="$prefix" "${sdl_configure[@]}"
step "SDL2: build" make -j"$jobs"
step "SDL2: install" make install

tar -xf "$cache/sources/$ffmpeg_tarball" -C "$work"
cd "$work"/ffmpeg-5.1.9
step "ffmpeg: configure" ./configure --prefix="$prefix" "${ffmpeg_configure[@]}" \
  --extra-cflags="-I$prefix/include" --extra-ldflags="-L$prefix/lib -static"
step "ffmpeg: build" make -j"$jobs"
step "ffmpeg: install" make install

result=$work/result
mkdir -p "$result/licences"
cp "$prefix/bin/ffmpeg.exe" "$prefix/bin/ffplay.exe" "$result/"
# Notepad on older Windows shows a file without carriage returns as one line.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf "$work/ffmpeg-5.1.9/COPYING.LGPLv2.1" "$result/licences/ffmpeg-LGPL-2.1.txt"
crlf "$work/lame-3.100/COPYING" "$result/licences/LAME-LGPL-2.txt"
crlf "$work/SDL2-2.26.5/LICENSE.txt" "$result/licences/SDL2-zlib.txt"
{
  cat <<EOF
ffmpeg.exe et ffplay.exe : d'où ils viennent
============================================

Ils sont construits, sans modification, à partir des archives originales des sources que
Debian 12 (bookworm) utilise pour ses propres paquets, prises dans l'archive de Debian :

  $archive/$ffmpeg_pool/$ffmpeg_tarball
    SHA-256 $ffmpeg_sha256
  $archive/$lame_pool/$lame_tarball
    SHA-256 $lame_sha256
  $archive/$sdl_pool/$sdl_tarball
    SHA-256 $sdl_sha256

ffmpeg 5.1.9 et LAME 3.100 sont sous LGPL (ffmpeg-LGPL-2.1.txt, LAME-LGPL-2.txt), SDL2 2.26.5
sous licence zlib (SDL2-zlib.txt). Les deux programmes sont liés statiquement à ces bibliothèques.

Compilateur : $compiler, pour $host.
Lignes de configuration, dans cet ordre, avec PKG_CONFIG_LIBDIR=PREFIX/lib/pkgconfig (PREFIX est
le dossier d'installation intermédiaire) :

LAME :   ./configure --prefix=PREFIX ${lame_configure[*]}
SDL2 :   ./configure --prefix=PREFIX ${sdl_configure[*]}
ffmpeg : ./configure --prefix=PREFIX ${ffmpeg_configure[*]} --extra-cflags=-IPREFIX/include "--extra-ldflags=-LPREFIX/lib -static"

Chacun est ensuite construit avec « make » et installé avec « make install ». Le script
scripts/build-win-tools.sh des sources de Talvenor refait tout cela.
EOF
} >"$work/sources.txt"
crlf "$work/sources.txt" "$result/licences/SOURCES.txt"
rm -rf "$out"
mv "$result" "$out"
echo "Built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s" >&2
echo "$out"
