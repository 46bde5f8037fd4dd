#!/bin/bash
# Takes pictures of the session editor and the tip of the day under Xvfb, as
# their window tests leave them, for a person to look at.
# Usage: scripts/screenshot-dialogs.sh [OUTPUT_DIR]   (default /tmp/tallyline-shots)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALLYLINE_BUILD_DIR:-$here/build}"
out="${1:-/tmp/tallyline-shots}"
mkdir -p "$out"
for test in TestEditSessionForm TestTipOfTheDayForm; do
    TALLYLINE_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/$test" >/dev/null
done
ls "$out"/edit-session.png "$out"/tip-of-the-day.png
