#!/usr/bin/env bash
# Checks what `cmake --install` lays out, from a tree that is already built (no build here):
#   scripts/check-install.sh BUILD_DIR
# Installs BUILD_DIR under /usr in a scratch root (DESTDIR), checks its contents, validates the
# desktop entry, the AppStream metainfo and the manual page, runs the installed program from the
# scratch root (its version, a render, and a start in a private session bus that must find the
# installed tones), then packages the same tree and runs lintian on the .deb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:?usage: check-install.sh BUILD_DIR}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dest=$scratch/root
usr=$dest/usr
failed=0
fail() {
    echo "check-install: $*" >&2
    failed=1
}

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null

echo "-- contents"
expected=(bin/corvale share/applications/com.talvo.corvale.desktop
    share/metainfo/com.talvo.corvale.metainfo.xml share/man/man1/corvale.1
    share/bash-completion/completions/corvale share/icons/hicolor/scalable/apps/corvale.svg)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/corvale.png")
done
for file in "${expected[@]}"; do
    [ -s "$usr/$file" ] || fail "missing or empty: $file"
done
tones=$(find "$usr/share/corvale/sounds" -name '*.wav' | wc -l)
[ "$tones" -eq 24 ] || fail "expected 24 tones in share/corvale/sounds, found $tones"
for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/corvale.png
    # The PNG header's width and height, big-endian at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

echo "-- desktop entry, metainfo, manual page, completion"
entry=$usr/share/applications/com.talvo.corvale.desktop
desktop-file-validate "$entry" || fail "desktop entry"
# Each action of the entry's menu is a command of the program that the launcher runs.
for action in "Mute Sounds|mute" "Turn On Sounds|unmute" "Snooze Sounds|snooze" \
    "Resume Sounds|resume" "Settings|settings" "Recent Alerts|dashboard"; do
    grep -Pzq "\nName=${action%|*}\nExec=corvale ${action#*|}\n" "$entry" ||
        fail "desktop entry action ${action%|*}"
done
appstreamcli validate --no-net "$usr/share/metainfo/com.talvo.corvale.metainfo.xml" ||
    fail "metainfo"
# The metainfo together with the desktop entry and the icon it launches.
appstreamcli validate-tree --no-net "$dest" || fail "metainfo, desktop entry and icon together"
manwarnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/corvale.1" 2>&1 \
    >/dev/null)
[ -z "$manwarnings" ] || fail "manual page: $manwarnings"
bash -n "$usr/share/bash-completion/completions/corvale" || fail "bash completion"

echo "-- the installed program"
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
version=$("$usr/bin/corvale" --version) || fail "corvale --version failed"
echo "$version"
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$usr/share/metainfo/com.talvo.corvale.metainfo.xml" | head -n 1)
[ "$version" = "corvale $release" ] || fail "metainfo's newest release is $release"
if ! QT_QPA_PLATFORM=offscreen "$usr/bin/corvale" --render "$scratch/render" \
    >"$scratch/render.log" 2>&1; then
    fail "corvale --render failed"
    tail -n 20 "$scratch/render.log" >&2
fi
# Started in a private session, the program counts the tones it finds: ours from its own prefix
# beside the desktop's sound theme.
tone_names() {
    find "$@" -maxdepth 1 \( -type f -o -type l \) -regextype posix-extended \
        -iregex '.*\.(aiff|aif|caf|wav|m4a|mp3|oga|ogg)' -printf '%f\n' 2>/dev/null |
        sed 's/\.[^.]*$//' | tr '[:upper:]' '[:lower:]'
}
want=$(tone_names /usr/share/sounds/freedesktop/stereo "$usr/share/corvale/sounds" | sort -u |
    wc -l)
log=$scratch/session.log
CORVALE_DEBUG_LOG=1 QT_QPA_PLATFORM=offscreen DISPLAY= WAYLAND_DISPLAY= \
    timeout -k 5 40 dbus-run-session -- bash -c '"$1" >"$2" 2>&1 &
        for _ in $(seq 150); do grep -q "\[sounds\] library: " "$2" && break; sleep 0.1; done
        kill $! && wait $!' _ "$usr/bin/corvale" "$log" 2>"$scratch/bus.log" || true
found=$(sed -n 's/.*\[sounds\] library: \([0-9]*\) built-in.*/\1/p' "$log" | head -n 1)
if [ "$found" != "$want" ]; then
    fail "the installed program found ${found:-no} built-in sounds, not $want"
    tail -n 20 "$log" >&2
fi

echo "-- Debian package"
deb=$("$root/scripts/package.sh" --prebuilt "$build" "$scratch")
dpkg-deb --field "$deb" Depends Recommends
# Errors fail the check; warnings are shown.
lintian --fail-on error "$deb" || fail "lintian"

if [ $failed -ne 0 ]; then
    exit 1
fi
echo "install tree and package: OK"
