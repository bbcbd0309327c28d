#!/usr/bin/env bash
# Runs the workers' randomized lifecycle stress for as long as asked:
#   scripts/stress.sh [--operations N] [--seed S]
# (defaults: 10000 operations, a seed from the clock, printed). Builds the
# Windows product first if needed; exits non-zero on any failure or hang.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
operations=10000
seed=$(date +%s)
while [ $# -gt 0 ]; do
    case "$1" in
    --operations) operations=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    *) echo "usage: stress.sh [--operations N] [--seed S]" >&2; exit 2 ;;
    esac
done
"$root/scripts/build.sh" windows >/dev/null
cd "$root/build/windows"
export HX_STRESS_OPERATIONS=$operations HX_STRESS_SEED=$seed
exec "$root/scripts/wine-run" --state wine bin/control_tests.exe \
    --gtest_filter='Stress.*' --gtest_color=no
