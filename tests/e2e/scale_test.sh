#!/usr/bin/env bash
# Scale 2 on a 1600 x 1200 screen shows each workbench pixel as a 2 x 2 block
# and takes clicks at doubled coordinates; bad scales are refused. Idle
# processor use, and the two close keys.
# Usage: scale_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool
picture=$examples/beetle_0_nodirection_1.pcx
busy_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
close_keys=(Escape F12)

for refused in "--scale 5" "--scale=0" "CELFORGE_SCALE=big"; do
    # shellcheck disable=SC2086 # the option and its value are two words
    if [[ $refused == CELFORGE* ]]; then env "$refused" "$target"; else "$target" $refused; fi 2>"$work/said" >/dev/null
    code=$?
    ((code == 2)) && grep -q "from 1 to 4" "$work/said" || fail "$refused: exit code $code, $(cat "$work/said")"
    pass "$refused is refused with exit code 2"
done
start_display 1600x1200
fake_zenity "$picture"
for s in 1 2; do  # the first frame placed by a click on the sheet's first cell
    start_editor --scale "$s"
    check_geometry $((800 * s)) $((600 * s))
    # The click counts once the workbench runs: until the first picture is
    # taken (a loaded machine may take seconds) a press belongs to the dialog.
    wait_for 20 screen_py pixel "$DISPLAY" $((10 * s)) $((10 * s)) 230 146 58 2>/dev/null ||
        fail "the workbench did not come up at scale $s"  # WTOOLBAR's badge
    xdotool mousemove --sync $((24 * s)) $((54 * s)) click 1 sleep 0.5 mousemove --sync $((700 * s)) $((560 * s)) sleep 1
    screen_py placed "$DISPLAY" "$picture" "$s" || fail "the click at scale $s placed no frame"
    screen_py grab "$DISPLAY" "$work/scale$s.png"
    before=$(busy_ticks) && sleep 3  # at most 10% of a core: 3 s hold 0.3 s of ticks
    used_ms=$((($(busy_ticks) - before) * 1000 / $(getconf CLK_TCK)))
    ((used_ms <= 300)) || fail "the idle editor used $used_ms ms of processor in 3 s"
    pass "the idle editor used $used_ms ms of processor in 3 s"
    close_with "${close_keys[s - 1]}"
done
screen_py doubled "$work/scale1.png" "$work/scale2.png" || fail "the doubled window differs"
pass "every workbench pixel is a 2 x 2 block of its scale-1 colour"
