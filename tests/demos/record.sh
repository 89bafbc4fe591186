#!/usr/bin/env bash
# Records the demos again from the real game, under Xvfb with real key presses:
#   TESSALUNE_BUILD_DIR=build TESSALUNE_GAMEDIR=build/game tests/demos/record.sh [NAME...]
# Each NAME.rec is what the game was handed; NAME.trace.gz its trace (without
# the wall clock) and NAME.sums the checksums of its Data files at the end.
# Only needed when a demo should show something new: when a rule of the game
# changes on purpose, tests/demos/expect.sh renews the expectations instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tools="xdotool"
source "$here/../scripts/xvfb.bash"
source "$here/../scripts/trace.bash"

scene_now() { tail -n1 "$work/$name.jsonl" 2>/dev/null | sed -n 's/.*"scene":\([0-9]*\).*/\1/p'; }
in_scene() { [ "$(scene_now)" = "$1" ]; }
frames_at_least() { has_frames "$work/$name.jsonl" "$1"; }
# press KEY [SECONDS]: down, held a while (0.1 s by default), up.
press() {
    xdotool keydown --window "$window" "$1"
    sleep "${2:-0.1}"
    xdotool keyup --window "$window" "$1"
    sleep 0.3
}

# The title's menu and its best-score view.
play_title() {
    press Down; press Down; press Up; press Up
    press Down; press Return; sleep 1
    press x; sleep 0.5
    press Up; sleep 0.5
}
# A game left alone: every ball is lost, the result, and back to the title.
play_run() {
    press Return
    wait_for 20 in_scene 2 || fail "no game"
    press Right 1.5
    wait_for 120 in_scene 3 || fail "the run did not end"
    sleep 3
    press Return
    wait_for 30 in_scene 1 || fail "no title after the result"
    sleep 0.5
}
# The hidden editor: two bricks laid on the first stage and saved.
play_editor() {
    press m
    wait_for 10 in_scene 4 || fail "no editor"
    sleep 1
    press z; press Right; press z; press Down; press z; press v
    sleep 1
}
# The window loses the keyboard in the middle of a stage and gets it back.
play_focus() {
    press Return
    wait_for 20 in_scene 2 || fail "no game"
    press Left 0.5
    local before
    before=$(lines "$work/$name.jsonl")
    xdotool windowfocus "$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')"
    sleep 1
    [ "$(lines "$work/$name.jsonl")" -lt $((before + 30)) ] || fail "the game ran on without the focus"
    xdotool windowfocus "$window"
    sleep 1
    press Right 0.5
    sleep 1
}

# A stage cleared: the paddle follows the ball, read from the trace as the
# game writes it, until no brick is left.
play_clear() {
    press Return
    wait_for 20 in_scene 2 || fail "no game"
    local held="" want line ball paddle centre deadline=$((SECONDS + 420))
    while ((SECONDS < deadline)); do
        line=$(tail -n1 "$work/$name.jsonl")
        [[ $line == *'"bricks":0,'* ]] && break
        [[ $line =~ \"ball\":\[([0-9-]+),[^]]*\],\"paddle\":([0-9-]+) ]] || { sleep 0.05; continue; }
        ball=$((BASH_REMATCH[1] + 16))
        centre=$((BASH_REMATCH[2] + 32 + 48))
        want=""
        ((ball < centre - 12)) && want=Left
        ((ball > centre + 12)) && want=Right
        if [ "$want" != "$held" ]; then
            [ -n "$held" ] && xdotool keyup --window "$window" "$held"
            [ -n "$want" ] && xdotool keydown --window "$window" "$want"
            held=$want
        fi
        sleep 0.02
    done
    [ -n "$held" ] && xdotool keyup --window "$window" "$held"
    [[ $(tail -n1 "$work/$name.jsonl") == *'"bricks":0,'* ]] || fail "the stage was not cleared"
    sleep 3
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(title run clear editor focus)
for name in "${names[@]}"; do
    declare -F "play_$name" >/dev/null || fail "no demo called $name"
    rm -rf "$work/game" && cp -r "$gamedir" "$work/game"
    start_game "$name" "$work/game" --record "$work/$name.rec" --trace "$work/$name.jsonl"
    pid=$started
    wait_for 30 frames_at_least 90 || fail "no frames for $name"
    window=$(xdotool search --name '^Win32 Application$' | head -n1)
    "play_$name"
    xdotool key --window "$window" Escape
    wait_for 20 stopped "$pid" || fail "$name: Esc did not close the game"
    cp "$work/$name.rec" "$here/$name.rec"
    game_fields "$work/$name.jsonl" | gzip -9n >"$here/$name.trace.gz"
    (cd "$work/game/Data" && sha256sum -- *) >"$here/$name.sums"
    echo "$name: $(wc -l <"$work/$name.jsonl") frames, $(wc -l <"$work/$name.rec") lines"
done
