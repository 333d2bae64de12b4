#!/usr/bin/env bash
# Runs drawapp in a real X session (under xvfb-run) and drives it with
# synthetic X input, as a person would:
#   edit      open a copy of a drawing, draw a rectangle by dragging, type a
#             text, save with Ctrl+S, quit with Ctrl+Q, and read the saved
#             package back with qvdraw
#   handover  a second drawapp hands its file to the running one and ends;
#             the launch's untouched window gives way to it
# usage: drawapp_session.sh edit|handover DRAWAPP QVDRAW EXAMPLE.qvdraw
set -eu
scenario=$1 drawapp=$2 qvdraw=$3 example=$4

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

source "$(dirname "$0")/session_user.sh"


case "$scenario" in
edit)
    cp -r "$example" "$work/Plan.qvdraw"
    before=$(shapes "$work/Plan.qvdraw")
    "$drawapp" "$work/Plan.qvdraw" >"$work/log" 2>&1 &
    app=$!
    pids+=("$app")
    win=$(window '^Plan\.qvdraw') || fail "no window titled Plan.qvdraw ($(cat "$work/log"))"
    xdotool windowfocus --sync "$win"
    sleep 0.5
    # The rectangle tool by its key, then a drag in the page's empty corner.
    xdotool mousemove --window "$win" 300 400 key r
    xdotool mousemove --window "$win" 420 600 mousedown 1
    for step in 1 2 3 4 5; do
        xdotool mousemove --window "$win" $((420 + step * 16)) $((600 + step * 18))
        sleep 0.05
    done
    xdotool mouseup 1
    sleep 0.3
    # A text: the text tool, a click, typing, and Ctrl+Return to end the edit.
    xdotool key t
    xdotool mousemove --window "$win" 120 712 click 1
    sleep 0.3
    xdotool type --delay 20 'Hello Xvfb'
    xdotool key ctrl+Return
    sleep 0.2
    xdotool key ctrl+s
    sleep 0.5
    xdotool key ctrl+q
    waitfor "$app" || fail "drawapp ended with status $? ($(cat "$work/log"))"
    after=$(shapes "$work/Plan.qvdraw")
    [ "$after" -eq $((before + 2)) ] || fail "saved $after shapes, expected $((before + 2))"
    "$qvdraw" dump "$work/Plan.qvdraw" | grep -q '"class": "RectangleShape"' ||
        fail "no rectangle saved"
    "$qvdraw" dump "$work/Plan.qvdraw" | grep -q '"text": "Hello Xvfb"' || fail "no text saved"
    ;;
handover)
    cp -r "$example" "$work/B.qvdraw"
    "$drawapp" >"$work/log" 2>&1 &
    app=$!
    pids+=("$app")
    window '^Untitled' >/dev/null || fail "no untitled window at launch"
    # The second start gives its file to the first and ends at once.
    timeout 10 "$drawapp" "$work/B.qvdraw/" || fail "the second drawapp did not hand over"
    win=$(window '^B\.qvdraw') || fail "the running drawapp did not open B.qvdraw"
    kill -0 "$app" || fail "the first drawapp is gone"
    sleep 0.3
    [ -z "$(visible_windows '^Untitled')" ] || fail "the untouched untitled window stayed open"
    xdotool windowfocus --sync "$win"
    xdotool key ctrl+q
    waitfor "$app" || fail "drawapp ended with status $? ($(cat "$work/log"))"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "drawapp $scenario: passed"
