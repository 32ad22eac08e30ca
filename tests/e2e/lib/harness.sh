# Shared shell harness for end-to-end runs of a windowed program on a private
# Xvfb screen. Source it from a bash test script:
#
#   source tests/e2e/lib/harness.sh
#   e2e_init                       # temp folder, cleanup on exit
#   e2e_start_xvfb                 # private 1024x768x24 screen, sets DISPLAY
#   e2e_stage_assets DIR           # copy the assets into a run folder
#   e2e_start 90 ./program         # run it there under timeout -k
#   id=$(e2e_wait_window "title" 20)
#   e2e_screenshot shot.ppm
#   e2e_key "$id" Escape
#   e2e_wait_exit 5 && echo "status $E2E_STATUS"
#
# Every check goes through e2e_check/e2e_fail; e2e_finish turns the count of
# failures into the script's exit status. Every X tool call has a time limit,
# so a test fails rather than hangs. Nothing here knows the program: the
# Windows engineer runs the same functions with "wine prog.exe".

set -u

E2E_TMP=""
E2E_RUN_DIR=""
E2E_XVFB_PID=""
E2E_PROG_PID=""     # pid of the subshell that waits for the program
E2E_STATUS=""       # exit status of the program once e2e_wait_exit saw it end
E2E_EXIT_TIME=""    # e2e_now when the program was seen to end
E2E_FAILURES=0

e2e_now() { date +%s.%N; }

# Seconds between two e2e_now readings, to the millisecond.
e2e_since() { awk -v a="$1" -v b="${2:-$(e2e_now)}" 'BEGIN { printf "%.3f", b - a }'; }

e2e_log() { printf '[%s] %s\n' "$(date +%T.%3N)" "$*"; }

e2e_fail() {
    E2E_FAILURES=$((E2E_FAILURES + 1))
    printf 'FAIL: %s\n' "$*"
}

# e2e_check DESCRIPTION COMMAND... : runs the command, counts a failure when
# it returns non-zero.
e2e_check() {
    local what=$1; shift
    if "$@"; then
        printf 'ok: %s\n' "$what"
    else
        e2e_fail "$what"
    fi
}

# Floating-point comparison for the timing checks: e2e_between X LO HI.
e2e_between() { awk -v x="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(x >= lo && x <= hi) }'; }

e2e_init() {
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    # SDL and Mesa keep a few blocks until exit; sanitizer builds of the
    # windowed program would report them as leaks.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
}

# Starts Xvfb on a display number of its own choosing (so parallel tests do
# not collide), exactly 1024x768 at 24 bits: the only mode the program can
# get there. No window manager runs, so windows are direct children of root.
e2e_start_xvfb() {
    local attempt
    for attempt in 1 2 3; do
        if e2e_try_xvfb; then return 0; fi
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=""
        echo "Xvfb attempt $attempt failed:" >&2
        cat "$E2E_TMP/xvfb.log" >&2
    done
    return 1
}

# One start. Start-ups of this harness take turns, so that two servers never
# probe the same display number at the same instant (-displayfd takes no
# lock file); the display counts as ours once our server is alive, its
# socket file is there and a client can connect.
e2e_try_xvfb() {
    local fdfile="$E2E_TMP/xvfb.display" i display
    rm -f "$fdfile"
    exec 9>"${TMPDIR:-/tmp}/cq-e2e-xvfb.lock"
    flock 9
    # -noreset: by default the server resets when its last client leaves,
    # and a program connecting during that reset (right after one of our
    # xwininfo calls) fails to open the display.
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp -noreset +extension GLX \
        7>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 9>&- &
    E2E_XVFB_PID=$!
    for i in $(seq 1 200); do
        grep -q '^[0-9]' "$fdfile" 2>/dev/null && break
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    exec 9>&-
    grep -q '^[0-9]' "$fdfile" 2>/dev/null || return 1
    display=$(head -n1 "$fdfile")
    export DISPLAY=":$display"
    for i in $(seq 1 20); do
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || return 1
        if [ -S "/tmp/.X11-unix/X$display" ] && xwininfo -root >/dev/null 2>&1; then
            e2e_log "Xvfb on $DISPLAY (pid $E2E_XVFB_PID)"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# e2e_stage_assets SRC_DIR [NAME_TO_LEAVE_OUT...]: copies every file of
# SRC_DIR into a fresh run folder, E2E_RUN_DIR, except the names given.
# Copies, not links, so the files' access times belong to this run.
e2e_stage_assets() {
    local src=$1; shift
    E2E_RUN_DIR="$E2E_TMP/run"
    mkdir -p "$E2E_RUN_DIR"
    local f base skip leave
    for f in "$src"/*; do
        [ -f "$f" ] || continue
        base=$(basename "$f")
        leave=0
        for skip in "$@"; do [ "$base" = "$skip" ] && leave=1; done
        [ "$leave" = 1 ] || cp -p "$f" "$E2E_RUN_DIR/"
    done
    # cp -p keeps the source's times; give the copies fresh ones so an access
    # time after the start tells that the program read the file.
    touch "$E2E_RUN_DIR"/* 2>/dev/null || true
}

# e2e_start LIMIT_SECONDS COMMAND...: runs COMMAND in E2E_RUN_DIR under
# timeout -k (SDL turns SIGTERM into a quit request, so KILL must follow),
# output to $E2E_TMP/program.log. Returns at once.
e2e_start() {
    local limit=$1; shift
    rm -f "$E2E_TMP/program.status"
    (
        cd "$E2E_RUN_DIR" || exit 1
        timeout -k 5 "$limit" "$@" >"$E2E_TMP/program.log" 2>&1 &
        echo $! >"$E2E_TMP/program.pid"
        wait $!
        echo $? >"$E2E_TMP/program.status.tmp"
        mv "$E2E_TMP/program.status.tmp" "$E2E_TMP/program.status"
    ) &
    E2E_PROG_PID=$!
    E2E_STATUS=""
    E2E_EXIT_TIME=""
    E2E_START_TIME=$(e2e_now)
    e2e_log "started: $*"
}

e2e_running() { [ -n "$E2E_PROG_PID" ] && [ ! -e "$E2E_TMP/program.status" ]; }

# e2e_wait_exit SECONDS: waits for the program to end; sets E2E_STATUS and
# E2E_EXIT_TIME. Returns 1 if it is still running after SECONDS.
e2e_wait_exit() {
    local deadline
    deadline=$(awk -v n="$(e2e_now)" -v s="$1" 'BEGIN { printf "%.3f", n + s }')
    while e2e_running; do
        if ! e2e_between "$(e2e_now)" 0 "$deadline"; then return 1; fi
        sleep 0.02
    done
    E2E_EXIT_TIME=$(e2e_now)
    wait "$E2E_PROG_PID" 2>/dev/null || true
    E2E_PROG_PID=""
    E2E_STATUS=$(cat "$E2E_TMP/program.status")
    e2e_log "program ended, status $E2E_STATUS"
    return 0
}

# Screenshot of the whole screen from outside the program (the only reliable
# view: the program's own front buffer reads black after a swap). Binary PPM.
e2e_screenshot() { timeout 20 import -window root -depth 8 "ppm:$1" 2>/dev/null; }

# e2e_find_window CAPTION: prints the id of the first viewable top-level
# window whose name is exactly CAPTION. xwininfo, not xdotool search --name,
# since the latter cannot match UTF-8 titles.
e2e_find_window() {
    local caption=$1 id
    for id in $(xwininfo -root -children 2>/dev/null |
                awk -v want="\"$caption\":" 'index($0, want) { print $1 }'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# e2e_window_names: the names of all viewable top-level windows, one a line.
e2e_window_names() {
    local line id
    xwininfo -root -children 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' |
    while read -r line; do
        id=${line%% *}
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            line=${line#*\"}
            echo "${line%%\":*}"
        fi
    done
}

# e2e_wait_window CAPTION SECONDS: waits for the window to be viewable and
# prints its id; returns 1 on timeout or when the program ended first.
e2e_wait_window() {
    local caption=$1 deadline id
    deadline=$(awk -v n="$(e2e_now)" -v s="$2" 'BEGIN { printf "%.3f", n + s }')
    while e2e_between "$(e2e_now)" 0 "$deadline"; do
        if id=$(e2e_find_window "$caption"); then echo "$id"; return 0; fi
        e2e_running || return 1
        sleep 0.05
    done
    return 1
}

# Presses Return in a message box, which closes it.
e2e_dismiss_box() { timeout 10 xdotool key --window "$1" Return; }

# e2e_key WINDOW KEY...: gives the window the keyboard focus, then types the
# keys through XTEST as a user would.
e2e_key() {
    local id=$1; shift
    timeout 10 xdotool windowfocus --sync "$id" && timeout 10 xdotool key "$@"
}

# e2e_send_close WINDOW: a window manager's close request (WM_DELETE_WINDOW),
# which xdotool windowclose is not: that destroys the window.
e2e_send_close() { timeout 10 "${E2E_SEND_CLOSE:?path of the send_close helper}" "$1"; }

# Kills what is still running (the program first, then Xvfb) and removes the
# temp folder, unless E2E_KEEP is set or a check failed.
e2e_cleanup() {
    local pid
    if [ -n "$E2E_PROG_PID" ] && [ -e "$E2E_TMP/program.pid" ]; then
        # timeout leads a process group of its own: end it with the program.
        pid=$(cat "$E2E_TMP/program.pid")
        kill -KILL -- "-$pid" 2>/dev/null || true
        wait "$E2E_PROG_PID" 2>/dev/null || true
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    if [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ]; then
        if [ "$E2E_FAILURES" -gt 0 ] || [ -n "${E2E_KEEP:-}" ]; then
            echo "kept for inspection: $E2E_TMP"
        else
            rm -rf "$E2E_TMP"
        fi
    fi
}

# Prints the program's output (useful on failure) and the verdict; returns
# the script's exit status.
e2e_finish() {
    if [ "$E2E_FAILURES" -gt 0 ]; then
        if [ -s "$E2E_TMP/program.log" ]; then
            echo "--- program output"; tail -n 40 "$E2E_TMP/program.log"
        fi
        echo "$E2E_FAILURES check(s) failed"
        return 1
    fi
    echo "all checks passed"
    return 0
}
