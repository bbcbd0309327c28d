#!/usr/bin/env bash
# Installs what is missing, builds the Windows product and runs the main job
# under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" windows
exec "$root/scripts/wine-run" --state "$root/build/windows/wine" "$root/build/windows/bin/caxbase_tour.exe"
