#!/usr/bin/env bash
# Builds the two release packages into dist/:
#   cquorvath-VERSION-win32.zip   the 32-bit Windows program in one folder
#                                 with its five files and README.txt
#   cquorvath_VERSION_ARCH.deb    the Linux program for Debian 12
# VERSION is the project's version in the top-level CMakeLists.txt. The same
# commit gives the same bytes wherever it is built: every time stamp is the
# last commit's (SOURCE_DATE_EPOCH), entries are sorted, owners and modes
# fixed, and no build path reaches a binary.
#
#   bash scripts/package.sh       (release builds in build-release*/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh package

version=$(sed -n 's/^project(cquorvath VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export TZ=UTC LC_ALL=C
umask 022
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source folder (and so the build folders inside it) is "." to the
# compiler, in debug information and file names alike. Quoted for the build
# tool's shell, as the folder's name may have spaces.
prefix_map="'-ffile-prefix-map=$root=.'"

# release DIR CMAKE-ARGS...: a fresh build of the program alone.
release() {
    local dir=$1
    shift
    rm -rf "$dir"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCQ_BUILD_TESTS=OFF "$@" >/dev/null
    cmake --build "$dir" -j2 --target cquorvath >/dev/null
}
# Debian's hardening flags, all of them, for the Linux program; the Windows
# one is linked statically and stripped by its toolchain file.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS) $prefix_map" \
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS) release build-release
CXXFLAGS=$prefix_map release build-release-win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"

# stamp DIR: every file and folder under DIR gets the commit's time.
stamp() { find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; }
# fill TEMPLATE: the template with the version (and the commit's date) in.
fill() {
    sed -e "s/@VERSION@/$version/g" \
        -e "s/@DATE@/$(date -R -d "@$SOURCE_DATE_EPOCH")/g" "$1"
}
mkdir -p dist

# The zip: one top folder, README.txt in Windows line endings, no extra
# attributes (-X), entries in byte order.
top=cquorvath-$version
mkdir -p "$work/zip/$top"
install -m 755 build-release-win32/cquorvath.exe "$work/zip/$top/"
install -m 644 assets/* "$work/zip/$top/"
fill packaging/windows/README.txt | sed 's/$/\r/' >"$work/zip/$top/README.txt"
chmod 644 "$work/zip/$top/README.txt"
stamp "$work/zip"
zip_file=$root/dist/cquorvath-$version-win32.zip
rm -f "$zip_file"
(cd "$work/zip" && find "$top" | sort | zip -X -q -@ "$zip_file")

# The deb, laid out in debian/cquorvath as Debian's tools expect: the
# program in /usr/libexec, its launcher on the PATH in /usr/games, the five
# files in /usr/share/games, the menu entry, icons, manual page and
# documentation.
pkg=$work/debian/cquorvath
share=$pkg/usr/share
install -d -m 755 "$pkg/DEBIAN" "$pkg/usr/games" "$pkg/usr/libexec/cquorvath" \
    "$share/games/cquorvath" "$share/applications" "$share/man/man6" "$share/doc/cquorvath"
install -m 755 packaging/debian/cquorvath.sh "$pkg/usr/games/cquorvath"
install -m 755 build-release/cquorvath "$pkg/usr/libexec/cquorvath/"
strip --remove-section=.comment --remove-section=.note "$pkg/usr/libexec/cquorvath/cquorvath"
install -m 644 assets/* "$share/games/cquorvath/"
install -m 644 packaging/debian/cquorvath.desktop "$share/applications/"
for size in 48 256; do
    install -D -m 644 "packaging/icons/cquorvath-$size.png" \
        "$share/icons/hicolor/${size}x$size/apps/cquorvath.png"
done
fill packaging/debian/cquorvath.6.in | gzip -9n >"$share/man/man6/cquorvath.6.gz"
install -m 644 packaging/debian/copyright "$share/doc/cquorvath/"
fill packaging/debian/changelog.in | gzip -9n >"$share/doc/cquorvath/changelog.gz"
chmod 644 "$share/man/man6/cquorvath.6.gz" "$share/doc/cquorvath/changelog.gz"

# The control file from Debian's own tools: the run-time libraries the
# program links, found by dpkg-shlibdeps, and the installed size.
cp packaging/debian/control "$work/debian/control"
fill packaging/debian/changelog.in >"$work/debian/changelog"
(cd "$work" && dpkg-shlibdeps -Tdebian/substvars debian/cquorvath/usr/libexec/cquorvath/cquorvath &&
    dpkg-gencontrol -pcquorvath -Pdebian/cquorvath -Tdebian/substvars)
(cd "$pkg" && find usr -type f | sort | xargs -d '\n' md5sum) >"$pkg/DEBIAN/md5sums"
chmod 644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"
stamp "$pkg"
arch=$(dpkg --print-architecture)
deb_file=dist/cquorvath_${version}_$arch.deb
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$pkg" "$deb_file" >/dev/null

ls -l "dist/cquorvath-$version-win32.zip" "$deb_file"
