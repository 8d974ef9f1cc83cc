#!/usr/bin/env bash
# The window, a placed frame on screen, idle processor use, the close keys.
# Usage: window_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
picture=$examples/beetle_0_nodirection_1.pcx
busy_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }

start_display
start_editor
check_geometry 800 600
answer '^Open PCX' "$picture"
sleep 0.5
xdotool mousemove --sync 24 54 click 1 sleep 0.5 mousemove --sync 700 560 sleep 0.5
screen_py placed "$DISPLAY" "$picture" 1 || fail "the placed frame is not on screen"
pass "the frame placed in the first cell shows on screen"
sleep 1
before=$(busy_ticks)
sleep 3  # at most 10% of a core: 3 s hold 0.3 s of ticks
used_ms=$((($(busy_ticks) - before) * 1000 / $(getconf CLK_TCK)))
((used_ms <= 300)) || fail "the idle editor used $used_ms ms of processor in 3 s"
pass "the idle editor used $used_ms ms of processor in 3 s"
close_with Escape

start_editor
answer '^Open PCX' "$picture"
close_with F12
