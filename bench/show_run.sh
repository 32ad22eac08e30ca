#!/usr/bin/env bash
# Runs the whole show once on a private Xvfb screen (1024 x 768) from the
# assets folder and reports what a user would feel: start to first frame,
# CPU use while the slides are up, and peak memory.
#
#   bash bench/show_run.sh [path/to/cquorvath]     (default: build/cquorvath)
#
# Start to first frame is found from outside, by polling the screen until it
# is no longer black, so it is accurate to about a tenth of a second. CPU is
# the process's user + system time between show seconds 5 and 35, divided by
# that wall time. Peak memory is VmHWM (peak resident set), read every half
# second until the program exits.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/cquorvath}")
# On a private screen of its own.
if [ -z "${SHOW_RUN_SCREEN:-}" ]; then
    SHOW_RUN_SCREEN=1 exec bash tests/support/with_xvfb.sh bash "$0" "$program"
fi
work=$(mktemp -d)
show_pid=
cleanup() {
    [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp assets/* "$work/"
cd "$work"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
clk=$(getconf CLK_TCK)

start=$(date +%s.%N)
timeout -k 5 90 "$program" >"$work/program.log" 2>&1 &
show_pid=$!
# The figures are the program's, not timeout's.
program_pid=
for _ in $(seq 100); do
    program_pid=$(pgrep -P "$show_pid" || true)
    [ -n "$program_pid" ] && break
    sleep 0.01
done
[ -n "$program_pid" ] || { echo "program did not start"; exit 1; }

# The desktop of a fresh Xvfb is black; the first slide is not.
first=
while kill -0 "$show_pid" 2>/dev/null; do
    mean=$(import -window root -depth 8 -resize 64x48 -colorspace gray -format '%[fx:mean]' info: 2>/dev/null || echo 0)
    if awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }'; then first=$(date +%s.%N); break; fi
    sleep 0.02
done
[ -n "$first" ] || { echo "no frame seen"; cat "$work/program.log"; exit 1; }

# VmHWM only grows; the last reading before the exit is the peak.
peak=0
t0= t1=
while kill -0 "$program_pid" 2>/dev/null; do
    since=$(awk -v f="$first" -v n="$(date +%s.%N)" 'BEGIN { print n - f }')
    if [ -z "$t0" ] && awk -v x="$since" 'BEGIN { exit !(x >= 5) }'; then
        t0=$(date +%s.%N); c0=$(ticks "$program_pid")
    fi
    if [ -z "$t1" ] && awk -v x="$since" 'BEGIN { exit !(x >= 35) }'; then
        t1=$(date +%s.%N); c1=$(ticks "$program_pid")
    fi
    reading=$(awk '/VmHWM/ { print $2 }' "/proc/$program_pid/status" 2>/dev/null || true)
    [ -n "$reading" ] && peak=$reading
    sleep 0.5
done
status=0
wait "$show_pid" || status=$?
end=$(date +%s.%N)
show_pid=

awk -v s="$start" -v f="$first" -v e="$end" -v t0="$t0" -v t1="$t1" -v c0="$c0" -v c1="$c1" \
    -v hz="$clk" -v peak="$peak" -v st="$status" -v audio="$(stat -c %s "$work/audio.raw" 2>/dev/null || echo 0)" 'BEGIN {
    printf "start to first frame: %.2f s\n", f - s
    printf "CPU during the show:  %.1f %% of one core\n", 100 * (c1 - c0) / hz / (t1 - t0)
    printf "peak memory (VmHWM):  %.1f MiB\n", peak / 1024
    printf "first frame to exit:  %.1f s (status %d)\n", e - f, st
    printf "music written:        %d bytes\n", audio
}'
