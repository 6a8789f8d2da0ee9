#!/bin/sh
# Builds the benchmarks in an optimised, unsanitised host build (build/bench)
# and runs every one of them. Figures go to standard output. Only the
# benchmark programs are built: the tests belong to the sanitised build.
set -eu
cd "$(dirname "$0")/.."
targets=$(for source in bench/*_bench.cpp; do basename "$source" .cpp; done | grep -v '^scan_bench$')
cmake -S . -B build/bench -DTARVIK_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
# shellcheck disable=SC2086 # one word per target
cmake --build build/bench -j2 --target $targets >build/bench/build.log 2>&1 || {
    cat build/bench/build.log
    exit 1
}
status=0
for name in $targets; do
    echo "== $name"
    "build/bench/bench/$name" || status=1
done

# Whole scans through the Windows source under Wine, from an optimised simulator.
cmake --build build/bench -j2 --target tarvik-sim >>build/bench/build.log 2>&1
scripts/build.sh >/dev/null
cmake --build build/win -j2 --target scan_bench >>build/bench/build.log 2>&1
echo "== scan_bench"
TARVIK_SIM_PROGRAM="$PWD/build/bench/tools/sim/tarvik-sim" build/win/wine-run build/win/bench/scan_bench.exe || status=1
exit $status
