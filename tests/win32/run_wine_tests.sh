#!/usr/bin/env bash
# The 32-bit Windows build, cross-built here and run under Wine in one
# prefix of its own:   run_wine_tests.sh NATIVE_BUILD_DIR WINDOWS_BUILD_DIR
# - the back end's checks (backend_test.exe), also on a screen too small for
#   1024 x 768, and render buffers on WGL pbuffers (render_buffer_test.exe);
# - jpegdecode.exe over the decoder's manifest, whose digests are the Linux
#   build's output: the same bytes;
# - the real cquorvath.exe: slide 0 on screen, Escape ends it with status 0,
#   and the music heard through ALSA routed into a file.
# The native build must hold jpegdecode (the expected pictures).
# Last line: "wine: N passed, M failed".
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
win=$(mkdir -p "$2" && cd "$2" && pwd)
xvfb=$root/tests/support/with_xvfb.sh
passed=0
failed=0
log=$(mktemp)
trap 'wineserver -k 2>/dev/null; rm -f "$log"' EXIT

. "$root/tests/support/check.sh"
CHECK_LOG="$log"
# A Windows program on a private X screen, its wine server ended before the
# screen goes (the next program gets another screen).
on_screen() {
    local size=1024x768
    [ "$1" = -s ] && size=$2 && shift 2
    bash "$xvfb" -s "$size" bash -c '"$@"; s=$?; wineserver -k 2>/dev/null; wineserver -w; exit $s' _ "$@"
}

check "cross-build" eval 'cmake --no-warn-unused-cli -S "$root" -B "$win" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$win" -j2 --target cquorvath jpegdecode backend_test render_buffer_test >/dev/null'

. "$root/tests/win32/wine_env.sh"
wine_prefix "$win"

exe=$win/tests/win32
check "backend_test.exe" on_screen timeout -k 5 120 wine "$exe/backend_test.exe"
check "backend_test.exe where 1024x768 cannot be set" \
    on_screen -s 800x600 timeout -k 5 120 wine "$exe/backend_test.exe" --small-screen
check "render_buffer_test.exe" on_screen timeout -k 5 120 wine "$exe/render_buffer_test.exe"

# One persistent wine server for the many short decoder runs.
wineserver -p
check "jpegdecode.exe gives the Linux build's bytes" env -u DISPLAY \
    bash "$root/tests/jpeg/check_manifest.sh" wine "$win/jpegdecode.exe"
wineserver -k
wineserver -w

check "cquorvath.exe: slide 0, Escape" on_screen env E2E_DECODER="$native/jpegdecode" \
    bash "$root/tests/e2e/show.sh" escape wine "$win/cquorvath.exe"

# The music through MCI: ALSA's default device, routed into a file by a home
# folder of its own, must hear it within the show's first seconds. The run is
# cut short; its exit status is the Escape run's business.
music=$(mktemp -d)
mkdir "$music/run"
cp "$root/assets/"* "$win/cquorvath.exe" "$music/run/"
alsa_to_file "$music/home" "$music/out.raw"
check "cquorvath.exe plays the music" eval 'on_screen env -C "$music/run" HOME="$music/home" \
    timeout -s KILL 10 wine cquorvath.exe; python3 "$root/tests/e2e/screen.py" loud "$music/out.raw"'
rm -rf "$music"

echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
