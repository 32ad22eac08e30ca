#!/usr/bin/env bash
# The show on a Wayland desktop with Xwayland, the compositor nested in the
# current X screen (run this under tests/support/with_xvfb.sh -s 1920x1080),
# so that a photograph of that screen is one of the desktop's whole output:
#   desktop.sh weston|mutter|kwin x11|wayland PROGRAM
# with SDL's default (X11, through Xwayland) or its Wayland driver. Slide 0
# in the output's centred 4:3 area, black bars beside it, no box; Escape on
# the outer screen ends the show with status 0. Environment: E2E_DECODER
# (native jpegdecode), E2E_ASSETS (default: assets/), E2E_KEEP.
set -u
desktop=$1 driver=$2 program=$(realpath "$3")
NAME="$desktop $driver"
. "$(dirname "$0")/common.sh"
compositor=
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
stop_more() {
    # The compositor first, so that dbus-run-session ends its bus and
    # leaves; then whatever is left of the session's process group.
    [ -n "$compositor" ] || return
    [ "$failures" = 0 ] || { echo "--- compositor output"; grep -v '^ ' "$tmp/compositor.log" | tail -n 20; }
    pkill -TERM -P "$compositor"
    for _ in $(seq 50); do kill -0 "$compositor" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
}

# The compositor, in a session bus of its own and a process group of its
# own. Each names its Xwayland display in its log; kwin instead starts a
# program given after its options with DISPLAY set to it.
wayland=wl-cq
case $desktop in
weston)
    session=(weston --backend=x11-backend.so --width=1920 --height=1080 --use-pixman --xwayland
        --idle-time=0 --socket=$wayland)
    display_of() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$tmp/compositor.log"; }
    ;;
mutter)
    export MUTTER_DEBUG_DUMMY_MODE_SPECS=1920x1080
    session=(mutter --nested --wayland-display=$wayland)
    display_of() { sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$tmp/compositor.log"; }
    ;;
kwin)
    # Debian's binary carries a file capability that an unprivileged or
    # container root may be refused; a plain copy runs the same.
    mkdir "$tmp/bin"
    cp "$(command -v kwin_wayland)" "$tmp/bin/kwin_wayland"
    printf '#!/bin/sh\necho "$DISPLAY $XAUTHORITY" >"%s/xwayland"\n' "$tmp" >"$tmp/inside"
    chmod +x "$tmp/inside"
    session=("$tmp/bin/kwin_wayland" --x11-display "$DISPLAY" --xwayland --width 1920 --height 1080
        --socket $wayland --no-lockscreen --no-global-shortcuts "$tmp/inside")
    display_of() { cut -d' ' -f1 "$tmp/xwayland" 2>/dev/null; }
    ;;
*) exec sed -n '2,9p' "$0" ;;
esac
# The show joins the session's bus, as a desktop's programs do (with none,
# SDL would have dbus-launch start a bus that outlives the run).
setsid dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0"; exec "$@"' \
    "$tmp/bus" "${session[@]}" >"$tmp/compositor.log" 2>&1 &
compositor=$!
for _ in $(seq 300); do
    xwayland=$(display_of)
    [ -z "$xwayland" ] && kill -0 "$compositor" 2>/dev/null && sleep 0.1 || break
done
[ -n "$xwayland" ] || { fail "$desktop named no Xwayland display"; finish; }
# mutter guards its Xwayland with a cookie file in the runtime folder.
cookie=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n 1)
inner=(env DISPLAY="$xwayland" WAYLAND_DISPLAY=$wayland DBUS_SESSION_BUS_ADDRESS="$(cat "$tmp/bus")"
    SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}")
[ -n "$cookie" ] && inner+=(XAUTHORITY="$cookie")
[ "$driver" = wayland ] && inner+=(SDL_VIDEODRIVER=wayland)
# The pointer where a user's hand leaves it, on the middle of the screen;
# an output's corner would show the compositor's arrow in a bar.
timeout 10 xdotool mousemove 960 540
start_show "${inner[@]}" "$program"

# A box is a window of the show's own X client, or a zenity it started
# (SDL's Wayland driver shows its boxes so).
boxes() {
    timeout 10 "${inner[@]}" xwininfo -root -tree 2>/dev/null | grep '"you fail"'
    pgrep -a -P "$(pgrep -P "$show" | head -n 1)" -x zenity
}
box=
between_photos() { [ -z "$(boxes)" ] || box=1; }
photograph_slide0 "$DISPLAY" 30
between_photos
ok "no box" [ -z "$box" ]
if [ "$driver" = x11 ]; then
    echo "window: $(timeout 10 "${inner[@]}" xwininfo -name "cquorvath iso" 2>/dev/null |
        sed -n 's/.*-geometry //p')"
fi

# Escape on the outer screen: the compositor passes it to its focused window.
escape_ends_show
finish
