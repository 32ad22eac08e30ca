# Sourced by the scripted test stages. check WHAT COMMAND...: runs one check
# with its output indented, and counts it in `passed` or `failed`. The output
# goes through the file named by CHECK_LOG.
check() {
    local what=$1 status
    shift
    echo "-- $what"
    "$@" >"$CHECK_LOG" 2>&1
    status=$?
    sed 's/^/   /' "$CHECK_LOG"
    if [ "$status" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what (status $status)"
    fi
}
