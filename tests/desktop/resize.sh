#!/usr/bin/env bash
# The show on a plain X server whose screen has no 1024 x 768 mode (run this
# under tests/support/with_xvfb.sh -s 1280x1024): the box says so and the
# show goes on in a 1024 x 768 window; that window then made as large as the
# screen, as a window manager's maximise would, shows slide 0 in its centred
# 4:3 area with black bars above and below. Escape ends it with status 0.
#   resize.sh PROGRAM
# Environment: E2E_DECODER, E2E_ASSETS, E2E_KEEP as for desktop.sh.
set -u
program=$(realpath "$1")
NAME=resize
. "$(dirname "$0")/common.sh"
# A bus of its own, or SDL would have dbus-launch start one that outlives
# the run.
start_show dbus-run-session -- env SDL_AUDIODRIVER=dummy "$program"

box=$(window "you fail" 20) || { fail "no box for the missing mode"; finish; }
timeout 10 xdotool key --window "$box" Return 2>/dev/null
id=$(window "cquorvath iso" 20) || { fail "no window"; finish; }
timeout 10 xdotool windowsize "$id" 1280 1024 windowmove "$id" 0 0

photograph_slide0 "$DISPLAY" 20
escape_ends_show windowfocus --sync "$id"
finish
