#!/usr/bin/env bash
# The Windows executable under Wine, on the real Direct3D 9 and D3DX 9: its window, one copy per
# login, the cube it draws, a drag that turns the top layer, and Escape ending it with code 0.
#
# TESSARINE is tessarine.exe as shipped. Wine 8's D3DX decodes 4-bit bitmaps wrongly (it reads
# their packed pixels as 8-bit indices), so that build's stickers show garbage under Wine; the
# colour checks run on TESSARINE_WINE, the same program linked with the sticker bitmap stored
# at 24 bits, which every D3DX turns into the same A8R8G8B8 texture.
source "$(dirname "$0")/../e2e/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
: "${TESSARINE_WINE:?path of tessarine-wine.exe}"
wine_require "$TESSARINE" "$TESSARINE_WINE"
wine_start_session

colour() {
    # shellcheck disable=SC2046
    e2e_colour_at "$1" $(e2e_project "$2" "$3" "$4")
}

# --- the executable as shipped: window, single instance, something drawn, Escape.
wine_start_viewer "$TESSARINE"
[[ $(xdotool getwindowname "$window_id") == Tessarine ]] || fail "window title is not Tessarine"
e2e_screenshot "$e2e_dir/shipped.png"
for point in "3 0 0" "0 0 3" "-2 3 -2"; do
    # shellcheck disable=SC2086
    read -r r g b <<<"$(e2e_pixel "$e2e_dir/shipped.png" $(e2e_project $point))"
    ((r + g + b > 30)) || fail "nothing is drawn at the sticker at $point"
done

first_pid=$viewer_pid
wine "$TESSARINE" >"$e2e_dir/second.log" 2>&1 &
viewer_pid=$!
e2e_wait_exit 30
[[ $exit_code == 0 ]] || fail "a second copy did not end with 0 while the first ran (got: $exit_code)"
(($(e2e_window_count) == 1)) || fail "a second window appeared"
viewer_pid=$first_pid
kill -0 "$viewer_pid" 2>/dev/null || fail "the first copy ended when the second started"

wine_key Escape
e2e_wait_exit 30
[[ $exit_code == 0 ]] || fail "Escape did not end the program with code 0 (got: $exit_code)"

# --- the same program with the 24-bit bitmap: sticker colours and a layer turn.
wine_start_viewer "$TESSARINE_WINE"
e2e_screenshot "$e2e_dir/start.png"
[[ $(colour "$e2e_dir/start.png" 3 0 0) == red ]] || fail "+X side shows $(colour "$e2e_dir/start.png" 3 0 0), expected red"
[[ $(colour "$e2e_dir/start.png" 0 0 3) == yellow ]] || fail "+Z side shows $(colour "$e2e_dir/start.png" 0 0 3), expected yellow"
[[ $(colour "$e2e_dir/start.png" -2 3 -2) == white ]] || fail "top shows $(colour "$e2e_dir/start.png" -2 3 -2), expected white"

read -r px0 py0 <<<"$(e2e_project -2 3 2)"
read -r px1 py1 <<<"$(e2e_project 2 3 2)"
e2e_drag 1 "$px0" "$py0" "$px1" "$py1"
# 16 drawn frames and the commit. When a frame takes longer than a tick (Wine on a busy
# machine), the loop draws only every sixth tick, so the turn may take seconds: wait until two
# screenshots half a second apart agree.
e2e_screenshot "$e2e_dir/turned.png"
for _ in $(seq 1 40); do
    sleep 0.5
    cp "$e2e_dir/turned.png.client.png" "$e2e_dir/before.png"
    e2e_screenshot "$e2e_dir/turned.png"
    [[ $(e2e_diff_count "$e2e_dir/before.png" "$e2e_dir/turned.png.client.png") == 0 ]] && break
done
[[ $(colour "$e2e_dir/turned.png" 0 3 2) == orange ]] || fail "top front row shows $(colour "$e2e_dir/turned.png" 0 3 2), expected orange"
[[ $(colour "$e2e_dir/turned.png" 3 0 2) == white ]] || fail "+X side's front column shows $(colour "$e2e_dir/turned.png" 3 0 2), expected white"
[[ $(colour "$e2e_dir/turned.png" 3 0 0) == red ]] || fail "+X centre changed: $(colour "$e2e_dir/turned.png" 3 0 0)"

wine_key Escape
e2e_wait_exit 30
[[ $exit_code == 0 ]] || fail "Escape did not end the program with code 0 (got: $exit_code)"
echo "wine viewer: ok"
