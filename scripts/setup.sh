#!/usr/bin/env bash
# Installs the Debian 12 packages of the named lists that are missing, and nothing else:
#   setup.sh run build        what Corvale needs to run and to build (scripts/run.sh)
#   setup.sh run build test   and what the tests need besides (scripts/test.sh)
# Each name is a list scripts/packages-NAME.txt. Safe to run again: with everything present it
# changes nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 0 ]; then
    echo "usage: setup.sh LIST... (run, build, test)" >&2
    exit 2
fi
wanted=()
for list in "$@"; do
    file=$here/packages-$list.txt
    if [ ! -f "$file" ]; then
        echo "setup: no package list $file" >&2
        exit 2
    fi
    mapfile -t -O "${#wanted[@]}" wanted < <(grep -vE '^\s*(#|$)' "$file")
done
missing=()
for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
# Without recommends: a recommended package could be a second notification or audio server.
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
