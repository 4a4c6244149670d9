#!/usr/bin/env bash
# Builds the Debian package of Corvale and prints the path of the .deb it wrote:
#   scripts/package.sh [BUILD_DIR] [OUT_DIR]
# Builds the program alone (no tests, no benchmarks) in BUILD_DIR (default build-package), installs
# it under /usr in a scratch root, and wraps that root with dpkg-deb into OUT_DIR (default
# BUILD_DIR). The dependencies are those of the binary's libraries (dpkg-shlibdeps) plus what it
# loads or calls at run time.
#   --prebuilt   package BUILD_DIR as it is, without setting up or building (the test run's tree)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prebuilt=0
if [ "${1:-}" = --prebuilt ]; then
    prebuilt=1
    shift
fi
build=$(realpath -m "${1:-$root/build-package}")
out=$(realpath -m "${2:-$build}")

if [ $prebuilt -eq 0 ]; then
    "$root/scripts/setup.sh" run build >&2
    CORVALE_TARGETS=corvale "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCORVALE_TESTS=OFF -DCORVALE_BENCH=OFF >&2
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
changelog_version=$(dpkg-parsechangelog -l "$root/data/debian/changelog" -S Version)
if [ "$version" != "$changelog_version" ]; then
    echo "package: data/debian/changelog is at $changelog_version, the program at $version" >&2
    exit 1
fi
arch=$(dpkg --print-architecture)
work=$build/deb
stage=$work/root
rm -rf "$work"
mkdir -p "$stage/DEBIAN" "$out"
DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >/dev/null

doc=$stage/usr/share/doc/corvale
install -d "$doc"
install -m 0644 "$root/data/debian/copyright" "$doc/copyright"
gzip -9n -c "$root/data/debian/changelog" >"$doc/changelog.gz"
find "$stage/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +
# Whatever the umask of the build was.
find "$stage/usr" -type d -exec chmod 0755 {} +
find "$stage/usr" -type f -exec chmod 0644 {} +
chmod 0755 "$stage/usr/bin/corvale"

# dpkg-shlibdeps reads a source package's control file; a minimal one stands in for it.
mkdir -p "$work/src/debian"
printf 'Source: corvale\n\nPackage: corvale\nArchitecture: any\n' >"$work/src/debian/control"
libraries=$(cd "$work/src" && dpkg-shlibdeps -O "$stage/usr/bin/corvale" |
    sed -n 's/^shlibs:Depends=//p')
# Loaded at run time, so no library link names them: Qt's Wayland platform, and its SVG image
# and icon plugins (also linked today, named here so the plugins stay if the link goes).
depends="$libraries, qt6-wayland"
case "$depends" in *libqt6svg6*) ;; *) depends="$depends, libqt6svg6" ;; esac
# Wanted, not needed: sounds reach PulseAudio and PipeWire through libcanberra's pulse backend,
# the desktop's sound theme adds tones, xdg-utils opens links and folders.
recommends="libcanberra-pulse, sound-theme-freedesktop, xdg-utils"

cat >"$stage/DEBIAN/control" <<CONTROL
Package: corvale
Version: $version
Architecture: $arch
Maintainer: Corvale developers <support@corvale.app>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Recommends: $recommends
Section: sound
Priority: optional
Homepage: https://corvale.app
Description: sound, flash and colour for each application's notifications
 Corvale watches the notifications your desktop shows and gives each
 application a signal of its own: its own sound at up to 200 %, a blink of
 the tray icon, a flash of the screen in the application's colour, and a
 short history of recent alerts.
 .
 Rules match by application, by a keyword or by a regular expression.
 Sounds can be muted, snoozed or silenced for Focus from the tray, a
 keyboard shortcut or the command line, and Corvale follows the
 do-not-disturb of GNOME, KDE Plasma, Xfce and dunst.
CONTROL
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$out/corvale_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
