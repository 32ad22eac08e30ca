#!/usr/bin/env bash
# The show on the current X screen (run it under tests/support/with_xvfb.sh),
# watched and driven from outside as a user would:
#   show.sh full|escape|close|missing|no-render-texture PROGRAM [ARGS...]
# full      the music to SDL's disk audio driver: each slide in its ten
#           seconds, nothing new after 40 s, other keys ignored, the end
#           60-62.5 s after the first frame with status 0, the music started
#           after the images were read and not silent
# escape    slide 0, then Escape ends the show with status 0
# close     a close request as soon as the window is up ends it, status 0
# missing   no image 1: the loader's box, then the decoder's, each alone and
#           closed with Return; slide 1 one colour, slides 2 and 3 shown
# no-render-texture  a GL without framebuffer objects, an empty image 3:
#           "you fail", then the decoder's box; no frame, status 0
# Environment: E2E_DECODER (native jpegdecode, for the expected pictures),
# E2E_SEND_CLOSE, E2E_GRAB (grab, the screenshots; import without it),
# E2E_ASSETS (default: assets/), E2E_KEEP.
set -u
mode=$1 NAME=$1
shift
[ -f "$1" ] && set -- "$(realpath "$1")" "${@:2}"
here=$(cd "$(dirname "$0")" && pwd)
assets=${E2E_ASSETS:-$here/../../assets}
images=("drooo.jpg" "08-iso_remix.jpg" "Harno Quorvath - Ashenthornveil - moro.jpg" "Quorvath04_iso.jpg")
boxes=("khar bax" ",-.-.-.-.-.-." "you fail")
tmp=$(mktemp -d)
. "$here/../support/watch.sh"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} SDL_AUDIODRIVER=dummy
trap '[ -e "$tmp/pid" ] && kill -KILL -- "-$(cat "$tmp/pid")" 2>/dev/null; drop_tmp' EXIT

now() { echo "$EPOCHREALTIME"; }
# to_us SECONDS: REPLY becomes the time in whole microseconds (no process
# started: the screenshot loops run on machines too busy to start many).
to_us() {
    local f=000000
    [[ $1 == *.* ]] && f=${1#*.}000000
    REPLY=$((${1%.*} * 1000000 + 10#${f:0:6}))
}
calc() { awk "BEGIN { printf \"%.2f\", ($*) }"; }
# start SECONDS CMD...: the program in the run folder, under a time limit.
start() {
    (cd "$tmp/run" && timeout -k 5 "$1" "${@:2}" >"$tmp/log" 2>&1 &
        echo $! >"$tmp/pid"
        wait $!
        echo $? >"$tmp/status") &
    started=$(now)
}
running() { [ ! -e "$tmp/status" ]; }
# wait_exit SECONDS: sets status and ended.
wait_exit() {
    local until_=$(calc "$(now) + $1")
    while running; do
        [ "$(calc "$(now) > $until_")" = 1.00 ] && return 1
        sleep 0.02
    done
    ended=$(stat -c %.9Y "$tmp/status")
    status=$(cat "$tmp/status")
    rm -f "$tmp/pid"
}
# quick_exit WHAT: the show ends at once, status 0 (within 20 s: a loaded
# machine may still be loading; the show's own end is a minute away).
quick_exit() { wait_exit 20 && ok "$1 ends the show with status 0" [ "$status" = 0 ] || fail "$1 did not end the show"; }
key() { timeout 10 xdotool windowfocus --sync "$1" && timeout 10 xdotool key "${@:2}"; }
# box CAPTION...: each box comes alone and goes when Return is pressed.
box() {
    local caption id
    for caption in "$@"; do
        id=$(window "$caption" 30) || { fail "no box \"$caption\""; return 1; }
        ok "box \"$caption\" alone" [ "$(windows | cut -d' ' -f2- | grep -cxF "${boxes[@]/#/-e}")" = 1 ]
        answered=$(now)
        timeout 10 xdotool key --window "$id" Return
        for _ in $(seq 100); do
            timeout 10 xwininfo -id "$id" 2>/dev/null | grep -q IsViewable || break
            sleep 0.05
        done
    done
}
# shot NAME: a screenshot into NAME.ppm, the screen read between shot_from
# and shot_to (grab's times around the read, or import's whole run).
shot() {
    local times
    if [ -n "${E2E_GRAB:-}" ]; then
        times=$(timeout 20 "$E2E_GRAB" "$tmp/$1.ppm") && read -r shot_from shot_to <<<"$times"
        return
    fi
    shot_from=$EPOCHREALTIME
    timeout 20 import -window root -depth 8 "ppm:$tmp/$1.ppm" 2>/dev/null || return
    shot_to=$EPOCHREALTIME
}
sleep_until() { sleep "$(calc "$first + $1 - $(now)" | sed 's/^-.*/0/')"; }
# first_frame SECONDS: waits for slide 0 on screen and brackets the first
# frame between earliest and latest (README.md, Timing); first is halfway.
# The show's window is looked for beside the screenshots (see window_id).
first_frame() {
    local answer until_us
    earliest=${answered:-$started}
    to_us "$EPOCHREALTIME" && until_us=$((REPLY + $1 * 1000000))
    window "cquorvath iso" "$1" >"$tmp/id" &
    finder=$!
    coproc judge { python3 "$here/screen.py" watch 0 "${pams[0]}" - - - 2>/dev/null; }
    while running && to_us "$EPOCHREALTIME" && [ "$REPLY" -le "$until_us" ]; do
        shot first || continue
        echo "$tmp/first.ppm" >&"${judge[1]}"
        read -r answer <&"${judge[0]}" || break
        if [ "$answer" = yes ]; then
            latest=$shot_to
            first=$(calc "($earliest + $latest) / 2")
            echo "first frame within $(calc "$latest - $earliest") s"
            eval "exec ${judge[1]}>&-"
            return
        fi
        earliest=$shot_from
    done
    [ -n "${judge[1]:-}" ] && eval "exec ${judge[1]}>&-"
    kill "$finder" 2>/dev/null
    return 1
}
# window_id: id becomes the show's window once first_frame's search ends.
window_id() {
    while kill -0 "$finder" 2>/dev/null; do sleep 0.1; done
    id=$(cat "$tmp/id")
    [ -n "$id" ] || { fail "no window \"cquorvath iso\""; return 1; }
}
# take_in K NAME: a screenshot surely taken between show seconds 10K and
# 10K+10, half a second clear of either slide change, as NAME.ppm, aimed at
# the middle; one too early is taken again; none kept when none fits.
margin_us=500000
shot_took_us=500000
take_in() {
    local k=$1 e l from to start end
    to_us "$earliest" && e=$REPLY
    to_us "$latest" && l=$REPLY
    start=$((10 * k * 1000000 + margin_us)) end=$(((10 * k + 10) * 1000000 - margin_us))
    sleep_until "10 * $k + 5 - $shot_took_us / 2000000"
    while running; do
        # Even a screenshot begun now would end past the window.
        to_us "$EPOCHREALTIME"
        [ $((REPLY + shot_took_us - e)) -gt "$end" ] && break
        shot "$2" || continue
        running || break
        to_us "$shot_from" && from=$((REPLY - l))
        to_us "$shot_to" && to=$((REPLY - e))
        shot_took_us=$((to - from + e - l))
        echo -n "$2: taken $(calc "$from / 1e6")-$(calc "$to / 1e6") s after the first frame"
        [ "$from" -ge "$start" ] && [ "$to" -le "$end" ] && echo && return 0
        echo ", too close to a slide change"
        [ "$from" -lt "$start" ] || break
        sleep_until "($start + $l) / 1e6 - $first"
    done
    rm -f "$tmp/$2.ppm"
    echo "skipped: no screenshot fits inside the $((10 * k))-$((10 * k + 10)) s window"
    return 1
}
# verdict WHAT NAME CHECK ARGS...: the screen.py check on the screenshot
# take_in kept as NAME.ppm; skipped when it kept none.
verdict() {
    [ -e "$tmp/$2.ppm" ] || { echo "skipped: $1"; return; }
    ok "$1" python3 "$here/screen.py" "$3" "$tmp/$2.ppm" "${@:4}"
}

# The run folder and the expected pictures, from the project's decoder.
mkdir "$tmp/run"
cp "$assets"/* "$tmp/run/"
touch "$tmp/run"/*
pams=()
for i in 0 1 2 3; do
    "${E2E_DECODER:?}" "$assets/${images[$i]}" "$tmp/$i.pam" >/dev/null || fail "decoding ${images[$i]}"
    pams+=("$tmp/$i.pam")
done

case $mode in
full)
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/audio.raw
    start 100 "$@"
    first_frame 60 || { fail "no slide 0"; finish; }
    # The keys go in beside the screenshots, which must not wait for them.
    (window_id && key "$id" a space Return Tab q F4 Left BackSpace) &
    keys=$!
    for s in 0 1 2 3 4 5; do take_in "$s" "at_$s"; done
    ok "the other keys pressed" wait "$keys"
    if wait_exit 30; then
        echo "ended $(calc "$ended - $latest")-$(calc "$ended - $earliest") s after the first frame"
        ok "not before 60 s" [ "$(calc "$ended - $earliest >= 59.8")" = 1.00 ]
        ok "by 62.5 s" [ "$(calc "$ended - $latest <= 62.5")" = 1.00 ]
        ok "status 0" [ "$status" = 0 ]
    else
        fail "still running 85 s after the first frame"
    fi
    for s in 0 1 2 3 4 5; do
        n=$((s < 4 ? s : 3))
        verdict "slide $n in the $((10 * s))-$((10 * s + 10)) s window" "at_$s" slide "$n" "${pams[@]}"
    done
    ok "music not silent" python3 "$here/screen.py" loud "$tmp/audio.raw"
    read_at=$(stat -c %.9X "${images[@]/#/$tmp/run/}" | sort -n | tail -n 1)
    ok "music started after the images were read" \
        [ "$(calc "$(stat -c %.9W "$tmp/audio.raw") >= $read_at")" = 1.00 ]
    ;;
escape)
    start 100 "$@"
    first_frame 60 || { fail "no slide 0"; finish; }
    window_id || finish
    key "$id" Escape
    quick_exit Escape
    ;;
close)
    start 60 "$@"
    id=$(window "cquorvath iso" 30) || { fail "no window"; finish; }
    ok "the window covers the screen" eval 'timeout 10 xwininfo -id "$id" | grep -q "geometry 1024x768+0+0"'
    ok "its class is morlu" eval 'timeout 10 xprop -id "$id" WM_CLASS | grep -q "\"morlu\"$"'
    timeout 10 "${E2E_SEND_CLOSE:?}" "$id"
    quick_exit "a close request"
    ;;
missing)
    rm "$tmp/run/${images[1]}"
    pams[1]=-
    start 100 "$@"
    box "khar bax" ",-.-.-.-.-.-."
    first_frame 30 || { fail "no slide 0"; finish; }
    for s in 1 2 3; do take_in "$s" "at_$s"; done
    window_id || finish
    key "$id" Escape
    quick_exit Escape
    verdict "slide 1 is one colour" at_1 flat
    for s in 2 3; do verdict "slide $s shown" "at_$s" slide "$s" "${pams[@]}"; done
    ;;
no-render-texture)
    export MESA_EXTENSION_OVERRIDE="-GL_EXT_framebuffer_object -GL_ARB_framebuffer_object"
    : >"$tmp/run/${images[3]}"
    start 60 "$@"
    box "you fail" ",-.-.-.-.-.-."
    asked=$(now)
    wait_exit 20 && ok "ends by itself with status 0, no frame" \
        [ "$status:$(calc "$ended - $asked < 10")" = 0:1.00 ] || fail "did not end by itself"
    ;;
*) exec sed -n '2,17p' "$0" ;;
esac
finish
