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
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() { DISPLAY=none WINE="$work/bin/wine64" WINESERVER=true "$wine_run" --state "$work/state" "$@" 2>&1; }

mkdir "$work/bin"
cp "$(type -P true)" "$work/bin/wine64"
output=$(run program.exe)
code=$?
[ $code -eq 2 ] || fail "without the preloader: exit code $code, expected 2 ($output)"
case "$output" in
*"preloader is missing beside $work/bin/wine64"*"wine64-preloader"*) ;;
*) fail "without the preloader: no reason given: $output" ;;
esac
[ ! -e "$work/state/prefix" ] || fail "without the preloader: a prefix was made all the same"
output=$(run --session-start)
[ $? -eq 2 ] || fail "without the preloader: the session started: $output"

cp "$(type -P true)" "$work/bin/wine64-preloader"
output=$(run program.exe)
code=$?
[ $code -eq 0 ] || fail "with the preloader: exit code $code ($output)"
case "$output" in
*"preloader is missing"*) fail "with the preloader: still refused: $output" ;;
esac

[ $failures -eq 0 ] && echo "preloader guard: refused without the preloader, ran with it"
exit $((failures > 0))
