#!/usr/bin/env bash
# The decisions of scripts/bootstrap.sh, run against fake apt-get, dpkg,
# dpkg-query and id on PATH: no archive is asked and nothing is installed.
# Each case names how the fake archive behaves and what the script must do.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin"
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
# Every package is missing unless the case says all are installed.
[ "${FAKE_ALL_INSTALLED:-0}" = 1 ] && { printf 'install ok installed'; exit 0; }
exit 1
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
[ "$1" = --print-foreign-architectures ] && { echo i386; exit 0; }
exit 0
EOF
cat >"$work/bin/id" <<'EOF'
#!/usr/bin/env bash
echo 0
EOF
cat >"$work/bin/sleep" <<'EOF'
#!/usr/bin/env bash
exit 0
EOF
# FAKE_UPDATE: ok | fail-once | partial | dead.  FAKE_INSTALL: ok | needs-pin | fail.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
calls="$FAKE_STATE/calls"
case " $* " in
*" update "*)
    echo update >>"$calls"
    n=$(grep -c '^update$' "$calls")
    case "$FAKE_UPDATE" in
    ok) exit 0 ;;
    fail-once) [ "$n" -gt 1 ] && exit 0 ;;
    dead) echo "E: Could not open lock file"; exit 100 ;;
    esac
    echo "E: Failed to fetch http://archive.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
*" install "*)
    pinned=0
    grep -qs 'Pin: release n=bookworm-security' "$FAKE_PREFS"/* && pinned=1
    echo "install pinned=$pinned" >>"$calls"
    case "$FAKE_INSTALL" in
    ok) exit 0 ;;
    needs-pin) [ $pinned = 1 ] && exit 0 ;;
    esac
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 0
EOF
chmod +x "$work/bin"/*

passed=0
failed=0
# case name | update | install | all installed | expected exit (0 or nonzero) |
# expected calls (joined by ,) | text stderr must hold ("" for none)
cases=(
    "nothing-missing|ok|ok|1|0||"
    "at-once|ok|ok|0|0|update,install pinned=0|"
    "update-fails-once|fail-once|ok|0|0|update,update,install pinned=0|trying again"
    "partial-update|partial|ok|0|0|update,update,update,install pinned=0|bookworm-security/main/binary-i386"
    "needs-same-suite|partial|needs-pin|0|0|update,update,update,install pinned=0,install pinned=1|same suite"
    "real-failure|partial|fail|0|nonzero|update,update,update,install pinned=0,install pinned=1|held broken packages"
    "update-dead|dead|ok|0|nonzero|update,update,update|Could not open lock file"
)

for row in "${cases[@]}"; do
    IFS='|' read -r name update install all want_exit want_calls want_text <<<"$row"
    state="$work/$name"
    mkdir -p "$state/prefs"
    : >"$state/calls"
    FAKE_STATE="$state" FAKE_PREFS="$state/prefs" FAKE_UPDATE="$update" FAKE_INSTALL="$install" \
        FAKE_ALL_INSTALLED="$all" TARVIK_APT_PREFS_DIR="$state/prefs" TARVIK_APT_RETRY_PAUSE=0 \
        PATH="$work/bin:$PATH" bash "$root/scripts/bootstrap.sh" >"$state/out" 2>"$state/err" </dev/null
    code=$?
    calls=$(paste -sd, "$state/calls")
    problems=()
    if [ "$want_exit" = 0 ] && [ $code -ne 0 ]; then problems+=("exit $code, wanted 0"); fi
    if [ "$want_exit" = nonzero ] && [ $code -eq 0 ]; then problems+=("exit 0, wanted a failure"); fi
    [ "$calls" = "$want_calls" ] || problems+=("calls [$calls], wanted [$want_calls]")
    if [ -n "$want_text" ] && ! grep -qF "$want_text" "$state/err"; then
        problems+=("stderr lacks \"$want_text\"")
    fi
    left=$(ls -A "$state/prefs")
    [ -z "$left" ] || problems+=("apt preferences left behind: $left")
    if [ ${#problems[@]} -eq 0 ]; then
        passed=$((passed + 1))
        echo "ok   $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name: ${problems[*]}"
        sed 's/^/     stderr: /' "$state/err"
    fi
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
