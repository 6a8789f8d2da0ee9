#!/usr/bin/env bash
# Runs the network-search tests inside a private network namespace: only a
# loopback interface, with the default route through it, so the broadcast can
# never leave the machine. Wine creates sockets in its server process, so the
# server of a prefix of its own is started inside the namespace as well.
# The devices are search_responder.py (scripted by the tests) and tarvik-sim.
# Usage: run_in_netns.sh WIN_TESTS_EXE TARVIK_SIM PREFIX_DIR SOURCE_DIR
set -euo pipefail
if [ "${TARVIK_IN_NETNS:-}" != 1 ]; then
    exec unshare -n env TARVIK_IN_NETNS=1 "$0" "$@"
fi
tests_exe=$1 sim=$2 prefix=$3 source_dir=$4

ip link set lo up
ip route add default dev lo
# Addresses of their own for the simulated devices.
for n in 2 3 4 5; do ip addr add 127.0.0.$n/32 dev lo; done
if [ "$(ip -o link show | awk -F': ' '{print $2}')" != lo ]; then
    echo "refusing: the namespace has interfaces besides loopback" >&2
    exit 1
fi

export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$source_dir/scripts/wine-common.sh"
tarvik_ensure_display
# A server left from an earlier run lives in that run's namespace: end it.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
tarvik_ensure_prefix
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -f -p </dev/null >/dev/null 2>&1 &
server=$!
sleep 0.5
if [ "$(readlink /proc/$server/ns/net)" != "$(readlink /proc/self/ns/net)" ]; then
    echo "refusing: the Wine server is not inside the private namespace" >&2
    exit 1
fi

here=$(cd "$(dirname "$0")" && pwd)
python3 "$here/search_responder.py" > /dev/null &
responder=$!
sleep 0.5

status=0
wine "$tests_exe" --gtest_also_run_disabled_tests \
    --gtest_filter='NetworkSearch.DISABLED_*-NetworkSearch.DISABLED_SimulatorAnswers' || status=1

# The simulator alone answers now.
kill "$responder" 2>/dev/null || true
wait "$responder" 2>/dev/null || true
"$sim" --port 0 --udp --udp-address 0.0.0.0 --quiet &
sim_pid=$!
sleep 0.5
wine "$tests_exe" --gtest_also_run_disabled_tests --gtest_filter='NetworkSearch.DISABLED_SimulatorAnswers' || status=1
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true

wineserver -k 2>/dev/null || true
wait "$server" 2>/dev/null || true
exit $status
