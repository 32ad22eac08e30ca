#!/usr/bin/env bash
# The whole show once, as a user sees and hears it: each slide inside its
# ten seconds, the last frame kept after forty, the end about sixty seconds
# after the first frame, and the music written out through SDL's disk audio
# driver, started only once the images were read and decoded.
source "$(dirname "$0")/show_lib.sh"

show_prepare || exit 1
audio="$E2E_TMP/audio.raw"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
e2e_start 90 "$E2E_PROGRAM"

if ! show_wait_first_frame 30; then
    e2e_fail "the show's window with slide 0 did not appear"
    e2e_finish
    exit 1
fi
e2e_log "window seen, first frame $(e2e_since "$SHOW_WINDOW_SEEN" "$SHOW_FIRST_FRAME") s later"

# Inside each ten-second window, away from the edges.
for slide in 0 1 2 3; do
    show_sleep_until $((10 * slide + 5))
    e2e_check "slide $slide shown at $((10 * slide + 5)) s" show_check_slide "$slide" "slide_$slide"
    [ "$slide" = 0 ] && audio_size_early=$(stat -c %s "$audio" 2>/dev/null || echo 0)
done
# From 40 s nothing new is drawn; the last slide stays on screen.
show_sleep_until 50
e2e_check "last slide kept at 50 s" show_check_slide 3 after_40
audio_size_late=$(stat -c %s "$audio" 2>/dev/null || echo 0)
e2e_check "still running at 50 s" e2e_running

if e2e_wait_exit 25; then
    # The first frame is known to lie between two screenshots: the run
    # lasted between these two figures, and 60 s must fit.
    longest=$(e2e_since "$SHOW_FIRST_FRAME_EARLIEST" "$E2E_EXIT_TIME")
    shortest=$(e2e_since "$SHOW_FIRST_FRAME_LATEST" "$E2E_EXIT_TIME")
    echo "ended between ${shortest} and ${longest} s after the first frame"
    e2e_check "does not end before 60 s" e2e_between "$longest" 59.8 1e9
    e2e_check "ends by itself soon after 60 s" e2e_between "$shortest" 0 62.5
    e2e_check "exit status 0" [ "$E2E_STATUS" = 0 ]
else
    e2e_fail "still running 75 s after the first frame"
fi

# The music.
timestamp() { date -d "$1" +%s.%N; }
if [ -s "$audio" ]; then
    e2e_check "music written out and not silent" "$E2E_SCREENCHECK" audio "$audio"
    e2e_check "music kept streaming during the show" [ "$audio_size_late" -gt "$audio_size_early" ]
    born=$(stat -c %w "$audio")
    if [ "$born" != "-" ]; then
        audio_open=$(timestamp "$born")
        last_read=0
        for img in "${SHOW_IMAGES[@]}"; do
            t=$(timestamp "$(stat -c %x "$E2E_RUN_DIR/$img")")
            e2e_between "$t" "$last_read" 1e12 && last_read=$t
        done
        echo "audio opened $(e2e_since "$last_read" "$audio_open") s after the last image was read," \
             "$(e2e_since "$audio_open" "$SHOW_FIRST_FRAME") s before the first frame was seen"
        e2e_check "music starts after every image was read" e2e_between "$audio_open" "$last_read" 1e12
        # Decoding happens between the last read and the music; the first
        # frame follows the music at once. The frame lies between two
        # screenshots, so the music must start before the later one and at
        # most a second before the earlier one.
        e2e_check "music starts just before the first frame" \
            e2e_between "$audio_open" \
                "$(awk -v t="$SHOW_FIRST_FRAME_EARLIEST" 'BEGIN { printf "%.3f", t - 1.0 }')" \
                "$SHOW_FIRST_FRAME_LATEST"
    else
        echo "note: this file system keeps no birth time; music start order not checked"
    fi
else
    e2e_fail "no audio written to $audio"
fi

e2e_finish
