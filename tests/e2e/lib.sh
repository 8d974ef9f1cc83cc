# shellcheck shell=bash
# Helpers shared by the end-to-end scripts: a private X server with no window
# manager, the editor started from the repository root, and bounded waits for
# its windows. The sourcing script sets root, binary, work, WINDOW_NAME and
# the pids app_pid and xvfb_pid ("" until started).

stop() {  # pid: asks politely, then insists
    local pid=$1
    [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
}
cleanup() {
    stop "$app_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
pass() { echo "PASS: $*"; }
fail() {
    echo "FAIL: $*"
    if [[ -n ${DISPLAY:-} ]]; then
        echo "  windows on the display:"
        for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            echo "    $w \"$(xdotool getwindowname "$w" 2>/dev/null)\""
        done
    fi
    [[ -s $work/editor.log ]] && { echo "  editor output:"; grep -v dconf "$work/editor.log" | tail -n 15 | sed 's/^/    /'; }
    exit 1
}
start_display() {  # [screen size, 1024x768 unless told]
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
    # A bare session has no settings daemon and no accessibility bus.
    export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
    pass "Xvfb runs on display $DISPLAY"
}
# window_id <name-regex> <seconds>: waits for a visible window with that name.
window_id() {
    local id
    for _ in $(seq $(($2 * 10))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [[ -n $id ]] && { echo "$id"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
window_gone() {  # <window-id> <seconds>
    for _ in $(seq $(($2 * 10))); do
        xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
start_editor() {  # [editor arguments]
    (cd "$root" && exec "$binary" "$@") >"$work/editor.log" 2>&1 &
    app_pid=$!
    editor_window=$(window_id "$WINDOW_NAME" 15) || fail "no window named Celforge_V1.0 appeared"
    pass "the window Celforge_V1.0 appeared"
}
trap cleanup EXIT

# ended_with_zero <what>: the editor must have ended, with exit code 0.
ended_with_zero() {
    kill -0 "$app_pid" 2>/dev/null && fail "$1 did not end the editor"
    wait "$app_pid"
    local code=$?
    app_pid=""
    ((code == 0)) || fail "$1 ended the editor with exit code $code"
    pass "$1 ends the editor with exit code 0"
}
