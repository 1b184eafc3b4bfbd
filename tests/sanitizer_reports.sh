#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a suite built with AddressSanitizer and UndefinedBehaviorSanitizer and fails on any report,
# the suite's own or that of any process it started (each writes a file of its own in REPORTS).
#
#   tests/sanitizer_reports.sh REPORTS_ROOT COMMAND [ARGUMENT...]
set -u -o pipefail

mkdir -p "$1"
reports=$(mktemp -d "$1/run.XXXXXX")
shift
export ASAN_OPTIONS="detect_leaks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
"$@"
status=$?
if [[ -n $(ls -A "$reports") ]]; then
    cat "$reports"/* >&2
    echo "FAIL - the sanitizers reported the above (kept in $reports)" >&2
    exit 1
fi
rmdir "$reports"
exit "$status"
