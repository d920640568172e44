#!/usr/bin/env bash
# Started with no display, or with one that cannot be reached, the viewer says so in one line on
# stderr and exits 1 at once, before it takes the single-instance guard: a copy started right
# after on a real display shows its window.
source "$(dirname "$0")/lib.sh"
e2e_start_display

check_refusal() { # $1: what the start lacked; the rest: env arguments for the start
    local what=$1 code=0 started
    shift
    started=$(date +%s%N)
    timeout 10 env "$@" "$TESSARINE" >"$e2e_dir/refused.out" 2>"$e2e_dir/refused.err" || code=$?
    local took_ms=$((($(date +%s%N) - started) / 1000000))
    ((code == 1)) || fail "$what: exit status $code, expected 1"
    ((took_ms < 3000)) || fail "$what: took $took_ms ms to give up"
    [[ ! -s "$e2e_dir/refused.out" ]] || fail "$what: wrote to stdout: $(cat "$e2e_dir/refused.out")"
    (($(wc -l <"$e2e_dir/refused.err") == 1)) || fail "$what: not one line on stderr: $(cat "$e2e_dir/refused.err")"
    grep -q 'display' "$e2e_dir/refused.err" && grep -q 'Xvfb' "$e2e_dir/refused.err" ||
        fail "$what: the line names no cause or remedy: $(cat "$e2e_dir/refused.err")"
}
check_refusal "no display" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
check_refusal "an unreachable display" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:65000
grep -q ':65000' "$e2e_dir/refused.err" || fail "the unreachable display is not named"

e2e_start_viewer # fails unless a window shows: the refused starts left no guard behind
echo "no display: ok"
