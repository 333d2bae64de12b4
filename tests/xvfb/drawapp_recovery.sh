#!/usr/bin/env bash
# Recovery copies of drawapp in a real X session (under xvfb-run), the edits
# made with synthetic X input; later starts answer the recovery dialog through
# the test hook QV_RECOVERY_ANSWER.
#   crash      edit, wait for the recovery copy, kill -9; the next start
#              recovers the drawing exactly as it was at the copy, Ctrl+S
#              writes it to its own file, and the copy is gone
#   term       edit, then SIGTERM at once (long before the quiet time is
#              over): the copy is written before the program ends
#   instances  two --new-instance applications: the second leaves the first's
#              copy alone while the first runs; once the first is killed, a
#              third takes the copy
# usage: drawapp_recovery.sh crash|term|instances DRAWAPP QVDRAW EXAMPLE.qvdraw
set -eu
scenario=$1 drawapp=$2 qvdraw=$3 example=$4

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log"; cat "$log"; } >&2; done
    exit 1
}

source "$(dirname "$0")/session_user.sh"
recovery=$XDG_STATE_HOME/Quorvik/drawapp/recovery
export QV_RECOVERY_DELAY=0.3
unset QV_RECOVERY_ANSWER

copies() { find "$recovery" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | wc -l; }
# The package of the only copy.
copy() { echo "$recovery"/*/Drawing.qvdraw; }
# Waits up to 10 s for a condition.
until_true() {
    for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done
    return 1
}
# A rectangle dragged with the rectangle tool in the page's empty corner.
draw_rectangle() {
    local win=$1
    xdotool windowfocus --sync "$win"
    sleep 0.3
    xdotool mousemove --window "$win" 300 400 key r
    xdotool mousemove --window "$win" 420 600 mousedown 1
    for step in 1 2 3 4 5; do
        xdotool mousemove --window "$win" $((420 + step * 16)) $((600 + step * 18))
        sleep 0.05
    done
    xdotool mouseup 1
}
# Starts drawapp on Plan.qvdraw, draws a rectangle and waits for its copy.
edit_plan() {
    "$drawapp" --new-instance "$work/Plan.qvdraw" >"$work/$1.log" 2>&1 &
    app=$!
    pids+=("$app")
    win=$(window '^Plan\.qvdraw') || fail "no window titled Plan.qvdraw"
    draw_rectangle "$win"
}

cp -r "$example" "$work/Plan.qvdraw"
before=$(shapes "$work/Plan.qvdraw")

case "$scenario" in
crash)
    edit_plan first
    until_true '[ "$(copies)" -eq 1 ] && [ "$(shapes "$(copy)" 2>/dev/null)" = $((before + 1)) ]' ||
        fail "no recovery copy with the new rectangle"
    cp -r "$(copy)" "$work/at-copy.qvdraw"
    kill -9 "$app"
    wait "$app" 2>/dev/null || true
    [ "$(shapes "$work/Plan.qvdraw")" -eq "$before" ] || fail "the drawing changed unsaved"

    QV_RECOVERY_ANSWER=recover "$drawapp" --new-instance >"$work/second.log" 2>&1 &
    app=$!
    pids+=("$app")
    win=$(window '^Plan\.qvdraw') || fail "the drawing was not recovered"
    until_true 'grep -q "recovery: recovered “Plan.qvdraw”" "$work/second.log"' ||
        fail "not told recovered"
    xdotool getwindowname "$win" | grep -q '\*' || fail "the recovered drawing is not edited"
    xdotool windowfocus --sync "$win"
    sleep 0.3
    xdotool key ctrl+s
    until_true '[ "$(copies)" -eq 0 ]' || fail "the copy outlived the save"
    [ "$("$qvdraw" dump "$work/Plan.qvdraw")" = "$("$qvdraw" dump "$work/at-copy.qvdraw")" ] ||
        fail "the saved drawing differs from the copy"
    xdotool key ctrl+q
    waitfor "$app" || fail "drawapp ended with status $?"
    ;;
term)
    QV_RECOVERY_DELAY=3600 edit_plan first
    sleep 0.2
    kill -TERM "$app"
    status=0
    waitfor "$app" || status=$?
    [ "$status" -eq 143 ] || fail "drawapp ended with status $status, not 128 + SIGTERM"
    [ "$(copies)" -eq 1 ] || fail "no recovery copy after SIGTERM"
    [ "$(shapes "$(copy)")" -eq $((before + 1)) ] || fail "the copy lacks the new rectangle"
    [ "$(shapes "$work/Plan.qvdraw")" -eq "$before" ] || fail "the drawing itself changed"
    ;;
instances)
    edit_plan first
    first=$app
    until_true '[ "$(copies)" -eq 1 ] && [ -d "$(copy)" ]' || fail "no recovery copy"
    name=$(ls "$recovery")
    QT_QPA_PLATFORM=offscreen QV_RECOVERY_ANSWER=recover \
        "$drawapp" --new-instance >"$work/second.log" 2>&1 &
    second=$!
    pids+=("$second")
    until_true 'grep -q "recovery:" "$work/second.log"' || fail "the second instance said nothing"
    grep -q 'recovery: nothing to recover' "$work/second.log" ||
        fail "the second instance took a running instance's copy"
    [ "$(ls "$recovery")" = "$name" ] || fail "the running instance's copy was touched"
    kill -TERM "$second"
    waitfor "$second" || [ $? -eq 143 ] || fail "the second instance did not end"

    kill -9 "$first"
    wait "$first" 2>/dev/null || true
    QT_QPA_PLATFORM=offscreen QV_RECOVERY_ANSWER=discard \
        "$drawapp" --new-instance >"$work/third.log" 2>&1 &
    third=$!
    pids+=("$third")
    until_true 'grep -q "recovery: discarded “Plan.qvdraw”" "$work/third.log"' ||
        fail "the third instance did not find the killed one's copy"
    [ "$(copies)" -eq 0 ] || fail "the discarded copy is still there"
    kill -TERM "$third"
    waitfor "$third" || [ $? -eq 143 ] || fail "the third instance did not end"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "drawapp recovery $scenario: passed"
