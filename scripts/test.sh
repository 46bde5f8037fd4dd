#!/usr/bin/env bash
# Set up, build and run the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "${TALLYLINE_BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)" "$@"
