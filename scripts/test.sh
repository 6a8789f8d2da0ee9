#!/usr/bin/env bash
# Builds everything and runs every test: host units natively under the
# sanitizers, then the Windows tests, end-to-end runs and dialogs under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs="${TARVIK_JOBS:-2}"
"$root/scripts/build.sh"

status=0
(cd "$root/build/host" && ctest --output-on-failure -j"$jobs") || status=1
# One at a time under Wine: the tests share the prefix's settings files, spool
# file, installed source and display, as programs on one Windows machine do.
(cd "$root/build/win" && ctest --output-on-failure --timeout 600) || status=1
exit $status
