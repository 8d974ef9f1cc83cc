#!/usr/bin/env bash
# The work as one whole: pictures queued from the command line, two placed, two
# more dragged onto the window while a box is up (they join when it goes),
# kill -9 and a restore that brings back the count and the frames, then the
# rest placed, Ctrl+D, Freeze and Save: each direction holds its own pictures.
# Usage: work_road_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null || { echo "SKIP: no gir1.2-gtk-3.0"; exit 77; }
state_home=$work/state  # both starts
names=(a_left_1 a_left_2 a_left_3 b_right_1 b_right_2 b_right_3)
# 48 x 48, a different pattern each, in colours 5-6-5 holds exactly.
/usr/bin/python3 - "$work" "${names[@]}" <<'END'
import sys
from PIL import Image
for k, name in enumerate(sys.argv[2:]):
    picture = Image.new("RGB", (48, 48))
    picture.putdata([((x * 5 + k * 40) & 0xF8, (y * 5 + k * 30) & 0xFC, ((x + y) * 3 + k * 50) & 0xF8)
                     for y in range(48) for x in range(48)])
    picture.save(f"{sys.argv[1]}/{name}.png")
END
echo "not a picture" >"$work/notes.png"
# Open… answers with notes.png; a box stays up while $work/hold exists.
mkdir -p "$work/bin"
cat >"$work/bin/zenity" <<END
#!/bin/sh
echo "\$*" >>"$work/zenity.log"
case "\$*" in
*--save*) echo '$work/walk.Spr' ;;
*--file-selection*) echo '$work/notes.png' ;;
*) while [ -e '$work/hold' ]; do sleep 0.1; done ;;
esac
END
chmod +x "$work/bin/zenity" && export PATH="$work/bin:$PATH"

count_is() {  # <count> <when>
    wait_for 5 eval "[[ \$(screen_py count $DISPLAY) == $1 ]]" || fail "the count is $(screen_py count "$DISPLAY"), not $1, $2"
}
frames_shown() {  # <first cell> <last cell>
    for ((c = $1; c <= $2; c++)); do
        wait_for 5 screen_py placed "$DISPLAY" "$work/${names[c - 1]}.png" 1 $((48 * (c - 1))) 2>/dev/null ||
            fail "cell $c does not show ${names[c - 1]}"
    done
}

start_display
start_editor "$work"/{a_left_1,a_left_2,a_left_3,b_right_1}.png
workbench_up
count_is 3 "with four pictures given"
for c in 1 2; do
    press_at $((48 * c - 24)) 54
    count_is $((3 - c)) "after $c placed"
done
frames_shown 1 2
pass "two placed from the queue, the count 3, 2, 1"

touch "$work/hold"
press_at 700 300 && xdotool mousemove --sync 649 17 click 1  # Open…, answered with notes.png
wait_for 20 grep -q "^--info.*cannot be read as a picture" "$work/zenity.log" || fail "no box refused notes.png"
/usr/bin/python3 "$root/tests/e2e/drag_source.py" 880 650 "$work"/b_right_{3,2}.png &
drag=$(window_id '^drag source$' 20) || fail "the drag source did not show"
xdotool mousemove --sync 920 690 mousedown 1 sleep 0.2 mousemove --sync 910 680 sleep 0.2 \
    mousemove --sync 850 600 sleep 0.2 mousemove --sync 700 300 sleep 0.2 mousemove --sync 702 302 sleep 0.3 mouseup 1
wait_for 10 eval "! xdotool getwindowname $drag >/dev/null 2>&1" || fail "the drag did not end"
rm "$work/hold"  # the box was up all through the drag
count_is 3 "after the box, with the two dropped"
pass "two files dropped while a box was up join the queue after it"

kill -9 "$app_pid" && wait "$app_pid" 2>/dev/null
app_pid="" && : >"$work/zenity.log"
start_editor
workbench_up
grep -q "Restore the unsaved work of .*: 2 frames" "$work/zenity.log" || fail "no restore box: $(cat "$work/zenity.log")"
count_is 3 "after the restore"
frames_shown 1 2
pass "after kill -9 and Yes, the count and the two frames are back"

focus_editor
xdotool mousemove --sync 120 54 keydown shift sleep 0.2 mousedown 1 sleep 0.15 mouseup 1 sleep 0.2 keyup shift
count_is 0 "after Shift+click"
frames_shown 3 6
press_at 740 470 && focus_editor && xdotool key ctrl+d sleep 0.3
freeze
save_answered "$work/walk.Spr"
same_as_cli "$work/walk.Spr" --size 48x48 --dir "left=$(join "$work"/a_left_{1..3}.png)" \
    --dir "right=$(join "$work"/b_right_{1..3}.png)"
pass "Ctrl+D, Freeze and Save: Left holds a_left_1..3, Right b_right_1..3"
