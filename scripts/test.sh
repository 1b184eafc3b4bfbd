#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Talvenor with its tests and runs every suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
# Debian 13's root (see the end) is made and filled meanwhile, its downloads beside this build.
debian13=""
if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" != trixie ] &&
   { [ -n "${CI:-}" ] || [ -n "${TALVENOR_TEST_DEBIAN13:-}" ]; }; then
  mkdir -p build
  nice scripts/test-in-debian.sh --prepare trixie >build/debian13-prepare.log 2>&1 &
  debian13=$!
fi
cmake -S . -B build -DTALVENOR_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
# The unit suites again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target
# for 30 s: a tree of their own, built by clang. A report or a broken property ends the run there.
cmake -S . -B build-sanitizers -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTALVENOR_SANITIZERS=ON >/dev/null
cmake --build build-sanitizers -j"$(nproc)"
ctest --test-dir build-sanitizers --output-on-failure
ctest --test-dir build --output-on-failure

# --- Debian 13 ---------------------------------------------------------------------------------
# The build and the Linux suites again in a Debian 13 root (scripts/test-in-debian.sh), where CI
# runs this (its machine runs Debian 12) or when asked with TALVENOR_TEST_DEBIAN13=1; never on
# Debian 13 itself, where the lines above are that run.
if [ -n "$debian13" ]; then
  wait "$debian13" || { cat build/debian13-prepare.log; echo "Preparing the Debian 13 root failed; once more:"; }
  scripts/test-in-debian.sh trixie
fi
