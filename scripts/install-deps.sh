#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent and quiet when everything is already there.
#   install-deps.sh           everything the tests need
#   install-deps.sh show      only what building and running the show needs
#   install-deps.sh package   what building the release packages needs
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev
)
# The release packages: the Windows cross-build, the Debian tools, zip, and
# git for the last commit's time, which every file in them carries.
release_tools=(git g++-mingw-w64-i686 dpkg-dev zip)
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
  )
fi

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

# Wine runs the 32-bit Windows build and needs the i386 architecture.
if [ -z "${1:-}" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  if [ "${#missing[@]}" -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
fi
