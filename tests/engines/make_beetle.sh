#!/usr/bin/env bash
# Builds the bundled beetle (48 x 48, four frames in each of the nine
# directions) into $2 with celforge-spr $1; sourced by the engine checks.
make_beetle() {
  local spr=$1 out=$2 examples dirs=() d
  examples="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../examples" && pwd)"
  for d in 0_nodirection 1_left 2_leftup 3_up 4_rightup 5_right 6_rightdown 7_down 8_leftdown; do
    dirs+=(--dir "${d#*_}=$(ls "$examples"/beetle_"$d"_*.pcx | paste -sd,)")
  done
  "$spr" build -o "$out" --size 48x48 --key 255,0,255 "${dirs[@]}" > /dev/null
}
# The options every engine check exports with: frames 96 x 96 in slots of
# 98 (extruded by 1) every 100 pixels, 4 to a line and 4 lines to a page, so
# the nine directions fill pages 0 and 1 and the first line of page 2.
ENGINE_EXPORT_OPTIONS=(--scale 2 --padding 2 --extrude 1 --max-size 400
                       --pivot 24,40 --pivot left=12,47 --delay 80 --delay up=40)
