#!/usr/bin/env bash
# twscan's image formats end to end: a two-sheet feeder batch from the
# simulator through Wine's manager and the source (its test build pointed at
# the simulator), written as BMP, PNG, TIFF, JPEG and PDF. Every format must
# decode to the pixels of the BMP of the same scan (lossless ones exactly,
# JPEG within a tolerance), carry the resolution, and the PDF must open in
# poppler with one page per sheet at the scanned size.
#   twscan_formats_test.sh WINE_RUN TWSCAN_EXE SIM_LINK_DS RESOURCE_DLL TARVIK_SIM WORK_DIR
set -euo pipefail
wine_run="$1" twscan="$2" source_ds="$3" resources="$4" sim="$5" work="$6"
for tool in convert compare identify pdfinfo pdfimages pdftoppm; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
rm -rf "$work" && mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A fresh simulator for every run: each batch empties its feeder.
sim_pid=
start_sim() {
    rm -f "$work/port"
    "$sim" --port 0 --port-file "$work/port" --sheets 2 --quiet --exit-after-seconds 300 >/dev/null 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
    [ -s "$work/port" ] || { echo "FAIL: the simulator did not start"; exit 1; }
    export TARVIK_SIM_PORT=$(cat "$work/port")
}
stop_sim() { kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true; }
trap stop_sim EXIT

prefix="${TARVIK_WINEPREFIX:-$(dirname "$wine_run")/wineprefix}"
"$wine_run" cmd /c exit >/dev/null 2>&1 || true
mkdir -p "$prefix/drive_c/windows/twain_32"
cp "$source_ds" "$prefix/drive_c/windows/twain_32/sane.ds"
cp "$resources" "$prefix/drive_c/windows/twain_32/sane.dll"

dpi=100
scan() {  # pixel type, transfer, output: one batch of both sheets
    local status=0
    start_sim
    WINEDLLOVERRIDES="sane.ds=n" "$wine_run" "$twscan" --timeout 60 --resolution $dpi --paper-size a5 \
        --pixel-type "$1" --transfer "$2" --feeder --count all -o "$3" >"$3.log" 2>&1 || status=$?
    stop_sim
    [ $status = 0 ] || { fail "twscan $1 $2 -> $3 (exit $status)"; cat "$3.log"; return 1; }
}
same_pixels() {  # image, reference: every pixel equal
    local differ
    differ=$(compare -metric AE "$1" "$2" null: 2>&1) || true
    [ "$differ" = "0" ] || fail "$1 differs from $2 in $differ pixels"
}
close_pixels() {  # image, reference: normalised RMSE below 0.05
    local rmse
    rmse=$(compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p') || true
    awk -v e="${rmse:-1}" 'BEGIN { exit !(e < 0.05) }' || fail "$1 is too far from $2 (RMSE $rmse)"
}
has_resolution() {  # image
    local res
    res=$(identify -units PixelsPerInch -format '%x' "$1" | head -c 20)
    awk -v r="$res" -v d=$dpi 'BEGIN { exit !(r > d - 0.5 && r < d + 0.5) }' || fail "$1 has resolution $res, not $dpi"
}

for case in "color native" "gray memory" "bw file"; do
    set -- $case
    type=$1 transfer=$2 base="$work/$1"
    scan "$type" "$transfer" "$base.bmp" || continue
    for ext in png jpg tif pdf; do scan "$type" "$transfer" "$base.$ext" || true; done
    for sheet in 1 2; do
        ref="$base-$sheet.bmp"
        [ -f "$ref" ] || { fail "$ref was not written"; continue; }
        same_pixels "$base-$sheet.png" "$ref"
        has_resolution "$base-$sheet.png"
        same_pixels "$base.tif[$((sheet - 1))]" "$ref"
        close_pixels "$base-$sheet.jpg" "$ref"
        has_resolution "$base-$sheet.jpg"
    done
    frames=$(identify "$base.tif" | wc -l)
    [ "$frames" = 2 ] || fail "$base.tif has $frames pages, not 2"
    has_resolution "$base.tif[0]"

    # The PDF: two pages at the scanned size, each image the sheet's pixels.
    info=$(pdfinfo "$base.pdf") || { fail "pdfinfo cannot read $base.pdf"; continue; }
    grep -q '^Pages: *2$' <<<"$info" || fail "$base.pdf: $(grep Pages <<<"$info")"
    width=$(identify -format '%w' "$base-1.bmp") height=$(identify -format '%h' "$base-1.bmp")
    expected=$(awk -v w="$width" -v h="$height" -v d=$dpi 'BEGIN { printf "%g x %g pts", w * 72 / d, h * 72 / d }')
    for page in 1 2; do
        size=$(pdfinfo -f $page -l $page "$base.pdf" | sed -n 's/^Page *[0-9]* size: *//p' | sed 's/ (.*//')
        [ "$size" = "$expected" ] || fail "$base.pdf page $page is $size, not $expected"
    done
    pdftoppm -r $dpi -f 1 -l 1 -png "$base.pdf" "$work/rendered-$type" || fail "pdftoppm cannot render $base.pdf"
    pdfimages -png "$base.pdf" "$work/embedded-$type" || fail "pdfimages cannot read $base.pdf"
    for sheet in 1 2; do
        image="$work/embedded-$type-00$((sheet - 1)).png"
        if [ "$type" = bw ]; then same_pixels "$image" "$base-$sheet.bmp"; else close_pixels "$image" "$base-$sheet.bmp"; fi
    done
    # The two sheets differ (the chart carries the page number): pages are not repeated.
    differ=$(compare -metric AE "$base-1.png" "$base-2.png" null: 2>&1) || true
    [ "$differ" != 0 ] || fail "$base: both sheets have the same pixels"
done

# Standard output: a PNG that decodes to the same page; PDF refused before scanning.
start_sim
WINEDLLOVERRIDES="sane.ds=n" "$wine_run" "$twscan" --timeout 60 --resolution $dpi --paper-size a5 --pixel-type gray \
    -o - --format png >"$work/stdout.png" 2>"$work/stdout.log" || fail "PNG to standard output: $(cat "$work/stdout.log")"
stop_sim
identify "$work/stdout.png" >/dev/null 2>&1 || fail "standard output is not a PNG"
status=0
WINEDLLOVERRIDES="sane.ds=n" "$wine_run" "$twscan" -o - --format pdf >/dev/null 2>"$work/refused.log" || status=$?
[ $status = 2 ] && grep -q "PDF cannot be written to standard output" "$work/refused.log" ||
    fail "PDF to standard output: exit $status, $(cat "$work/refused.log")"

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "every format decodes to the scanned pixels"
