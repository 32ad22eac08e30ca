# What the end-to-end scripts share about this show (the generic X and
# process handling is lib/harness.sh). Inputs, from CTest's environment:
#   E2E_PROGRAM      the program to run
#   E2E_ASSETS       folder with the five assets
#   E2E_DECODER      the project's decoder tool (IN.jpg OUT.pam); when unset,
#                    djpeg stands in so the harness can be tried early
#   E2E_SCREENCHECK  the screencheck tool
#   E2E_SEND_CLOSE   the send_close helper
# shellcheck source=lib/harness.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"

SHOW_TITLE="cquorvath iso"
SHOW_IMAGES=("drooo.jpg" "08-iso_remix.jpg" "Harno Quorvath - Ashenthornveil - moro.jpg" "Quorvath04_iso.jpg")
SHOW_MUSIC="lumora.mp3"
SHOW_FIRST_FRAME=""   # e2e_now of the first screenshot that showed slide 0
# The first frame came after the start of the screenshot before that one
# and before the end of that one.
SHOW_FIRST_FRAME_EARLIEST=""
SHOW_FIRST_FRAME_LATEST=""
SHOW_WINDOW=""

# Stand-in assets for a tree where the real ones have not landed: four
# distinct pictures whose orientation shows (a bright bar near the first
# row) and a minute of tones.
show_make_standins() {
    local dir=$1 i colours=("red-navy" "gold-darkgreen" "white-black" "cyan-purple")
    mkdir -p "$dir"
    for i in 0 1 2 3; do
        convert -size 1024x768 "gradient:${colours[$i]}" -fill white \
            -draw "rectangle $((100 + 150 * i)),40 $((400 + 150 * i)),120" \
            -fill black -draw "circle 700,500 760,560" ppm:- |
            cjpeg -quality 90 >"$dir/${SHOW_IMAGES[$i]}"
    done
    sox -n -r 44100 -c 2 "$dir/music.wav" synth 65 sine 220 sine 330 vol 0.5 2>/dev/null
    lame --quiet "$dir/music.wav" "$dir/$SHOW_MUSIC"
    rm -f "$dir/music.wav"
}

# show_prepare [IMAGE_TO_LEAVE_OUT]: private X screen, the assets in a run
# folder and the expected screen of every slide as $E2E_TMP/expect_N.ppm.
show_prepare() {
    : "${E2E_PROGRAM:?}" "${E2E_SCREENCHECK:?}"
    e2e_init
    local src=${E2E_ASSETS:-} f i
    for f in "${SHOW_IMAGES[@]}" "$SHOW_MUSIC"; do
        if [ -z "$src" ] || [ ! -f "$src/$f" ]; then src=""; fi
    done
    if [ -z "$src" ]; then
        echo "note: assets not found, using generated stand-ins"
        src="$E2E_TMP/standins"
        show_make_standins "$src"
    fi
    e2e_stage_assets "$src" "$@"
    for i in 0 1 2 3; do
        if [ -n "${E2E_DECODER:-}" ]; then
            "$E2E_DECODER" "$src/${SHOW_IMAGES[$i]}" "$E2E_TMP/decoded_$i.pam" >/dev/null
        else
            djpeg -pnm "$src/${SHOW_IMAGES[$i]}" >"$E2E_TMP/decoded_$i.pam"
        fi || { e2e_fail "decoding ${SHOW_IMAGES[$i]} for the expected picture"; return 1; }
        "$E2E_SCREENCHECK" expect "$E2E_TMP/decoded_$i.pam" "$i" "$E2E_TMP/expect_$i.ppm" >/dev/null ||
            { e2e_fail "rendering the expected slide $i"; return 1; }
    done
    e2e_start_xvfb
}

# show_expect_paths WANTED [SLIDE...]: the expected pictures, the wanted
# slide first and then every other slide (or the ones named).
show_expect_paths() {
    local want=$1 i; shift
    local others=("$@")
    [ ${#others[@]} -gt 0 ] || others=(0 1 2 3)
    echo "$E2E_TMP/expect_$want.ppm"
    for i in "${others[@]}"; do
        [ "$i" = "$want" ] || echo "$E2E_TMP/expect_$i.ppm"
    done
}

# show_check_slide SLIDE NAME [OTHER_SLIDES...]: screenshot now, which must
# show SLIDE and none of the others.
show_check_slide() {
    local slide=$1 name=$2; shift 2
    local shot="$E2E_TMP/$name.ppm" paths
    e2e_screenshot "$shot"
    mapfile -t paths < <(show_expect_paths "$slide" "$@")
    printf '%s (t=%ss): ' "$name" "$(e2e_since "$SHOW_FIRST_FRAME")"
    "$E2E_SCREENCHECK" match "$shot" "${paths[@]}"
}

# show_sleep_until SECONDS: sleeps until SECONDS after the first frame.
show_sleep_until() {
    local left
    left=$(awk -v t0="$SHOW_FIRST_FRAME" -v s="$1" -v n="$(e2e_now)" 'BEGIN { d = t0 + s - n; printf "%.3f", (d > 0 ? d : 0) }')
    sleep "$left"
}

# show_wait_first_frame SECONDS: waits for the show's window and for slide 0
# on screen; sets SHOW_WINDOW and SHOW_FIRST_FRAME.
show_wait_first_frame() {
    local deadline
    deadline=$(awk -v n="$(e2e_now)" -v s="$1" 'BEGIN { printf "%.3f", n + s }')
    SHOW_WINDOW=$(e2e_wait_window "$SHOW_TITLE" "$1") || return 1
    SHOW_WINDOW_SEEN=$(e2e_now)
    local shot="$E2E_TMP/first.ppm" taken
    # Until the first frame the window holds set-up's black clear: slide 0
    # must be told from that (and only that), which keeps each poll short.
    local black="$E2E_TMP/black.ppm"
    { printf 'P6\n1024 768\n255\n'; head -c $((1024 * 768 * 3)) /dev/zero; } >"$black"
    local paths=("$E2E_TMP/expect_0.ppm" "$black")
    SHOW_FIRST_FRAME_EARLIEST=$E2E_START_TIME
    while e2e_between "$(e2e_now)" 0 "$deadline"; do
        taken=$(e2e_now)
        e2e_screenshot "$shot"
        if "$E2E_SCREENCHECK" match "$shot" "${paths[@]}" >"$E2E_TMP/first.txt"; then
            SHOW_FIRST_FRAME=$taken
            SHOW_FIRST_FRAME_LATEST=$(e2e_now)
            e2e_log "first frame: $(cat "$E2E_TMP/first.txt")"
            return 0
        fi
        SHOW_FIRST_FRAME_EARLIEST=$taken
        e2e_running || return 1
        sleep 0.05
    done
    return 1
}
