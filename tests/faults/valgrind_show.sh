#!/usr/bin/env bash
# The whole show once under valgrind's memcheck, on a private X screen: all
# four images decoded and shown, the music started, the show ending by itself
# after its minute. Passes when memcheck finds no invalid read or write, no
# use of undefined values and no definite or indirect leak other than the
# suppressed ones of SDL and Mesa (valgrind.supp), and the exit status is 0.
# Takes about two to three minutes; not part of the CTest suite.
#
#   E2E_PROGRAM=... E2E_ASSETS=... E2E_SCREENCHECK=... bash tests/faults/valgrind_show.sh
source "$(dirname "$0")/faults_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)

show_prepare || exit 1
export SDL_AUDIODRIVER=dummy
log="$E2E_TMP/valgrind.%p.log"
e2e_start 600 valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --num-callers=40 \
    --suppressions="$here/valgrind.supp" --log-file="$log" "$E2E_PROGRAM"
# Under memcheck a frame can take seconds while show time runs on, so a
# slide may never be drawn at all: the timeline is not checked here (the
# end-to-end tests do that). Slide 0 and at least one later slide must be
# seen on screen before the show ends by itself.
seen=(0 0 0 0)
deadline=$(awk -v n="$(e2e_now)" 'BEGIN { printf "%.3f", n + 540 }')
while e2e_running && e2e_between "$(e2e_now)" 0 "$deadline"; do
    if e2e_find_window "$SHOW_TITLE" >/dev/null; then
        e2e_screenshot "$E2E_TMP/shot.ppm"
        for i in 0 1 2 3; do
            mapfile -t paths < <(show_expect_paths "$i")
            if [ "${seen[$i]}" = 0 ] && "$E2E_SCREENCHECK" match "$E2E_TMP/shot.ppm" "${paths[@]}" >/dev/null; then
                seen[$i]=1
                e2e_log "slide $i on screen"
            fi
        done
    fi
    sleep 1
done
e2e_log "slides seen (0 1 2 3): ${seen[*]}"
e2e_check "slide 0 was shown" [ "${seen[0]}" = 1 ]
e2e_check "a later slide was shown" [ "${seen[1]}${seen[2]}${seen[3]}" != 000 ]
if e2e_wait_exit 30; then
    e2e_check "ends by itself with status 0 (99: memcheck found errors)" [ "$E2E_STATUS" = 0 ]
else
    e2e_fail "the show did not end"
fi
main=$(grep -l 'Command: .*cquorvath' "$E2E_TMP"/valgrind.*.log | head -1)
if [ -n "$main" ]; then
    grep -E '== (ERROR SUMMARY|   definitely lost|   indirectly lost|   possibly lost|   still reachable)' "$main"
    e2e_check "no memcheck error" grep -q 'ERROR SUMMARY: 0 errors' "$main"
    e2e_check "no invalid read or write" eval "! grep -qE 'Invalid (read|write|free)' '$main'"
    [ "$E2E_FAILURES" -gt 0 ] && cp "$main" "${TMPDIR:-/tmp}/cquorvath-valgrind.log" &&
        echo "memcheck log: ${TMPDIR:-/tmp}/cquorvath-valgrind.log"
else
    e2e_fail "no memcheck log"
fi
e2e_finish
