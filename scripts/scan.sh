#!/usr/bin/env bash
# The quick start: scans from the simulated Tarvik4100 through Wine's own Data
# Source Manager. See usage() below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    cat <<'TEXT'
Usage: bash scripts/scan.sh [--sheets N] [--duplex] [--content C] [OUTPUT] [twscan options...]

Scans from the simulated Tarvik4100 (tarvik-sim on 127.0.0.1:4567) through
Wine's own TWAIN Data Source Manager with twscan. Builds first when needed.

  --sheets N   sheets in the simulator's feeder (default 1)
  --duplex     the simulator scans both sides of each sheet
  --content C  what the pages show: chart (default), photo or noise
  --help       print this text

OUTPUT is the file to write (default scan.bmp in the repository); its
extension picks the format: .png .tif .jpg .bmp .pdf. Every option after
OUTPUT goes to twscan unchanged (see build/win/product/twscan.exe --help, or
"bash scripts/scan.sh --sheets 1 out.bmp --help"). Without them twscan scans
an A4 colour page at 300 dpi by native transfer; each of those defaults is
left out when you give its option (--frame replaces the A4 paper size).

  bash scripts/scan.sh page.png --pixel-type gray --resolution 150
  bash scripts/scan.sh --sheets 3 --duplex letters.pdf --feeder --duplex --count all
TEXT
}

sheets=1
sim_flags=()
while [ $# -gt 0 ]; do
    case "$1" in
        --help|-h) usage; exit 0 ;;
        --sheets)
            if [ $# -lt 2 ] || ! [[ "$2" =~ ^[1-9][0-9]*$ ]]; then
                echo "scan.sh: --sheets needs a number of sheets (1 or more)" >&2; exit 2
            fi
            sheets="$2"; shift 2 ;;
        --duplex) sim_flags+=(--duplex); shift ;;
        --content)
            if [ $# -lt 2 ] || ! [[ "$2" =~ ^(chart|photo|noise)$ ]]; then
                echo "scan.sh: --content needs chart, photo or noise" >&2; exit 2
            fi
            sim_flags+=(--content "$2"); shift 2 ;;
        *) break ;;
    esac
done
output="$root/scan.bmp"
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
    output="$1"
    shift
fi
twscan_flags=("$@")

has_flag() {  # name...: whether the user gave one of these twscan options
    local given wanted
    for given in "${twscan_flags[@]+"${twscan_flags[@]}"}"; do
        for wanted in "$@"; do
            [[ "$given" == "$wanted" || "$given" == "$wanted="* ]] && return 0
        done
    done
    return 1
}
defaults=()
has_flag --pixel-type || defaults+=(--pixel-type rgb)
has_flag --resolution || defaults+=(--resolution 300)
has_flag --paper-size --frame || defaults+=(--paper-size a4)
has_flag --transfer || defaults+=(--transfer native)
has_flag --show-ui --no-ui || defaults+=(--no-ui)

"$root/scripts/build.sh"

win="$root/build/win"
sim="$root/build/host/tools/sim/tarvik-sim"
wine_run="$win/wine-run"
# A prefix of its own, so the saved settings never reach the tests' prefix.
prefix="$root/build/quickstart/wineprefix"
export TARVIK_WINEPREFIX="$prefix"

# The simulated device on the port the source uses for network scanners.
log="$root/build/scan-sim.log"
"$sim" --address 127.0.0.1 --port 4567 --sheets "$sheets" "${sim_flags[@]+"${sim_flags[@]}"}" --log "$log" \
    --quiet --exit-after-seconds 600 >/dev/null &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
sleep 0.5
if ! kill -0 $sim_pid 2>/dev/null; then
    echo "scan.sh: tarvik-sim could not listen on 127.0.0.1:4567 (is another one running?)" >&2
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

# twscan saves the simulator as the chosen network device (--device); the
# selection dialog tests it when the source opens and closes by itself. It
# takes the output path as typed (Unix paths included) and reports itself
# what it wrote.
status=0
WINEDEBUG=-all WINEDLLOVERRIDES="sane.ds=n" "$wine_run" "$win/product/twscan.exe" \
    --source "Tarvik4100 TWAIN" --device 127.0.0.1 "${defaults[@]}" --output "$output" \
    "${twscan_flags[@]+"${twscan_flags[@]}"}" || status=$?
exit $status
