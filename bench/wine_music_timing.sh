#!/usr/bin/env bash
# The Windows build's music against its show time, and how fast it ends,
# under Wine on a private Xvfb screen:
#   music: when the MCI play command ended (the music thread's last MCI
#          trace), against the first buffer swap
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
work=$(mktemp -d); [ -n "${KEEP:-}" ] && echo "work: $work"
xvfb=
cleanup() {
    wineserver -k 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$root/build-win32/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DISPLAY='' wine wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$work/display")"

mkdir -p "$work/run" "$work/home"
cp "$root/assets/"* "$exe" "$work/run/"
if [ "$mode" = sound ]; then
    printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "raw"\n}\n' \
        "$work/music.raw" >"$work/home/.asoundrc"
fi
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
            # The music thread: its last MCI trace line is the end of play.
            /mciSendStringW \(L"open/ && !opened { opened = $1 + 0; thread = $2 }
            opened && $2 == thread && $4 == "mci" { played = $1 + 0 }
            /wglSwapBuffers/ && !swapped { swapped = $1 + 0 }
            END {
                printf "run %d: open and play took %.0f ms, returned %+.0f ms from the first " \
                    "swap; %s to exit %.0f ms, status %s\n", run, (played - opened) * 1000,
                    (played - swapped) * 1000, ending, (ended - asked) * 1000, status
            }' FS=: "$work/trace"
        wineserver -w
    done
done
