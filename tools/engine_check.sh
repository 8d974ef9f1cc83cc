#!/usr/bin/env bash
# Draws celforge-spr's exports in the engines that need a browser: Phaser 3
# and 4 (the Aseprite form) and PixiJS 7 and 8 (the paged hash form), in
# Debian's headless chromium. Prints one RESULT line per check; exits 1 when
# one failed. The engines are installed with npm into build/engines/browser.
#   tools/engine_check.sh [CELFORGE-SPR]    (default build/test/celforge-spr)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
spr=$(realpath "${1:-build/test/celforge-spr}")
modules=$root/build/engines/browser work=$root/build/engines/browser_work
packages=(phaser3@npm:phaser@3.90.0 phaser4@npm:phaser@4.2.1 pixi7@npm:pixi.js@7.4.3
          pixi8@npm:pixi.js@8.22.0)
for tool in chromium node npm python3; do
  command -v "$tool" > /dev/null || { echo "engine_check: $tool is missing (apt-get install $tool)"; exit 2; }
done
mkdir -p "$modules"
if [ "$(cat "$modules/installed" 2>/dev/null)" != "${packages[*]}" ]; then
  [ -f "$modules/package.json" ] || echo '{"private": true}' > "$modules/package.json"
  (cd "$modules" && npm install --no-audit --no-fund --silent "${packages[@]}")
  echo "${packages[*]}" > "$modules/installed"
fi

source tests/engines/make_beetle.sh
rm -rf "$work" && mkdir -p "$work/pages"
make_beetle "$spr" "$work/beetle.Spr"
"$spr" export "$work/beetle.Spr" -o "$work/ase.png" --json "$work/ase.json" --format aseprite \
  --scale 2 > /dev/null
"$spr" export "$work/beetle.Spr" -o "$work/pages/sheet.png" --json "$work/pages/sheet.json" \
  "${ENGINE_EXPORT_OPTIONS[@]}" > /dev/null
cp tests/engines/phaser_check.html tests/engines/pixi_check.html "$work/"
ln -s "$modules/node_modules" "$work/node_modules"

port=$((20000 + RANDOM % 20000))
python3 tests/engines/check_server.py "$work" "$port" &
server=$!
trap 'kill $server 2> /dev/null || true' EXIT
sleep 1

# Each page POSTs its RESULT lines when done; the browser is ended then.
status=0
for page in phaser_check.html?v=3 phaser_check.html?v=4 pixi_check.html?v=7 pixi_check.html?v=8; do
  profile=$(mktemp -d)
  rm -f "$work/result.txt"
  timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$profile" \
    --use-angle=swiftshader --enable-unsafe-swiftshader \
    "http://127.0.0.1:$port/$page" > /dev/null 2>&1 &
  browser=$!
  for _ in $(seq 180); do
    [ -s "$work/result.txt" ] && break
    kill -0 $browser 2> /dev/null || break
    sleep 0.5
  done
  kill $browser 2> /dev/null || true
  wait $browser 2> /dev/null || true
  rm -rf "$profile"
  if [ ! -s "$work/result.txt" ]; then
    echo "RESULT FAIL $page gave no result"
    status=1
    continue
  fi
  cat "$work/result.txt"
  if grep -q 'RESULT FAIL' "$work/result.txt"; then status=1; fi
done
exit $status
