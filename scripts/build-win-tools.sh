#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the ffmpeg.exe and ffplay.exe that the Windows package ships, for 64-bit Windows with
# mingw-w64, from Debian 12's own source packages (ffmpeg, lame, libsdl2, zlib), fetched by apt as
# the machine is configured (its mirrors, proxies and keys) and checked against Debian's signed
# indexes:
#   scripts/build-win-tools.sh
# The result (both programs, a licences/ folder and sources/, the source packages as built) is kept
# in a cache outside the checkout, keyed by the sources' checksums and the configuration, so that
# only the first run builds; its folder is the one line printed on the standard output. Two runs
# anywhere, at any time, with the same sources and compilers give the same bytes.
# TALVENOR_TOOLS_CACHE overrides the cache folder; TALVENOR_TOOLS_JOBS the build's parallelism.
set -euo pipefail

cache=${TALVENOR_TOOLS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/talvenor}
jobs=${TALVENOR_TOOLS_JOBS:-2}

# The source packages and the versions wanted. When apt can no longer fetch one of them (Debian
# replaced it with a point release or a security update), the newest version it can fetch is taken
# instead, and said.
wanted=(ffmpeg=7:5.1.9-0+deb12u1 lame=3.100-6 libsdl2=2.26.5+dfsg-1 zlib=1:1.2.13.dfsg-1)

host=x86_64-w64-mingw32
# The win32 thread model: ffmpeg and SDL use Windows' own threads, so no winpthread is linked.
cc=$host-gcc-win32
# Where the libraries believe they are installed; they are staged below the build folder, so that
# no path of this machine ends up in what is shipped.
prefix=/talvenor

packages=(gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev make pkg-config
          nasm xz-utils bzip2 dpkg-dev debian-archive-keyring)
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

mkdir -p "$cache/win-tools" "$cache/sources"
# One build at a time, whoever asks: a second caller waits and then takes the cached result.
exec 9>"$cache/win-tools/.lock"
flock 9

# --- The sources ------------------------------------------------------------------------------

# The files a .dsc lists, one "SHA256 NAME" a line.
dsc_files() { sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /{s/^ \([0-9a-f]*\) [0-9]* \(.*\)$/\1 \2/;p}}' "$1"; }
# A folder that holds a .dsc and every file it lists, with their checksums.
complete() {  # complete FOLDER
  local dsc sum name
  dsc=$(ls "$1"/*.dsc 2>/dev/null | head -n1) && [ -n "$dsc" ] || return 1
  while read -r sum name; do
    [ -f "$1/$name" ] && [ "$(sha256sum <"$1/$name" | cut -d' ' -f1)" = "$sum" ] || return 1
  done < <(dsc_files "$dsc")
}
folder_of() { echo "$cache/sources/$1_${2#*:}"; }  # folder_of PACKAGE VERSION

# A private apt setup: deb-src entries for the Debian archives the machine's own deb entries name,
# with its mirrors and the archive's keyring; the system's configuration is never changed. Their
# suites are Debian 12's (bookworm, bookworm-updates, bookworm-security) whatever release the
# machine runs: the release's tools are built from the same sources wherever they are built.
apt_ready=""
apt_opts=()
apt_setup() {
  [ -z "$apt_ready" ] || return 0
  local dir=$cache/apt keyring=/usr/share/keyrings/debian-archive-keyring.gpg option=""
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" "$dir/sources.list.d"
  [ -f "$keyring" ] && option="[signed-by=$keyring] "
  apt-get indextargets --format '$(ORIGIN)|$(TARGET_OF)|$(REPO_URI)|$(RELEASE)|$(COMPONENT)' |
    awk -F'|' -v option="$option" '$1 == "Debian" && $2 == "deb" { sub(/^[a-z]+/, "bookworm", $4) }
      $1 == "Debian" && $2 == "deb" && !seen[$3 FS $4 FS $5]++ { print "deb-src " option $3 " " $4 " " $5 }' >"$dir/sources.list.d/debian-sources.list"
  [ -s "$dir/sources.list.d/debian-sources.list" ] ||
    { echo "build-win-tools.sh: apt names no Debian archive on this machine" >&2; exit 1; }
  apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dir/sources.list.d"
            -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache" -o APT::Sandbox::User=root)
  echo "Reading Debian's source indexes" >&2
  apt-get "${apt_opts[@]}" -q update >&2 || echo "apt-get update failed for some index; going on" >&2
  apt_ready=1
}
fetch() {  # fetch PACKAGE VERSION: into its folder; fails when apt cannot
  local into tmp
  into=$(folder_of "$1" "$2")
  complete "$into" && return 0
  tmp=$(mktemp -d "$cache/sources/.fetch.XXXXXX")
  if (cd "$tmp" && apt-get "${apt_opts[@]}" -q source --download-only "$1=$2" >&2) && complete "$tmp"; then
    rm -rf "$into"
    mv "$tmp" "$into"
  else
    rm -rf "$tmp"
    return 1
  fi
}

chosen=()  # PACKAGE=VERSION, as found
for entry in "${wanted[@]}"; do
  package=${entry%%=*} version=${entry#*=}
  if ! complete "$(folder_of "$package" "$version")"; then
    apt_setup
    if ! fetch "$package" "$version"; then
      found=""
      for other in $(apt-cache "${apt_opts[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' |
                     sort -u -r -V); do
        [ "$other" != "$version" ] || continue
        if fetch "$package" "$other"; then found=$other; break; fi
      done
      [ -n "$found" ] || { echo "build-win-tools.sh: apt can fetch no source of $package" >&2; exit 1; }
      echo "build-win-tools.sh: $package $version can no longer be fetched; taking $found instead" >&2
      version=$found
    fi
  fi
  chosen+=("$package=$version")
done
version_of() { local e; for e in "${chosen[@]}"; do if [ "${e%%=*}" = "$1" ]; then echo "${e#*=}"; fi; done; }
upstream_of() { local v=${1#*:}; v=${v%-*}; echo "${v%+dfsg}"; }
ffmpeg_version=$(version_of ffmpeg) lame_version=$(version_of lame)
sdl_version=$(version_of libsdl2) zlib_version=$(version_of zlib)

# --- The build's recipe -----------------------------------------------------------------------

# Reproducible: no link time in the programs' headers, no build folder in what they print.
common_cflags="-O2 -ffile-prefix-map=@WORK@=."
zlib_env=("CHOST=$host" "CC=$cc" "CFLAGS=$common_cflags")
lame_configure=(--host=$host --disable-shared --enable-static --disable-frontend --disable-decoder
                --disable-gtktest "CC=$cc" "CFLAGS=$common_cflags")
# ffplay initialises only video, audio and timers: the game-controller parts are left out. SDL's
# own SIMD (MMX, SSE) is on by default, as in Debian's build.
sdl_configure=(--host=$host --disable-shared --enable-static --disable-joystick --disable-haptic
               --disable-hidapi --disable-sensor "CC=$cc" "CFLAGS=$common_cflags")
# LGPL only, with ffmpeg's assembly (nasm), nothing detected from the build machine; every native
# decoder, demuxer and parser, with zlib for those that need it (Flash Screen Video, PNG, ZMBV,
# TSCC, CamStudio...); only the encoders, muxers and filters the four conversions and the player use.
ffmpeg_configure=(--enable-cross-compile --arch=x86_64 --target-os=mingw32 --cross-prefix=$host- "--cc=$cc" --pkg-config=pkg-config
                  --pkg-config-flags=--static --disable-autodetect --enable-w32threads --enable-zlib
                  --disable-debug --disable-doc --disable-ffprobe --disable-avdevice --disable-network
                  --enable-sdl2 --enable-libmp3lame
                  --disable-encoders --enable-encoder=mpeg4,rawvideo,pcm_s16le,mpeg1video,mp2,flv,libmp3lame
                  --disable-muxers --enable-muxer=avi,flv,mpeg1system
                  --disable-filters
                  --enable-filter=scale,fps,split,lut2,aresample,format,aformat,null,anull,trim,atrim,setpts,asetpts,crop,transpose,hflip,vflip,rotate
                  --disable-protocols --enable-protocol=file,pipe
                  --extra-cflags=-I../stage$prefix/include
                  "--extra-ldflags=-L../stage$prefix/lib -static -Wl,--no-insert-timestamp")

# The one time the programs carry, in their headers (strip writes it there): the date of the ffmpeg
# source package's latest changelog entry, as for Debian's own builds.
SOURCE_DATE_EPOCH=$(tar -xOJf "$(folder_of ffmpeg "$ffmpeg_version")"/*.debian.tar.xz debian/changelog |
  dpkg-parsechangelog -l- -STimestamp)
export SOURCE_DATE_EPOCH

compiler=$("$cc" --version | head -n1)
assembler=$(nasm -v)
sums=$(for entry in "${chosen[@]}"; do
         folder=$(folder_of "${entry%%=*}" "${entry#*=}")
         (cd "$folder" && sha256sum -- *)
       done)
recipe=$(printf '%s\n' "$compiler" "$assembler" "${chosen[@]}" "$sums" "${zlib_env[*]}" \
  "${lame_configure[*]}" "${sdl_configure[*]}" "${ffmpeg_configure[*]}" "$prefix" "SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH")
key=$(printf '%s' "$recipe" | sha256sum | cut -c1-16)
out=$cache/win-tools/ffmpeg-${ffmpeg_version#*:}-lame-$lame_version-sdl-$sdl_version-zlib-${zlib_version#*:}-$key

if [ -f "$out/ffmpeg.exe" ] && [ -f "$out/ffplay.exe" ] && [ -f "$out/licences/SOURCES.txt" ]; then
  echo "$out"
  exit 0
fi

# --- The build --------------------------------------------------------------------------------

work=$(mktemp -d "$cache/win-tools/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/stage
# Only what is built here is found, never the build machine's own libraries: pkg-config reads the
# staged .pc files; ffmpeg, the staged headers and libraries by a path relative to its own folder,
# so that its configuration, which ffmpeg.exe prints, names no folder of this machine.
export PKG_CONFIG_LIBDIR=$stage$prefix/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$stage PKG_CONFIG_PATH=
started=$SECONDS
log=$work/build.log
step() {  # step NAME COMMAND...: its output goes to the log, shown only when it fails
  echo "  $1" >&2
  "${@:2}" >>"$log" 2>&1 || { tail -n 60 "$log" >&2; echo "build-win-tools.sh: $1 failed" >&2; exit 1; }
}
# Each package as Debian builds it: its upstream sources with Debian's patches, checked against
# the .dsc by dpkg-source.
unpack() {  # unpack PACKAGE: into $work/PACKAGE
  local version dsc
  version=$(version_of "$1")
  dsc=$(ls "$(folder_of "$1" "$version")"/*.dsc)
  step "$1 $version: unpack" dpkg-source --no-copy -x "$dsc" "$work/$1"
  cd "$work/$1"
}
at_work() { local a=() x; for x in "$@"; do a+=("${x//@WORK@/$work}"); done; "${a[@]}"; }
echo "Building ffmpeg.exe and ffplay.exe for Windows into $out (once; about 20 minutes on 2 cores)" >&2

unpack zlib
# zlib's configure takes its compiler and target from the environment.
step "zlib: configure" at_work env "${zlib_env[@]}" ./configure --prefix=$prefix --static
step "zlib: build" make -j"$jobs" libz.a
step "zlib: install" make install DESTDIR="$stage"

unpack lame
step "LAME: configure" at_work ./configure --prefix=$prefix "${lame_configure[@]}"
step "LAME: build" make -j"$jobs"
step "LAME: install" make install DESTDIR="$stage"

unpack libsdl2
step "SDL2: configure" at_work ./configure --prefix=$prefix "${sdl_configure[@]}"
step "SDL2: build" make -j"$jobs"
step "SDL2: install" make install DESTDIR="$stage"

unpack ffmpeg
step "ffmpeg: configure" ./configure --prefix=$prefix "${ffmpeg_configure[@]}"
step "ffmpeg: build" make -j"$jobs"
step "ffmpeg: install" make install DESTDIR="$stage"

result=$work/result
mkdir -p "$result/licences" "$result/sources"
cp "$stage$prefix/bin/ffmpeg.exe" "$stage$prefix/bin/ffplay.exe" "$result/"
for entry in "${chosen[@]}"; do cp "$(folder_of "${entry%%=*}" "${entry#*=}")"/* "$result/sources/"; done
# Notepad on older Windows shows a file without carriage returns as one line.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf "$work/ffmpeg/COPYING.LGPLv2.1" "$result/licences/ffmpeg-LGPL-2.1.txt"
crlf "$work/lame/COPYING" "$result/licences/LAME-LGPL-2.txt"
crlf "$work/libsdl2/LICENSE.txt" "$result/licences/SDL2-zlib.txt"
crlf <(sed -n '/^Copyright notice:/,/^  jloup/p' "$work/zlib/README") "$result/licences/zlib.txt"
{
  cat <<EOF
ffmpeg.exe et ffplay.exe : d'où ils viennent
============================================

Ils sont construits à partir des paquets sources de Debian 12 (bookworm), tels que Debian les
construit (sources d'origine et correctifs de Debian, debian/patches), pris par apt dans l'archive
de Debian et vérifiés par ses index signés :

EOF
  for entry in "${chosen[@]}"; do
    echo "  ${entry%%=*} ${entry#*=}"
    (cd "$(folder_of "${entry%%=*}" "${entry#*=}")" && sha256sum -- *) |
      sed 's/^\([0-9a-f]*\)  \(.*\)$/    \2\n      SHA-256 \1/'
  done
  cat <<EOF

ffmpeg $(upstream_of "$ffmpeg_version") et LAME $(upstream_of "$lame_version") sont sous LGPL (ffmpeg-LGPL-2.1.txt, LAME-LGPL-2.txt),
SDL2 $(upstream_of "$sdl_version") et zlib $(upstream_of "$zlib_version") sous licence zlib (SDL2-zlib.txt, zlib.txt). Les deux
programmes sont liés statiquement à ces bibliothèques.

Compilateur : $compiler, pour $host ; assembleur : $assembler ; SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH
(la date de la dernière entrée de debian/changelog de ffmpeg), l'heure que portent les programmes.
Chaque paquet est déballé avec « dpkg-source -x FICHIER.dsc », qui applique les correctifs de
Debian. Lignes de construction, dans cet ordre ; DESTDIR est un dossier d'installation
intermédiaire, ../stage à côté des sources de ffmpeg, où PKG_CONFIG_LIBDIR et
PKG_CONFIG_SYSROOT_DIR font trouver les bibliothèques construites avant (DOSSIER est le dossier de
construction) :

zlib :   ${zlib_env[*]//@WORK@/DOSSIER} ./configure --prefix=$prefix --static
LAME :   ./configure --prefix=$prefix ${lame_configure[*]//@WORK@/DOSSIER}
SDL2 :   ./configure --prefix=$prefix ${sdl_configure[*]//@WORK@/DOSSIER}
ffmpeg : ./configure --prefix=$prefix ${ffmpeg_configure[*]}

Chacun est ensuite construit avec « make » et installé avec « make install DESTDIR=... ». Le
script scripts/build-win-tools.sh des sources de Talvenor refait tout cela.
EOF
} >"$work/sources.txt"
crlf "$work/sources.txt" "$result/licences/SOURCES.txt"
rm -rf "$out"
mv "$result" "$out"
echo "Built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s" >&2
echo "$out"
