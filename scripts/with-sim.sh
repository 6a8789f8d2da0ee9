#!/usr/bin/env bash
# Runs a command beside a simulated Tarvik4100 on a free loopback port:
#   with-sim.sh SIM [simulator options...] -- COMMAND [arguments...]
# The command finds the port in TARVIK_SIM_PORT and the simulator's command
# log in TARVIK_SIM_LOG. The simulator is stopped afterwards; the command's
# exit status is the script's.
set -uo pipefail
sim=$1
shift
sim_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    sim_args+=("$1")
    shift
done
[ "${1:-}" = "--" ] && shift

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Wine may not start Linux programs itself, so the simulator runs beside it.
"$sim" --port 0 --port-file "$work/port" --log "$work/log" --quiet --exit-after-seconds 900 \
    "${sim_args[@]}" </dev/null >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
    [ -s "$work/port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [ ! -s "$work/port" ]; then
    echo "with-sim: the simulator did not start:" >&2
    cat "$work/out" >&2
    exit 1
fi

export TARVIK_SIM_PORT
TARVIK_SIM_PORT=$(cat "$work/port")
export TARVIK_SIM_LOG="$work/log"
"$@"
status=$?
if [ $status -ne 0 ]; then
    echo "with-sim: simulator log:" >&2
    tail -n 40 "$work/log" >&2
fi
exit $status
