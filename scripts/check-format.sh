#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bad=0
while IFS= read -r -d '' file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "needs clang-format: $file"
        bad=1
    fi
done < <(git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h')
exit $bad
