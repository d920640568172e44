#!/usr/bin/env bash
# A left drag along the front row of the top face turns the front layer so that the dragged
# stickers move along the drag; a right drag orbits the camera.
source "$(dirname "$0")/lib.sh"
e2e_start

# shellcheck disable=SC2046
read -r px0 py0 <<<"$(e2e_project -2 3 2)"
read -r px1 py1 <<<"$(e2e_project 2 3 2)"
e2e_drag 1 "$px0" "$py0" "$px1" "$py1"
colour() {
    # shellcheck disable=SC2046
    e2e_colour_at "$e2e_dir/turned.png" $(e2e_project "$1" "$2" "$3")
}
# 16 frames of animation and the commit: 0.3 s, or longer in a slow (sanitizer) build.
sleep 0.8
for _ in $(seq 1 20); do
    e2e_screenshot "$e2e_dir/turned.png"
    [[ $(colour 0 3 2) == orange ]] && break
    sleep 0.25
done
sleep 0.3  # past the commit, if the turn was caught in its last frames
e2e_screenshot "$e2e_dir/turned.png"
[[ $(colour 0 3 2) == orange ]] || fail "top front row shows $(colour 0 3 2), expected orange from the -X side"
[[ $(colour 3 0 2) == white ]] || fail "+X side's front column shows $(colour 3 0 2), expected white from the top"
[[ $(colour 3 0 0) == red ]] || fail "+X centre moved: $(colour 3 0 0)"
[[ $(colour 0 0 3) == yellow ]] || fail "+Z centre changed: $(colour 0 0 3)"
[[ $(colour -2 3 -2) == white ]] || fail "back of the top face changed: $(colour -2 3 -2)"

# Right drag from empty space: the whole view turns.
e2e_drag 3 100 400 220 400
sleep 0.3
e2e_screenshot "$e2e_dir/orbited.png"
changed=$(e2e_diff_count "$e2e_dir/turned.png.client.png" "$e2e_dir/orbited.png.client.png")
((changed > 5000)) || fail "a right drag changed only $changed pixels"
echo "drag turns and orbits: ok"
