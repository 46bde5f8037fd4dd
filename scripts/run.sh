#!/usr/bin/env bash
# Set up, build and start Tallyline. Arguments go to the program,
# for example: scripts/run.sh --line simulated
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec "${TALLYLINE_BUILD_DIR:-build}/tallyline" "$@"
