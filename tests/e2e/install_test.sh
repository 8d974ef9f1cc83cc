#!/usr/bin/env bash
# Installs the build into a private prefix and checks what lands where; runs
# the installed editor from / on a private X server, where it must find its
# skin beside its own program file; runs a copy that has no data folder,
# which must name the folders it searched; and builds the Debian package,
# whose dependencies must be the runtime packages.
# Usage: install_test.sh <build-dir>
set -uo pipefail

[[ $# -eq 1 && -f $1/CPackConfig.cmake ]] || { echo "usage: $0 <build-dir>" >&2; exit 2; }
for tool in Xvfb xdotool cpack dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import PIL' 2>/dev/null || { echo "SKIP: python3-pil is not installed"; exit 77; }
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
prefix=$work/prefix
xvfb_pid=""
app_pid=""

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"

readonly WINDOW_NAME='^Celforge_V1\.0$'
readonly PICTURE=$prefix/share/celforge/examples/beetle_0_nodirection_1.pcx
# A pixel of the top tool bar's orange badge in data/WTOOLBAR.pcx.
readonly SKIN_X=10 SKIN_Y=10 SKIN_COLOUR="230 146 58"

check_installed_files() {
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log"; fail "cmake --install failed"; }
    local file
    for file in bin/celforge bin/celforge-spr share/celforge/data/WTOOLBAR.pcx \
        share/celforge/data/hold.xm share/celforge/examples/beetle_0_nodirection_1.pcx \
        share/applications/celforge.desktop share/man/man1/celforge.1 \
        share/doc/celforge/README.md; do
        [[ -s $prefix/$file ]] || fail "$file is not installed"
    done
    grep -qx 'Categories=Graphics;.*' "$prefix/share/applications/celforge.desktop" ||
        fail "the desktop entry is not in the Graphics category"
    local size
    for size in 48 128 256; do
        /usr/bin/python3 -c 'import sys; from PIL import Image
sys.exit(Image.open(sys.argv[1]).size != (int(sys.argv[2]),) * 2)' \
            "$prefix/share/icons/hicolor/${size}x$size/apps/celforge.png" "$size" ||
            fail "no $size x $size icon"
    done
    pass "program, skin, music, examples, desktop entry, icons, man page and README installed"
}

# A copy of the program with no share folder beside it, started from /.
check_lonely_copy() {
    mkdir -p "$work/lonely/bin"
    cp "$prefix/bin/celforge" "$work/lonely/bin/"
    (cd / && exec "$work/lonely/bin/celforge") >/dev/null 2>"$work/lonely.log"
    local code=$?
    ((code == 1)) || fail "without a data folder the editor exited with $code, not 1"
    grep -qF "$work/lonely/share/celforge/data" "$work/lonely.log" && grep -qx '  /data/' "$work/lonely.log" ||
        fail "the searched folders are not named: $(cat "$work/lonely.log")"
    pass "without a data folder the editor names both folders and exits with 1"
}

check_installed_editor_runs() {
    mkdir -p "$work/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "%s"\n' "$PICTURE" >"$work/bin/zenity"
    chmod +x "$work/bin/zenity"
    start_display
    (cd / && PATH="$work/bin:$PATH" exec "$prefix/bin/celforge") >"$work/editor.log" 2>&1 &
    app_pid=$!
    editor_window=$(window_id "$WINDOW_NAME" 15) || fail "the installed editor opened no window"
    sleep 1
    /usr/bin/python3 - "$DISPLAY" $SKIN_X $SKIN_Y $SKIN_COLOUR <<'PY' || fail "the installed editor shows no skin"
import sys
from PIL import ImageGrab
x, y, *want = map(int, sys.argv[2:])
got = ImageGrab.grab(xdisplay=sys.argv[1]).convert("RGB").getpixel((x, y))
if any(abs(g - w) > 7 for g, w in zip(got, want)):
    sys.exit(f"pixel ({x}, {y}) is {got}, not about {tuple(want)}")
PY
    pass "the installed editor started from / shows its skin"
    xdotool key Escape
    for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    ended_with_zero "Escape"
}

check_package() {
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; fail "cpack failed"; }
    local deb depends package
    deb=$(ls "$work"/deb/*.deb) || fail "cpack made no .deb"
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libsdl2-2.0-0 libxmp4 libspng0 libgif7 zenity fonts-nanum; do
        [[ ", $depends," == *", $package,"* ]] || fail "the package does not depend on $package: $depends"
    done
    dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb cannot list $deb"
    grep -q ' \./usr/share/celforge/data/WTOOLBAR\.pcx$' "$work/contents" ||
        fail "the package holds no skin under /usr/share/celforge/data"
    pass "$(basename "$deb") depends on $depends"
}

check_installed_files
check_lonely_copy
check_installed_editor_runs
check_package
echo "all install checks passed"
