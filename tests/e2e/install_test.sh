#!/usr/bin/env bash
# Installs into a private prefix: the editor started from / finds its skin, a
# copy with no data folder names both it searched; the package's dependencies.
# Usage: install_test.sh <build-dir>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool cpack dpkg-deb
prefix=$work/prefix
# cmake --install and cpack write their manifest into the build tree.
[[ -w $target ]] || { echo "SKIP: the build tree $target is not writable"; exit 77; }
cmake --install "$target" --prefix "$prefix" >"$work/said" 2>&1 || fail "cmake --install: $(cat "$work/said")"
for file in bin/celforge bin/celforge-spr share/celforge/data/{WTOOLBAR.pcx,hold.xm} share/man/man1/celforge.1 \
    share/celforge/examples/beetle_0_nodirection_1.pcx share/applications/celforge.desktop \
    share/doc/celforge/README.md share/icons/hicolor/{48x48,128x128,256x256}/apps/celforge.png; do
    [[ -s $prefix/$file ]] || fail "$file is not installed"
done
pass "program, skin, music, examples, desktop entry, icons, man page and README installed"

mkdir -p "$work/lonely/bin" && cp "$prefix/bin/celforge" "$work/lonely/bin/"
(cd / && exec "$work/lonely/bin/celforge") >/dev/null 2>"$work/said"
code=$?
((code == 1)) && grep -qF "$work/lonely/share/celforge/data" "$work/said" && grep -qx '  /data/' "$work/said" ||
    fail "without a data folder: exit code $code, $(cat "$work/said")"
pass "without a data folder the editor names both folders and exits with 1"

start_display
fake_zenity "$prefix/share/celforge/examples/beetle_0_nodirection_1.pcx"
from=/ editor=$prefix/bin/celforge start_editor
sleep 1
screen_py pixel "$DISPLAY" 10 10 230 146 58 || fail "the installed editor shows no skin"  # WTOOLBAR's badge
pass "the installed editor started from / shows its skin"
close_with Escape

cpack -G DEB --config "$target/CPackConfig.cmake" -B "$work/deb" >"$work/said" 2>&1 || fail "cpack: $(cat "$work/said")"
depends=$(dpkg-deb -I "$work"/deb/*.deb | sed -n 's/^ Depends: //p')
for package in libsdl2-2.0-0 libxmp4 libspng0 libgif7 zenity fonts-nanum; do
    [[ ", $depends," == *", $package,"* ]] || fail "the package does not depend on $package: $depends"
done
dpkg-deb -c "$work"/deb/*.deb | grep ' \./usr/share/celforge/data/WTOOLBAR\.pcx$' >/dev/null || fail "no skin packed"
pass "the package depends on $depends"
