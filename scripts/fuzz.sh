#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# (into build-fuzz/, or the folder given as the first argument) and runs each one for a bounded
# time, starting from its seed corpus in tests/fuzz/corpus/. New coverage is kept in a scratch
# corpus beside the build, not in the repository; a finding is written to build-fuzz/findings/
# and the script fails. Add a finding to the target's corpus folder once it is fixed, so the
# corpus replay in ctest keeps it fixed.
#   FUZZ_SECONDS  time per target (default 20)
#   FUZZ_TARGETS  space-separated target names to run (default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-20}
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVALE_FUZZ=ON -DCORVALE_UNIT_TESTS_ONLY=ON \
    -DCORVALE_BENCH=OFF >/dev/null
nice ninja -C "$build" corvale_fuzz_targets

corpora=$root/tests/fuzz/corpus
targets=${FUZZ_TARGETS:-$(ls "$corpora")}
mkdir -p "$build/findings"
failed=()
for target in $targets; do
    binary=$build/bin/corvale_fuzz_$target
    work=$build/corpus/$target
    mkdir -p "$work"
    echo "== $target (${seconds} s)"
    # The first folder collects new inputs; the seeds are only read.
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        nice "$binary" "$work" "$corpora/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" >"$build/$target.log" 2>&1; then
        failed+=("$target")
        tail -n 40 "$build/$target.log"
    fi
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
done
if ((${#failed[@]})); then
    echo "findings in: ${failed[*]} (inputs in $build/findings/)"
    exit 1
fi
echo "no findings"
