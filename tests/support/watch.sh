# Sourced by the scripts that watch the program on an X screen (tests/e2e,
# tests/desktop). Each sets NAME and tmp (the program's output in $tmp/log)
# and defines running: whether the program still runs.
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}
# The temp folder stays for a look when a check failed or E2E_KEEP is set.
drop_tmp() { if [ "$failures" = 0 ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$tmp"; else echo "kept: $tmp"; fi; }
finish() {
    [ "$failures" = 0 ] || { echo "--- program output"; tail -n 30 "$tmp/log"; }
    echo "$NAME: $failures failed"
    exit $((failures > 0))
}
# The viewable top-level windows, "id name" a line.
windows() {
    timeout 10 xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": .*/\1 \2/p' |
        while read -r id name; do
            timeout 10 xwininfo -id "$id" | grep -q IsViewable && echo "$id $name"
        done
}
# window NAME SECONDS: prints the id of the window so named.
window() {
    local id
    for _ in $(seq $(($2 * 10))); do
        id=$(windows | awk -v n="$1" '{ id = $1; sub(/^[^ ]* /, "") } $0 == n { print id; exit }')
        [ -n "$id" ] && echo "$id" && return
        running || return 1
        sleep 0.1
    done
    return 1
}
