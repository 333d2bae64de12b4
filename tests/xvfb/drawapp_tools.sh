#!/usr/bin/env bash
# Draws one shape of every kind with the pointer in a real drawapp window
# (under xvfb-run), choosing each tool by its key, saves with Ctrl+S, quits
# with Ctrl+Q, and reads the saved package back with qvdraw: line, rectangle,
# oval, rounded rectangle, polygon, arc, freehand, polyline, Bézier, text,
# and two shapes duplicated by dragging with Super set to act as Option.
# usage: drawapp_tools.sh DRAWAPP QVDRAW
set -eu
drawapp=$1 qvdraw=$2

work=$(mktemp -d)
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

source "$(dirname "$0")/session_user.sh"

# Super acts as Option (the default is Alt).
mkdir -p "$XDG_CONFIG_HOME/Quorvik"
echo '{"QVOptionKey": "meta"}' >"$XDG_CONFIG_HOME/Quorvik/drawapp.json"

# An empty drawing without grid snapping, so every shape lands where it is drawn.
mkdir "$work/Tools.qvdraw"
cat >"$work/Tools.qvdraw/Shapes.xml" <<'EOF'
<?xml version="1.0" standalone="no"?>
<qvdrawdocument>
	<page color="#FFFFFF"/>
	<grid show-rulers="no" visible="yes" snap="no" spacing="72" minor-ticks="8"/>
</qvdrawdocument>
EOF

"$drawapp" --new-instance "$work/Tools.qvdraw" >"$work/log" 2>&1 &
app=$!
win=$(window '^Tools\.qvdraw') || fail "no window titled Tools.qvdraw"
xdotool windowfocus --sync "$win"
sleep 0.5

# Positions are in the window, all on the page's empty canvas.
at() { xdotool mousemove --window "$win" "$1" "$2"; }
tool() { xdotool key "$1"; }
# A drag through the listed points, pausing so that every step is an event.
drag() {
    at "$1" "$2"
    xdotool mousedown 1
    shift 2
    while [ $# -gt 0 ]; do
        sleep 0.03
        at "$1" "$2"
        shift 2
    done
    sleep 0.03
    xdotool mouseup 1
    sleep 0.1
}
click() { at "$1" "$2"; xdotool click 1; sleep 0.1; }

at 250 300
tool l; drag 100 60 140 90 180 120
tool r; drag 210 60 250 90 290 120
tool o; drag 310 60 340 90 380 120
tool u; drag 100 160 140 190 180 220
tool g; drag 210 160 250 190 290 220
# The arc: a radius dragged from the centre, then the pointer moved round
# with the button up, and a click.
tool a; drag 330 190 350 190 370 190
at 365 205; sleep 0.03; at 350 225; sleep 0.03; at 330 230; sleep 0.05; xdotool click 1
sleep 0.1
tool f; drag 100 300 120 320 140 330 160 335 180 345 200 360
# The polyline: two clicks, and a double click at its last point.
tool p; click 230 280; click 300 300
at 260 360; sleep 0.05; xdotool click --repeat 2 --delay 60 1
sleep 0.1
# The Bézier curve: a click, a press dragged into a handle, Return.
tool b; click 100 440; drag 180 460 200 480 220 500
xdotool key Return
sleep 0.1
# Option is Super here: a Super-drag of the rectangle with the arrow tool
# duplicates it, and so does Super pressed after the button on the oval.
tool s
xdotool keydown super; drag 250 90 250 100 250 110 250 120; xdotool keyup super
at 345 90; xdotool mousedown 1; sleep 0.03; xdotool keydown super
for x in 355 365 375; do sleep 0.03; at "$x" 95; done
xdotool mouseup 1; xdotool keyup super
sleep 0.1
# The text last: its editor keeps the keyboard until Ctrl+Return.
tool t; click 100 560
xdotool type --delay 20 'Every tool'
xdotool key ctrl+Return
sleep 0.2
xdotool key ctrl+s
sleep 0.5
xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "drawapp did not end"
wait "$app" || fail "drawapp ended with status $? ($(cat "$work/log"))"
app=

dump=$("$qvdraw" dump "$work/Tools.qvdraw") || fail "qvdraw could not read the saved drawing"
total=$(grep -c '"class"' <<<"$dump" || true)
for class in LineShape RectangleShape OvalShape RoundRectangleShape RegularPolygonShape \
    ArcShape FreehandShape PolylineShape BezierShape TextShape; do
    n=$(grep -c "\"class\": \"$class\"" <<<"$dump" || true)
    case $class in RectangleShape | OvalShape) want=2 ;; *) want=1 ;; esac
    [ "$n" -eq "$want" ] || fail "saved $n of $class, expected $want"
done
[ "$total" -eq 12 ] || fail "saved $total shapes, expected 12"
grep -q '"text": "Every tool"' <<<"$dump" || fail "the text was not saved"
echo "drawapp tools: passed"
