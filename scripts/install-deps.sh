#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent and quiet when everything is already there.
#   install-deps.sh           everything the tests need
#   install-deps.sh show      only what building and running the show needs
#   install-deps.sh package   what building the release packages needs
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev
)
# The release packages: the Windows cross-build, Debian's packaging tools and
# cross compilers, zip, and git for the last commit's time, which every file
# in them carries. The Debian packages' own build-dependencies, for each
# architecture, come from debian/control below.
release_tools=(git g++-mingw-w64-i686 dpkg-dev debhelper zip)
deb_arches=()
for arch in amd64 arm64 armhf; do
  [ "$arch" = "$(dpkg --print-architecture)" ] || deb_arches+=("$arch")
done
for arch in "${deb_arches[@]}"; do release_tools+=("crossbuild-essential-$arch"); done
foreign=("${deb_arches[@]}")
if [ "${1:-}" = package ]; then
  packages+=("${release_tools[@]}")
elif [ "${1:-}" != show ]; then
  packages+=(
    "${release_tools[@]}" googletest libgtest-dev libjpeg-turbo-progs lame sox
    xvfb xdotool x11-utils imagemagick python3
    wine wine32 icoutils libxml2-utils
    clang libclang-rt-14-dev valgrind clang-format-14
    lintian unzip
    # the Wayland desktops of tests/desktop, each with its Xwayland
    weston mutter kwin-wayland xwayland dbus-daemon
    # The decoder's tests for ARM, run under emulation.
    qemu-user libgtest-dev:arm64 libgtest-dev:armhf
  )
  # Wine runs the 32-bit Windows build and needs the i386 architecture.
  foreign+=(i386)
fi
[ "${1:-}" = show ] && foreign=()

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"
}

known=$(dpkg --print-foreign-architectures)
for arch in "${foreign[@]}"; do
  if ! grep -qx "$arch" <<<"$known"; then
    "${sudo_cmd[@]}" dpkg --add-architecture "$arch"
    need_update=1
  fi
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

updated=
update() { [ -n "$updated" ] || apt_get update -qq; updated=1; }
if [ "${#missing[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "Installing: ${missing[*]}"
  update
  if [ "${#missing[@]}" -gt 0 ]; then
    apt_get install -y -qq "${missing[@]}" >/dev/null
  fi
fi

# The Debian packages' build-dependencies: this machine's with the tests,
# the others' for cross-building (Debian multiarch: their libraries beside
# this machine's).
if [ "${1:-}" != show ]; then
  for arch in "" "${deb_arches[@]}"; do
    opts=()
    [ -n "$arch" ] && opts=(-a "$arch" -P cross,nocheck)
    if ! dpkg-checkbuilddeps "${opts[@]}" >/dev/null 2>&1; then
      echo "Installing the build-dependencies in debian/control${arch:+ for $arch}"
      update
      apt_get build-dep -y -qq "${opts[@]}" ./ >/dev/null
    fi
  done
fi
