#!/usr/bin/env bash
# The same scenes drawn by the Linux build's frame tool (our software Direct3D 9 and D3DX 9)
# and by the Windows build's under Wine (the real interfaces, Wine's implementation), compared
# pixel by pixel. Below the floor the Linux layer draws something a user would see differ.
#
# Prints per scene the PSNR in dB, the largest difference of one channel (0..255) and the share
# of pixels differing by more than 32 in some channel; keeps both pictures and their difference
# in REFERENCE_OUT (or the temporary folder) to look at.
source "$(dirname "$0")/../../scripts/lib/wine.sh"
: "${TESSARINE_FRAME:?path of the Linux tessarine-frame}"
: "${TESSARINE_FRAME_WINE:?path of tessarine-frame-wine.exe}"
wine_require "$TESSARINE_FRAME_WINE"
psnr_floor=${PSNR_FLOOR:-30}

out=${REFERENCE_OUT:-$e2e_dir/frames}
mkdir -p "$out"
wine_start_session

scenes=(
    "start|"
    "turns|--turn 3,0 --turn -1,2 --turn 2,8 --turn 1,0"
    "mid_turn|--turn 3,0 --mid-turn 2,0,6"
    "orbited|--orbit 60,0 --orbit 0,-40"
    "zoom7|--zoom 7"
    "zoom30|--zoom 30"
)

status=0
printf '%-10s %9s %8s %10s\n' scene "PSNR dB" "max diff" "px > 32"
for scene in "${scenes[@]}"; do
    name=${scene%%|*}
    read -r -a options <<<"${scene#*|}"
    "$TESSARINE_FRAME" --out "$out/$name.linux.png" "${options[@]}" >"$e2e_dir/$name.linux.log" 2>&1 ||
        fail "the Linux frame tool failed on $name: $(cat "$e2e_dir/$name.linux.log")"
    # A Windows program reads "/x" as a folder on its current drive: give it a name relative to
    # the working folder, which Wine maps to the Unix one.
    (cd "$out" && wine "$TESSARINE_FRAME_WINE" --out "$name.wine.png" "${options[@]}") >"$e2e_dir/$name.wine.log" 2>&1 ||
        fail "the Windows frame tool failed on $name under Wine: $(cat "$e2e_dir/$name.wine.log")"
    psnr=$(compare -metric PSNR "$out/$name.linux.png" "$out/$name.wine.png" null: 2>&1 || true)
    convert "$out/$name.linux.png" "$out/$name.wine.png" -compose difference -composite \
        "png:$out/$name.diff.png"
    max=$(convert "$out/$name.diff.png" -format '%[fx:int(255*maxima+0.5)]' info:)
    far=$(convert "$out/$name.diff.png" -separate -evaluate-sequence max -threshold 12.5% \
        -format '%[fx:100*mean]' info:)
    printf '%-10s %9s %8s %9.2f%%\n' "$name" "$psnr" "$max" "$far"
    if [[ $psnr != inf ]] && ! awk -v p="$psnr" -v f="$psnr_floor" 'BEGIN { exit !(p + 0 >= f) }'; then
        echo "FAIL: $name is $psnr dB from the Wine reference, below $psnr_floor dB" >&2
        status=1
    fi
done
echo "pictures in $out"
exit $status
