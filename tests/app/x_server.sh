# Shared by the window tests (sourced, not run): stopping processes, recording failures, polling,
# and an X server of the test's own. The sourcing script sets `work`, `failures`, `skipped` and
# `lifetime` first.

# Stops process PID (if any) gently, then for good after five seconds.
stopProcess() {
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Polls `command...` every tenth of a second until it succeeds or `seconds` have passed.
waitFor() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# startXServer SCREEN (e.g. 1280x1024x24): Xvfb in `xvfbPid`, DISPLAY set; exits the test as
# skipped when no X server can be started. Xvfb picks a free display number itself and writes
# it to the descriptor once it accepts connections, so parallel runs never collide.
startXServer() {
    if ! command -v Xvfb >/dev/null; then
        echo "SKIPPED: no X server can be started here (Xvfb is not installed; scripts/install-deps.sh installs it)"
        exit "$skipped"
    fi
    timeout "$lifetime" Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfbPid=$!
    displayReady() { [ -s "$work/display" ] || ! kill -0 "$xvfbPid" 2>/dev/null; }
    waitFor 15 displayReady
    if ! [ -s "$work/display" ] || ! kill -0 "$xvfbPid" 2>/dev/null; then
        echo "SKIPPED: no X server can be started here (Xvfb did not start):"
        tail -n 5 "$work/xvfb.log"
        exit "$skipped"
    fi
    export DISPLAY=":$(head -n 1 "$work/display")"
    export LIBGL_ALWAYS_SOFTWARE=1
}
