#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suites under Wine, the
# native base-library suites under AddressSanitizer/UBSan, and a short libFuzzer
# run of the base library (scripts/fuzz.sh). Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh" || exit 1
status=0
"$root/scripts/build.sh" native || exit 1
( cd "$root/build/native" && ctest --output-on-failure -j 2 ) || status=1
"$root/scripts/fuzz.sh" || status=1
"$root/scripts/build.sh" windows || exit 1
( cd "$root/build/windows" && ctest --output-on-failure -j 2 ) || status=1
if [ $status -eq 0 ]; then echo "run-tests: all tests passed"; else echo "run-tests: FAILURES" >&2; fi
exit $status
