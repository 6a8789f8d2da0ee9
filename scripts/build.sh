#!/usr/bin/env bash
# Builds both targets: build/host (native tools and tests under the sanitizers)
# and build/win (the Windows product and its tests, cross-compiled).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs="${TARVIK_JOBS:-2}"
"$root/scripts/bootstrap.sh"

cmake -S "$root" -B "$root/build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$root/build/host" -j"$jobs"

cmake -S "$root" -B "$root/build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DTARVIK_SIM="$root/build/host/tools/sim/tarvik-sim" >/dev/null
cmake --build "$root/build/win" -j"$jobs"
