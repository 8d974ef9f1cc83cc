#!/usr/bin/env bash
# --dither in the editor: gradient frames placed, marked, frozen and saved
# give the file celforge-spr build --dither writes for them, byte for byte,
# and not the truncated one.
# Usage: dither_road_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
# Two 48 x 48 gradients through near-black and near-magenta (the second with
# its lower half changed), made here with Pillow.
/usr/bin/python3 - "$work" <<'PY' || fail "could not write the gradients"
import sys
from PIL import Image
for n in (1, 2):
    image = Image.new("RGB", (48, 48))
    image.putdata([(x * 5 + (n - 1) * 30 * (y >= 24), y * 2 + 1, 250 - x - y) for y in range(48) for x in range(48)])
    image.save("%s/gradient_%d.png" % (sys.argv[1], n))
PY
pictures=("$work/gradient_1.png" "$work/gradient_2.png" "$work/gradient_1.png")

build=(--size 48x48 --dir "nodirection=$(join "${pictures[@]}")")

start_display
start_editor --dither
answer '^Open PCX' "${pictures[0]}"
cell=1
for picture in "${pictures[@]}"; do place "$picture"; done
pass "placed three gradient frames with --dither"
screen_py grab "$DISPLAY" "$work/screen.png"
/usr/bin/python3 -c '
import sys
from PIL import Image
screen = Image.open(sys.argv[1])
ink, badge, ink2 = (screen.getpixel(p) for p in ((789, 49), (791, 49), (791, 51)))
sys.exit(ink == badge or ink != ink2)' "$work/screen.png" || fail "no checkered mark under the picture pane's count"
pass "the checkered mark shows that dithering is on"

press_at 740 470  # Animate mode: No Direction over cells 1 to 3
mark_range 230 565 1 3
freeze
save_in_dialogs "$work/dither.Spr"

same_as_cli "$work/dither.Spr" "${build[@]}" --dither
"$(dirname "$target")/celforge-spr" build -o "$work/cut.Spr" "${build[@]}" >/dev/null || fail "celforge-spr build failed"
cmp -s "$work/dither.Spr" "$work/cut.Spr" && fail "the dithered file equals the truncated build"
pass "and differs from the truncated build"

close_by_click
