#!/usr/bin/env bash
# The real game on a bare X server, with no window manager and no sound card:
# it covers the screen and shows frames; a second copy shows its empty
# message and leaves with exit code 0 while the first runs on; Esc closes the
# first with exit code 0; without a display the game says so and ends with
# exit code 1; with Fcg/Bg.bmp gone the game shows "BmpFileErrer",
# then "errer lpMain[3]", and ends without a frame.
set -euo pipefail

tools="xdotool xwininfo"
source "$(dirname "$0")/xvfb.bash"

# The message boxes on the screen: every mapped top-level window but the
# game's own.
boxes() {
    local w
    for w in $(xwininfo -root -children 2>/dev/null | grep -v '"Win32 Application"' |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
        xwininfo -id "$w" 2>/dev/null | grep -q "Map State: IsViewable" && echo "$w"
    done
}
box_up() { [ -n "$(boxes)" ]; }
# Presses Return on every box. A box is gone from the screen before the game
# says its next message, so the boxes seen after that message are new ones.
answer_boxes() {
    local w
    for w in $(boxes); do
        xdotool key --window "$w" Return 2>/dev/null || true
    done
}

cp -r "$gamedir" "$work/game"

# --- the first copy covers the screen and runs ---
start_game first "$work/game"
first=$started
wait_for 30 has_frames "$work/first.frames" 64 || fail "no frames from the game"
window=$(xdotool search --name '^Win32 Application$' | head -n1)
[ -n "$window" ] || fail "no window titled Win32 Application"
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "1280x1024" ] || fail "the window is $geometry, not the whole 1280x1024 screen"

# --- a second copy says nothing and leaves, the first runs on ---
# It touches no file either, not even the recording it was told to write.
printf 'tessalune-recording 1 clock 0\n5 tap Z\n9 end\n' >"$work/precious.rec"
cp "$work/precious.rec" "$work/precious.kept"
start_game second "$work/game" --record "$work/precious.rec" --trace "$work/precious.rec"
second=$started
wait_for 20 box_up || fail "the second copy showed no message box"
wait_for 5 said "$work/second.err" "message box []: " || fail "the second copy's box was not the empty one"
answer_boxes
wait_for 20 stopped "$second" || fail "the second copy did not leave"
[ "$(exit_code "$second")" = 0 ] || fail "the second copy did not end with exit code 0"
[ "$(lines "$work/second.frames")" = 0 ] || fail "the second copy ran frames"
cmp -s "$work/precious.rec" "$work/precious.kept" || fail "the second copy spoiled a recording"
before=$(lines "$work/first.frames")
wait_for 10 has_frames "$work/first.frames" $((before + 64)) || fail "the first copy stopped"
running "$first" || fail "the first copy ended"

# --- Esc closes it ---
xdotool key --window "$window" Escape
wait_for 20 stopped "$first" || fail "Esc did not close the game"
[ "$(exit_code "$first")" = 0 ] || fail "Esc did not end the game with exit code 0"

# --- no display: a message and exit code 1 at once, whatever SDL falls back
# to, and the lock goes with it ---
unused=398
while [ -e "/tmp/.X11-unix/X$unused" ]; do unused=$((unused + 1)); done
for display in none ":$unused"; do
    code=0
    if [ "$display" = none ]; then
        (cd "$work/game" && timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY "$game" \
            >"$work/nodisplay.err" 2>&1) || code=$?
    else
        (cd "$work/game" && DISPLAY=$display timeout 20 "$game" >"$work/nodisplay.err" 2>&1) ||
            code=$?
    fi
    [ "$code" = 1 ] || fail "without a display ($display) the game ended with $code, not 1"
    said "$work/nodisplay.err" "no display to show it on" || fail "no message without a display"
done
start_game again "$work/game"
wait_for 30 has_frames "$work/again.frames" 16 || fail "no start after the display was missing"
stop "$started"

# --- a missing picture stops start-up before the first frame ---
rm "$work/game/Fcg/Bg.bmp"
start_game nobg "$work/game"
nobg=$started
wait_for 20 said "$work/nobg.err" "BmpFileErrer" || fail "no BmpFileErrer"
wait_for 10 box_up || fail "BmpFileErrer was not shown in a box"
said "$work/nobg.err" "errer lpMain[3]" && fail "errer lpMain[3] came before BmpFileErrer was answered"
answer_boxes
wait_for 20 said "$work/nobg.err" "errer lpMain[3]" || fail "no errer lpMain[3]"
wait_for 10 box_up || fail "errer lpMain[3] was not shown in a box"
answer_boxes
wait_for 20 stopped "$nobg" || fail "the game did not end after its messages"
[ "$(exit_code "$nobg")" = 0 ] || fail "the game did not end with exit code 0"
[ "$(lines "$work/nobg.frames")" = 0 ] || fail "frames ran without the background picture"
grep -n "message box" "$work/nobg.err"

echo "PASS"
