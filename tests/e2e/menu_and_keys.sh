#!/usr/bin/env bash
# Edit > Shuffle shows the banner and turns the cube; Edit > Clear brings back the very first
# picture; F2 shows and hides the overlay; Escape ends the viewer with exit code 0.
source "$(dirname "$0")/lib.sh"
e2e_start
e2e_screenshot "$e2e_dir/first.png"

text_pixels() { # bright text-coloured pixels in client rows $2..$3 of screenshot $1
    convert "$1.client.png" -crop "640x$(($3 - $2))+0+$2" +repage \
        -fx 'r>0.9 && g>0.9 && b>0.85 ? 1 : 0' -format '%[fx:int(mean*w*h+0.5)]' info:
}

e2e_menu Edit Shuffle
sleep 1.0
e2e_screenshot "$e2e_dir/shuffling.png"
banner=$(text_pixels "$e2e_dir/shuffling.png" 458 478)
((banner > 40)) || fail "no shuffle banner ($banner text pixels in rows 458..478)"
changed=$(e2e_diff_count "$e2e_dir/first.png.client.png" "$e2e_dir/shuffling.png.client.png")
((changed > 2000)) || fail "shuffling changed only $changed pixels"

e2e_menu Edit Clear
sleep 0.5
e2e_screenshot "$e2e_dir/cleared.png"
changed=$(e2e_diff_count "$e2e_dir/first.png.client.png" "$e2e_dir/cleared.png.client.png")
((changed == 0)) || fail "after Clear $changed pixels differ from the first picture"

e2e_move 600 20
e2e_key F2
sleep 0.3
e2e_screenshot "$e2e_dir/overlay.png"
((overlay = $(text_pixels "$e2e_dir/overlay.png" 0 16))) || true
((overlay > 30)) || fail "F2 shows no overlay text on the first line ($overlay pixels)"
e2e_key F2
sleep 0.3
e2e_screenshot "$e2e_dir/no-overlay.png"
changed=$(e2e_diff_count "$e2e_dir/first.png.client.png" "$e2e_dir/no-overlay.png.client.png")
((changed == 0)) || fail "F2 twice leaves $changed pixels different"

e2e_key Escape
e2e_wait_exit 5
[[ "$exit_code" == 0 ]] || fail "Escape: viewer exit status $exit_code"
echo "menu and keys: ok"
