#!/usr/bin/env bash
# Times the whole thumbnailer command on a 540 x 720 page with 10,000 shapes
# (rotated rectangles with 1-point strokes, ovals with dashed 2-point
# strokes), as the desktop runs it: qvdraw thumbnail -s 256 IN OUT.
#   bench/thumbnail_command.sh [BUILD_DIR]     (a Release build is meant)
set -eu
build=${1:-build/release}
qvdraw="$build/cli/qvdraw"
[ -x "$qvdraw" ] || { echo "no $qvdraw: build the qvdraw target first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/big.qvdraw"
awk 'BEGIN {
  srand(7)
  print "<?xml version=\"1.0\" standalone=\"no\"?>\n<qvdrawdocument>\n\t<page color=\"#FFFFFF\"/>"
  for (i = 0; i < 10000; i++) {
    x = rand() * 520; y = rand() * 700; w = 4 + rand() * 36; h = 4 + rand() * 36
    fill = sprintf("#%02X%02X%02XFF", int(rand() * 256), int(rand() * 256), int(rand() * 256))
    if (i % 2 == 0) { kind = "rectangle"; style = 1; width = 1; rot = rand() * 360 }
    else            { kind = "oval";      style = 2; width = 2; rot = 0 }
    printf "\t<%s>\n\t\t<fill color=\"%s\"/>\n", kind, fill
    printf "\t\t<stroke style=\"%d\" color=\"#000000FF\" width=\"%d\" cap-style=\"0\" join-style=\"0\"/>\n", style, width
    printf "\t\t<shadow color=\"none\" width=\"0\" height=\"-10\" radius=\"10\"/>\n"
    printf "\t\t<transform rotation=\"%.3f\"/>\n", rot
    printf "\t\t<bounds x=\"%.3f\" y=\"%.3f\" w=\"%.3f\" h=\"%.3f\"/>\n\t</%s>\n", x, y, w, h, kind
  }
  print "</qvdrawdocument>"
}' > "$work/big.qvdraw/Shapes.xml"
export QT_QPA_PLATFORM=offscreen
cmd="$qvdraw thumbnail -s 256 $work/big.qvdraw $work/big.png"
if command -v hyperfine >/dev/null; then
  hyperfine -N -w 3 -r 30 "$cmd"
else
  $cmd
  time (for i in $(seq 10); do $cmd; done)
  echo "(ten runs)"
fi
