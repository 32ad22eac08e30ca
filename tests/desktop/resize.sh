#!/usr/bin/env bash
# The show on a plain X server whose screen has no 1024 x 768 mode (run this
# under tests/support/with_xvfb.sh -s 1280x1024): the box says so and the
# show goes on in a 1024 x 768 window; that window then made as large as the
# screen, as a window manager's maximise would, shows slide 0 in its centred
# 4:3 area with black bars above and below. Escape ends it with status 0.
#   resize.sh PROGRAM
# Environment: E2E_DECODER, E2E_ASSETS, E2E_KEEP as for desktop.sh.
set -u
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
assets=${E2E_ASSETS:-$here/../../assets}
tmp=$(mktemp -d)
failures=0
show=
cleanup() {
    [ -n "$show" ] && kill -TERM "$show" 2>/dev/null
    if [ "$failures" = 0 ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$tmp"; else echo "kept: $tmp"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
finish() {
    [ "$failures" = 0 ] || { echo "--- program output"; tail -n 20 "$tmp/show.log"; }
    echo "resize: $failures failed"
    exit $((failures > 0))
}
# window NAME: the id of the viewable window so named, waiting up to 20 s.
window() {
    local id
    for _ in $(seq 200); do
        id=$(timeout 10 xwininfo -root -children |
            sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\": .*/\1/p" | while read -r w; do
                timeout 10 xwininfo -id "$w" | grep -q IsViewable && echo "$w"
            done | head -n 1)
        [ -n "$id" ] && echo "$id" && return
        kill -0 "$show" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

mkdir "$tmp/run"
cp "$assets"/* "$tmp/run/"
"${E2E_DECODER:?}" "$assets/drooo.jpg" "$tmp/slide0.pam" >/dev/null || fail "decoding drooo.jpg"
(cd "$tmp/run" && SDL_AUDIODRIVER=dummy exec timeout -k 5 60 "$program") >"$tmp/show.log" 2>&1 &
show=$!

box=$(window "you fail") || { fail "no box for the missing mode"; finish; }
timeout 10 xdotool key --window "$box" Return 2>/dev/null
id=$(window "cquorvath iso") || { fail "no window"; finish; }
timeout 10 xdotool windowsize "$id" 1280 1024 windowmove "$id" 0 0

shown=
deadline=$((SECONDS + 20))
while [ $SECONDS -lt $deadline ]; do
    timeout 20 import -window root -depth 8 "ppm:$tmp/photo.ppm" 2>/dev/null &&
        python3 "$here/photo.py" "$tmp/photo.ppm" "$tmp/slide0.pam" >"$tmp/photo.txt" && shown=1 && break
    kill -0 "$show" 2>/dev/null || break
    sleep 0.5
done
cat "$tmp/photo.txt" 2>/dev/null
[ -n "$shown" ] && echo "ok: slide 0 in the window's centred 4:3 area, black bars" ||
    fail "slide 0 in the window's centred 4:3 area, black bars"

timeout 10 xdotool windowfocus --sync "$id" key Escape 2>/dev/null
status=
for _ in $(seq 100); do
    kill -0 "$show" 2>/dev/null || { wait "$show"; status=$?; break; }
    sleep 0.1
done
show=
[ "$status" = 0 ] && echo "ok: Escape ends the show with status 0" ||
    fail "Escape ends the show with status 0 (status ${status:-none: still running})"
finish
