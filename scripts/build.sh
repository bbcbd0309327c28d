#!/usr/bin/env bash
# Configures and builds one flavour of the project, or only the targets named
# after it.
#   build.sh windows [target...]   the Windows product, cross-built with MinGW-w64 (build/windows)
#   build.sh native [target...]    the platform-neutral base library with sanitizers (build/native)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-windows}
[ $# -gt 0 ] && shift
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
jobs=${HX_JOBS:-2}
case "$flavour" in
windows)
    cmake -S "$root" -B "$root/build/windows" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null ;;
native)
    cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null ;;
*) echo "build.sh: unknown flavour $flavour" >&2; exit 2 ;;
esac
cmake --build "$root/build/$flavour" -j "$jobs" "${targets[@]}"
