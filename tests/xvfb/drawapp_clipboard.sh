#!/usr/bin/env bash
# Copies shapes with a picture fill in one drawapp and pastes them into
# another (two --new-instance processes under xvfb-run, so the data crosses
# the X clipboard), saves, and reads the result back with qvdraw: both shapes
# are there and the package holds the picture, byte for byte.
# usage: drawapp_clipboard.sh DRAWAPP QVDRAW
set -eu
drawapp=$1 qvdraw=$2

work=$(mktemp -d)
source_app= target_app=
cleanup() {
    for p in $source_app $target_app; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$work"/*.log; do [ -f "$f" ] && cat "$f" >&2; done; exit 1; }

source "$(dirname "$0")/session_user.sh"

# The source: a rectangle filled with a 2 x 2 PNG, and an oval.
mkdir "$work/Source.qvdraw" "$work/Target.qvdraw"
base64 -d >"$work/Source.qvdraw/dot.png" <<'EOF'
iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAYAAABytg0kAAAAEUlEQVR4nGP4z8AAQv8ZYAwAQ84H+VjtZqAAAAAASUVORK5CYII=
EOF
cat >"$work/Source.qvdraw/Shapes.xml" <<'EOF'
<?xml version="1.0" standalone="no"?>
<qvdrawdocument>
	<rectangle><bounds x="40" y="50" w="120" h="80"/><fill image="dot.png" image-placement="0"/></rectangle>
	<oval><bounds x="200" y="60" w="90" h="70"/></oval>
</qvdrawdocument>
EOF
cat >"$work/Target.qvdraw/Shapes.xml" <<'EOF'
<?xml version="1.0" standalone="no"?>
<qvdrawdocument>
	<page color="#FFFFFF"/>
</qvdrawdocument>
EOF

# The window of the drawing with this name.
drawing_window() { window "^$1\\.qvdraw"; }
quit() { # window pid
    xdotool windowfocus --sync "$1" key ctrl+q
    for _ in $(seq 100); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$2" 2>/dev/null && fail "drawapp did not end"
    wait "$2" || fail "drawapp ended with status $?"
}

"$drawapp" --new-instance "$work/Source.qvdraw" >"$work/source.log" 2>&1 &
source_app=$!
source_win=$(drawing_window Source) || fail "no window titled Source.qvdraw"
xdotool windowfocus --sync "$source_win"
sleep 0.3
xdotool key ctrl+a ctrl+c
sleep 0.3

"$drawapp" --new-instance "$work/Target.qvdraw" >"$work/target.log" 2>&1 &
target_app=$!
target_win=$(drawing_window Target) || fail "no window titled Target.qvdraw"
xdotool windowfocus --sync "$target_win"
sleep 0.3
xdotool key ctrl+v
sleep 0.5
xdotool key ctrl+s
sleep 0.5
quit "$target_win" "$target_app"
target_app=
quit "$source_win" "$source_app"
source_app=

dump=$("$qvdraw" dump "$work/Target.qvdraw") || fail "qvdraw could not read the saved drawing"
[ "$(grep -c '"class": "RectangleShape"' <<<"$dump")" -eq 1 ] || fail "no pasted rectangle: $dump"
[ "$(grep -c '"class": "OvalShape"' <<<"$dump")" -eq 1 ] || fail "no pasted oval: $dump"
grep -q '"imageName": "dot.png"' <<<"$dump" || fail "the rectangle lost its picture: $dump"
cmp -s "$work/Source.qvdraw/dot.png" "$work/Target.qvdraw/dot.png" ||
    fail "the package does not hold the picture"
echo "drawapp clipboard: passed"
