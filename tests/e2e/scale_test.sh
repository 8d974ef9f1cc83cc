#!/usr/bin/env bash
# The editor at scale 1 and 2 on a 1600 x 1200 private X server: the big
# window shows every workbench pixel as a 2 x 2 block of the small one's
# colour, and a click at doubled coordinates places a frame. Bad scales are
# refused with exit code 2.
# Usage: scale_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool
picture=$examples/beetle_0_nodirection_1.pcx

refused() {  # <words on stderr> <command...>
    "${@:2}" >/dev/null 2>"$work/refused.log"
    local code=$?
    ((code == 2)) && grep -qF "$1" "$work/refused.log" ||
        fail "$* exited with $code: $(cat "$work/refused.log")"
    pass "${*:2} is refused with exit code 2"
}
run_at() {  # <scale>: places the first frame by a click, saves the screen
    local s=$1
    start_editor --scale "$s"
    check_geometry $((800 * s)) $((600 * s))
    sleep 1
    xdotool mousemove --sync $((24 * s)) $((54 * s)) click 1 sleep 0.5 mousemove --sync $((700 * s)) $((560 * s)) sleep 1
    screen_py placed "$DISPLAY" "$picture" "$s" || fail "the click at scale $s placed no frame"
    screen_py grab "$DISPLAY" "$work/scale$s.png"
    close_with Escape
}

refused "from 1 to 4" "$target" --scale 5
refused "from 1 to 4" "$target" --scale=0
refused "CELFORGE_SCALE" env CELFORGE_SCALE=big "$target"
start_display 1600x1200
fake_zenity "$picture"
run_at 1
run_at 2
screen_py doubled "$work/scale1.png" "$work/scale2.png" || fail "the doubled window differs"
pass "every workbench pixel is a 2 x 2 block of its scale-1 colour"
