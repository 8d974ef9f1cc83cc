#!/usr/bin/env bash
# The real editor on a private X server: its window, a placed frame on
# screen, the close keys and how little processor it uses while idle.
# Usage: window_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
picture=$examples/beetle_0_nodirection_1.pcx

busy_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
check_idle_cpu() {  # at most 10% of a core over 3 s
    sleep 1
    local before start percent
    before=$(busy_ticks) start=$(date +%s%N)
    sleep 3
    percent=$((($(busy_ticks) - before) * 100000 / $(getconf CLK_TCK) / (($(date +%s%N) - start) / 1000000)))
    ((percent <= 10)) || fail "the idle editor used $percent% of a core"
    pass "the idle editor used $percent% of a core"
}

start_display
start_editor
pass "the window Celforge_V1.0 appeared"
check_geometry 800 600
answer '^Open PCX' "$picture"
sleep 0.5
xdotool mousemove --sync 24 54 click 1 sleep 0.5 mousemove --sync 700 560 sleep 0.5
screen_py placed "$DISPLAY" "$picture" 1 || fail "the placed frame is not on screen"
pass "the frame placed in the first cell shows on screen"
check_idle_cpu
close_with Escape

start_editor
answer '^Open PCX' "$picture"
close_with F12
