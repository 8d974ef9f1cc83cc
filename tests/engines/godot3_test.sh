#!/usr/bin/env bash
# The Godot 3 form, loaded by Godot 3's own run-time (Debian's godot3-server):
# frame counts, regions on their pages, speeds and the scene's offsets.
# Usage: godot3_test.sh CELFORGE-SPR WORK-FOLDER
set -euo pipefail
spr=$1 work=$2
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v godot3-server > /dev/null; then
  echo "SKIP: godot3-server is not installed (apt-get install godot3-server)"
  exit 77
fi
source "$here/make_beetle.sh"
rm -rf "$work" && mkdir -p "$work/project"
make_beetle "$spr" "$work/beetle.Spr"
"$spr" export "$work/beetle.Spr" -o "$work/project/sheet.png" --format godot3 \
  "${ENGINE_EXPORT_OPTIONS[@]}" > /dev/null
cp "$here/godot3_check.gd" "$work/project/"
printf 'config_version=4\n\n[application]\n\nconfig/name="check"\n' > "$work/project/project.godot"
HOME="$work" timeout 60 godot3-server --path "$work/project" -s godot3_check.gd \
  > "$work/out.txt" 2> "$work/err.txt" || { cat "$work/out.txt" "$work/err.txt"; exit 1; }

# Worked out by hand from the options in make_beetle.sh: direction d lies on
# line d mod 4 of page d / 4 (y = 100 * line + 1), frame i at x = 100 * i + 1;
# speed 1000 / 80 = 12.5, Up's 1000 / 40 = 25; offsets are the 48,48 centre
# minus the doubled pivot: (24,40) -> (0,-32), Left's (12,47) -> (24,-46).
expected=(
  "Left frames=4 speed=12.5 loop=True sheet-0.png:(1, 101, 96, 96) sheet-0.png:(101, 101, 96, 96) sheet-0.png:(201, 101, 96, 96) sheet-0.png:(301, 101, 96, 96)"
  "Up frames=4 speed=25 loop=True sheet-0.png:(1, 301, 96, 96) sheet-0.png:(101, 301, 96, 96) sheet-0.png:(201, 301, 96, 96) sheet-0.png:(301, 301, 96, 96)"
  "RightUp frames=4 speed=12.5 loop=True sheet-1.png:(1, 1, 96, 96) sheet-1.png:(101, 1, 96, 96) sheet-1.png:(201, 1, 96, 96) sheet-1.png:(301, 1, 96, 96)"
  "LeftDown frames=4 speed=12.5 loop=True sheet-2.png:(1, 1, 96, 96) sheet-2.png:(101, 1, 96, 96) sheet-2.png:(201, 1, 96, 96) sheet-2.png:(301, 1, 96, 96)"
  "NoDirection NoDirection offset=(0, -32)"
  "Left Left offset=(24, -46)"
  "Down Down offset=(0, -32)"
)
status=0
for line in "${expected[@]}"; do
  grep -qxF "$line" "$work/out.txt" || { echo "missing: $line"; status=1; }
done
[ "$(grep -c ' frames=4 ' "$work/out.txt")" = 9 ] || { echo "expected 9 animations"; status=1; }
[ $status = 0 ] || cat "$work/out.txt"
exit $status
