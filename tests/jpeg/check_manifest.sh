#!/usr/bin/env bash
# check_manifest.sh COMMAND [ARGS...]: runs `COMMAND ARGS... IN.jpg OUT.pam`
# (build/jpegdecode, or `wine /abs/jpegdecode.exe`) for each line
# "PATH STATUS WIDTH HEIGHT SHA256" of tests/jpeg/manifest.txt and compares
# the exit status and the PAM's size and digest (STATUS 0 an image, 1 none,
# 2 an unreadable input, with no PAM and the rest "-"). Paths are relative to
# the top folder, so Wine sees ordinary ones, and may hold spaces. Every .jpg
# under the test data folders must be listed. Prints each mismatch, then
# `manifest: N passed, M failed`.
set -uo pipefail
[ $# -ge 1 ] || { echo "usage: check_manifest.sh COMMAND [ARGS...]" >&2; exit 2; }
# A command given by a relative path is found from here on too.
[[ $1 == */* && -e $1 ]] && set -- "$(realpath "$1")" "${@:2}"
cd "$(dirname "$0")/../.."
manifest=tests/jpeg/manifest.txt
work=$(mktemp -d build-manifest.XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
declare -A listed

while IFS= read -r line; do
    [[ -z $line || $line == \#* ]] && continue
    [[ $line =~ ^(.*[^\ ])\ +([^\ ]+\ +[^\ ]+\ +[^\ ]+\ +[^\ ]+)$ ]] || {
        echo "mismatch: bad manifest line: $line"
        failed=$((failed + 1))
        continue
    }
    path=${BASH_REMATCH[1]}
    want=${BASH_REMATCH[2]}
    listed[$path]=1
    out=$work/out.pam
    # jpegdecode writes its PAM before it exits 0 or 1, so either status
    # without a PAM means the tool never ran (Wine under load fails to start
    # a process now and then): that alone gets a second try.
    for attempt in 1 2; do
        rm -f "$out"
        "$@" "$path" "$out" >/dev/null 2>"$work/stderr" </dev/null
        status=$?
        width= height= sum=
        if [ -f "$out" ]; then
            width=$(head -c 100 "$out" | sed -n 's/^WIDTH //p')
            height=$(head -c 100 "$out" | sed -n 's/^HEIGHT //p')
            sum=$(sha256sum <"$out" | cut -d' ' -f1)
        fi
        got="$status ${width:--} ${height:--} ${sum:--}"
        [[ -f $out || $status -gt 1 ]] && break
    done
    if [ "$got" = "$want" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "mismatch: $path: want $want, now $path $got ($(head -c 200 "$work/stderr"))"
    fi
done <"$manifest"

while IFS= read -r path; do
    [ -n "${listed[$path]:-}" ] && continue
    failed=$((failed + 1))
    echo "mismatch: $path is not in $manifest"
done < <(find tests/jpeg/corpus tests/jpeg/built tests/jpeg/hostile tests/fuzz/seeds \
    tests/fuzz/regressions -name '*.jpg' | sort)

echo "manifest: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
