#!/usr/bin/env bash
# Runs the test bench (build/windows/bin/testbench.exe) in the build's Wine
# prefix. The toolkit's simulator (HXKImg.dll) and the control (HXDigIO.ocx)
# are registered there first, with regsvr32 inside the prefix and WINEPATH
# naming bin/ so that the toolkit's DLLs are found, and unregistered when the
# bench ends: the prefix is left as the test suites expect it. Arguments go
# to the bench (--demo, --short, --inputs N, --help, ...); the exit status is
# the bench's. Uses DISPLAY when it is set, else an Xvfb display of its own.
#
#   DISPLAY=:0 scripts/testbench.sh          the bench, for a person
#   scripts/testbench.sh --demo              the demo, on an invisible display
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/windows/bin"
state="$root/build/windows/wine"
run() { "$root/scripts/wine-run" --state "$state" "$@"; }

if [ ! -f "$bin/testbench.exe" ]; then
    echo "testbench.sh: $bin/testbench.exe is missing; build first (scripts/build.sh windows)" >&2
    exit 2
fi
export WINEPATH="Z:$bin"
# Without a display of its own every Wine program would start and stop an
# Xvfb; one session serves them all.
session=""
if [ -z "${DISPLAY:-}" ]; then
    run --session-start >/dev/null || exit 2
    session=yes
fi
finish() {
    run regsvr32 /s /u "$bin/HXDigIO.ocx"
    run regsvr32 /s /u "$bin/HXKImg.dll"
    [ -z "$session" ] || run --session-stop >/dev/null
}
trap finish EXIT

if ! run regsvr32 /s "$bin/HXKImg.dll" || ! run regsvr32 /s "$bin/HXDigIO.ocx"; then
    echo "testbench.sh: regsvr32 failed" >&2
    exit 2
fi
echo "testbench.sh: HXKImg.dll and HXDigIO.ocx registered in $state/prefix until the bench ends"
run "$bin/testbench.exe" "$@"
