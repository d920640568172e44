# Shared steps of the checks that run the Windows build under Wine: a private X server and login
# (from tests/e2e/lib.sh), a fresh Wine prefix inside the same temporary folder, and the
# program started under it. Source tests/e2e/lib.sh first, then this file.
#
# Exit code 77 is the checks' "skipped": CTest reports it as such (SKIP_RETURN_CODE).

# Skips the check, loudly, when Wine or the cross build is not there.
wine_require() {
    local program
    if ! command -v wine >/dev/null 2>&1; then
        echo "SKIP: wine is not installed (Debian packages wine, wine64)"
        exit 77
    fi
    for program in "$@"; do
        if [[ ! -f "$program" ]]; then
            if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
                echo "SKIP: the mingw-w64 cross compiler is not installed (g++-mingw-w64-x86-64)"
                exit 77
            fi
            fail "$program was not built (the test windows.build makes it)"
        fi
    done
}

wine_cleanup() {
    # Ends only this prefix's Wine processes: the server of WINEPREFIX and its clients.
    if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    e2e_cleanup
}

# Xvfb, a private HOME and XDG_RUNTIME_DIR, and a new prefix made by wineboot. No .NET or HTML
# engine is installed: the program needs neither, and their installers would open dialogs.
wine_start_session() {
    e2e_start_display
    trap wine_cleanup EXIT
    export WINEPREFIX="$e2e_dir/prefix"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    timeout 300 wineboot -i >"$e2e_dir/wineboot.log" 2>&1 || fail "wineboot could not make a prefix"
    # Keep the server up between the programs of one check: each start then costs a second,
    # not the server's start-up.
    wineserver -p 120 >/dev/null 2>&1 || true
}

# Starts $1 under Wine and waits up to 90 s for its window; sets viewer_pid and window_id.
wine_start_viewer() {
    local i r g b
    wine "$1" >"$e2e_dir/viewer.log" 2>&1 &
    viewer_pid=$!
    window_id=""
    for i in $(seq 1 900); do
        window_id=$(xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null | head -n 1 || true)
        [[ -n "$window_id" ]] && break
        kill -0 "$viewer_pid" 2>/dev/null || fail "$1 ended before showing its window"
        sleep 0.1
    done
    [[ -n "$window_id" ]] || fail "no window titled Tessarine appeared within 90 s"
    e2e_locate_client
    # The client shows the class's white background until the first frame is presented; a
    # frame clears to black.
    for i in $(seq 1 60); do
        e2e_screenshot "$e2e_dir/first_frame.png"
        read -r r g b <<<"$(e2e_pixel "$e2e_dir/first_frame.png" 10 10)"
        ((r + g + b < 30)) && break
        sleep 0.5
    done
    ((r + g + b < 30)) || fail "no frame was drawn within 30 s of the window appearing"
    sleep 0.5
}

# Wine reads the real keyboard only: synthetic events sent to a window are dropped, so focus
# the window and type.
wine_key() {
    xdotool windowfocus --sync "$window_id" 2>/dev/null || true
    xdotool key "$1"
}

# Count of visible windows titled Tessarine.
wine_window_count() {
    xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null | wc -l
}
