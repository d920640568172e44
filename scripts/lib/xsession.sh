# shellcheck shell=bash
# The program on a private X session, driven as a user drives it: a private Xvfb and login
# (XDG_RUNTIME_DIR, HOME), the viewer started under it, waiting for its window and first frame,
# finding the client area, real input through xdotool and screenshots through ImageMagick.
# Used by the end-to-end, fault, soak and Windows checks (through tests/e2e/lib.sh) and by the
# measuring scripts. Everything is made in one temporary folder, $e2e_dir, and cleaned up on
# exit (E2E_KEEP=1 keeps it). The functions keep the e2e_ prefix wherever they are used.
set -euo pipefail

# Sourced once per shell, even when both tests/e2e/lib.sh and scripts/lib/wine.sh bring it in.
if [[ -n "${e2e_dir:-}" ]]; then
    return 0
fi

e2e_dir=$(mktemp -d)
viewer_pid=""
xvfb_pid=""

e2e_cleanup() {
    if [[ -n "$viewer_pid" ]] && kill -0 "$viewer_pid" 2>/dev/null; then
        kill -KILL "$viewer_pid" 2>/dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [[ -z "${E2E_KEEP:-}" ]]; then rm -rf "$e2e_dir"; else echo "kept $e2e_dir"; fi
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -s "$e2e_dir/viewer.log" ]]; then
        echo "--- the viewer's output:" >&2
        tail -n 20 "$e2e_dir/viewer.log" >&2
    fi
    exit 1
}

# Starts a private Xvfb and a private login for the viewer. E2E_SCREEN (WxHxD) sets its screen.
e2e_start_display() {
    # Xvfb chooses the display number itself (-displayfd) and tells it only once it listens.
    # A number chosen here could not be trusted: servers of other logins or containers that share
    # the network namespace hold abstract sockets no lock file here shows, and a client would
    # connect to such a stranger's server while ours had failed to start, until it went away.
    # -noreset: by default the server resets whenever its last client leaves, and drops every
    # client still connecting meanwhile; an xdotool search ending while the viewer connects
    # would end the viewer with "could not connect to display". -ardelay: a loaded machine may
    # hold a scripted key down past the server's autorepeat delay, and one F1 would switch twice.
    local number_file="$e2e_dir/display-number" i
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp -noreset -ardelay 60000 3>"$number_file" >"$e2e_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for i in $(seq 1 200); do
        (($(wc -l <"$number_file") > 0)) && break # the number is written with its newline at once
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    local number
    number=$(head -n 1 "$number_file")
    if [[ ! $number =~ ^[0-9]+$ ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        fail "no X display could be started: $(cat "$e2e_dir/xvfb.log")"
    fi
    export DISPLAY=":$number"
    export XDG_RUNTIME_DIR="$e2e_dir/run"
    export HOME="$e2e_dir/home"
    mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# Empty while our X server runs; else a note that it ended, and its log.
e2e_display_state() {
    kill -0 "$xvfb_pid" 2>/dev/null || printf ' (the X server on %s had ended: %s)' "$DISPLAY" "$(cat "$e2e_dir/xvfb.log")"
}

# Count of visible windows titled Tessarine.
e2e_window_count() {
    xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null | wc -l
}

# Waits up to $1 seconds for a visible window titled Tessarine while $viewer_pid runs; sets
# window_id. Returns 0 once it shows, 1 when the viewer ended first, 2 when the time ran out.
e2e_await_window() {
    local i
    window_id=""
    for ((i = 0; i < $1 * 10; i++)); do
        window_id=$(xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null | head -n 1 || true)
        [[ -n "$window_id" ]] && return 0
        kill -0 "$viewer_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 2
}

# e2e_await_window $1, failing with the reason; $2 names what was started.
e2e_require_window() {
    local status=0
    e2e_await_window "$1" || status=$?
    case $status in
        0) ;;
        1) fail "${2:-the viewer} ended before showing its window$(e2e_display_state)" ;;
        *) fail "no window titled Tessarine appeared within $1 s$(e2e_display_state)" ;;
    esac
}

# Waits up to $1 seconds, looking every $2 (default 0.2), for the first frame: the black
# background of the view in the top-left corner of the client area, where the window showed its
# own background before. Returns 1 on time-out. Needs e2e_locate_client first.
e2e_await_first_frame() {
    local deadline=$((SECONDS + $1)) r g b
    while :; do
        e2e_screenshot "$e2e_dir/first-frame.png"
        read -r r g b <<<"$(e2e_pixel "$e2e_dir/first-frame.png" 10 10)"
        ((r < 60 && g < 60 && b < 60)) && return 0
        ((SECONDS < deadline)) || return 1
        sleep "${2:-0.2}"
    done
}

# Starts the viewer ($TESSARINE) and waits for its window and first frame; sets viewer_pid and
# window_id.
e2e_start_viewer() {
    "${TESSARINE:?path of the built viewer}" >"$e2e_dir/viewer.log" 2>&1 &
    viewer_pid=$!
    e2e_require_window 10 "the viewer"
    sleep 0.5 # a few frames
    e2e_locate_client
    # A slow build (the sanitizers) or a busy machine may take longer to show the first frame;
    # the checks that follow say what is missing if it never comes.
    e2e_await_first_frame 10 || true
}

e2e_start() {
    e2e_start_display
    e2e_start_viewer
}

# The client area is the bottom 640x480 of the top-level window (the menu bar sits above it).
e2e_locate_client() {
    eval "$(xdotool getwindowgeometry --shell "$window_id")"
    window_x=$X
    window_y=$Y
    window_w=$WIDTH
    window_h=$HEIGHT
    client_x=$((window_x + (window_w - 640) / 2))
    client_y=$((window_y + window_h - 480))
}

# Screenshot of the whole screen to $1, and of the client area to $1.client.png.
e2e_screenshot() {
    import -window root -depth 8 "png:$1"
    convert "$1" -crop "640x480+${client_x}+${client_y}" +repage "png:$1.client.png"
}

# "r g b" of the pixel at client coordinates ($2, $3) of screenshot $1 (its client crop).
e2e_pixel() {
    convert "$1.client.png" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)] %[fx:int(255*p{'"$2"','"$3"'}.g)] %[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# Moves the pointer to client coordinates.
e2e_move() {
    xdotool mousemove $((client_x + $1)) $((client_y + $2))
}

# A left (button 1) or right (button 3) drag between two client points, in steps.
e2e_drag() {
    local button=$1 x0=$2 y0=$3 x1=$4 y1=$5 steps=8 i
    e2e_move "$x0" "$y0"
    sleep 0.1
    xdotool mousedown "$button"
    for i in $(seq 1 $steps); do
        e2e_move $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
        sleep 0.03
    done
    sleep 0.1
    xdotool mouseup "$button"
}

e2e_key() {
    xdotool key --window "$window_id" "$1" 2>/dev/null || xdotool key "$1"
}

# Waits up to $1 seconds for the viewer to end; sets exit_code to its exit status, or to
# "running". Not for use in $(...): only this shell can wait for its own child.
e2e_wait_exit() {
    local i
    exit_code=running
    for i in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$viewer_pid" 2>/dev/null; then
            exit_code=0
            wait "$viewer_pid" || exit_code=$?
            viewer_pid=""
            return 0
        fi
        sleep 0.1
    done
}

# Number of differing pixels between two images.
e2e_diff_count() {
    compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Opens menu $1 ("File", "Edit" or "Help") by clicking its title and chooses item $2 with the
# keyboard. Titles are found in a screenshot of the menu bar as runs of columns holding text,
# so the caller does not depend on the font's metrics. A slow program (under memcheck) needs
# longer pauses: $3 seconds for the pop-up to open (0.4), $4 after each key (0.05), $5 after
# the choice (0.2).
e2e_menu() {
    local title=$1 item=$2 open_pause=${3:-0.4} key_pause=${4:-0.05} after=${5:-0.2} index downs
    case "$title" in File) index=1 ;; Edit) index=2 ;; Help) index=3 ;; *) fail "no menu $title" ;; esac
    case "$item" in Exit | Shuffle | About) downs=1 ;; Clear) downs=2 ;; "Full Screen(F1)") downs=3 ;; *) fail "no item $item" ;; esac
    local menu_h=$((window_h - 480)) shot="$e2e_dir/menubar.png"
    import -window root -depth 8 -crop "${window_w}x${menu_h}+${window_x}+${window_y}" +repage "png:$shot"
    local centre
    centre=$(convert "$shot" -colorspace gray -threshold 60% -negate -scale "${window_w}x1!" -depth 8 txt:- |
        awk -F'[,:() ]+' -v want="$index" '
            /^[0-9]/ { ink = ($4 > 0); x = $1
                       if (ink && !inrun) { runs++; start[runs] = x; inrun = 1 }
                       if (ink) { last[runs] = x; gap = 0 }
                       else if (inrun && ++gap > 6) inrun = 0 }
            END { if (runs >= want) print int((start[want] + last[want]) / 2); else print -1 }')
    ((centre >= 0)) || fail "menu title $title not found in the menu bar"
    xdotool mousemove $((window_x + centre)) $((window_y + menu_h / 2)) click 1
    sleep "$open_pause"
    local i
    for i in $(seq 1 "$downs"); do
        xdotool key Down
        sleep "$key_pause"
    done
    xdotool key Return
    sleep "$after"
}
