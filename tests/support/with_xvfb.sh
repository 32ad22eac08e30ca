#!/usr/bin/env bash
# with_xvfb.sh [-s WIDTHxHEIGHT[xDEPTH]] COMMAND [ARGS...]
# Runs COMMAND on a private Xvfb screen (default 1024x768, 24-bit, GLX) and
# exits with its status. Xvfb picks a free display number itself and writes it
# to a file (-displayfd), so any number of these can run side by side.
set -u
size=1024x768
[ "${1:-}" = -s ] && size=$2 && shift 2
screen=$size
[[ $size == *x*x* ]] || screen=${size}x24
dir=$(mktemp -d)
xvfb=
stop() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT

# A start can fail when another server takes the same number at that moment.
for attempt in 1 2 3; do
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset +extension GLX \
        3>"$dir/display" >"$dir/log" 2>&1 &
    xvfb=$!
    for _ in $(seq 200); do
        [ -s "$dir/display" ] || ! kill -0 "$xvfb" 2>/dev/null && break
        sleep 0.05
    done
    [ -s "$dir/display" ] && break
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=
    echo "with_xvfb: attempt $attempt failed: $(tail -n 3 "$dir/log")" >&2
done
if [ -z "$xvfb" ]; then
    echo "with_xvfb: cannot start Xvfb" >&2
    exit 1
fi
export DISPLAY=":$(head -n 1 "$dir/display")"
"$@"
