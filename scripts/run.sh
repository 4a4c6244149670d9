#!/usr/bin/env bash
# Sets up everything Corvale needs on Debian 12, builds it and runs it in this session.
# Arguments are passed to corvale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Only the program and its data: the tests and benchmarks would double the build time.
CORVALE_TARGETS=corvale "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$root/build/bin/corvale" "$@"
