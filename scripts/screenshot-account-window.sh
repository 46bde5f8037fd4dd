#!/bin/bash
# Fills a fresh data directory with a year of made-up history, starts
# Tallyline on it under Xvfb and takes screenshots of the account window:
# the tip of the day it opens with, the Sessions and Performance pages at the
# design size and enlarged, and the session editor.
# Usage: scripts/screenshot-account-window.sh [OUTPUT_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALLYLINE_BUILD_DIR:-$here/build}"
out="${1:-/tmp/tallyline-account-window}"

# Waits until a window of that title is mapped; prints its id.
wait_for_window() {
    local id=""
    for _ in $(seq 1 100); do
        id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}

shot() {
    sleep 0.5
    import -window "$1" "$out/$2.png"
}

inner() {
    data="$(mktemp -d)"
    "$build/tallyline-history" --data-dir "$data" --years 1 --sessions-per-day 3 --users 1 >/dev/null
    XDG_CONFIG_HOME="$(mktemp -d)" "$build/tallyline" --data-dir "$data" --line simulated &
    pid=$!
    trap 'kill -TERM "$pid" 2>/dev/null || true' EXIT
    # The tray stands in as a small window at the top left; "Account Details"
    # is the first item of its menu, which answers once start-up is through.
    wait_for_window "Tallyline" >/dev/null
    account=""
    for _ in $(seq 1 10); do
        xdotool mousemove 50 70 click 1
        sleep 1
        xdotool mousemove 85 91 click 1
        if account="$(wait_for_window "Tallyline Account Information" 2>/dev/null)"; then break; fi
    done
    [ -n "$account" ] || { echo "the account window did not open" >&2; exit 1; }
    if tip="$(wait_for_window "Tip of the day")"; then
        shot "$tip" tip-of-the-day
        xdotool key Escape
    fi
    shot "$account" sessions-page
    xdotool key ctrl+Tab
    shot "$account" performance-page
    xdotool windowsize "$account" 1150 760
    shot "$account" performance-page-enlarged
    xdotool key ctrl+shift+Tab
    shot "$account" sessions-page-enlarged
    # A double click on the first listed session opens its editor.
    xdotool mousemove --window "$account" 80 205 click --repeat 2 --delay 80 1
    if editor="$(wait_for_window "Edit Session")"; then
        shot "$editor" session-editor
        xdotool key Escape
    fi
}

if [ "${1:-}" = "--inner" ]; then shift; out="$1"; inner; exit; fi
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inner "$out"
ls "$out"
