#!/usr/bin/env bash
# The whole road: frames placed and marked, a single sprite written, the freeze,
# the save, the closing screen; both files equal celforge-spr's builds.
# Usage: sprite_road_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
idle=("$examples"/beetle_0_nodirection_{1..4}.pcx)
left=("$examples"/beetle_1_left_{1..4}.pcx)

press_at() {  # <x> <y> ...: some buttons are seen only while down, so a press spans frames
    while (($#)); do xdotool mousemove --sync "$1" "$2" mousedown 1 sleep 0.15 mouseup 1 sleep 0.15 && shift 2; done
}
cell() { echo $((($1 - 1) % 29 * 48 + 24)) $((($1 - 1) / 29 * 48 + 54)); }  # 29 cells of 48 to a row
place() {  # <picture>: opened through the Open button, placed in the next cell
    if ((cell > 1)); then
        press_at 700 300  # the picture pane takes the focus; the button a click at once
        xdotool mousemove --sync 649 17 click 1
        answer '^Already Working Image Size Fixed' "$1"
    fi
    press_at $(cell "$cell")
    cell=$((cell + 1))
}
mark_range() {  # <button x> <button y> <first cell> <last cell>: confirmed with Space while held
    press_at "$1" "$2"
    xdotool mousemove --sync $(cell "$3") mousedown 1 sleep 0.2 mousemove --sync $(cell "$4") \
        sleep 0.2 key space sleep 0.2 mouseup 1 sleep 0.2
}
same_as_cli() {  # <written file> <celforge-spr build arguments...>
    "$(dirname "$target")/celforge-spr" build -o "$work/cli.Spr" "${@:2}" >/dev/null 2>&1 &&
        cmp "$1" "$work/cli.Spr" || fail "$1 differs from celforge-spr build ${*:2}"
    pass "$(basename "$1") equals celforge-spr's build, byte for byte"
}
join() { local IFS=,; echo "$*"; }

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
press_at 628 470 317 551  # Place mode, the freeze
answer '^동작을 확인합니다$'
# Saving is refused with a box until the freeze has gathered every strip.
for _ in $(seq 20); do
    press_at 100 15
    box=$(window_id '^Save Sprite\.\.\.Good Luck|^Fuck you!$' 20) || continue
    [[ $(xdotool getwindowname "$box") == Save* ]] && break
    answer '^Fuck you!$'
    sleep 0.5
done
answer '^Save Sprite\.\.\.Good Luck' "$work/beetle.Spr"
answer '^Output Infomation$'
same_as_cli "$work/beetle.Spr" --size 48x48 --dir "nodirection=$(join "${idle[@]}")" --dir "left=$(join "${left[@]}")"

for _ in $(seq 50); do alive && press_at 400 300; done  # the closing screen takes a click after its first frames
ends_with_zero "a click on the closing screen"
