#!/usr/bin/env bash
# Fault injection for the 32-bit Windows build under Wine: the same faults as
# windowed_fault.sh where Wine allows them, with the boxes' texts read back
# through window_probe.exe. Run by hand (about two minutes):
#
#   bash tests/faults/wine_faults.sh NATIVE_BUILD_DIR WINDOWS_BUILD_DIR
#
# The native build must be built (jpegdecode, screencheck, send_close); the
# Windows build is configured and built here, as tests/win32 does it.
# Not covered under Wine: an unreadable file (Wine runs as root here and its
# prefix is root's), no display, a driver without render-to-texture.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
mkdir -p "$2"
win=$(cd "$2" && pwd)
# shellcheck source=faults_lib.sh
source "$root/tests/faults/faults_lib.sh"

cmake --no-warn-unused-cli -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build "$win" -j "$(nproc)" --target cquorvath window_probe >/dev/null || exit 1
exe="$win/cquorvath.exe"
probe="$win/tests/win32/window_probe.exe"
export E2E_PROGRAM=$exe E2E_ASSETS=${E2E_ASSETS:-$root/assets}
export E2E_DECODER="$native/jpegdecode" E2E_SCREENCHECK="$native/tests/e2e/screencheck"
export E2E_SEND_CLOSE="$native/tests/e2e/send_close"

export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DISPLAY='' wine wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi
trap 'wineserver -k 2>/dev/null; e2e_cleanup' EXIT

show_prepare || exit 1
staged=$E2E_TMP/staged
cp -r "$E2E_RUN_DIR" "$staged"

# box CAPTION TEXT: the box comes, says TEXT, and is closed with Return.
box() {
    local id text
    if ! id=$(e2e_wait_window "$1" 60); then
        e2e_fail "no box \"$1\" (windows up: $(e2e_window_names | paste -sd '|'))"
        return 1
    fi
    text=$(timeout 20 wine "$probe" text "$1" 2>/dev/null | tr -d '\r')
    e2e_check "box \"$1\" says \"$2\"" grep -qxF -- "$2" <<<"$text"
    e2e_key "$id" Return
    for _ in $(seq 1 100); do
        e2e_find_window "$1" | grep -qx "$id" || return 0
        sleep 0.05
    done
    e2e_fail "box \"$1\" did not close"
}

# scenario NAME SETUP-COMMAND: stages the assets, applies the fault and starts
# the show under Wine.
scenario() {
    echo "-- $1"
    rm -rf "$E2E_RUN_DIR"
    cp -r "$staged" "$E2E_RUN_DIR"
    eval "$2"
    e2e_start 120 wine "$exe"
}

# finish_scenario SLIDE: the show's window shows SLIDE (or, for "uniform",
# one flat colour), no further box, Escape ends it with status 0.
finish_scenario() {
    if SHOW_WINDOW=$(e2e_wait_window "$SHOW_TITLE" 60); then
        if [ "$1" = uniform ]; then
            sleep 3
            e2e_screenshot "$E2E_TMP/shot.ppm"
            e2e_check "the faulty slide 0 is one colour" "$E2E_SCREENCHECK" uniform "$E2E_TMP/shot.ppm"
        else
            e2e_check "slide 0 on screen" show_wait_first_frame 30
        fi
        fault_no_more_boxes
        fault_end_with_escape
    else
        e2e_fail "the show's window did not appear"
    fi
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}

decoder_box() { box "$FAULT_DECODER_CAPTION" "$FAULT_DECODER_TEXT"; }

scenario "image 2 missing (a name with spaces)" 'rm -f "$E2E_RUN_DIR/${SHOW_IMAGES[2]}"'
box "$FAULT_LOADER_CAPTION" "ei avaudu: ${SHOW_IMAGES[2]}" && decoder_box
finish_scenario 0

scenario "image 1 is a folder" 'rm -f "$E2E_RUN_DIR/${SHOW_IMAGES[1]}"; mkdir "$E2E_RUN_DIR/${SHOW_IMAGES[1]}"'
box "$FAULT_LOADER_CAPTION" "ei avaudu: ${SHOW_IMAGES[1]}" && decoder_box
finish_scenario 0

scenario "image 3 empty" ': >"$E2E_RUN_DIR/${SHOW_IMAGES[3]}"'
decoder_box
finish_scenario 0

scenario "image 0 progressive" 'fault_progressive_jpeg "$E2E_ASSETS/${SHOW_IMAGES[0]}" "$E2E_RUN_DIR/${SHOW_IMAGES[0]}"'
decoder_box
finish_scenario uniform

scenario "image 1 of 16384 x 16384 pixels" 'fault_huge_jpeg "$E2E_RUN_DIR/${SHOW_IMAGES[1]}"'
decoder_box
finish_scenario 0

scenario "music that is not an MP3" 'printf "not an MP3\n" >"$E2E_RUN_DIR/$SHOW_MUSIC"'
finish_scenario 0

scenario "no music file" 'rm -f "$E2E_RUN_DIR/$SHOW_MUSIC"'
finish_scenario 0

e2e_finish
