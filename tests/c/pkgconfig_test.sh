#!/usr/bin/env bash
# Installs into a private prefix and builds against the installed header the
# way a game would, through pkg-config: the C test, and the example player.
# Usage: pkgconfig_test.sh <build-dir>
set -euo pipefail
build=$(realpath "$1") root=$(cd "$(dirname "$0")/../.." && pwd) work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
export PKG_CONFIG_PATH=$work/prefix/share/pkgconfig
cflags=$(pkg-config --cflags celforge-spr | xargs)
# The .pc file finds the header from where it lies, so a package under /usr works too.
[[ $(realpath "${cflags#-I}") == "$work/prefix/include" ]] || { echo "FAIL: celforge-spr.pc gives '$cflags'"; exit 1; }
cp "$root/tests/c/spr_test.c" "$work/"  # away from the source tree's include/
cc -std=c99 -Wall -Wextra -pedantic -Werror $cflags "$work/spr_test.c" -o "$work/spr_test"
"$work/spr_test" "$work/loaded.Spr"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror "$work/prefix/share/celforge/examples/spr_play.c" \
    $(pkg-config --cflags --libs celforge-spr sdl2) -o "$work/spr_play"
"$work/spr_play" 2>/dev/null && exit 1 || [[ $? == 2 ]] || { echo "FAIL: spr_play without a file"; exit 1; }
echo "PASS: the installed header builds the C test and spr_play through pkg-config"
