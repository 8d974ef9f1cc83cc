#!/usr/bin/env bash
# The short road: the beetle's 36 pictures from one dialog, placed with one
# Shift+click, their directions marked with Ctrl+D, frozen and saved; the file
# equals celforge-spr's build of the same pictures.
# Usage: queue_road_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool
pictures=("$examples"/beetle_[0-8]_*_[1-4].pcx)
((${#pictures[@]} == 36)) || fail "expected the beetle's 36 pictures, found ${#pictures[@]}"
chosen=$(printf '%s//' "${pictures[@]}")  # the separator the editor gives zenity
# Every dialog is answered at once: the open dialog with all 36 (in the shell's
# order, not the frames'), the save dialog with a name, boxes with OK.
mkdir -p "$work/bin"
cat >"$work/bin/zenity" <<END
#!/bin/sh
case "\$*" in
*--multiple*) printf '%s\n' '${chosen%//}' ;;
*--save*) echo '$work/beetle.Spr' ;;
esac
END
chmod +x "$work/bin/zenity" && export PATH="$work/bin:$PATH"

start_display
start_editor
sleep 1
focus_editor
xdotool mousemove --sync 24 54 keydown shift sleep 0.2 mousedown 1 sleep 0.15 mouseup 1 sleep 0.2 keyup shift
press_at 740 470  # Animate mode
focus_editor
xdotool key ctrl+d
sleep 0.3
freeze
save_answered "$work/beetle.Spr"
dirs=()
for d in 0_nodirection 1_left 2_leftup 3_up 4_rightup 5_right 6_rightdown 7_down 8_leftdown; do
    dirs+=(--dir "${d#*_}=$(ls "$examples"/beetle_${d}_*.pcx | paste -sd,)")
done
same_as_cli "$work/beetle.Spr" --size 48x48 "${dirs[@]}"
close_by_click
