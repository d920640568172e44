#!/usr/bin/env bash
# The window appears with a 640x480 client area under its menu bar and shows the solved cube;
# a second copy started meanwhile ends at once with 0 and shows no window of its own.
source "$(dirname "$0")/lib.sh"
e2e_start

((window_w == 640)) || fail "client width: window is $window_w wide"
((window_h > 480 && window_h < 560)) || fail "window height $window_h: no menu bar above 480 rows?"

e2e_screenshot "$e2e_dir/start.png"
check_colour() {
    local got
    # shellcheck disable=SC2046
    got=$(e2e_colour_at "$e2e_dir/start.png" $(e2e_project "$2" "$3" "$4"))
    [[ "$got" == "$1" ]] || fail "sticker at ($2, $3, $4) shows $got, expected $1"
}
check_colour red 3 0 0         # +X side, left on screen
check_colour yellow 0 0 3      # +Z side, right
check_colour white -2 3 -2     # +Y side, top
check_colour white 2 3 2
[[ $(e2e_colour_at "$e2e_dir/start.png" 10 10) == dark ]] || fail "background is not black"

# The menu bar holds text: some of its pixels differ from its background.
menu_h=$((window_h - 480))
convert "$e2e_dir/start.png" -crop "640x${menu_h}+${window_x}+${window_y}" +repage "$e2e_dir/menu.png"
colours=$(convert "$e2e_dir/menu.png" -format '%k' info:)
((colours > 2)) || fail "menu bar shows no text ($colours colours)"

"$TESSARINE" >"$e2e_dir/second.log" 2>&1 &
second=$!
for _ in $(seq 1 50); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second copy is still running after 5 s"
code=0
wait "$second" || code=$?
((code == 0)) || fail "the second copy exited with $code"
count=$(e2e_window_count)
((count == 1)) || fail "$count windows titled Tessarine"
kill -0 "$viewer_pid" 2>/dev/null || fail "the first copy ended"
echo "window and single instance: ok"
