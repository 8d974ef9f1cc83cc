# shellcheck shell=bash
# Shared by the end-to-end scripts, sourced with the script's argument and the
# tools it needs: a private X server with no window manager, bounded waits.
set -uo pipefail
[[ -e ${1:-} ]] || { echo "usage: $0 <celforge-binary | build-dir>" >&2; exit 2; }
target=$(realpath "$1")
for tool in "${@:2}"; do command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }; done
/usr/bin/python3 -c 'import PIL' 2>/dev/null || { echo "SKIP: no python3-pil"; exit 77; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
examples=$root/examples
work=$(mktemp -d)
app_pid="" xvfb_pid=""

# wait_for <seconds> <command...>: true once the command succeeds
wait_for() { for _ in $(seq $(($1 * 10))); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
stop() { [[ -n $1 ]] && kill "$1" 2>/dev/null && { wait_for 2 eval "! kill -0 $1 2>/dev/null" || kill -9 "$1" 2>/dev/null; }; }
trap 'stop "$app_pid"; stop "$xvfb_pid"; rm -rf "$work"' EXIT
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; grep -sv dconf "$work/editor.log" | tail -n 15 | sed 's/^/  editor: /'; exit 1; }
alive() { kill -0 "$app_pid" 2>/dev/null; }
screen_py() { /usr/bin/python3 "$root/tests/e2e/screen.py" "$@"; }
start_display() {  # [screen size]
    # -noreset: the server would reset whenever its last client left, and
    # an editor started in that moment finds no display.
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$work/display")"
    unset WAYLAND_DISPLAY
    wait_for 10 eval 'xdotool getdisplaygeometry >/dev/null 2>&1' || fail "Xvfb does not answer"
}
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
window_id() {  # <name-regex> <seconds> [finder]: a window's id, while the editor runs
    for _ in $(seq $(($2 * 10))); do
        "${3:-visible_windows}" "$1" | head -n 1 | grep . && return 0
        alive || return 1
        sleep 0.1
    done
    return 1
}
start_editor() {  # [editor arguments]: runs ${editor:-$target} from ${from:-$root}
    # Sessions of this start only, unless $state_home is set: one left by an
    # earlier start would ask to be restored.
    starts=$((${starts:-0} + 1))
    export XDG_STATE_HOME=${state_home:-$work/state-$starts}
    # Sanitized: no GL framebuffer, dummy sound, no leak check (see tests/lsan.supp).
    ldd "${editor:-$target}" | grep -q libasan && export SDL_FRAMEBUFFER_ACCELERATION=0 SDL_AUDIODRIVER=dummy
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
    (cd "${from:-$root}" && exec "${editor:-$target}" "$@") >"$work/editor.log" 2>&1 &
    app_pid=$!
    editor_window=$(window_id '^Celforge_V1\.0$' 30) || fail "no window named Celforge_V1.0 appeared"
}
fake_zenity() {  # <picture>: every dialog answers with it, every box with OK or Yes (logged)
    mkdir -p "$work/bin" && printf '#!/bin/sh\necho "$*" >>"%s"\necho "%s"\n' "$work/zenity.log" "$1" >"$work/bin/zenity"
    chmod +x "$work/bin/zenity" && export PATH="$work/bin:$PATH"
}
focus_editor() { xdotool windowfocus --sync "$editor_window" 2>/dev/null; sleep 0.2; }
answer() {  # <title-regex> [path]: types the path into a file dialog, or accepts a box
    local id
    id=$(window_id "$1" 30) || fail "no window titled $1 appeared"
    xdotool windowfocus --sync "$id" 2>/dev/null
    sleep 0.3
    if [[ -n ${2:-} ]]; then
        xdotool key --clearmodifiers ctrl+l && sleep 0.5 && xdotool type --delay 15 "$2" && sleep 0.5
    fi
    xdotool key Return
    wait_for 10 eval "! xdotool getwindowname $id >/dev/null 2>&1" || fail "$1 did not close"
    focus_editor  # nobody hands the focus back when a dialog closes
}
check_geometry() {  # <width> <height>
    eval "$(xdotool getwindowgeometry --shell "$editor_window")"
    [[ $X == 0 && $Y == 0 && $WIDTH == "$1" && $HEIGHT == "$2" ]] ||
        fail "window is ${WIDTH}x$HEIGHT at $X,$Y, not $1x$2 at 0,0"
    pass "window at 0,0, $1 x $2"
}
ends_with_zero() {  # <what>
    wait_for 20 eval '! alive' || fail "$1 did not end the editor"
    wait "$app_pid"
    local code=$?
    app_pid=""
    ((code == 0)) || fail "$1 ended the editor with exit code $code"
    pass "$1 ends the editor with exit code 0"
}
close_with() { focus_editor; xdotool key "$1"; ends_with_zero "$1"; }
# The workbench's own steps, shared by the roads.
press_at() {  # <x> <y> ...: some buttons are seen only while down, so a press spans frames
    while (($#)); do xdotool mousemove --sync "$1" "$2" mousedown 1 sleep 0.15 mouseup 1 sleep 0.15 && shift 2; done
}
cell() { echo $((($1 - 1) % 29 * 48 + 24)) $((($1 - 1) / 29 * 48 + 54)); }  # 29 cells of 48 to a row
join() { local IFS=,; echo "$*"; }
workbench_up() { wait_for 20 screen_py pixel "$DISPLAY" 10 10 230 146 58 2>/dev/null || fail "the workbench did not come up"; }
place() {  # <picture>: opened through the Open button, placed in cell $cell, which moves on
    if ((cell > 1)); then
        press_at 700 300  # the picture pane takes the focus; the button a click at once
        xdotool mousemove --sync 649 17 click 1
        answer '^Already Working Image Size Fixed' "$1"
    fi
    press_at $(cell "$cell")
    cell=$((cell + 1))
}
mark_range() {  # <button x> <button y> <first cell> <last cell>: confirmed with Space while held
    press_at "$1" "$2"
    xdotool mousemove --sync $(cell "$3") mousedown 1 sleep 0.2 mousemove --sync $(cell "$4") \
        sleep 0.2 key space sleep 0.2 mouseup 1 sleep 0.2
}
freeze() { press_at 628 470 317 551; }  # Place mode, the freeze
save_in_dialogs() {  # <file>: after the freeze's box, Save is refused with a box until every strip is in
    answer '^동작을 확인합니다$'
    for _ in $(seq 20); do
        press_at 100 15
        box=$(window_id '^Save Sprite\.\.\.Good Luck|^Fuck you!$' 20) || continue
        [[ $(xdotool getwindowname "$box") == Save* ]] && break
        answer '^Fuck you!$'
        sleep 0.5
    done
    answer '^Save Sprite\.\.\.Good Luck' "$1"
    answer '^Output Infomation$'
}
save_answered() {  # <file>: with every box answered at once, Save pressed until the file is there
    for _ in $(seq 40); do [[ -s $1 ]] && return 0; press_at 100 15; sleep 0.5; done
    fail "no sprite was saved"
}
same_as_cli() {  # <written file> <celforge-spr build arguments...>
    "$(dirname "$target")/celforge-spr" build -o "$work/cli.Spr" "${@:2}" >/dev/null 2>&1 &&
        cmp "$1" "$work/cli.Spr" || fail "$1 differs from celforge-spr build ${*:2}"
    pass "$(basename "$1") equals celforge-spr's build, byte for byte"
}
close_by_click() {  # the closing screen takes a click after its first frames
    for _ in $(seq 50); do alive && press_at 400 300; done
    ends_with_zero "a click on the closing screen"
}
