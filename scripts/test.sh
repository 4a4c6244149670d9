#!/usr/bin/env bash
# Sets up everything the tests need on Debian 12, then: checks formatting, builds with warnings as
# errors and runs every test (unit, adapter and end-to-end, each starting its own private services),
# checks the install tree and the Debian package made from that build, then builds the unit tests
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/setup.sh" run build test

echo "== formatting"
"$root/scripts/check-format.sh"

echo "== build (warnings are errors)"
"$root/scripts/build.sh" "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVALE_WERROR=ON

echo "== all tests"
(cd "$root/build-test" && ctest --output-on-failure -j "$jobs" --timeout 300)

echo "== install tree and Debian package (from the build above)"
"$root/scripts/check-install.sh" "$root/build-test"

echo "== unit tests with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCORVALE_WERROR=ON \
    -DCORVALE_SANITIZE=ON -DCORVALE_UNIT_TESTS_ONLY=ON
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs" -L unit --timeout 300)
