#!/usr/bin/env bash
# Work survives a SIGKILL: three frames placed, the editor killed, started
# again and the restore box answered Yes: the three frames are on screen and
# Ctrl+Z takes the third away.
# Usage: session_restore_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool
picture=$examples/beetle_0_nodirection_1.pcx
state_home=$work/state  # both starts

workbench_up() {  # WTOOLBAR's badge
    wait_for 20 screen_py pixel "$DISPLAY" 10 10 230 146 58 2>/dev/null || fail "the workbench did not come up"
}
frames_shown() {  # <count>: cells 1 to count hold the picture
    for ((c = 0; c < $1; c++)); do
        wait_for 5 screen_py placed "$DISPLAY" "$picture" 1 $((48 * c)) 2>/dev/null ||
            fail "cell $((c + 1)) does not show the picture"
    done
}

start_display
fake_zenity "$picture"
start_editor
workbench_up
for c in 0 1 2; do xdotool mousemove --sync $((48 * c + 24)) 54 click 1 sleep 0.5; done
xdotool mousemove --sync 700 560 sleep 0.5
frames_shown 3
pass "three frames placed"
kill -9 "$app_pid" && wait "$app_pid" 2>/dev/null
app_pid=""
: >"$work/zenity.log"

start_editor
workbench_up
grep -q "Restore the unsaved work of .*: 3 frames, 0 directions marked?" "$work/zenity.log" ||
    fail "no restore box: $(cat "$work/zenity.log")"
! grep -q "This is first Open" "$work/zenity.log" || fail "the first picture was asked for after a restore"
frames_shown 3
pass "after SIGKILL and Yes, the three frames are back"
focus_editor
xdotool key ctrl+z sleep 0.5
frames_shown 2
! screen_py placed "$DISPLAY" "$picture" 1 96 2>/dev/null || fail "Ctrl+Z left the third frame"
pass "Ctrl+Z removes the third frame"
close_with Escape
