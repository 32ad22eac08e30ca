#!/usr/bin/env bash
# The Windows build's music against its show time, and how fast it ends,
# under Wine on a private Xvfb screen:
#   music: when the MCI play command ended (the music thread's last MCI
#          trace of it), against the first buffer swap
#          (show time 0 is the lap just before the first frame is drawn), from
#          Wine's own timestamped traces;
#   exit:  from Escape (or a window close request) to the end of the process.
#
# usage: bench/wine_music_timing.sh CQUORVATH_EXE [RUNS] [sound|silent]
#   sound:  ALSA's default device writes into a file, so the MCI open succeeds
#   silent: no sound device at all (the open fails)
# Uses build-win32/wineprefix (made as tests/win32/run_wine_tests.sh does) and
# build/tests/e2e/send_close for the close request.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "$1")
runs=${2:-5}
mode=${3:-sound}
# On a private screen of its own.
if [ -z "${WINE_TIMING_SCREEN:-}" ]; then
    WINE_TIMING_SCREEN=1 exec bash "$root/tests/support/with_xvfb.sh" bash "$0" "$exe" "$runs" "$mode"
fi
work=$(mktemp -d); [ -n "${KEEP:-}" ] && echo "work: $work"
cleanup() {
    wineserver -k 2>/dev/null
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

. "$root/tests/win32/wine_env.sh"
wine_prefix "$root/build-win32"
mkdir -p "$work/run" "$work/home"
cp "$root/assets/"* "$exe" "$work/run/"
[ "$mode" = sound ] && alsa_to_file "$work/home" "$work/music.raw"
now() { date +%s.%N; }

for run in $(seq "$runs"); do
    for ending in Escape close; do
        cd "$work/run" || exit 1
        HOME="$work/home" WINEDEBUG=+timestamp,+mci,+wgl wine "$(basename "$exe")" 2>"$work/trace" &
        pid=$!
        window=
        for _ in $(seq 300); do
            window=$(xdotool search --name '^cquorvath iso$' 2>/dev/null | head -n 1)
            [ -n "$window" ] && grep -q wglSwapBuffers "$work/trace" && break
            sleep 0.05
        done
        sleep 2
        if [ "$ending" = Escape ]; then
            xdotool windowfocus --sync "$window" key Escape
        else
            "$root/build/tests/e2e/send_close" "$window"
        fi
        asked=$(now)
        wait "$pid"
        status=$?
        ended=$(now)
        awk -v run="$run" -v ending="$ending" -v status="$status" -v asked="$asked" -v ended="$ended" '
            # The music thread: its last MCI trace line of the play command
            # is the end of play (the exit then stops and closes the music).
            /mciSendStringW \(L"open/ && !opened { opened = $1 + 0; thread = $2 }
            /mciSendStringW \(L"stop/ && $2 == thread { done = 1; stopping = $1 + 0 }
            opened && !done && $2 == thread && $4 == "mci" { played = $1 + 0 }
            done && $2 == thread && $4 == "mci" { closed = $1 + 0 }
            /wglSwapBuffers/ && !swapped { swapped = $1 + 0 }
            END {
                printf "run %d: open and play took %.0f ms, returned %+.0f ms from the first " \
                    "swap; %s to exit %.0f ms (music stop and close %.0f ms), status %s\n", run,
                    (played - opened) * 1000, (played - swapped) * 1000, ending,
                    (ended - asked) * 1000, (closed - stopping) * 1000, status
            }' FS=: "$work/trace"
        wineserver -w
    done
done
