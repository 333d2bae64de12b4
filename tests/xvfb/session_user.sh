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

# The window whose title matches, waiting up to 20 s for it.
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }
# The number of shapes in a drawing, as qvdraw reads it.
shapes() { "$qvdraw" dump "$1" | grep -c '"class"'; }
# Waits for a background process to end; its exit status.
waitfor() {
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && fail "drawapp did not end"
    wait "$1"
}
