#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only what is missing.
#
# The package archive is not always in step with itself: while a mirror syncs,
# one index (say the security suite's i386 list) can fail to download. Then
# `apt-get update` is retried; if some indexes still fail we go on when the
# packages resolve without them. The amd64 and i386 halves of a Multi-Arch:
# same library must have one version, so when one architecture sees a suite
# the other lacks, the install fails; it is retried once with the suites whose
# indexes failed ranked below the main suite, so that both architectures take
# the same versions. That ranking is a temporary preferences file, removed on
# every way out of this script.
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
          wine wine32:i386 xvfb xauth fp-utils iproute2 imagemagick python3 nsis poppler-utils)

# Overridable for the script's own test, which runs it against fake apt tools.
prefs_dir="${TARVIK_APT_PREFS_DIR:-/etc/apt/preferences.d}"
retry_pause="${TARVIK_APT_RETRY_PAUSE:-10}"
update_tries="${TARVIK_APT_UPDATE_TRIES:-3}"

say() { echo "bootstrap: $*" >&2; }

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    say "missing packages: ${missing[*]}; run this script as root (or install them)."
    exit 1
fi
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive

pin_file="$prefs_dir/zz-tarvik-bootstrap-same-suite"
log=$(mktemp)
cleanup() { rm -f "$pin_file" "$log"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# The suites (dists/NAME/...) of the indexes the last update could not fetch.
failed_suites() {
    sed -n -E 's#^(E|W): Failed to fetch [^ ]*/dists/([^/ ]+)/.*#\2#p' "$log" | sort -u
}

updated=0
for try in $(seq 1 "$update_tries"); do
    if apt-get update -q >"$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log"; then
        updated=1
        break
    fi
    if [ "$try" -lt "$update_tries" ]; then
        say "apt-get update failed (try $try of $update_tries); trying again in ${retry_pause}s"
        sleep "$retry_pause"
    fi
done
suites=""
if [ $updated -eq 0 ]; then
    suites=$(failed_suites)
    if [ -z "$suites" ]; then
        say "apt-get update failed and named no index; its output:"
        cat "$log" >&2
        exit 1
    fi
    say "these package indexes could not be fetched; going on without them:"
    grep '^[EW]: Failed to fetch' "$log" | sed 's/^/  /' >&2
fi

install() { apt-get install -y -q --no-install-recommends "${missing[@]}" >"$log" 2>&1; }

if install; then
    exit 0
fi
if [ -z "$suites" ]; then
    say "installing failed:"
    cat "$log" >&2
    exit 1
fi
{
    for s in $suites; do
        printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$s"
        printf 'Package: *\nPin: release a=%s\nPin-Priority: 100\n\n' "$s"
    done
} >"$pin_file"
say "installing failed; trying once more with both architectures resolved from the same suite" \
    "(ranked below the main suite: $(echo $suites))"
if install; then
    exit 0
fi
say "installing failed even with both architectures resolved from the same suite:"
cat "$log" >&2
exit 1
