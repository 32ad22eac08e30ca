#!/usr/bin/env bash
# Every way the Windows show ends, under Wine in a "Windows 10" prefix, with
# the music heard through ALSA's default device writing into a file:
#   wine_endings.sh NATIVE_BUILD_DIR WINDOWS_BUILD_DIR [LANE...]
# A LANE, comma-separated ENDINGs run one after another on a screen and in a
# prefix of its own (the lanes run side by side); an ENDING is one show:
#   full        to its natural end
#   escape:S    Escape S seconds after the music was first heard
#   close:S     a close request (WM_DELETE_WINDOW) S seconds after that
#   finished:S  a one-second music, Escape S seconds after it was heard
#   opening:S   ALSA writing into a pipe nobody reads, so the music's open
#               never returns; Escape S seconds after the window showed
# Each must end with status 0 (within 5 s of an Escape or close), music
# written, and no thread dying in Wine's error log. CQ_EXE=FILE runs FILE
# instead of the build's cquorvath.exe; CQ_TASKSET=CPUS runs every show on
# those CPUs only (taskset -c), crowding the media threads at the exit.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
shift 2
[ $# -gt 0 ] || set -- full full escape:2,escape:12,finished:4,opening:6 escape:6,close:4,escape:20
exe=$(realpath "${CQ_EXE:-$win/cquorvath.exe}")
work=$(mktemp -d)
passed=0
failed=0
trap '[ -n "${CQ_KEEP:-}" ] && echo "kept: $work" || rm -rf "$work"' EXIT

. "$root/tests/support/check.sh"
CHECK_LOG="$work/check.log"
. "$root/tests/win32/wine_env.sh"
wine_prefix "$win"

# copy_prefix FROM TO: only the DLLs, which Wine never writes after the
# prefix is made, are hard links.
copy_prefix() {
    mkdir -p "$2" && cp -al "$1/." "$2" &&
        (cd "$1" && find . -path ./drive_c/windows/system32 -prune -o -type f -print0 |
            xargs -0 -I{} cp --remove-destination -p {} "$2/{}")
}
copy_prefix "$WINEPREFIX" "$work/prefix"
WINEPREFIX=$work/prefix wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
WINEPREFIX=$work/prefix wineserver -w

# The one-second music of the "finished" runs.
sox -n -r 44100 -c 2 "$work/short.wav" synth 1 sine 440 vol 0.5 &&
    lame --quiet -b 128 "$work/short.wav" "$work/short.mp3"

# run NAME ENDING: one run in $work/NAME; result holds its status, the
# seconds from the Escape or close to its end, and the music bytes then.
run() {
    local dir=$work/$1 kind=${2%%:*} after=${2#*:} pid window asked=0 heard=0
    mkdir -p "$dir/run"
    cp "$root/assets/"* "$dir/run/"
    cp "$exe" "$dir/run/cquorvath.exe"
    [ "$kind" = finished ] && cp "$work/short.mp3" "$dir/run/lumora.mp3"
    if [ "$kind" = opening ]; then
        mkfifo "$dir/pipe" && alsa_to_file "$dir/home" "$dir/pipe"
    else
        alsa_to_file "$dir/home" "$dir/music.raw"
    fi
    # The status is the one Windows reports to a parent that waited (start
    # /wait): once a process has ended, Wine's server kills its Unix side
    # if that has not gone a second later, which a crowded machine can take.
    (cd "$dir/run" && exec env HOME="$dir/home" WINEDEBUG=err+all \
        ${CQ_TASKSET:+taskset -c "$CQ_TASKSET"} timeout -k 5 120 wine start /wait cquorvath.exe) \
        >"$dir/log" 2>&1 &
    pid=$!
    if [ "$kind" != full ]; then
        for _ in $(seq 600); do
            window=$(xdotool search --name '^cquorvath iso$' 2>/dev/null | head -n 1)
            [ -n "$window" ] && { [ -s "$dir/music.raw" ] || [ "$kind" = opening ]; } && break
            sleep 0.1
        done
        sleep "$after"
        heard=$(stat -c %s "$dir/music.raw" 2>/dev/null || echo 0)
        if [ "$kind" = close ]; then
            "$native/tests/e2e/send_close" "$window"
        else
            xdotool windowfocus --sync "$window" key Escape
        fi
        asked=$(date +%s.%N)
    fi
    wait "$pid"
    echo "$? $(awk -v a="$asked" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", a ? e - a : 0 }') $heard" \
        >"$dir/result"
    wineserver -w
}
# lane N ENDINGS: the lane's runs, named N-M-kind, in a prefix of its own.
lane() {
    local m=0 ending
    export WINEPREFIX=$work/prefix-$1
    copy_prefix "$work/prefix" "$WINEPREFIX"
    for ending in ${2//,/ }; do
        m=$((m + 1))
        run "$1-$m-${ending%%:*}" "$ending"
    done
    wineserver -k 2>/dev/null
    wineserver -w
}

n=0
for endings in "$@"; do
    n=$((n + 1))
    bash "$root/tests/support/with_xvfb.sh" bash -c "$(declare -f copy_prefix alsa_to_file run lane)
        work=$work root=$root native=$native exe=$exe; lane $n $endings" &
done
wait

# ended DIR: the run's findings against what every end must be.
ended() {
    local dir=$1 status seconds heard bytes
    read -r status seconds heard <"$dir/result"
    bytes=$(stat -c %s "$dir/music.raw" 2>/dev/null || echo 0)
    echo "status $status; music $bytes bytes, $heard at the Escape or close; ${seconds} s to the end"
    grep -iE 'stack overflow|page fault|unhandled exception|nested exception' "$dir/log" && return 1
    [ "$status" = 0 ] && awk -v s="$seconds" 'BEGIN { exit !(s < 5) }' || return 1
    case ${dir##*-} in
        opening) ;;
        full | finished) [ "$bytes" -gt 0 ] ;;
        *) [ "$heard" -gt 0 ] ;;  # ended while the music played
    esac
}
for dir in "$work"/[0-9]*-[0-9]*-*/; do
    dir=${dir%/}
    check "${dir##*/}" ended "$dir"
done
full=$(ls -d "$work"/*-full 2>/dev/null | head -n 1)
[ -z "$full" ] || check "the whole show's music is not silent" python3 "$root/tests/e2e/screen.py" loud "$full/music.raw"

echo "endings: $passed passed, $failed failed"
[ "$failed" = 0 ]
