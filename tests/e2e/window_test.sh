#!/usr/bin/env bash
# Runs the real editor on a private X server with no window manager and checks
# its window, the close keys and how little processor an idle editor uses.
# Usage: window_test.sh <celforge-binary>
set -uo pipefail

[[ $# -eq 1 && -x $1 ]] || { echo "usage: $0 <celforge-binary>" >&2; exit 2; }
for tool in Xvfb xdotool zenity; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
binary=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"

readonly WINDOW_NAME='^Celforge_V1\.0$'
readonly FIRST_PICTURE_DIALOG='^Open PCX'
readonly MAX_IDLE_PERCENT=10

# A tiny 24-bit picture for the first-picture dialog; every byte stays below
# the run marker, so the lines need no runs at all.
write_picture() {
    /usr/bin/python3 - "$1" <<'EOF'
import struct, sys
width, height = 8, 8
header = struct.pack("<BBBBhhhhHH48sBBHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1,
                     72, 72, bytes(48), 0, 3, width, 1, 0, 0)
lines = b"".join(bytes([0x20 + 0x20 * plane] * width) for _ in range(height) for plane in range(3))
open(sys.argv[1], "wb").write(header.ljust(128, b"\0") + lines)
EOF
}

check_geometry() {
    local geometry
    geometry=$(xdotool getwindowgeometry --shell "$editor_window") || fail "no geometry"
    eval "$geometry"
    [[ $X == 0 && $Y == 0 ]] || fail "window at $X,$Y, not at 0,0"
    [[ $WIDTH == 800 && $HEIGHT == 600 ]] || fail "window is ${WIDTH}x$HEIGHT, not 800x600"
    pass "window at 0,0, 800 x 600"
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
    pass "answered the dialog $1 with $(basename "$2")"
}

# The editor as far as its frame loop: the window, then the first picture.
run_to_workbench() {  # [picture]
    start_editor
    answer_file_dialog "$FIRST_PICTURE_DIALOG" "${1:-$work/first.pcx}"
    sleep 0.5
    kill -0 "$app_pid" 2>/dev/null || fail "the editor ended after the first picture"
}

busy_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }

check_idle_cpu() {
    sleep 1
    local ticks_before start ticks_after elapsed_ms percent
    ticks_before=$(busy_ticks)
    start=$(date +%s%N)
    sleep 3
    ticks_after=$(busy_ticks)
    elapsed_ms=$((($(date +%s%N) - start) / 1000000))
    percent=$(((ticks_after - ticks_before) * 100000 / $(getconf CLK_TCK) / elapsed_ms))
    ((percent <= MAX_IDLE_PERCENT)) || fail "idle editor used $percent% of a core"
    pass "idle editor used $percent% of a core over ${elapsed_ms} ms"
}

# close_with <key>: the key must end the editor with exit code 0.
close_with() {
    xdotool windowfocus --sync "$editor_window" 2>/dev/null
    xdotool key "$1"
    for _ in $(seq 50); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    ended_with_zero "$1"
}

# check_placed <picture>: the sheet's first cell on screen must show the
# picture's top-left corner, each channel cut to the display's 5-6-5 bits.
# The click focused the sheet pane, whose outline covers the cell's first
# column and row.
check_placed() {
    /usr/bin/python3 - "$1" "$DISPLAY" <<'EOF' || fail "the placed frame is not on screen"
import sys
from PIL import Image, ImageGrab
picture = Image.open(sys.argv[1]).convert("RGB")
screen = ImageGrab.grab(xdisplay=sys.argv[2]).convert("RGB")
for y in range(1, picture.size[1]):
    for x in range(1, picture.size[0]):
        want = picture.getpixel((x, y))
        got = screen.getpixel((x, 30 + y))
        cut = (want[0] & 0xF8, want[1] & 0xFC, want[2] & 0xF8)
        if any(abs(g - c) > 7 for g, c in zip(got, cut)):
            print(f"first differing pixel at ({x}, {y}): expected {cut}, got {got}")
            sys.exit(1)
EOF
    pass "the placed frame shows the picture's corner"
}

# Clicks the marked cell (the sheet's first), then moves off the sheet.
place_first_frame() {
    xdotool mousemove --sync 24 54 click 1
    sleep 0.5
    xdotool mousemove --sync 700 560
    sleep 0.5
}

start_display
write_picture "$work/first.pcx"

run_to_workbench "$root/examples/beetle_0_nodirection_1.pcx"
place_first_frame
check_placed "$root/examples/beetle_0_nodirection_1.pcx"
close_with Escape

run_to_workbench
check_geometry
close_with Escape

run_to_workbench
check_idle_cpu
close_with F12

echo "all window checks passed"
