#!/usr/bin/env bash
# The 32-bit Windows build, cross-built here and run under Wine in one
# prefix of its own:   run_wine_tests.sh NATIVE_BUILD_DIR WINDOWS_BUILD_DIR
# The back end's and the surfaces' checks, jpegdecode.exe against the Linux
# build's digests, and the real cquorvath.exe: slide 0 and Escape, its
# application manifest, every way it ends (wine_endings.sh, run beside).
# The native build must hold jpegdecode. Last line: "wine: N passed, M failed".
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
win=$(mkdir -p "$2" && cd "$2" && pwd)
xvfb=$root/tests/support/with_xvfb.sh
passed=0
failed=0
log=$(mktemp)
trap 'wineserver -k 2>/dev/null; rm -f "$log" "$log.xml" "$endings_log"' EXIT

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

# Its minute-long shows run side by side with everything below; started
# only now, so that they copy the prefix while no Wine server writes to it.
endings_log=$(mktemp)
bash "$root/tests/win32/wine_endings.sh" "$native" "$win" >"$endings_log" 2>&1 &
endings=$!

# One persistent wine server for the many short decoder runs.
wineserver -p
check "jpegdecode.exe gives the Linux build's bytes" env -u DISPLAY \
    bash "$root/tests/jpeg/check_manifest.sh" wine "$win/jpegdecode.exe"
wineserver -k
wineserver -w

check "cquorvath.exe: slide 0, Escape" on_screen env E2E_DECODER="$native/jpegdecode" \
    bash "$root/tests/e2e/show.sh" escape wine "$win/cquorvath.exe"

# The manifest Windows reads at the start: well formed, per-monitor DPI
# aware, Vista to 10/11, asInvoker, Common Controls 6.
manifest() {
    local xml=$log.xml id
    # has NAME CONDITION: an element so named, in whatever namespace.
    has() {
        [ "$(xmllint --xpath "boolean(//*[local-name()='$1'][$2])" "$xml")" = true ] ||
            { echo "missing: $1 [$2]"; return 1; }
    }
    wrestool -x --raw --type=24 --name=1 "$win/cquorvath.exe" >"$xml" && xmllint --noout "$xml" &&
        has dpiAwareness ".='PerMonitorV2,PerMonitor'" && has dpiAware ".='true/pm'" &&
        has requestedExecutionLevel "@level='asInvoker'" &&
        has assemblyIdentity "@name='Microsoft.Windows.Common-Controls' and @version='6.0.0.0'" ||
        { cat "$xml"; return 1; }
    # Vista, 7, 8, 8.1, 10 and 11.
    for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
        4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
        8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
        has supportedOS "@Id='{$id}'" || { cat "$xml"; return 1; }
    done
    echo "well formed, $(wc -c <"$xml") bytes, every entry present"
}
check "cquorvath.exe carries its manifest" manifest

endings_ended() { wait "$endings" && cat "$endings_log" || { cat "$endings_log"; return 1; }; }
check "every end of the show is clean (wine_endings.sh)" endings_ended

echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
