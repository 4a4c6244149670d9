#!/usr/bin/env bash
# Installs what Corvale needs to run and to build on Debian 12 (no test tools, servers or desktop
# parts), builds the program and runs it in this session.
# Arguments are passed to corvale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run build
# Only the program and its data: the tests and benchmarks would double the build time, and their
# libraries are not installed here.
CORVALE_TARGETS=corvale "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVALE_TESTS=OFF -DCORVALE_BENCH=OFF
exec "$root/build/bin/corvale" "$@"
