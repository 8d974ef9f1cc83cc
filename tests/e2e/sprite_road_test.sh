#!/usr/bin/env bash
# The whole road: frames placed and marked, a single sprite written, the freeze,
# the save, the closing screen; both files equal celforge-spr's builds.
# Usage: sprite_road_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
idle=("$examples"/beetle_0_nodirection_{1..4}.pcx)
left=("$examples"/beetle_1_left_{1..4}.pcx)

start_display
start_editor
answer '^Open PCX' "${idle[0]}"
cell=1
for picture in "${idle[@]}" "${left[@]}"; do place "$picture"; done
pass "placed the idle and walk-left frames in cells 1 to 8"

press_at 684 470 520 525 210 36  # Edit mode, the single-sprite window, its Open
answer '^Open PCX\(Only 64K' "$examples/beetle_large_320x240.pcx"
press_at 370 33  # its Save
answer '^Save Single Sprite' "$work/single.Spr"
press_at 668 35
same_as_cli "$work/single.Spr" --single "$examples/beetle_large_320x240.pcx"

press_at 740 470  # Animate mode: No Direction, then Left
mark_range 230 565 1 4
mark_range 124 565 5 8
freeze
save_in_dialogs "$work/beetle.Spr"
same_as_cli "$work/beetle.Spr" --size 48x48 --dir "nodirection=$(join "${idle[@]}")" --dir "left=$(join "${left[@]}")"

close_by_click
