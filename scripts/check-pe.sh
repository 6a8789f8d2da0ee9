#!/usr/bin/env bash
# Checks the built data source: a PE32 i386 DLL whose only export is the
# undecorated DS_Entry and which imports Windows system libraries only.
set -euo pipefail
file="$1"
dump=$(i686-w64-mingw32-objdump -p "$file")
fail=0

grep -q "file format pei-i386" <<<"$dump" || { echo "FAIL: $file is not PE32 i386"; fail=1; }

exports=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[[:space:]]*\[/{print $NF;next} t{t=0}')
if [ "$exports" != "DS_Entry" ]; then
    echo "FAIL: exports are [$exports], expected exactly DS_Entry"
    fail=1
fi

allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|ws2_32|msvcrt|ole32|oleaut32|shlwapi|winmm|version)\.dll$'
imports=$(echo "$dump" | awk '/DLL Name:/{print tolower($3)}' | sort -u)
for dll in $imports; do
    if ! [[ "$dll" =~ $allowed ]]; then
        echo "FAIL: imports $dll, which is not a Windows system library"
        fail=1
    fi
done
[ $fail -eq 0 ] && echo "PASS: PE32 i386, exports [$exports], imports [$(echo $imports)]"
exit $fail
