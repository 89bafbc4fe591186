#!/usr/bin/env bash
# The whole game played through on a bare X server, the way a player would:
# the title menu, the best-score view (and clearing it), a game until the last
# ball is lost, the result banner, the stage editor (laying two bricks and
# saving them), and Esc. Keys go in through xdotool; the screen is read back
# at chosen pixels and must show what the headless runner draws for the same
# scene, wherever and however large the screen shows the frame.
# The mixed sound goes to a file through SDL's disk driver and must hold more
# than silence. (The second copy's empty message and the missing-picture
# messages are checked by xvfb_game.sh.)
set -euo pipefail

# The screen, and where the game's 640 x 480 frame sits on it: scaled by the
# largest whole number that fits, centred. The game's own size is the default,
# the lightest for a busy machine; TESSALUNE_E2E_SCREEN=1280x1024 (say) checks
# the scaled picture. TESSALUNE_RENDERER=gpu or surface, passed on to the
# game, checks that present path (the game must say it took it).
screen=${TESSALUNE_E2E_SCREEN:-640x480}
[[ $screen =~ ^[0-9]+x[0-9]+$ ]] || { echo "FAIL: TESSALUNE_E2E_SCREEN is WIDTHxHEIGHT, not $screen"; exit 1; }
screen_w=${screen%x*}
screen_h=${screen#*x}
scale=$((screen_w / 640 < screen_h / 480 ? screen_w / 640 : screen_h / 480))
((scale >= 1)) || { echo "FAIL: the screen $screen is smaller than 640x480"; exit 1; }
origin_x=$(((screen_w - 640 * scale) / 2))
origin_y=$(((screen_h - 480 * scale) / 2))

screen="${screen_w}x${screen_h}x24"
tools="xdotool import od cmp"
source "$(dirname "$0")/xvfb.bash"
headless="$build/tessalune-headless"
for exe in "$game" "$headless"; do
    [ -x "$exe" ] || { echo "FAIL: $exe is not built"; exit 1; }
done
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw"

# ---- what the headless runner draws for each scene ---------------------------

# expect NAME FRAMES SHOT-FRAME SCENE [SCRIPT-LINE...]: runs the runner in a fresh
# copy of the game directory and keeps its shot as $work/NAME.bmp; the shot's
# frame must have run scene SCENE.
expect() {
    local name=$1 frames=$2 shot=$3 scene=$4
    shift 4
    local dir="$work/headless-$name"
    cp -r "$gamedir" "$dir"
    printf '%s\n' "$@" >"$dir/input.txt"
    (cd "$dir" && "$headless" --frames "$frames" --input input.txt --trace trace.jsonl \
        --shot "$shot:$work/$name.bmp" >runner.log 2>&1) ||
        fail "the headless runner failed for $name: $(cat "$dir/runner.log")"
    grep -q "^{\"frame\":$shot,[^}]*\"scene\":$scene," "$dir/trace.jsonl" ||
        fail "the headless $name shot (frame $shot) is not of scene $scene"
}

# first_frame_of SCENE NAME: the first frame of the headless run NAME that ran SCENE.
first_frame_of() {
    sed -n "/\"scene\":$1,/{s/^{\"frame\":\([0-9]*\),.*/\1/p;q}" "$work/headless-$2/trace.jsonl"
}

# Title: settled, no key pressed.
expect title 80 75 1
# Score view: Down to the second entry, then confirm.
expect scores 100 90 1 "70 down Down" "73 up Down" "76 tap Return"
# Play: the first stage, still waiting for the ball to start.
expect play 110 101 2 "70 tap Return"
# Play with Right held: the paddle goes to its right end.
expect paddle 260 250 2 "70 tap Return" "100 down Right"
# The same game on to its end, then the result banner.
expect run 1600 1599 3 "70 tap Return" "100 down Right"
result_frame=$(($(first_frame_of 3 run) + 5))
expect result $((result_frame + 1)) "$result_frame" 3 "70 tap Return" "100 down Right"
# Editor: a brick at column 0 and one at column 1 of row 0, saved to stage 1.
expect editor 170 160 4 "70 tap M" "135 tap Z" "138 down Right" "141 up Right" "144 tap Z" \
    "147 tap V"

# ---- reading pixels ------------------------------------------------------------

# A row of bytes of FILE as one line of numbers: row_bytes FILE OFFSET COUNT.
row_bytes() {
    od -An -v -tu1 -w"$3" -j"$2" -N"$3" "$1"
}

shoot() {  # shoot NAME: the whole screen as raw 8-bit RGB in $work/NAME.rgb
    import -window root -depth 8 "rgb:$work/$1.rgb" 2>/dev/null ||
        fail "cannot take a screen shot"
    [ "$(stat -c %s "$work/$1.rgb")" = $((screen_w * screen_h * 3)) ] ||
        fail "the screen shot is not ${screen_w}x${screen_h}"
}

# Channels may differ by one: 5 and 6 bits are widened to 8 by rounding on the
# screen and by repeating the top bits in the bitmap.
Tolerance=2
near() {  # near A B: the two channel values are within Tolerance
    local d=$(($1 - $2))
    ((d >= -Tolerance && d <= Tolerance))
}

# matches SHOT EXPECTED STEP "X0 Y0 X1 Y1"...: every STEP-th pixel of each
# rectangle of the game's frame on the screen shot is the pixel of the
# expected bitmap (a 640 x 480 24-bit one, bottom row first, as the runner
# writes them); otherwise false with the first difference in $mismatch.
mismatch=""
matches() {
    local shot=$1 bmp=$2 step=$3
    shift 3
    mismatch=""
    local offset
    offset=$(od -An -tu4 -j10 -N4 "$bmp" | tr -d ' ')
    local rect x y x0 y0 x1 y1 want got
    for rect in "$@"; do
        read -r x0 y0 x1 y1 <<<"$rect"
        for ((y = y0; y <= y1; y += step)); do
            read -r -a want < <(row_bytes "$bmp" $((offset + (479 - y) * 1920)) 1920)
            read -r -a got < <(row_bytes "$shot" \
                $((((origin_y + scale * y) * screen_w + origin_x) * 3)) $((1920 * scale)))
            for ((x = x0; x <= x1; x += step)); do
                local w=$((3 * x)) g=$((3 * scale * x))
                # The bitmap keeps blue, green, red; the shot red, green, blue.
                if ! near "${want[w + 2]}" "${got[g]}" || ! near "${want[w + 1]}" "${got[g + 1]}" ||
                    ! near "${want[w]}" "${got[g + 2]}"; then
                    mismatch="($x, $y) shows ${got[g]} ${got[g + 1]} ${got[g + 2]}, not"
                    mismatch+=" ${want[w + 2]} ${want[w + 1]} ${want[w]}"
                    return 1
                fi
            done
        done
    done
}

check_scene() {  # check_scene NAME STEP RECT...: a fresh shot must match NAME.bmp
    local name=$1 step=$2
    shift 2
    shoot "$name"
    matches "$work/$name.rgb" "$work/$name.bmp" "$step" "$@" ||
        fail "the $name screen differs from the headless runner's: $mismatch"
}

# poll_scene FRAMES NAME STEP RECT...: shots until one matches NAME.bmp, for
# as long as the game takes to run FRAMES frames (on a busy machine that may
# be a good deal longer than their 60 a second), but two minutes at most.
poll_scene() {
    local frames=$1 name=$2 step=$3
    shift 3
    local last_frame=$(($(frames_logged) + LogLag + frames))
    local deadline=$((SECONDS + 120))
    while (($(frames_logged) < last_frame && SECONDS < deadline)); do
        shoot "$name"
        matches "$work/$name.rgb" "$work/$name.bmp" "$step" "$@" && return 0
        running "$game_pid" || fail "the game ended while waiting for the $name screen"
        sleep 0.2
    done
    fail "no $name screen within $frames frames: $mismatch"
}

whole="0 0 639 479"

# ---- the game ------------------------------------------------------------------

cp -r "$gamedir" "$work/game"
start_game game "$work/game"
game_pid=$started
frames_logged() { lines "$work/game.frames"; }
# The log is written 64 lines at a time, so it may be up to 63 frames behind.
LogLag=63
# wait_frames N: at least N more frames have run.
wait_frames() {
    local target=$(($(frames_logged) + LogLag + $1))
    local deadline=$((SECONDS + 30))
    while (($(frames_logged) < target)); do
        running "$game_pid" || fail "the game ended while waiting for frames"
        ((SECONDS < deadline)) || fail "the game ran no $1 frames in 30 s"
        sleep 0.1
    done
}
press() {  # press KEY: down for a few frames, as a finger would
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
    sleep 0.1
}

wait_for 30 test -s "$work/game.frames" || fail "no frames from the game"
window=$(xdotool search --name "^Win32 Application\$" | sed -n 1p)
[ -n "$window" ] || fail "no window titled Win32 Application"
xdotool windowfocus --sync "$window" || fail "the game's window cannot take the keyboard"
if [ -n "${TESSALUNE_RENDERER:-}" ]; then
    grep -q "^tessalune: present: $TESSALUNE_RENDERER " "$work/game.err" ||
        fail "the game did not present by $TESSALUNE_RENDERER"
fi

# The title, settled.
wait_frames 70
check_scene title 16 "$whole"

# The best scores; C clears them into the file.
press Down
press Return
wait_frames 10
check_scene scores 16 "$whole"
press c
wait_frames 5
[ "$(od -An -v -tx1 "$work/game/Data/BestScore" | tr -d ' \n')" = "$(printf '0%.0s' $(seq 80))" ] ||
    fail "C in the score view did not write ten zero scores"

# Back to the menu, up to START GAME, and play. Until the ball starts, all
# but the panel's animated picture stands still.
press x
press Up
press Return
sleep 0.5
shoot play
# Right held from before the ball starts, as in the headless run: the paddle
# runs to its right end (each lost ball brings it back) and never meets the ball.
xdotool keydown Right
matches "$work/play.rgb" "$work/play.bmp" 16 "0 0 639 223" "448 320 639 479" "0 224 447 479" ||
    fail "the play screen differs from the headless runner's: $mismatch"
poll_scene 600 paddle 8 "352 384 447 415"
# Nobody catches the ball: the run ends and the result banner shows.
poll_scene 1500 result 32 "128 192 511 287"
xdotool keyup Right
check_scene result 16 "$whole"

# Confirm leads back to the title, M into the editor.
wait_frames 60
press z
wait_frames 60
press m
wait_frames 60
press z
press Right
press z
press v
wait_frames 10
check_scene editor 16 "$whole"
[ "$(stat -c %s "$work/game/Data/Map1")" = 312 ] || fail "V did not write a whole Data/Map1"
cmp -s "$work/game/Data/Map1" "$work/headless-editor/Data/Map1" ||
    fail "Data/Map1 as saved differs from the headless runner's"
cells=$(od -An -v -td4 "$work/game/Data/Map1" | xargs)
expected_cells=$(for i in $(seq 0 77); do
    case $i in 0 | 6) echo 1 ;; *) echo 0 ;; esac
done | xargs)
[ "$cells" = "$expected_cells" ] || fail "Data/Map1 does not hold the two bricks laid: $cells"

# Back to the title, then Esc from there.
press x
wait_frames 10
running "$game_pid" || fail "the game ended before Esc"
xdotool key Escape
wait_for 20 stopped "$game_pid" || fail "Esc did not end the game"
code=$(exit_code "$game_pid")
[ "$code" = 0 ] || fail "the game ended with exit code $code after Esc"

# Sound: the music and the effects were mixed into the file, and not as silence.
[ -s "$work/sound.raw" ] || fail "no sound was written"
cmp -s -n "$(stat -c %s "$work/sound.raw")" "$work/sound.raw" /dev/zero &&
    fail "the sound written is all silence"
# A game that went as it should says nothing.
if grep -q "message box" "$work/game.err"; then
    fail "the game showed a message: $(grep "message box" "$work/game.err")"
fi

echo "PASS: $(frames_logged) frames through title, scores, play, result and editor"
