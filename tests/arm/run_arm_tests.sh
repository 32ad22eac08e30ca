#!/usr/bin/env bash
# The decoder on ARM: cross-built with Debian's cross compilers and run
# under qemu-user, without binfmt (CMake runs each test program through the
# emulator, with the architecture's libraries from /usr/TRIPLET):
#
#   bash tests/arm/run_arm_tests.sh [ARCH...]     arm64 and armhf by default
#
# For each architecture, in build-ARCH/, only what the checks need: the
# decoder's library, its test program and jpegdecode, then ctest -L jpeg:
# the decoder's tests, every file of tests/jpeg/manifest.txt decoded to the
# same bytes as on x86, and no fused multiply-add in the decoder's objects.
# Last line: "arm: N passed, M failed" (one per architecture).
set -u
cd "$(dirname "$0")/../.." || exit 1
passed=0
failed=0

# run ARCH: builds and tests one architecture.
run() {
    local arch=$1 triplet processor qemu
    case $arch in
    arm64) triplet=aarch64-linux-gnu processor=aarch64 qemu=qemu-aarch64 ;;
    armhf) triplet=arm-linux-gnueabihf processor=arm qemu=qemu-arm ;;
    *) echo "unknown architecture $arch"; return 1 ;;
    esac
    cmake -S . -B "build-$arch" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCQ_BUILD_SHOW=OFF \
        -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=$processor \
        -DCMAKE_C_COMPILER=$triplet-gcc -DCMAKE_CXX_COMPILER=$triplet-g++ \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=$qemu;-L;/usr/$triplet" >/dev/null &&
        cmake --build "build-$arch" -j2 --target cq_jpeg test_jpeg_decoder jpegdecode >/dev/null &&
        ctest --test-dir "build-$arch" -L jpeg -j2 --output-on-failure --no-tests=error
}

arches=("$@")
[ $# -gt 0 ] || arches=(arm64 armhf)
for arch in "${arches[@]}"; do
    echo "== $arch"
    if run "$arch"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "arm: $passed passed, $failed failed"
[ "$failed" = 0 ]
