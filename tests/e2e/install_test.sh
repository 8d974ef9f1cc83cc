#!/usr/bin/env bash
# Installs into a private prefix: the editor started from / finds its skin, a
# copy with no data folder names both it searched; the package's dependencies.
# As a desktop sees it: the sprite type is known by name and by content, and
# the thumbnailer entry's command line makes a thumbnail.
# Usage: install_test.sh <build-dir>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool cpack dpkg-deb update-mime-database xdg-mime gio
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

update-mime-database "$prefix/share/mime" >"$work/said" 2>&1 || fail "update-mime-database: $(cat "$work/said")"
grep -q 'application/x-celforge-sprite;' "$prefix/share/applications/celforge.desktop" ||
    fail "the desktop entry does not list the sprite type"

spr=$prefix/bin/celforge-spr
"$spr" build -o "$work/walk.Spr" --size 48x48 --key 255,0,255 \
    --dir "left=$(ls "$examples"/beetle_1_left_*.pcx | paste -sd,)" >/dev/null || fail "cannot build a sprite"
cp "$work/walk.Spr" "$work/walk.bin"

# xdg-mime asks gio on GNOME; gio reads the database under XDG_DATA_HOME and XDG_DATA_DIRS.
export XDG_DATA_HOME=$prefix/share XDG_DATA_DIRS=$prefix/share:/usr/share XDG_CURRENT_DESKTOP=GNOME
export GIO_USE_VFS=local
for file in walk.Spr walk.bin; do
    type=$(xdg-mime query filetype "$work/$file" 2>&1)
    [[ $type == application/x-celforge-sprite ]] || fail "xdg-mime names $file $type"
done
pass "xdg-mime names a .Spr and a renamed one application/x-celforge-sprite"

entry=$prefix/share/thumbnailers/celforge-spr.thumbnailer
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[[ -n $exec_line ]] || fail "no Exec line in $entry"
thumbnail() {  # <size> <input> <output>: runs the Exec line as a file manager does
    local line=${exec_line//%s/$1}
    line=${line//%i/$2}
    line=${line//%o/$3}
    PATH=$prefix/bin:$PATH eval "$line"
}
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
thumbnail 128 "$work/walk.bin" "$work/thumb.png" || fail "the thumbnailer exited with $?"
[[ $(png_size "$work/thumb.png") == 96x96 ]] || fail "the thumbnail is $(png_size "$work/thumb.png"), not 96x96"
thumbnail 32 "$work/walk.Spr" "$work/small.png" && [[ $(png_size "$work/small.png") == 24x24 ]] ||
    fail "the 32-pixel thumbnail is $(png_size "$work/small.png"), not 24x24"
pass "the thumbnailer's Exec line writes the 48 x 48 frame at 96 x 96 for 128, 24 x 24 for 32"

head -c 500 "$work/walk.Spr" >"$work/cut.Spr"
thumbnail 128 "$work/cut.Spr" "$work/cut.png" 2>"$work/said"
code=$?
((code == 1)) && [[ ! -e $work/cut.png ]] || fail "a damaged file: exit $code, output $(ls "$work")"
pass "a damaged file makes no thumbnail and exits 1"
