#!/usr/bin/env bash
# The first dialog answered in zenity itself, idle processor use, the close keys
# (the window's size and a placed frame: scale_test.sh).
# Usage: window_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool zenity
picture=$examples/beetle_0_nodirection_1.pcx
busy_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }

start_display
start_editor
answer '^Open PCX' "$picture"
sleep 2
before=$(busy_ticks)
sleep 3  # at most 10% of a core: 3 s hold 0.3 s of ticks
used_ms=$((($(busy_ticks) - before) * 1000 / $(getconf CLK_TCK)))
((used_ms <= 300)) || fail "the idle editor used $used_ms ms of processor in 3 s"
pass "the idle editor used $used_ms ms of processor in 3 s"
close_with Escape

start_editor
answer '^Open PCX' "$picture"
close_with F12
