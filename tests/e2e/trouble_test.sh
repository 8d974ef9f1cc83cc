#!/usr/bin/env bash
# What the README's "If something goes wrong" promises. --help works whatever
# CELFORGE_SCALE holds. A skin file that cannot be read is named on stderr.
# Signals while a dialog is up: SIGHUP and SIGTERM end zenity's dialog and
# SDL's own box (shown when zenity fails) within 2 seconds, exit code 0, and
# take the dialog off the screen. An editor started with SIGINT and SIGQUIT
# ignored, as a background job of a script is, keeps them ignored.
# Usage: trouble_test.sh <celforge-binary>
source "$(dirname "$0")/lib.sh" "$@" Xvfb xdotool xwininfo zenity

# SDL's box names its window in a way xdotool's search does not read.
top_windows() { xwininfo -root -children | sed -nE "s/^ +(0x[0-9a-f]+) \"$1\".*/\1/p"; }

# closed_by <dialog-title-regex> <signal>...: the last signal ends the editor
closed_by() {
    local dialog=$1 id
    id=$(window_id "$dialog" 30 top_windows) || fail "no window titled $dialog appeared"
    for signal in "${@:2:$#-2}"; do
        kill -"$signal" "$app_pid" && sleep 1
        alive && xwininfo -id "$id" >/dev/null 2>&1 || fail "SIG$signal was not ignored"
        pass "SIG$signal, ignored at start, leaves $dialog up"
    done
    kill -"${*: -1}" "$app_pid"
    wait_for 2 eval '! alive' || fail "SIG${*: -1} left the editor running for 2 seconds"
    ends_with_zero "SIG${*: -1} during $dialog"
    wait_for 1 eval "! xwininfo -id $id >/dev/null 2>&1" || fail "$dialog stayed on screen"
    pass "$dialog is gone"
}

CELFORGE_SCALE=big "$target" --help >"$work/said" 2>&1 && grep -q '^usage: celforge' "$work/said" ||
    fail "--help with CELFORGE_SCALE=big: $(cat "$work/said")"
pass "--help shows the help whatever CELFORGE_SCALE holds"

start_display
mkdir -p "$work/copy" && cp -r "$root/data" "$work/copy/" && rm "$work/copy/data/tv.pcx"
mkdir "$work/copy/data/tv.pcx"  # there, and unreadable even for root
from=$work/copy start_editor
closed_by 'Open PCX[^"]*' HUP
grep -q "skin file data/tv.pcx could not be read (Is a directory)" "$work/editor.log" ||
    fail "the unreadable skin file was not named"
pass "the unreadable skin file is named on stderr"
mkdir -p "$work/bin" && printf '#!/bin/sh\nexit 255\n' >"$work/bin/zenity"
chmod +x "$work/bin/zenity" && export PATH="$work/bin:$PATH"
trap '' INT QUIT  # for the editor: the script itself is never sent them
for signals in "INT QUIT TERM" "HUP"; do
    start_editor
    # shellcheck disable=SC2086 # one signal a word
    closed_by 'Error Message' $signals
done
