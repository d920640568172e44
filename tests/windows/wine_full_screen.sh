#!/usr/bin/env bash
# The Windows build under Wine switching to full screen and back (F1, F2, F1) on a screen of
# exactly 640x480, so that the switch needs no mode change. It is the reference for the Linux
# build: in full screen the window's menu bar lies over the top rows of the picture, with the
# overlay and the cube below it; F2 shows the overlay; F1 brings the window back.
export E2E_SCREEN=640x480x24
source "$(dirname "$0")/../e2e/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
: "${TESSARINE_WINE:?path of tessarine-wine.exe}"
wine_require "$TESSARINE_WINE"
wine_start_session

text_pixels() { # bright text-coloured pixels in rows $2..$3 of screenshot $1
    convert "$1" -crop "640x$(($3 - $2))+0+$2" +repage \
        -fx 'r>0.9 && g>0.9 && b>0.85 ? 1 : 0' -format '%[fx:int(mean*w*h+0.5)]' info:
}
screen() { import -window root -depth 8 "png:$1"; }
# Waits until two screenshots half a second apart agree (Wine switches slowly on a busy machine).
screen_settled() {
    local i
    screen "$1"
    for i in $(seq 1 40); do
        sleep 0.5
        cp "$1" "$e2e_dir/previous.png"
        screen "$1"
        [[ $(e2e_diff_count "$e2e_dir/previous.png" "$1") == 0 ]] && return 0
    done
}

wine_start_viewer "$TESSARINE_WINE"
wine_key F1
sleep 2
window_id=$(xdotool search --onlyvisible --name '^Tessarine$' | head -n 1)
screen_settled "$e2e_dir/full.png"
kill -0 "$viewer_pid" 2>/dev/null || fail "the program ended on F1: $(cat "$e2e_dir/viewer.log")"
# The menu bar over the top rows: light, with dark text; the picture below it black at the edge.
bar=$(convert "$e2e_dir/full.png" -crop 640x17+0+1 +repage -colorspace gray -format '%[fx:int(100*mean)]' info:)
((bar > 50)) || fail "full screen: no light menu bar over the top rows (mean $bar%)"
read -r r g b <<<"$(convert "$e2e_dir/full.png" -format '%[fx:int(255*p{5,60}.r)] %[fx:int(255*p{5,60}.g)] %[fx:int(255*p{5,60}.b)]' info:)"
((r + g + b < 30)) || fail "full screen: the picture's background at (5, 60) is $r $g $b, not black"

wine_key F2
screen_settled "$e2e_dir/full-overlay.png"
overlay=$(text_pixels "$e2e_dir/full-overlay.png" 20 100)
((overlay > 30)) || fail "full screen: F2 shows no overlay text below the menu bar ($overlay pixels)"

wine_key F1
sleep 2
screen_settled "$e2e_dir/back.png"
kill -0 "$viewer_pid" 2>/dev/null || fail "the program ended on the way back: $(cat "$e2e_dir/viewer.log")"
window_id=$(xdotool search --onlyvisible --name '^Tessarine$' | head -n 1)
[[ -n "$window_id" ]] || fail "no window after the way back"

wine_key Escape
e2e_wait_exit 30
[[ $exit_code == 0 ]] || fail "Escape did not end the program with code 0 (got: $exit_code)"
echo "wine full screen: ok"
