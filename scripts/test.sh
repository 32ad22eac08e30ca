#!/usr/bin/env bash
# Runs every test stage and ends with "stages: N passed, M failed":
#   format      every C/C++ file in src/ tools/ tests/ bench/ as clang-format
#               writes it (scripts/check-format.sh)
#   native      build/: build, then every test but the end-to-end runs
#   e2e         build/: the end-to-end runs (ctest -L e2e)
#   desktop     build/: the show on Wayland desktops, weston, mutter and kwin
#               nested in Xvfb, with both SDL drivers (ctest -L desktop)
#   sanitizers  build-asan/: clang with AddressSanitizer and UBSan, build
#               and every test without a window
#   fuzz        the libFuzzer targets of build-asan/, 30 s
#   wine        build-win32/: the 32-bit Windows cross-build under Wine
#   arm         build-arm64/, build-armhf/: the decoder cross-built, its
#               tests and the manifest under qemu-user (tests/arm)
#   package     scripts/package.sh, then the zip under Wine, the three debs
#               checked and this machine's installed, started and purged
#               (tests/package)
# Stages run side by side where they do not depend on each other (the
# end-to-end runs spend most of their minute waiting, each on a screen of
# its own); each one's output is printed when it ends, with its time. A
# failed stage does not stop the others; the exit status is 1 if any failed.
set -u
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# stage NAME COMMAND...: runs the stage, its output kept in a log.
stage() {
    local name=$1 begin=$SECONDS status
    shift
    "$@" >"$logs/$name.log" 2>&1
    status=$?
    echo "$status $((SECONDS - begin))" >"$logs/$name.result"
}
# report NAME: waits for the stage, prints its log tail and its time.
report() {
    while [ ! -e "$logs/$1.result" ]; do sleep 1; done
    read -r status seconds <"$logs/$1.result"
    echo "== $1: $([ "$status" = 0 ] && echo passed || echo "FAILED (status $status)") in ${seconds} s"
    if [ "$status" = 0 ]; then tail -n 3 "$logs/$1.log"; else
        grep -E '^(FAIL|   FAIL)' "$logs/$1.log"
        tail -n 60 "$logs/$1.log"
    fi
    [ "$status" = 0 ] && passed=$((passed + 1)) || failed=$((failed + 1))
}
native() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build build -j2 >/dev/null &&
        ctest --test-dir build -LE "e2e|desktop" -j2 --output-on-failure --no-tests=error
}
# The stages that only build or crunch (the sanitizer build and its tests,
# the fuzzer, the release builds, the ARM cross-builds) run at a lower
# priority: beside them the end-to-end, desktop and Wine runs judge how
# quickly a real show answers, and must get the cores when they need them.
background() { nice -n 10 "$@"; }
sanitizers() {
    CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCQ_SANITIZE=ON >/dev/null &&
        background cmake --build build-asan -j2 >/dev/null &&
        background ctest --test-dir build-asan -LE windowed -j2 --output-on-failure --no-tests=error
}
package() {
    background bash scripts/package.sh && bash tests/package/check_packages.sh build
}
passed=0
failed=0
start=$SECONDS

stage format bash scripts/check-format.sh
report format
stage sanitizers sanitizers &
stage native native
report native
stage e2e ctest --test-dir build -L e2e -j5 --output-on-failure --no-tests=error &
stage wine bash tests/win32/run_wine_tests.sh build build-win32 &
stage package package &
stage arm background bash tests/arm/run_arm_tests.sh &
report sanitizers
stage fuzz background bash tests/fuzz/run_fuzz.sh build-asan 30
report fuzz
# The compositors draw at 1920x1080 in software: one at a time, once the
# fuzzer has the cores back.
stage desktop ctest --test-dir build -L desktop -j1 --output-on-failure --no-tests=error &
report e2e
report wine
report arm
report package
report desktop
echo "total $((SECONDS - start)) s"
echo "stages: $passed passed, $failed failed"
[ "$failed" = 0 ]
