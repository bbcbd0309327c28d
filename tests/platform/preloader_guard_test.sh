#!/usr/bin/env bash
# wine-run refuses a Wine whose preloader is missing (a process start would
# fail now and then) and says what to install; with the preloader beside the
# loader it runs the program. The "loader" here is a copy of true(1): an ELF
# binary named as Wine's, that runs nothing.
set -u
wine_run=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect CASE CODE PATTERN ARGS...: wine-run with ARGS exits with CODE and
# its output matches the glob PATTERN.
expect() {
    local case=$1 code=$2 pattern=$3 output actual
    shift 3
    output=$(DISPLAY=none WINE="$work/bin/wine64" WINESERVER=true \
        "$wine_run" --state "$work/state" "$@" 2>&1)
    actual=$?
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    if [ $actual -ne "$code" ] || [[ $output != $pattern ]]; then
        echo "FAIL: $case: $* exited $actual (expected $code) saying: $output"
        failures=$((failures + 1))
    fi
}

mkdir "$work/bin"
cp "$(type -P true)" "$work/bin/wine64"
refusal="*preloader is missing beside $work/bin/wine64*wine64-preloader*"
expect "without the preloader" 2 "$refusal" program.exe
expect "without the preloader" 2 "$refusal" --session-start

cp "$(type -P true)" "$work/bin/wine64-preloader"
expect "with the preloader" 0 "*creating Wine prefix*" program.exe

[ $failures -eq 0 ] && echo "preloader guard: refused without the preloader, ran with it"
exit $((failures > 0))
