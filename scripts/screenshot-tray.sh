#!/bin/bash
# Starts Tallyline under Xvfb (a desktop without a system tray, so its menu
# window stands in for the icon), opens the menu and takes a screenshot.
# Usage: scripts/screenshot-tray.sh DATA_DIR [OUTPUT.png]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALLYLINE_BUILD_DIR:-$here/build}"
data="${1:?usage: $0 DATA_DIR [OUTPUT.png]}"
out="${2:-/tmp/tallyline-tray-menu.png}"

inner() {
    XDG_CONFIG_HOME="$(mktemp -d)" "$build/tallyline" --data-dir "$data" --line simulated &
    pid=$!
    sleep 4
    # The window sits at the top left without a window manager; its Menu button is below the text.
    xdotool mousemove 50 70 click 1
    sleep 1.5
    import -window root "$out"
    xdotool key Escape
    kill -TERM "$pid"
    wait "$pid"
}
if [ "${1:-}" = "--inner" ]; then shift; data="$1"; out="$2"; inner; exit; fi
xvfb-run -a -s "-screen 0 800x600x24" "$0" --inner "$data" "$out"
echo "$out"
