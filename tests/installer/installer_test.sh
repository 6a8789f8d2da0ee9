#!/usr/bin/env bash
# The setup program in a fresh Wine prefix of its own, as an administrator
# deploying it would run it: silent install over an older version, the
# installed source answering from where managers look for it, silent
# uninstall keeping the user's settings, and uninstall with /PURGE.
# usage: installer_test.sh SETUP NSI PRODUCT_DIR PROBE WORK_DIR SOURCE_ROOT
set -u
setup=$1 nsi=$2 product=$3 probe=$4 work=$5 root=$6

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$root/scripts/wine-common.sh"
tarvik_ensure_display
tarvik_ensure_prefix

drive="$WINEPREFIX/drive_c"
source_dir="$drive/windows/twain_32/Tarvik4100"
app_dir="$drive/Program Files/Tarvik4100"
data="$drive/ProgramData"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvik4100'
uninstaller='C:\Program Files\Tarvik4100\Uninstall.exe'
installed=("$source_dir/Tarvik4100.ds" "$source_dir/Tarvik4100.dll" "$source_dir/Tarvik4100.chm"
           "$app_dir/twscan.exe")
settings=("$data/KTX_TWAIN.ini" "$data/ZOL_MF1DS.ini" "$data/ZOL_MF1DS.raw")

passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
    fi
}
reg_value() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^  */, ""); print }'; }
key_exists() { wine reg query "$key" >/dev/null 2>&1; }
key_gone() { ! key_exists; }
all_installed() { local f; for f in "${installed[@]}"; do cmp -s "$f" "$product/$(basename "$f")" || return 1; done; }
none_installed() { local f; for f in "${installed[@]}"; do [ ! -e "$f" ] || { echo "left: $f"; return 1; }; done; [ ! -d "$source_dir" ] || { ls -la "$source_dir"; return 1; }; }
settings_sum() { cat "${settings[@]}" 2>/dev/null | md5sum; }
no_settings() { local f; for f in "${settings[@]}"; do [ ! -e "$f" ] || return 1; done; }
probe_answers() { [ "$(wine "$probe" 'C:\windows\twain_32\Tarvik4100\Tarvik4100.ds' | tr -d '\r')" = $'Tarvik4100 TWAIN\tV 1.2.0.0' ]; }
size_recorded() { local s; s=$(reg_value EstimatedSize); [ -n "$s" ] && [ $((s)) -gt 0 ]; }
# The uninstaller started without _?= copies itself away and returns at once;
# the copy removes the original last. Bounded, so a stuck uninstall fails.
wait_uninstalled() {
    local i
    for i in $(seq 1 120); do
        [ ! -e "$app_dir/Uninstall.exe" ] && key_gone && return 0
        sleep 0.5
    done
    return 1
}

old="$work/Tarvik4100-1.1.0.0-setup.exe"
makensis -V1 -DPRODUCT_DIR="$product" -DVERSION=1.1.0.0 -DOUTFILE="$old" "$nsi" >/dev/null
check "an older version builds" test -s "$old"

wine "$old" /S
check "older version installs silently" test "$?" = 0
check "older version is listed with its version" test "$(reg_value DisplayVersion)" = 1.1.0.0

mkdir -p "$data"
printf '[KRVDS TWAIN]\nIP_Address=127.0.0.1\nMode_Count=1\n' >"$data/KTX_TWAIN.ini"
printf '[KRVDS TWAIN]\nBrightness=12\n' >"$data/ZOL_MF1DS.ini"
printf 'preview rows' >"$data/ZOL_MF1DS.raw"
before=$(settings_sum)

wine "$setup" /S
check "setup installs silently over the older version" test "$?" = 0
check "every file is where it belongs and is the built one" all_installed
check "uninstaller is in the program folder" test -f "$app_dir/Uninstall.exe"
check "listed as installed program: name" test "$(reg_value DisplayName)" = "Tarvik4100 TWAIN"
check "listed as installed program: version" test "$(reg_value DisplayVersion)" = 1.2.0.0
check "listed as installed program: publisher" test -n "$(reg_value Publisher)"
check "listed as installed program: size" size_recorded
check "listed as installed program: quiet uninstall" test -n "$(reg_value QuietUninstallString)"
check "upgrade leaves the settings untouched" test "$(settings_sum)" = "$before"
check "installed source loads by path and answers its identity" probe_answers

wine "$uninstaller" /S
check "silent uninstall finishes" wait_uninstalled
check "uninstall removes the installed files" none_installed
check "uninstall removes the program list entry" key_gone
check "uninstall keeps the settings" test "$(settings_sum)" = "$before"

wine "$setup" /S
check "setup installs again" all_installed
wine "$uninstaller" /S /PURGE
check "uninstall with /PURGE finishes" wait_uninstalled
check "uninstall with /PURGE removes the installed files" none_installed
check "uninstall with /PURGE removes the program folder" test ! -d "$app_dir"
check "uninstall with /PURGE removes the settings" no_settings

wineserver -k >/dev/null 2>&1
rm -rf "$work"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
