#!/usr/bin/env bash
# One fault put into the show's folder (or its surroundings), then the real
# program on a private X screen: the boxes it must show, one at a time and
# closed with Return, the show then running with what remains, Escape, and
# exit status 0.
#
#   windowed_fault.sh SCENARIO
#
# missing-N     image N (0..3) absent: "khar bax", then ",-.-.-.-.-.-."
# folder        image 1 is a folder: "khar bax", then ",-.-.-.-.-.-."
# unreadable    image 2 without read permission (the program runs as the
#               unprivileged user nobody, since root reads any file):
#               "khar bax", then ",-.-.-.-.-.-."
# empty         image 3 is an empty file: ",-.-.-.-.-.-."
# progressive   image 0 saved progressive: ",-.-.-.-.-.-."
# huge          image 1 is a baseline JPEG of 16384 x 16384: ",-.-.-.-.-.-."
# bad-mp3       the music is not an MP3: no box, the show runs silent
# no-mp3        no music file: no box, the show runs silent
# no-sound      no sound device (an unknown SDL audio driver): no box
# no-fbo        a GL driver without the framebuffer-object extensions:
#               "you fail" (the render-texture message), no frames; the
#               images are still decoded (image 3 is left empty, so the
#               decoder's box shows that the load step ran to its end) and
#               the program ends by itself
source "$(dirname "$0")/faults_lib.sh"

scenario=${1:?scenario}
export SDL_AUDIODRIVER=dummy
boxes=()
slide_check=0        # the slide whose picture must be on screen, or "uniform"
runner=()
program=$E2E_PROGRAM
listen=0             # 1: the sound device is a file, which must stay silent

show_prepare || exit 1
run=$E2E_RUN_DIR
case $scenario in
    missing-[0-3])
        i=${scenario#missing-}
        rm -f "$run/${SHOW_IMAGES[$i]}"
        boxes=("$FAULT_LOADER_CAPTION" "$FAULT_DECODER_CAPTION")
        [ "$i" = 0 ] && slide_check=uniform
        ;;
    folder)
        rm -f "$run/${SHOW_IMAGES[1]}"
        mkdir "$run/${SHOW_IMAGES[1]}"
        boxes=("$FAULT_LOADER_CAPTION" "$FAULT_DECODER_CAPTION")
        ;;
    unreadable)
        chmod 000 "$run/${SHOW_IMAGES[2]}"
        chmod 755 "$E2E_TMP" "$run"
        chmod 644 "$run/${SHOW_IMAGES[0]}" "$run/${SHOW_IMAGES[1]}" "$run/${SHOW_IMAGES[3]}" "$run/$SHOW_MUSIC"
        # A copy the user nobody can run, wherever the build tree lies.
        program="$E2E_TMP/cquorvath"
        cp "$E2E_PROGRAM" "$program"
        chmod 755 "$program"
        runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env)
        runner+=(env "DISPLAY=$DISPLAY" SDL_AUDIODRIVER=dummy "ASAN_OPTIONS=$ASAN_OPTIONS")
        boxes=("$FAULT_LOADER_CAPTION" "$FAULT_DECODER_CAPTION")
        ;;
    empty)
        : >"$run/${SHOW_IMAGES[3]}"
        boxes=("$FAULT_DECODER_CAPTION")
        ;;
    progressive)
        fault_progressive_jpeg "$E2E_ASSETS/${SHOW_IMAGES[0]}" "$run/${SHOW_IMAGES[0]}"
        boxes=("$FAULT_DECODER_CAPTION")
        slide_check=uniform
        ;;
    huge)
        fault_huge_jpeg "$run/${SHOW_IMAGES[1]}"
        boxes=("$FAULT_DECODER_CAPTION")
        ;;
    bad-mp3)
        printf 'ID3 this is not an MP3 stream at all\n%.0s' $(seq 1 500) >"$run/$SHOW_MUSIC"
        listen=1
        ;;
    no-mp3)
        rm -f "$run/$SHOW_MUSIC"
        listen=1
        ;;
    no-sound)
        export SDL_AUDIODRIVER=no-such-driver
        ;;
    no-fbo)
        # Mesa's own switch: the extensions vanish from GL_EXTENSIONS, as on
        # a driver that never had them.
        export MESA_EXTENSION_OVERRIDE="-GL_EXT_framebuffer_object -GL_ARB_framebuffer_object"
        : >"$run/${SHOW_IMAGES[3]}"
        boxes=("you fail" "$FAULT_DECODER_CAPTION")
        ;;
    *)
        echo "unknown scenario $scenario"
        exit 2
        ;;
esac

if [ "$listen" = 1 ]; then
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/audio.raw"
fi
e2e_start 90 "${runner[@]}" "$program"
fault_expect_boxes "${boxes[@]}"

if [ "$scenario" = no-fbo ]; then
    # Set-up failed: the images were decoded, then the program returns
    # without a frame.
    if e2e_wait_exit 30; then
        e2e_check "ends with status 0" [ "$E2E_STATUS" = 0 ]
        e2e_check "no frame: the program ran well under the show's minute" \
            e2e_between "$(e2e_since "$E2E_START_TIME" "$E2E_EXIT_TIME")" 0 20
    else
        e2e_fail "the program did not end by itself"
    fi
    e2e_finish
    exit
fi

if [ "$slide_check" = uniform ]; then
    # Slide 0 itself is the faulty one: one flat colour where it would be.
    if SHOW_WINDOW=$(e2e_wait_window "$SHOW_TITLE" 30); then
        sleep 1
        e2e_screenshot "$E2E_TMP/slide_0.ppm"
        e2e_check "the faulty slide 0 is one colour" "$E2E_SCREENCHECK" uniform "$E2E_TMP/slide_0.ppm"
    else
        e2e_fail "the show's window did not appear"
    fi
elif show_wait_first_frame 30; then
    e2e_log "slide 0 on screen"
else
    e2e_fail "slide 0 never appeared"
fi
if [ -n "$SHOW_WINDOW" ]; then
    fault_no_more_boxes
    e2e_check "still running" e2e_running
    fault_end_with_escape
fi
if [ "$listen" = 1 ]; then
    # The device was opened and played to (the file grew), but only silence.
    e2e_check "the sound device was opened" [ -s "$E2E_TMP/audio.raw" ]
    e2e_check "the show was silent" eval '! "$E2E_SCREENCHECK" audio "$E2E_TMP/audio.raw"'
fi
e2e_finish
