# shellcheck shell=bash
# Shared steps of the end-to-end tests, and of the fault, soak and Windows checks: the private X
# session of scripts/lib/xsession.sh (Xvfb, login, the viewer, its window and client area,
# input, screenshots), plus what needs the test probe (tests/e2e/probe.cpp): where a world point
# shows under the start camera and which sticker colour a pixel shows.
# Every test sources this file and calls e2e_start; everything is cleaned up on exit.
set -euo pipefail

: "${TESSARINE:?path of the built viewer}"
: "${E2E_PROBE:?path of the e2e probe}"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/xsession.sh"

# Client pixel of a world point under the start camera: "x y".
e2e_project() {
    "$E2E_PROBE" project "$@"
}

# Whether colour "r g b" is close to the reference r g b (each channel within $5 or 40).
e2e_near() {
    local got=($1) tolerance=${5:-40}
    local dr=$((got[0] - $2)) dg=$((got[1] - $3)) db=$((got[2] - $4))
    ((dr < 0)) && dr=$((-dr))
    ((dg < 0)) && dg=$((-dg))
    ((db < 0)) && db=$((-db))
    ((dr <= tolerance && dg <= tolerance && db <= tolerance))
}

# Sticker colour name shown at client pixel ($2, $3) of screenshot $1.
e2e_colour_at() {
    # shellcheck disable=SC2046
    "$E2E_PROBE" classify $(e2e_pixel "$1" "$2" "$3")
}
