#!/usr/bin/env bash
# Configures and builds Corvale into build/ (or the folder given as the first argument); extra
# arguments go to cmake. The build runs in place: build/bin/corvale beside build/share/corvale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
ninja -C "$build"
