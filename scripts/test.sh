#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Talvenor with its tests and runs every suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
cmake -S . -B build -DTALVENOR_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
# The unit suites again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target
# for 30 s: a tree of their own, built by clang. A report or a broken property ends the run there.
cmake -S . -B build-sanitizers -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTALVENOR_SANITIZERS=ON >/dev/null
cmake --build build-sanitizers -j"$(nproc)"
ctest --test-dir build-sanitizers --output-on-failure
ctest --test-dir build --output-on-failure
