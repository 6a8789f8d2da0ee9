#!/usr/bin/env bash
# The quick start: scans one A4 colour page at 300 dpi from the simulated
# Tarvik4100 through Wine's own Data Source Manager into a BMP file.
#   bash scripts/scan.sh [OUTPUT.bmp] [more twscan flags]
# Installs what is missing and builds first; starts the simulator on
# 127.0.0.1:4567 and stops it again at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output="${1:-$root/scan.bmp}"
[ $# -gt 0 ] && shift
"$root/scripts/build.sh"

win="$root/build/win"
sim="$root/build/host/tools/sim/tarvik-sim"
wine_run="$win/wine-run"
# A prefix of its own, so the saved settings below never reach the tests' prefix.
prefix="$root/build/quickstart/wineprefix"
export TARVIK_WINEPREFIX="$prefix"

# The simulated device on the port the source uses for network scanners.
log="$root/build/scan-sim.log"
"$sim" --address 127.0.0.1 --port 4567 --sheets 1 --log "$log" --quiet --exit-after-seconds 600 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
sleep 0.5
if ! kill -0 $sim_pid 2>/dev/null; then
    echo "tarvik-sim could not listen on 127.0.0.1:4567 (is another one running?)" >&2
    exit 1
fi

# Install the source where Wine's manager loads it (it knows only the name
# sane.ds), with its resource module and help file beside it.
"$wine_run" cmd /c exit
twain_dir="$prefix/drive_c/windows/twain_32"
mkdir -p "$twain_dir/Tarvik4100"
for ext in ds dll chm; do
    src="$win/product/Tarvik4100.$ext"
    [ -f "$src" ] || continue
    cp "$src" "$twain_dir/sane.$ext"
    cp "$src" "$twain_dir/Tarvik4100/Tarvik4100.$ext"
done

# Saved settings that choose the network device at 127.0.0.1: the selection
# dialog tests it when the source opens and closes by itself when it answers.
appdata="$prefix/drive_c/ProgramData"
mkdir -p "$appdata"
set_key() {  # file section key value
    local file="$1" key="$3" value="$4"
    if [ ! -f "$file" ]; then printf '[%s]\r\n' "$2" > "$file"; fi
    if grep -q "^$key=" "$file"; then
        sed -i "s/^$key=.*/$key=$value\r/" "$file"
    else
        sed -i "/^\[$2\]/a $key=$value\r" "$file"
    fi
}
set_key "$appdata/ZOL_MF1DS.ini" "KRVDS TWAIN" IOTypeSelect 1
set_key "$appdata/KTX_TWAIN.ini" "KRVDS TWAIN" IPAddress 127.0.0.1

win_output=$(WINEDEBUG=-all "$wine_run" winepath -w "$output" 2>/dev/null | tr -d '\r')
WINEDLLOVERRIDES="sane.ds=n" "$wine_run" "$win/product/twscan.exe" \
    --source "Tarvik4100 TWAIN" --pixel-type rgb --resolution 300 --paper-size a4 \
    --transfer native --no-ui --output "$win_output" "$@"
echo "Scanned page written to $output"
