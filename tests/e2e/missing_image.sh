#!/usr/bin/env bash
# One image missing: the loader's box ("khar bax"), then the decoder's
# (",-.-.-.-.-.-."), each found by caption and closed with Return; then the
# show runs with the other slides, the missing one a single-colour texture.
source "$(dirname "$0")/show_lib.sh"

missing=1
show_prepare "${SHOW_IMAGES[$missing]}" || exit 1
export SDL_AUDIODRIVER=dummy
e2e_start 90 "$E2E_PROGRAM"

if box=$(e2e_wait_window "khar bax" 30); then
    echo "open failure box: windows up: $(e2e_window_names | paste -sd '|')"
    e2e_check "the decoder's box waits for the loader's" eval '! e2e_find_window ",-.-.-.-.-.-." >/dev/null'
    e2e_dismiss_box "$box"
else
    e2e_fail "no \"khar bax\" box"
fi
if box=$(e2e_wait_window ",-.-.-.-.-.-." 15); then
    e2e_check "the loader's box is gone" eval '! e2e_find_window "khar bax" >/dev/null'
    e2e_dismiss_box "$box"
else
    e2e_fail "no \",-.-.-.-.-.-.\" box after the first was closed"
    e2e_finish
    exit 1
fi

if show_wait_first_frame 30; then
    # The three remaining slides are the candidates: the screen must match
    # the wanted one and not the others.
    e2e_check "slide 0 shown" show_check_slide 0 slide_0 0 2 3
    show_sleep_until 15
    e2e_screenshot "$E2E_TMP/slide_1.ppm"
    printf 'missing slide at %ss: ' "$(e2e_since "$SHOW_FIRST_FRAME")"
    e2e_check "the missing slide is one colour" "$E2E_SCREENCHECK" uniform "$E2E_TMP/slide_1.ppm"
    show_sleep_until 25
    e2e_check "slide 2 shown" show_check_slide 2 slide_2 0 2 3
    e2e_key "$SHOW_WINDOW" Escape
    if e2e_wait_exit 3; then
        e2e_check "ends with status 0" [ "$E2E_STATUS" = 0 ]
    else
        e2e_fail "Escape did not end the show"
    fi
else
    e2e_fail "the show did not start after the boxes were closed"
fi
e2e_finish
