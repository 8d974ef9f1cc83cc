#!/usr/bin/env bash
# Drives the real editor on a private X server along the whole road: places
# the beetle's idle and walk-left frames, marks both runs in Animate mode,
# writes a one-frame sprite from a big picture through the single-sprite
# window, freezes, saves through the save dialog and leaves through the
# closing screen. Both written files must equal, byte for byte, the files
# built here straight from the pictures.
# Usage: sprite_road_test.sh <celforge-binary>
set -uo pipefail

[[ $# -eq 1 && -x $1 ]] || { echo "usage: $0 <celforge-binary>" >&2; exit 2; }
for tool in Xvfb xdotool zenity; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import PIL' 2>/dev/null || { echo "SKIP: python3-pil is not installed"; exit 77; }
binary=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
examples=$root/examples
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"

readonly WINDOW_NAME='^Celforge_V1\.0$'
readonly FIRST_PICTURE_DIALOG='^Open PCX'
readonly NEXT_PICTURE_DIALOG='^Already Working Image Size Fixed'
readonly SINGLE_OPEN_DIALOG='^Open PCX\(Only 64K'
readonly SINGLE_SAVE_DIALOG='^Save Single Sprite'
readonly SAVE_DIALOG='^Save Sprite\.\.\.Good Luck'
readonly FREEZE_QUESTION='^동작을 확인합니다$'
readonly NOT_FROZEN_BOX='^Fuck you!$'
readonly REPORT_BOX='^Output Infomation$'
readonly SPRITE=48
readonly WORK_TOP=30
readonly SHEET_COLUMNS=$((1400 / SPRITE))

# With no window manager nobody hands the focus back when a dialog closes,
# and the editor draws no frames while it is without focus.
focus_editor() {
    xdotool windowfocus --sync "$editor_window" 2>/dev/null
    sleep 0.2
}

# answer_file_dialog <title-regex> <path>: types the path into the dialog.
answer_file_dialog() {
    local dialog
    dialog=$(window_id "$1" 20) || fail "no dialog titled $1 appeared"
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key --clearmodifiers ctrl+l
    sleep 0.5
    xdotool type --delay 15 "$2"
    sleep 0.5
    xdotool key Return
    window_gone "$dialog" 10 || fail "the dialog $1 did not close"
    focus_editor
}

# answer_box <title-regex>: accepts a message box or question with Return.
answer_box() {
    local box
    box=$(window_id "$1" 20) || fail "no box titled $1 appeared"
    xdotool windowfocus --sync "$box" 2>/dev/null
    sleep 0.3
    xdotool key Return
    window_gone "$box" 10 || fail "the box $1 did not close"
    focus_editor
}

# press_at <x> <y>: the editor polls its buttons once a frame, and some only
# look at a button that is still down, so the press spans a few frames.
press_at() {
    xdotool mousemove --sync "$1" "$2" mousedown 1
    sleep 0.15
    xdotool mouseup 1
    sleep 0.15
}

cell_x() { echo $(((($1 - 1) % SHEET_COLUMNS) * SPRITE + SPRITE / 2)); }
cell_y() { echo $(((($1 - 1) / SHEET_COLUMNS) * SPRITE + SPRITE / 2 + WORK_TOP)); }

place_frame() {  # <cell>
    press_at "$(cell_x "$1")" "$(cell_y "$1")"
}

# open_and_place <picture> <cell>: focus the picture pane, click the right
# tool bar's Open button (an immediate click, as a touchpad tap sends it),
# choose the picture and click the marked cell.
open_and_place() {
    press_at 700 300
    xdotool mousemove --sync 649 17 click 1
    answer_file_dialog "$NEXT_PICTURE_DIALOG" "$1"
    place_frame "$2"
}

place_run() {  # <first-cell> <pictures...>
    local cell=$1
    shift
    for picture in "$@"; do
        if ((cell == 1)); then
            place_frame 1
        else
            open_and_place "$picture" "$cell"
        fi
        cell=$((cell + 1))
    done
}

# mark_range <button-x> <button-y> <first-cell> <last-cell>: presses the
# direction's button, then presses on the first cell, drags to the last and
# confirms with Space while the button is still held.
mark_range() {
    press_at "$1" "$2"
    xdotool mousemove --sync "$(cell_x "$3")" "$(cell_y "$3")" mousedown 1
    sleep 0.2
    xdotool mousemove --sync "$(cell_x "$4")" "$(cell_y "$4")"
    sleep 0.2
    xdotool key space
    sleep 0.2
    xdotool mouseup 1
    sleep 0.2
}

# The mode bar's buttons, below the picture pane.
press_place_mode() { press_at 628 470; }
press_edit_mode() { press_at 684 470; }
press_animate_mode() { press_at 740 470; }

# Saving asks again until the freeze has gathered every strip; before that
# the editor refuses with a box.
save_animation() {  # <path>
    local dialog
    for _ in $(seq 20); do
        press_at 100 15
        if dialog=$(window_id "$SAVE_DIALOG|$NOT_FROZEN_BOX" 10); then
            if [[ $(xdotool getwindowname "$dialog") =~ $SAVE_DIALOG ]]; then
                answer_file_dialog "$SAVE_DIALOG" "$1"
                answer_box "$REPORT_BOX"
                return 0
            fi
            answer_box "$NOT_FROZEN_BOX"
            sleep 0.5
        fi
    done
    fail "the save dialog never came after the freeze"
}

write_single_sprite() {  # <picture> <path>
    press_edit_mode
    press_at 520 525
    press_at 210 36
    answer_file_dialog "$SINGLE_OPEN_DIALOG" "$1"
    press_at 370 33
    answer_file_dialog "$SINGLE_SAVE_DIALOG" "$2"
    press_at 668 35
}

# The closing screen takes a click only after its first frames.
leave_through_closing_screen() {
    for _ in $(seq 50); do
        kill -0 "$app_pid" 2>/dev/null || break
        press_at 400 300
    done
    ended_with_zero "a click on the closing screen"
}

# same_as_cli <written> <celforge-spr build arguments...>: the command-line
# tool builds the same sprite from the same pictures, byte for byte.
same_as_cli() {
    local written=$1
    shift
    "$(dirname "$binary")/celforge-spr" build -o "$work/cli.Spr" "$@" >/dev/null 2>&1 ||
        fail "celforge-spr build $* failed"
    cmp "$written" "$work/cli.Spr" || fail "$written differs from celforge-spr build $*"
}

join() { local IFS=,; echo "$*"; }

start_display
idle=("$examples"/beetle_0_nodirection_{1..4}.pcx)
left=("$examples"/beetle_1_left_{1..4}.pcx)

start_editor
answer_file_dialog "$FIRST_PICTURE_DIALOG" "${idle[0]}"
place_run 1 "${idle[@]}"
place_run 5 "${left[@]}"
pass "placed the idle and walk-left frames in cells 1 to 8"

write_single_sprite "$examples/beetle_large_320x240.pcx" "$work/single.Spr"
same_as_cli "$work/single.Spr" --single "$examples/beetle_large_320x240.pcx"
pass "the single sprite equals celforge-spr's, byte for byte"

press_animate_mode
mark_range 230 565 1 4  # No Direction
mark_range 124 565 5 8  # Left
pass "marked cells 1-4 as No Direction and 5-8 as Left"

press_place_mode
press_at 317 551
answer_box "$FREEZE_QUESTION"
save_animation "$work/beetle.Spr"
same_as_cli "$work/beetle.Spr" --size 48x48 --dir "nodirection=$(join "${idle[@]}")" \
    --dir "left=$(join "${left[@]}")"
pass "the saved sprite equals celforge-spr's build of the same pictures, byte for byte"

leave_through_closing_screen
echo "all sprite road checks passed"
