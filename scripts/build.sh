#!/usr/bin/env bash
# Configures and builds Tallyline into ./build (or $TALLYLINE_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TALLYLINE_BUILD_DIR:-build}
# Let ccache share results between checkouts in different folders.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
if [[ ! -f "$build_dir/build.ninja" ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir" --parallel "$(nproc)"
