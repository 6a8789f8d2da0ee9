#!/usr/bin/env bash
# Builds everything and runs every test: host units natively under the
# sanitizers, then the Windows tests, end-to-end runs and dialogs under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs="${TARVIK_JOBS:-2}"
"$root/scripts/build.sh"

status=0
(cd "$root/build/host" && ctest --output-on-failure -j"$jobs") || status=1
(cd "$root/build/win" && ctest --output-on-failure -j"$jobs" --timeout 600) || status=1
exit $status
