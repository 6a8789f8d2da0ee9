#!/bin/sh
# Builds the benchmarks in an optimised, unsanitised host build (build/bench)
# and runs every one of them. Figures go to standard output.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DTARVIK_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 >build/bench/build.log 2>&1 || { cat build/bench/build.log; exit 1; }
status=0
for program in build/bench/bench/*_bench; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" || status=1
done
exit $status
