# Sourced by desktop.sh and resize.sh: the run folder, the photographs and
# the end by Escape. Each script sets NAME first and may define stop_more
# (called on exit) and between_photos.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
assets=${E2E_ASSETS:-$here/../../assets}
tmp=$(mktemp -d)
. "$here/../support/watch.sh"
show=
stop_more() { :; }
between_photos() { :; }
# timeout hands the signal on to the program.
trap '[ -n "$show" ] && kill -TERM "$show" 2>/dev/null; stop_more; drop_tmp' EXIT
running() { kill -0 "$show" 2>/dev/null; }

# start_show COMMAND...: the program (the last word) in a run folder of its
# own with the assets, under a time limit; the expected slide 0 beside it.
start_show() {
    mkdir "$tmp/run"
    cp "$assets"/* "$tmp/run/"
    "${E2E_DECODER:?}" "$assets/drooo.jpg" "$tmp/slide0.pam" >/dev/null || fail "decoding drooo.jpg"
    (cd "$tmp/run" && exec "${@:1:$#-1}" timeout -k 5 60 "${@: -1}") >"$tmp/log" 2>&1 &
    show=$!
}

# photograph_slide0 DISPLAY SECONDS: photographs of that whole screen until
# one shows slide 0 in its centred 4:3 area with black bars (photo.py).
photograph_slide0() {
    local deadline=$((SECONDS + $2)) shown=
    while [ $SECONDS -lt $deadline ] && running; do
        between_photos
        timeout 20 import -display "$1" -window root -depth 8 "ppm:$tmp/photo.ppm" 2>/dev/null &&
            python3 "$here/photo.py" "$tmp/photo.ppm" "$tmp/slide0.pam" >"$tmp/photo.txt" &&
            shown=1 && break
        sleep 0.5
    done
    cat "$tmp/photo.txt" 2>/dev/null
    ok "slide 0 in the centred 4:3 area, black bars" [ -n "$shown" ]
}

# escape_ends_show XDOTOOL_ARGS...: Escape pressed so; the show must end
# with status 0 within ten seconds.
escape_ends_show() {
    local status=
    timeout 10 xdotool "$@" key Escape 2>/dev/null
    for _ in $(seq 100); do
        running || { wait "$show"; status=$?; break; }
        sleep 0.1
    done
    show=
    ok "Escape ends the show with status 0 (status ${status:-none: still running})" [ "$status" = 0 ]
}
