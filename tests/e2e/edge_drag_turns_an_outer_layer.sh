#!/usr/bin/env bash
# A drag pressed on the front vertical edge of the start view, at (320, 280), and released on the
# +Z side at (380, 300), turns a layer of one of the two sides that meet there: the front layer
# about Z (code +3) or the +X layer the other way about X (code -1). A press picked on a face inside
# the cube turned the +X layer the wrong way (+1).
source "$(dirname "$0")/lib.sh"
e2e_start

# The press reads the cursor when it is handled, so the cursor waits on the edge until it has been
# (a loaded machine may take a while), then moves in steps to the release point.
e2e_move 320 280
sleep 0.2
xdotool mousedown 1
sleep 0.6
for i in $(seq 1 8); do
    e2e_move $((320 + 60 * i / 8)) $((280 + 20 * i / 8))
    sleep 0.03
done
sleep 0.3
xdotool mouseup 1
colour() {
    # shellcheck disable=SC2046
    e2e_colour_at "$e2e_dir/turned.png" $(e2e_project "$1" "$2" "$3")
}
# +3 brings the -X side's orange onto the top's front row and the top's white onto the +X side's
# front column; -1 brings the top's white onto the +Z side's right column and the back's colour
# onto the top's right column; +1 would bring the +Z side's yellow onto the top's right column.
front_turned() { [[ $(colour 0 3 2) == orange && $(colour 3 0 2) == white ]]; }
right_turned() {
    local top_right
    top_right=$(colour 2 3 0)
    [[ $(colour 2 0 3) == white && $top_right != white && $top_right != yellow ]]
}
sleep 0.8
for _ in $(seq 1 20); do
    e2e_screenshot "$e2e_dir/turned.png"
    front_turned || right_turned && break
    sleep 0.25
done
sleep 0.3 # past the commit, if the turn was caught in its last frames
e2e_screenshot "$e2e_dir/turned.png"
if ! front_turned && ! right_turned; then
    fail "neither outer layer turned: top front row $(colour 0 3 2), +X front column $(colour 3 0 2)," \
        "+Z right column $(colour 2 0 3), top right column $(colour 2 3 0)"
fi
[[ $(colour 0 0 3) == yellow ]] || fail "+Z centre shows $(colour 0 0 3)"
[[ $(colour -2 3 -2) == white ]] || fail "back of the top face changed: $(colour -2 3 -2)"
echo "edge drag turns an outer layer: ok ($(front_turned && echo front layer, +3 || echo right layer, -1))"
