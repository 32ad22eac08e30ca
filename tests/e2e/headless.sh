#!/usr/bin/env bash
# The show with no display at all: set-up fails, so every message goes to
# stderr, and the images are still loaded one after another; the program
# ends by itself with status 0. Faulty assets make every load-step message
# show, in order:  headless.sh PROGRAM
# 1: drooo.jpg empty, 08-iso_remix.jpg missing, the third image a folder,
#    Quorvath04_iso.jpg progressive; no sound device
# 2: drooo.jpg a 65535 x 65535 JPEG, Quorvath04_iso.jpg unreadable (run as
#    the user nobody, as root reads any file), a music file that is no MP3
# 3: every asset intact, under valgrind's memcheck: no memory error or leak (unless
#    the program is built with AddressSanitizer, which does that job there)
set -u
assets=$(cd "$(dirname "$0")/../../assets" && pwd)
images=("drooo.jpg" "08-iso_remix.jpg" "Harno Quorvath - Ashenthornveil - moro.jpg" "Quorvath04_iso.jpg")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
cp "$1" "$tmp/program"
failures=0
unset DISPLAY WAYLAND_DISPLAY
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
setup="you fail: some window init failzz"
decoder=",-.-.-.-.-.-.: jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia progressivena."
loader="khar bax: ei avaudu:"

# check NAME EXPECTED_MESSAGES RUNNER...: runs the program in $tmp/run.
check() {
    local name=$1 want=$2 status=0
    shift 2
    (cd "$tmp/run" && timeout -k 5 180 "$@" "$tmp/program") >"$tmp/$name.log" 2>&1 || status=$?
    got=$(grep -E "^(you fail|khar bax|,-\.-\.-\.-\.-\.-\.): " "$tmp/$name.log")
    if [ "$status" = 0 ] && [ "$got" = "$want" ] && ! grep -qE "runtime error|AddressSanitizer" "$tmp/$name.log"; then
        echo "ok: $name"
    else
        failures=$((failures + 1))
        printf 'FAIL: %s (status %s)\n--- wanted\n%s\n--- output\n' "$name" "$status" "$want"
        cat "$tmp/$name.log"
    fi
}
fresh() {
    rm -rf "$tmp/run"
    cp -r "$assets" "$tmp/run"
    chmod -R a+rX "$tmp/run"
}

fresh
: >"$tmp/run/${images[0]}"
rm "$tmp/run/${images[1]}" "$tmp/run/${images[2]}"
mkdir "$tmp/run/${images[2]}"
djpeg "$assets/${images[3]}" | cjpeg -progressive >"$tmp/run/${images[3]}"
check faulty-images "$(printf '%s\n' "$setup" "$decoder" "$loader ${images[1]}" "$decoder" \
    "$loader ${images[2]}" "$decoder" "$decoder")" env SDL_AUDIODRIVER=no-such-driver

fresh
cp "$assets/../tests/fuzz/regressions/frame_65535_by_65535.jpg" "$tmp/run/${images[0]}"
chmod 000 "$tmp/run/${images[3]}"
echo "no MP3" >"$tmp/run/lumora.mp3"
check huge-unreadable-no-mp3 "$(printf '%s\n' "$setup" "$decoder" "$loader ${images[3]}" "$decoder")" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env env SDL_AUDIODRIVER=dummy \
    "ASAN_OPTIONS=$ASAN_OPTIONS"

fresh
memcheck=(valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect)
grep -qa __asan_init "$tmp/program" && memcheck=()
check intact "$setup" env SDL_AUDIODRIVER=dummy "${memcheck[@]}"
echo "headless: $failures failed"
exit $((failures > 0))
