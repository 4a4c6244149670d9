#!/usr/bin/env bash
# Configures and builds Corvale into build/ (or the folder given as the first argument); extra
# arguments go to cmake. The build runs in place: build/bin/corvale beside build/share/corvale.
# CORVALE_TARGETS names the ninja targets to build (default: everything, tests and benchmarks too).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
launcher=()
if command -v ccache >/dev/null; then
    # Paths relative to the checkout, so other checkouts of the tree share the cache.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
# shellcheck disable=SC2086 # a list of target names
ninja -C "$build" ${CORVALE_TARGETS:-}
