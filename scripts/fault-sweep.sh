#!/usr/bin/env bash
# The whole toolkit fault sweep: every operation the control, its workers and
# its page call, failed singly and paired with every other operation (the
# test run pairs fewer), against the model of what the control must do.
#
#   scripts/fault-sweep.sh [--filter GTEST_FILTER]
#
# Builds what it needs first; writes build/windows/hardening/toolkit-faults.tsv
# for scripts/hardening-report.sh; exits non-zero when any case failed or hung.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
filter='*'
while [ $# -gt 0 ]; do
    case "$1" in
    --filter) filter=${2:?}; shift 2 ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d'; exit 0 ;;
    *) echo "fault-sweep.sh: unknown argument $1 (--help)" >&2; exit 2 ;;
    esac
done
build="$root/build/windows"
"$root/scripts/build.sh" windows hardening_toolkit_fault_tests >/dev/null || {
    echo "fault-sweep.sh: build failed" >&2
    exit 1
}
cd "$build" || exit 1
export HX_FAULT_SWEEP=all
"$root/scripts/wine-run" --state wine bin/hardening_toolkit_fault_tests.exe \
    --gtest_filter="$filter" --gtest_color=no --gtest_brief=1
