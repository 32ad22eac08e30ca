#!/usr/bin/env bash
# Builds the release packages into dist/:
#   cquorvath-VERSION-win32.zip   the 32-bit Windows program in one folder
#                                 with its five files and README.txt
#   cquorvath_VERSION_ARCH.deb    the Linux program for Debian 12, for amd64,
#                                 arm64 and armhf: built from debian/ by
#                                 dpkg-buildpackage, the ARM ones cross-built
# VERSION is the project's version in the top-level CMakeLists.txt (and
# debian/changelog's, which must agree). The same commit gives the same bytes
# wherever it is built: every time stamp is the last commit's
# (SOURCE_DATE_EPOCH), entries are sorted, owners and modes fixed, and no
# build path reaches a binary.
#
#   bash scripts/package.sh       (the Windows build in build-release-win32/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh package

version=$(sed -n 's/^project(cquorvath VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }
deb_version=$(dpkg-parsechangelog -S Version)
[ "$deb_version" = "$version" ] || {
    echo "package.sh: debian/changelog is at $deb_version, CMakeLists.txt at $version" >&2
    exit 1
}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export TZ=UTC LC_ALL=C
umask 022
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source folder (and so the build folders inside it) is "." to the
# compiler, in debug information and file names alike. Quoted for the build
# tool's shell, as the folder's name may have spaces.
prefix_map="'-ffile-prefix-map=$root=.'"

# The Windows program alone, in a fresh build, linked statically and
# stripped by its toolchain file.
rm -rf build-release-win32
CXXFLAGS=$prefix_map cmake -S . -B build-release-win32 -DCMAKE_BUILD_TYPE=Release \
    -DCQ_BUILD_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build-release-win32 -j2 --target cquorvath >/dev/null

# stamp DIR: every file and folder under DIR gets the commit's time.
stamp() { find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; }
mkdir -p dist

# The zip: one top folder, README.txt in Windows line endings, no extra
# attributes (-X), entries in byte order.
top=cquorvath-$version
mkdir -p "$work/zip/$top"
install -m 755 build-release-win32/cquorvath.exe "$work/zip/$top/"
install -m 644 assets/* "$work/zip/$top/"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/windows/README.txt >"$work/zip/$top/README.txt"
chmod 644 "$work/zip/$top/README.txt"
stamp "$work/zip"
zip_file=$root/dist/cquorvath-$version-win32.zip
rm -f "$zip_file"
(cd "$work/zip" && find "$top" | sort | zip -X -q -@ "$zip_file")

# The debs, built as Debian builds packages, from a copy of the tracked
# files (dpkg-buildpackage writes beside the source folder): this machine's
# with its unit tests, the others cross-built without them. Debian's flags
# map the copy's folder to "." in the binaries.
src=$work/src/cquorvath-$version
mkdir -p "$src"
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$src"
# Installed files keep their times, and dpkg-deb lowers only those newer
# than the commit: a checkout older than its last commit would differ.
stamp "$src"
host=$(dpkg --print-architecture)
debs=()
for arch in amd64 arm64 armhf; do
    opts=(-b -us -uc -j2)
    options=${DEB_BUILD_OPTIONS:-}
    if [ "$arch" != "$host" ]; then
        opts+=(-a "$arch" -Pcross,nocheck)
        options+=" nocheck"
    fi
    (cd "$src" && DEB_BUILD_OPTIONS=$options dpkg-buildpackage "${opts[@]}") >"$work/log" 2>&1 || {
        tail -n 60 "$work/log"
        echo "package.sh: the $arch package did not build" >&2
        exit 1
    }
    debs+=("dist/cquorvath_${version}_$arch.deb")
    cp "$work/src/cquorvath_${version}_$arch.deb" dist/
done

ls -l "dist/cquorvath-$version-win32.zip" "${debs[@]}"
