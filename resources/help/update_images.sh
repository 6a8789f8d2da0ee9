#!/bin/sh
# Refreshes the pictures of the help pages from the screenshots the dialog
# tests save, then commit the PNGs. Run from the repository after the Windows
# tests: sh resources/help/update_images.sh [build/win]
set -e
build=${1:-build/win}
shots=$build/screenshots
images=$(dirname "$0")/TWAINV4_rtf/images
for name in mode_registration mode_edit area_registration about; do
    convert "$shots/$name.bmp" -strip "$images/$name.png"
done
# The main dialog's picture comes from its own test (main_mm_flatbed_colour);
# until that test exists the slot shows the saved-modes window.
if [ -f "$shots/main_mm_flatbed_colour.bmp" ]; then
    convert "$shots/main_mm_flatbed_colour.bmp" -strip "$images/main_dialog.png"
else
    convert "$shots/mode_registration.bmp" -strip "$images/main_dialog.png"
fi
