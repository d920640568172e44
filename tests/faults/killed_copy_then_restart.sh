#!/usr/bin/env bash
# A copy of the viewer killed outright (SIGKILL: no clean-up of its own runs) must not leave the
# single-instance guard behind: a new copy starts normally, shows its window, and quits with 0.
source "$(dirname "$0")/../e2e/lib.sh"
e2e_start

first=$viewer_pid
kill -KILL "$first"
wait "$first" 2>/dev/null || true
viewer_pid=""
for _ in $(seq 1 50); do
    (($(e2e_window_count) == 0)) && break
    sleep 0.1
done

e2e_start_viewer
sleep 1
kill -0 "$viewer_pid" 2>/dev/null || fail "the new copy ended instead of running"
count=$(e2e_window_count)
((count == 1)) || fail "$count windows titled Tessarine"
e2e_screenshot "$e2e_dir/restarted.png"
# shellcheck disable=SC2046
[[ $(e2e_colour_at "$e2e_dir/restarted.png" $(e2e_project 3 0 0)) == red ]] ||
    fail "the new copy does not show the cube"
e2e_key Escape
e2e_wait_exit 10
code=$exit_code
[[ "$code" == 0 ]] || fail "the new copy's Escape gave $code"
echo "killed copy then restart: ok"
