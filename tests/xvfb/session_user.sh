# Sourced by the Xvfb sessions after they set `work` and define `fail`:
# a user of our own under $work (settings, the single-instance socket,
# recovery copies), X11 always, and the helpers every session uses.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export XDG_STATE_HOME=$work/state
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
[ -n "${DISPLAY:-}" ] || fail "no X display (run under xvfb-run)"
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/setup installs it)"
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "the X display $DISPLAY does not answer"

# The visible windows whose title matches, one id per line. A search that
# meets a window being destroyed dies of an X error; it is asked again, so
# that "no window" is never taken from a failed search.
visible_windows() {
    local out
    for _ in $(seq 50); do
        if out=$(xdotool search --onlyvisible --name "$1" 2>&1); then
            echo "$out"
            return 0
        fi
        case "$out" in *"X Error"*) sleep 0.1 ;; *) return 0 ;; esac
    done
    fail "xdotool kept failing: $out"
}
# The first window whose title matches, waiting up to 20 s for it; fails
# when there is none.
window() {
    local id
    for _ in $(seq 200); do
        id=$(visible_windows "$1" | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
# The number of shapes in a drawing, as qvdraw reads it.
shapes() { "$qvdraw" dump "$1" | grep -c '"class"'; }
# Waits for a background process to end; its exit status.
waitfor() {
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && fail "drawapp did not end"
    wait "$1"
}
