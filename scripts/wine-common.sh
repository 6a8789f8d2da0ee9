# Shared by the Wine wrapper and the scripts: a virtual display and a prefix.
# Expects WINEPREFIX to be set.

# Xvfb must be up before the first Wine process of a prefix: that process
# fixes the display for the prefix's lifetime.
tarvik_ensure_display() {
    export DISPLAY="${DISPLAY:-:77}"
    local n="${DISPLAY#:}"
    n="${n%%.*}"
    if [ ! -S "/tmp/.X11-unix/X$n" ]; then
        (
            flock 9
            if [ ! -S "/tmp/.X11-unix/X$n" ]; then
                setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
                for _ in $(seq 1 50); do
                    [ -S "/tmp/.X11-unix/X$n" ] && break
                    sleep 0.1
                done
            fi
        ) 9>"/tmp/.tarvik-xvfb-$n.lock"
    fi
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
    # A persistent server: without it every test waits for Wine's helpers to
    # release the caller's pipes.
    wineserver -p30 </dev/null >/dev/null 2>&1 || true
}
