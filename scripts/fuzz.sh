#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ./build-fuzz (or
# $TALLYLINE_FUZZ_BUILD_DIR) and runs each for a bounded time on its corpus
# in tests/fuzz/corpus/<target>. Fails on the first crash, hang, leak or
# undefined behaviour; the input that caused it is left in the build folder.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
build_dir=${TALLYLINE_FUZZ_BUILD_DIR:-build-fuzz}
scripts/setup.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
if [[ ! -f "$build_dir/build.ninja" ]]; then
    CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYLINE_FUZZ=ON
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
    for dir in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi
cmake --build "$build_dir" --parallel 2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LC_ALL=C.UTF-8
for target in "${targets[@]}"; do
    # New inputs go to a scratch folder; the corpus in the tree stays as it is.
    work="$build_dir/fuzz-work/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== fuzz_$target: ${seconds} s"
    if ! "$build_dir/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "tests/fuzz/corpus/$target" >"$work/log" 2>&1; then
        tail -n 60 "$work/log"
        echo "fuzz_$target failed: see $work/log and $work/artifacts/" >&2
        exit 1
    fi
    grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$work/log" || true
done
