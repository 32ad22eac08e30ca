#!/usr/bin/env bash
# Start to first frame of the SDL build on a private Xvfb screen, measured
# inside the process: a preloaded shim notes the time when the program is
# loaded and when its first buffer swap returns, prints the difference and
# ends the process there.
#
# usage: bench/first_frame.sh [PROGRAM] [RUNS]   (default build/cquorvath, 10)
# Runs in assets/, without sound (SDL_AUDIODRIVER=dummy) so that no audio
# device's start-up time is counted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/cquorvath}")
runs=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/shim.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

static struct timespec loaded;
__attribute__((constructor)) static void noteLoad(void) { clock_gettime(CLOCK_MONOTONIC, &loaded); }

void SDL_GL_SwapWindow(void* window) {
    void (*real)(void*) = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    real(window);
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    double ms = (now.tv_sec - loaded.tv_sec) * 1e3 + (now.tv_nsec - loaded.tv_nsec) / 1e6;
    fprintf(stderr, "first-frame-ms %.1f\n", ms);
    _exit(0);
}
C
cc -O2 -shared -fPIC -o "$work/shim.so" "$work/shim.c" -ldl

cd "$root/assets"
for _ in $(seq "$runs"); do
    SDL_AUDIODRIVER=dummy LD_PRELOAD="$work/shim.so" \
        bash "$root/tests/support/with_xvfb.sh" "$program" 2>&1 | grep '^first-frame-ms'
done | sort -k2 -n | awk '{ v[NR] = $2; s += $2 } END {
    printf "runs %d  median %.1f ms  min %.1f ms  max %.1f ms  mean %.1f ms\n",
        NR, (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[1], v[NR], s / NR }'
