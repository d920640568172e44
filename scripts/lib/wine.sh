# shellcheck shell=bash
# The Windows build under Wine on a private X session (scripts/lib/xsession.sh): a fresh Wine
# prefix inside the session's temporary folder, and the program started under it.
#
# Exit code 77 is the checks' "skipped": CTest reports it as such (SKIP_RETURN_CODE).
source "$(dirname "${BASH_SOURCE[0]}")/xsession.sh"

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

# Starts $1 under Wine and waits up to 90 s for its window and 30 s more for its first frame;
# sets viewer_pid and window_id.
wine_start_viewer() {
    wine "$1" >"$e2e_dir/viewer.log" 2>&1 &
    viewer_pid=$!
    e2e_require_window 90 "$1"
    e2e_locate_client
    e2e_await_first_frame 30 0.5 || fail "no frame was drawn within 30 s of the window appearing"
    sleep 0.5
}

# Wine reads the real keyboard only: synthetic events sent to a window are dropped, so focus
# the window and type.
wine_key() {
    xdotool windowfocus --sync "$window_id" 2>/dev/null || true
    xdotool key "$1"
}

# The earlier name of e2e_window_count, kept for the checks written against it.
wine_window_count() {
    e2e_window_count
}
