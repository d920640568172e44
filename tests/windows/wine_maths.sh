#!/usr/bin/env bash
# geometry/'s operations against D3DX 9's under Wine (maths_crosscheck.exe prints the largest
# difference per operation and fails on any beyond its limit).
source "$(dirname "$0")/../../scripts/lib/wine.sh"
: "${MATHS_CROSSCHECK:?path of maths_crosscheck.exe}"
wine_require "$MATHS_CROSSCHECK"
wine_start_session
wine "$MATHS_CROSSCHECK" || fail "geometry/ disagrees with D3DX 9"
