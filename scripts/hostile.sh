#!/usr/bin/env bash
# Long runs of the hostile container: the control on a form or in the ATL
# host, called through its automation and persistence interfaces with random
# members, flags, arguments, handles and damaged data, seed after seed.
#
#   scripts/hostile.sh [--calls N] [--seeds K] [--seed S] [--host form|atl|both]
#                      [--firing hand-off|direct|both] [--about]
#
# Defaults: 100000 calls per run, 2 seeds from S (default: from the clock,
# printed), both hosts, both firing modes. A run that hangs is ended by its
# watchdog, naming its last calls. Each run writes
# build/windows/hardening/hostile-long-<host>-<firing>-<seed>.tsv, which
# scripts/hardening-report.sh reads. Builds what it needs first; exits
# non-zero when any run broke a rule, crashed or hung.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
calls=100000
seeds=2
seed=$(date +%s)
hosts=(form atl)
firings=(hand-off direct)
about=()
while [ $# -gt 0 ]; do
    case "$1" in
    --calls) calls=${2:?}; shift 2 ;;
    --seeds) seeds=${2:?}; shift 2 ;;
    --seed) seed=${2:?}; shift 2 ;;
    --host) [ "${2:?}" = both ] && hosts=(form atl) || hosts=("$2"); shift 2 ;;
    --firing) [ "${2:?}" = both ] && firings=(hand-off direct) || firings=("$2"); shift 2 ;;
    --about) about=(--about); shift ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d'; exit 0 ;;
    *) echo "hostile.sh: unknown argument $1 (--help)" >&2; exit 2 ;;
    esac
done

build="$root/build/windows"
"$root/scripts/build.sh" windows hardening_hostile HXDigIO >/dev/null || {
    echo "hostile.sh: build failed" >&2
    exit 1
}

run="$root/scripts/wine-run"
"$run" --state "$build/wine" --session-start >/dev/null || exit 1
trap '"$run" --state "$build/wine" --session-stop >/dev/null' EXIT

echo "hostile.sh: $calls calls per run, seeds $seed to $((seed + seeds - 1))"
status=0
for ((i = 0; i < seeds; i++)); do
    s=$((seed + i))
    for host in "${hosts[@]}"; do
        for firing in "${firings[@]}"; do
            options=(--calls "$calls" --seed "$s" --host "$host")
            [ "$firing" = direct ] && options+=(--direct)
            [ "$host" = atl ] && options+=("${about[@]}")
            out="hostile-long-$host-$firing-$s.tsv"
            (cd "$build" && "$run" --state wine bin/hardening_hostile.exe "${options[@]}" --out "$out")
            rc=$?
            if [ $rc -ne 0 ]; then
                echo "hostile.sh: FAILED ($rc): bin/hardening_hostile.exe ${options[*]}" >&2
                status=1
            fi
        done
    done
done
[ $status -eq 0 ] && echo "hostile.sh: every run answered as specified and left nothing"
exit $status
