#!/usr/bin/env bash
# The example player under a private X server: the beetle's Left direction
# built into a sprite, played for a few frames; the first frame it shows is
# the first Left cell of `celforge-spr export`'s sheet, pixel for pixel, with
# the key colour's pixels showing the player's background.
# Usage: spr_play_test.sh <spr_play> <celforge-spr>
source "$(dirname "$0")/lib.sh" "$1" Xvfb xdotool
spr=$(realpath "$2")
pictures() { printf "$examples/beetle_$1_%s.pcx," 1 2 3 4; }
none=$(pictures 0_nodirection) left=$(pictures 1_left)
"$spr" build -o "$work/beetle.Spr" --size 48x48 --key 255,0,255 \
    --dir nodirection="${none%,}" --dir left="${left%,}" >"$work/said" 2>&1 || fail "build: $(cat "$work/said")"
"$spr" export "$work/beetle.Spr" -o "$work/sheet.png" >"$work/said" 2>&1 || fail "export: $(cat "$work/said")"

start_display
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # SDL's X modules; the C tests check ours
"$target" "$work/beetle.Spr" Left --frames 6 --delay 20 --first-frame "$work/shown.bmp" \
    >"$work/editor.log" 2>&1 || fail "spr_play exited with $?"
[[ -s $work/shown.bmp ]] || fail "spr_play saved no first frame"
pass "spr_play played six frames of Left"

# Row 1 of the sheet is Left (row 0 No Direction); the background is 0x304050.
/usr/bin/python3 - "$work/sheet.png" "$work/shown.bmp" <<'PY' || fail "the first frame shown differs from the export"
import sys
from PIL import Image
sheet = Image.open(sys.argv[1]).convert("RGBA").crop((0, 48, 48, 96))
shown = Image.open(sys.argv[2]).convert("RGB")
assert shown.size == (48, 48), shown.size
keyed = 0
for y in range(48):
    for x in range(48):
        r, g, b, a = sheet.getpixel((x, y))
        want = (0x30, 0x40, 0x50) if a == 0 else (r, g, b)
        keyed += a == 0
        if shown.getpixel((x, y)) != want:
            sys.exit(f"at {x},{y}: shown {shown.getpixel((x, y))}, exported {want}")
assert 0 < keyed < 48 * 48, keyed
print(f"PASS: the first frame shown is the exported Left 0, {keyed} key pixels transparent")
PY
