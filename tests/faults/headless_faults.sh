#!/usr/bin/env bash
# The show with no display at all: set-up fails with the window-initialisation
# message, which (no box can be shown) goes to stderr with every later
# message; the images are still loaded and decoded one after another, and
# the program ends with status 0. Faulty images in the folder make the load
# step's messages visible, so their exact texts and order are checked here:
#
#   drooo.jpg            empty                -> decoder
#   08-iso_remix.jpg     missing              -> loader ("ei avaudu: ..."), decoder
#   Harno ... moro.jpg   a folder             -> loader, decoder
#   Quorvath04_iso.jpg   progressive          -> decoder
# then, in a second run, a 16384 x 16384 JPEG, an unreadable file (run as
# the user nobody: root reads any file), a music file that is not an MP3 and
# no sound device; and a third run with every asset intact: the set-up
# message alone.
source "$(dirname "$0")/faults_lib.sh"
: "${E2E_PROGRAM:?}" "${E2E_ASSETS:?}"
e2e_init
unset DISPLAY WAYLAND_DISPLAY

# messages LOG: the program's messages, one "caption: text" a line.
messages() {
    grep -E "^(you fail|$FAULT_LOADER_CAPTION|$FAULT_DECODER_CAPTION): " "$1" || true
}

# run_headless NAME RUNNER...: runs the program in $E2E_RUN_DIR, checks that
# it ends by itself with status 0 and leaves its output in $E2E_TMP/NAME.log.
run_headless() {
    local name=$1; shift
    local status=0
    (cd "$E2E_RUN_DIR" && timeout -k 5 60 "$@" "$program") >"$E2E_TMP/$name.log" 2>&1 || status=$?
    e2e_check "$name: ends by itself with status 0" [ "$status" = 0 ]
    e2e_check "$name: no sanitizer or crash report" eval \
        "! grep -qE 'runtime error|ERROR: AddressSanitizer|Segmentation|Aborted' '$E2E_TMP/$name.log'"
}

# A copy of the program that the user nobody can run, wherever the build
# tree lies.
program="$E2E_TMP/cquorvath"
cp "$E2E_PROGRAM" "$program"
chmod 755 "$E2E_TMP" "$program"

decoder="$FAULT_DECODER_CAPTION: $FAULT_DECODER_TEXT"
setup="you fail: some window init failzz"

# 1: empty, missing, folder, progressive.
e2e_stage_assets "$E2E_ASSETS"
run=$E2E_RUN_DIR
: >"$run/${SHOW_IMAGES[0]}"
rm -f "$run/${SHOW_IMAGES[1]}"
rm -f "$run/${SHOW_IMAGES[2]}"
mkdir "$run/${SHOW_IMAGES[2]}"
fault_progressive_jpeg "$E2E_ASSETS/${SHOW_IMAGES[3]}" "$run/${SHOW_IMAGES[3]}"
run_headless files env SDL_AUDIODRIVER=dummy
expected=$(printf '%s\n' "$setup" "$decoder" \
    "$FAULT_LOADER_CAPTION: ei avaudu: ${SHOW_IMAGES[1]}" "$decoder" \
    "$FAULT_LOADER_CAPTION: ei avaudu: ${SHOW_IMAGES[2]}" "$decoder" "$decoder")
e2e_check "files: the messages, in order" [ "$(messages "$E2E_TMP/files.log")" = "$expected" ]

# 2: huge, unreadable (as nobody), not an MP3, no sound device.
rm -rf "$run"
e2e_stage_assets "$E2E_ASSETS"
fault_huge_jpeg "$run/${SHOW_IMAGES[0]}"
chmod 000 "$run/${SHOW_IMAGES[3]}"
printf 'not an MP3\n' >"$run/$SHOW_MUSIC"
chmod 755 "$E2E_TMP" "$run"
chmod 644 "$run/${SHOW_IMAGES[0]}" "$run/${SHOW_IMAGES[1]}" "$run/${SHOW_IMAGES[2]}" "$run/$SHOW_MUSIC"
run_headless more setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
    env SDL_AUDIODRIVER=no-such-driver "ASAN_OPTIONS=$ASAN_OPTIONS"
expected=$(printf '%s\n' "$setup" "$decoder" \
    "$FAULT_LOADER_CAPTION: ei avaudu: ${SHOW_IMAGES[3]}" "$decoder")
e2e_check "more: the messages, in order" [ "$(messages "$E2E_TMP/more.log")" = "$expected" ]

# 3: every asset intact.
rm -rf "$run"
e2e_stage_assets "$E2E_ASSETS"
run_headless intact env SDL_AUDIODRIVER=dummy
e2e_check "intact: the set-up message alone" [ "$(messages "$E2E_TMP/intact.log")" = "$setup" ]

if [ "$E2E_FAILURES" -gt 0 ]; then
    for f in files more intact; do echo "--- $f"; cat "$E2E_TMP/$f.log" 2>/dev/null; done
fi
e2e_finish
