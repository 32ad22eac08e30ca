#!/usr/bin/env bash
# Short runs of the show for the ways a user leaves it early.
#   short_run.sh escape      Escape ends it at once with status 0
#   short_run.sh escape-early  Escape while loading is kept and ends it too
#   short_run.sh close       a window manager's close request does the same
#   short_run.sh other-key   other keys change nothing; Escape still works
source "$(dirname "$0")/show_lib.sh"

mode=${1:?mode: escape, escape-early, close or other-key}
show_prepare || exit 1
export SDL_AUDIODRIVER=dummy
e2e_start 60 "$E2E_PROGRAM"

if [ "$mode" = escape-early ]; then
    # Escape while the images are still being decoded: the key waits in the
    # queue and ends the show at the first frame's message pump.
    if window=$(e2e_wait_window "$SHOW_TITLE" 30); then
        e2e_key "$window" Escape
        asked=$(e2e_now)
        if e2e_wait_exit 20; then
            echo "ended $(e2e_since "$asked" "$E2E_EXIT_TIME") s after Escape"
            e2e_check "Escape during loading ends the show with status 0" [ "$E2E_STATUS" = 0 ]
        else
            e2e_fail "Escape pressed during loading was lost"
        fi
    else
        e2e_fail "the show's window did not appear"
    fi
    e2e_finish
    exit
fi

if ! show_wait_first_frame 30; then
    e2e_fail "the show's window with slide 0 did not appear"
    e2e_finish
    exit 1
fi

# expect_quick_exit WHAT: the program must end within 3 s with status 0.
expect_quick_exit() {
    local asked
    asked=$(e2e_now)
    if e2e_wait_exit 3; then
        echo "$1 ended the show after $(e2e_since "$asked" "$E2E_EXIT_TIME") s"
        e2e_check "$1 ends the show with status 0" [ "$E2E_STATUS" = 0 ]
    else
        e2e_fail "$1 did not end the show within 3 s"
    fi
}

case $mode in
escape)
    geometry=$(xwininfo -id "$SHOW_WINDOW" | awk '/-geometry/ { print $2 }')
    e2e_check "the window covers the screen ($geometry)" [ "$geometry" = "1024x768+0+0" ]
    e2e_check "the window class is morlu" eval 'xprop -id "$SHOW_WINDOW" WM_CLASS | grep -q "\"morlu\"$"'
    e2e_key "$SHOW_WINDOW" Escape
    expect_quick_exit "Escape"
    ;;
close)
    e2e_send_close "$SHOW_WINDOW"
    expect_quick_exit "a close request"
    ;;
other-key)
    e2e_key "$SHOW_WINDOW" a space Return Tab q F4 Left BackSpace
    sleep 2
    e2e_check "other keys leave the show running" e2e_running
    e2e_check "and showing slide 0" show_check_slide 0 after_keys
    e2e_key "$SHOW_WINDOW" Escape
    expect_quick_exit "Escape after other keys"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
e2e_finish
