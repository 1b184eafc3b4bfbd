#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Talvenor and runs its Linux suites in another Debian release than this machine's: in a
# root of that release made once with debootstrap, from Debian's archive as apt is configured here
# (its mirror and proxy), and kept in the cache with its build folder for the next run.
# Usage: scripts/test-in-debian.sh [--prepare] SUITE [TESTS]
#   SUITE: a Debian codename, trixie for Debian 13; TESTS: a regular expression of the suites to
#   run, as ctest -R takes it (all by default); --prepare: only makes the root and installs there
#   what the suites need (a test run meanwhile waits for it).
# Needs root (it runs itself through sudo otherwise): debootstrap, mount and chroot. The cache is
# ${XDG_CACHE_HOME:-~/.cache}/talvenor, or TALVENOR_CACHE.
set -euo pipefail

prepare=""
[ "${1:-}" = --prepare ] && { prepare=--prepare; shift; }
suite="${1:-}"
tests="${2:-.}"
[[ "$suite" =~ ^[a-z]+$ ]] ||
  { echo "usage: scripts/test-in-debian.sh [--prepare] SUITE [TESTS]   (e.g. trixie)" >&2; exit 2; }
cd "$(dirname "$0")/.."
checkout=$(pwd -P)
cache="${TALVENOR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/talvenor}"
if [ "$(id -u)" -ne 0 ]; then
  exec sudo -- env "TALVENOR_CACHE=$cache" "CI=${CI:-}" "$checkout/scripts/test-in-debian.sh" $prepare "$suite" "$tests"
fi

if ! command -v debootstrap >/dev/null; then
  echo "Installing: debootstrap"
  apt-get -o DPkg::Lock::Timeout=600 update -q
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends debootstrap
fi

home="$cache/debian-$suite"
root="$home/root"
mkdir -p "$home"
# One run at a time in a root.
exec 9>"$home/lock"
flock 9

# Debian's archive and its security archive, as apt reaches them here.
targets=$(apt-get indextargets --format '$(ORIGIN)|$(LABEL)|$(TARGET_OF)|$(REPO_URI)' 'Created-By: Packages')
mirror=$(awk -F'|' '$1 == "Debian" && $2 == "Debian" && $3 == "deb" { print $4; exit }' <<<"$targets")
security=$(awk -F'|' '$1 == "Debian" && $2 == "Debian-Security" && $3 == "deb" { print $4; exit }' <<<"$targets")
[ -n "$mirror" ] || { echo "apt is configured with no source of Debian's archive" >&2; exit 1; }
proxy=""
eval "$(apt-config shell proxy Acquire::http::Proxy)"
[ -n "$proxy" ] && export http_proxy="$proxy"

# Never remove a folder with anything still mounted in it (a run killed in the middle).
no_mounts_under() {
  if findmnt -rn -o TARGET | awk -v d="$1" '$0 == d || index($0, d "/") == 1 { found = 1 } END { exit !found }'; then
    echo "something is still mounted under $1: unmount it first" >&2
    exit 1
  fi
}

if [ ! -e "$root/.talvenor-ready" ]; then
  echo "Debian $suite: making its root in $root (once), from $mirror"
  no_mounts_under "$root.new"
  no_mounts_under "$root"
  rm -rf --one-file-system "$root.new" "$root"
  debootstrap --variant=minbase "$suite" "$root.new" "$mirror" >"$home/debootstrap.log" 2>&1 ||
    { tail -n 30 "$home/debootstrap.log" >&2; echo "debootstrap failed: see $home/debootstrap.log" >&2; exit 1; }
  {
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$mirror" "$suite" "$suite"
    [ -z "$security" ] ||
      printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$security" "$suite"
  } >"$root.new/etc/apt/sources.list.d/debian.sources"
  rm -f "$root.new/etc/apt/sources.list"
  [ -z "$proxy" ] || printf 'Acquire::http::Proxy "%s";\n' "$proxy" >"$root.new/etc/apt/apt.conf.d/01proxy"
  touch "$root.new/.talvenor-ready"
  mv "$root.new" "$root"
fi
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
no_mounts_under "$root"
bind() {  # bind HOST_PATH PATH_IN_ROOT
  mkdir -p "$root$2"
  mount --bind "$1" "$root$2"
  mounted+=("$root$2")
}
mount -t proc proc "$root/proc"
mounted+=("$root/proc")
bind /sys /sys
bind /dev /dev
bind /dev/pts /dev/pts
[ -d /dev/shm ] && bind /dev/shm /dev/shm
# The X servers of both systems see each other's displays, and so never take the same one.
bind /tmp /tmp
bind "$checkout" /talvenor

inside() {  # inside COMMAND [ARGS...]: a bash command line run in the root, in the checkout
  /usr/sbin/chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "set -euo pipefail; cd /talvenor; $1" "${@:2}"
}
if [ -n "$prepare" ]; then
  echo "Debian $suite: installing what the suites need in $root"
  inside 'scripts/install-deps.sh test'
  exit 0
fi

# A build folder of its own for each checkout, kept between runs.
build="/build/$(printf '%s' "$checkout" | sha256sum | cut -c1-16)"
echo "Debian $suite: building and running the Linux suites (the Windows ones left out) in $root"
inside '
    scripts/install-deps.sh test
    cmake -S /talvenor -B "$1" -DTALVENOR_BUILD_TESTS=ON >/dev/null
    cmake --build "$1" -j"$(nproc)"
    ctest --test-dir "$1" --output-on-failure -R "$2" -E "^(windows|packaging_windows_zip)\$"' build "$build" "$tests"
