#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# into ./build-asan (or $TALLYLINE_ASAN_BUILD_DIR) and runs it there. Any
# sanitizer report fails the run, including one from a program a test started.
# Arguments go to ctest, for example: scripts/test-sanitized.sh -R TestStore
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build_dir=${TALLYLINE_ASAN_BUILD_DIR:-build-asan}
# Let ccache share results between checkouts in different folders.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
if [[ ! -f "$build_dir/build.ninja" ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTALLYLINE_SANITIZE=ON -DTALLYLINE_BUILD_BENCH=OFF
fi
SECONDS=0
cmake --build "$build_dir" --parallel "$(nproc)"
echo "Sanitized build: ${SECONDS} s"

# The tests write their reports here (tests/CMakeLists.txt sets the options).
reports="$build_dir/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0
SECONDS=0
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" "$@" || status=$?
echo "Sanitized tests: ${SECONDS} s"

# UBSan writes to the test's output whatever log_path says; a program a
# test started may have died of it without the test noticing.
if grep -n -B2 -A12 "runtime error:" "$build_dir/Testing/Temporary/LastTest.log"; then
    echo "UBSan reports in $build_dir/Testing/Temporary/LastTest.log (above)" >&2
    status=1
fi

shopt -s nullglob
found=("$reports"/*)
if ((${#found[@]} > 0)); then
    for f in "${found[@]}"; do
        echo "==== $(basename "$f")"
        cat "$f"
    done
    echo "Sanitizer reports: ${#found[@]} (above)" >&2
    status=1
fi
exit "$status"
