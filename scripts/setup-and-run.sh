#!/usr/bin/env bash
# The main job. Installs what is missing (scripts/bootstrap.sh), builds the
# Windows product, and runs the test bench's demo under Xvfb
# (scripts/testbench.sh: the toolkit's simulator and the control registered
# in the build's own Wine prefix while it runs): a scripted session with
# HXDigIO on a form that prints its transcript, saves a picture of the bench
# and one of the property page, and fails when an expected event did not
# come. Exits with the demo's status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)

"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" windows

shots="$root/build/windows/screenshots"
rm -f "$shots/testbench.png" "$shots/property-page.png"
echo "setup-and-run: the test bench's demo"
status=0
# Always a display of its own: the demo needs no person and shows nobody.
env -u DISPLAY "$root/scripts/testbench.sh" --demo || status=$?

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
