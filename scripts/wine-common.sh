# Shared by the Wine wrapper and the scripts: a virtual display and a prefix.
# Expects WINEPREFIX to be set.

# Xvfb must be up before the first Wine process of a prefix: that process
# fixes the display for the prefix's lifetime. Our own display, not one the
# caller happens to have: a forwarded or locked display makes every window
# fail. A socket file alone proves nothing: /tmp outlives the Xvfb that made
# it (a machine's earlier session), so the server must answer a connection.
tarvik_display_answers() {
    python3 - "$1" <<'PY' 2>/dev/null
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(2)
s.connect(sys.argv[1])
PY
}

tarvik_ensure_display() {
    export DISPLAY="${TARVIK_DISPLAY:-:77}"
    local n="${DISPLAY#:}"
    n="${n%%.*}"
    local socket="/tmp/.X11-unix/X$n"
    tarvik_display_answers "$socket" && return 0
    (
        flock 9
        if ! tarvik_display_answers "$socket"; then
            # Leftovers of a server that is gone keep a new one from starting.
            rm -f "$socket" "/tmp/.X$n-lock"
            setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
            for _ in $(seq 1 100); do
                tarvik_display_answers "$socket" && break
                sleep 0.1
            done
        fi
    ) 9>"/tmp/.tarvik-xvfb-$n.lock"
}

tarvik_ensure_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
        (
            flock 9
            if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
                WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1
                # Undecorated, unmanaged windows: otherwise every DestroyWindow
                # waits for the (absent) window manager. A crash must fail a
                # test, not open a dialog that waits for a click.
                wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
                wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
                wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
                wineserver -w
                touch "$WINEPREFIX/.tarvik-ready"
            fi
        ) 9>"$WINEPREFIX.lock"
    fi
    tarvik_ensure_server
}

# True when a wineserver serves this prefix: its working folder is named
# after the prefix's device and inode.
tarvik_server_running() {
    local name pid
    name=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
    for pid in $(pgrep -x wineserver32; pgrep -x wineserver64; pgrep -x wineserver); do
        case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in
            */"$name") return 0 ;;
        esac
    done
    return 1
}

# Wine's helper processes (services, explorer, device drivers) inherit the
# standard handles of the process that starts them, so a test that started
# them would keep ctest's pipe open until they exit. Start the server and the
# helpers with output discarded first, and keep them for a while.
tarvik_ensure_server() {
    tarvik_server_running && return 0
    (
        flock 9
        if ! tarvik_server_running; then
            wineserver -p300 </dev/null >/dev/null 2>&1 || true
            wine cmd /c exit </dev/null >/dev/null 2>&1 || true
        fi
    ) 9>"$WINEPREFIX.server.lock"
}
