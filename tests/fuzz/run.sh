#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target for TALVENOR_FUZZ_SECONDS (30 by default) from the inputs kept so far and
# its committed seeds; an input that breaks a property is kept with the given prefix.
#
#   tests/fuzz/run.sh TARGET KEPT_INPUTS SEEDS CRASH_PREFIX
set -euo pipefail
target=$1 kept=$2 seeds=$3 crashes=$4
mkdir -p "$kept"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
exec "$target" -max_total_time="${TALVENOR_FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$crashes" "$kept" "$seeds"
