#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail
# wine64-preloader is only suggested by wine64, but Wine needs it: it reserves
# the fixed addresses of every Windows process before Linux can put the
# loader's randomly placed heap there (without it, about one process start
# in 8,000 fails).
packages=(cmake make g++ googletest
          g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
          wine64 wine64-preloader xvfb xauth python3
          clang libclang-rt-dev llvm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
