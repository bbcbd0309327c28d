#!/usr/bin/env bash
# The main job. Installs what is missing (scripts/bootstrap.sh), builds the
# Windows product, registers the toolkit's simulator and the control in the
# build's own Wine prefix, and runs the test bench's demo under Xvfb: a
# scripted session with HXDigIO on a form that prints its transcript, saves a
# picture of the bench and one of the property page, and fails when an
# expected event did not come. Exits with the demo's status.
#
# The registrations stay, so that the bench can be opened afterwards (see
# the README); the test suites remove them when they run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)

"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" windows

bin="$root/build/windows/bin"
state="$root/build/windows/wine"
shots="$root/build/windows/screenshots"
run() { "$root/scripts/wine-run" --state "$state" "$@"; }

# Always a display of our own: the demo needs no person and shows nobody.
unset DISPLAY
run --session-start >/dev/null
trap 'run --session-stop >/dev/null' EXIT

# Programs outside bin/ (regsvr32, script hosts) find the toolkit's DLLs on
# the path, as on an installed system.
export WINEPATH="Z:$bin"
echo "setup-and-run: registering HXKImg.dll (the toolkit's simulator) and HXDigIO.ocx"
run regsvr32 /s "$bin/HXKImg.dll"
run regsvr32 /s "$bin/HXDigIO.ocx"

echo "setup-and-run: the test bench's demo"
rm -f "$shots/testbench.png" "$shots/property-page.png"
status=0
run "$bin/testbench.exe" --demo || status=$?

echo
echo "Screenshots:"
for picture in testbench.png property-page.png; do
    if [ -f "$shots/$picture" ]; then echo "  $shots/$picture"; else echo "  $shots/$picture (missing)"; fi
done
elapsed=$(($(date +%s) - started))
if [ $status -eq 0 ]; then
    echo "setup-and-run: done in $((elapsed / 60)) min $((elapsed % 60)) s"
else
    echo "setup-and-run: the demo FAILED (status $status) after $((elapsed / 60)) min $((elapsed % 60)) s" >&2
fi
exit $status
