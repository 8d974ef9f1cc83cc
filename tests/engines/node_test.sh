#!/usr/bin/env bash
# The atlas form read by spine-core's TextureAtlas, and the paged hash form by
# PixiJS 7's and 8's Spritesheet, in Debian's Node.js. The packages are
# installed once into NODE-FOLDER (build/engines/node, which every build
# folder shares) and kept there.
# Usage: node_test.sh CELFORGE-SPR WORK-FOLDER NODE-FOLDER
set -euo pipefail
spr=$1 work=$2 modules=$3
here="$(cd "$(dirname "$0")" && pwd)"
packages=(@esotericsoftware/spine-core@4.3.13 pixi7@npm:pixi.js@7.4.3 pixi8@npm:pixi.js@8.22.0)
if ! command -v node > /dev/null || ! command -v npm > /dev/null; then
  echo "SKIP: node and npm are not installed (apt-get install nodejs npm)"
  exit 77
fi
mkdir -p "$modules"
if [ "$(cat "$modules/installed" 2>/dev/null)" != "${packages[*]}" ]; then
  (cd "$modules" && [ -f package.json ] || echo '{"private": true}' > package.json)
  if ! (cd "$modules" && timeout 300 npm install --no-audit --no-fund --silent "${packages[@]}"); then
    echo "SKIP: npm could not install ${packages[*]}"
    exit 77
  fi
  echo "${packages[*]}" > "$modules/installed"
fi
source "$here/make_beetle.sh"
rm -rf "$work" && mkdir -p "$work"
make_beetle "$spr" "$work/beetle.Spr"
for form in "--format atlas" "--json $work/sheet.json"; do
  # shellcheck disable=SC2086
  "$spr" export "$work/beetle.Spr" -o "$work/sheet.png" $form "${ENGINE_EXPORT_OPTIONS[@]}" > /dev/null
done
cp "$here/node_check.mjs" "$modules/"
node "$modules/node_check.mjs" "$work"
