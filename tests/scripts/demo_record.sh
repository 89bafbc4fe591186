#!/usr/bin/env bash
# A run recorded from the real game plays back the same: the game under Xvfb
# with --record and --trace, the paddle moved by xdotool in a random but
# seeded pattern until the last ball is lost, the result, back to the title,
# Esc; then the recording through the headless runner in a copy of the same
# game directory. The traces agree frame for frame in every field but the
# wall clock, and the best-score file ends the same. Then a demo played back
# in the window (--play) gives its expected trace and leaves the player's
# files alone, and bad recordings and files are refused before any window.
# Leftovers of killed saves and playbacks are cleared at the next start.
set -euo pipefail

tools="xdotool cmp"
source "$(dirname "$0")/xvfb.bash"
source "$(dirname "$0")/trace.bash"
headless="$build/tessalune-headless"
seed=${TESSALUNE_DEMO_SEED:-16}
RANDOM=$seed

cp -r "$gamedir" "$work/game"
cp -r "$gamedir" "$work/replay"

# scene_now: the scene of the latest frame the game has traced.
scene_now() { tail -n1 "$work/real.jsonl" 2>/dev/null | sed -n 's/.*"scene":\([0-9]*\).*/\1/p'; }
in_scene() { [ "$(scene_now)" = "$1" ]; }

# What a save killed midway left is cleared at the next start.
printf 'half' >"$work/game/Data/Map3.tmp"
start_game real "$work/game" --record "$work/run.rec" --trace "$work/real.jsonl"
real=$started
wait_for 30 has_frames "$work/real.jsonl" 80 || fail "no frames from the game"
[ ! -e "$work/game/Data/Map3.tmp" ] || fail "a stale temporary stayed beside the stages"
window=$(xdotool search --name '^Win32 Application$' | head -n1)
[ -n "$window" ] || fail "no game window"

xdotool key --window "$window" Return
wait_for 20 in_scene 2 || fail "Return on the title did not start a game"
# Held arrows for a random while each, until the run is over.
deadline=$((SECONDS + 240))
while ! in_scene 3; do
    ((SECONDS < deadline)) || fail "the run did not end"
    key=$([ $((RANDOM % 2)) = 0 ] && echo Left || echo Right)
    xdotool keydown --window "$window" "$key"
    sleep "0.$((1 + RANDOM % 5))"
    xdotool keyup --window "$window" "$key"
done
wait_for 30 in_scene 1 || {
    xdotool key --window "$window" Return
    wait_for 30 in_scene 1
} || fail "the result did not go back to the title"
sleep 0.5
xdotool key --window "$window" Escape
wait_for 20 stopped "$real" || fail "Esc did not close the game"
[ "$(exit_code "$real")" = 0 ] || fail "the game did not end with exit code 0"

head -n1 "$work/run.rec" | grep -q '^tessalune-recording 1 clock [0-9]*$' ||
    fail "the recording does not start with its format and clock"
tail -n1 "$work/run.rec" | grep -q '^[0-9]* end$' || fail "the recording has no end line"

(cd "$work/replay" && "$headless" --input "$work/run.rec" --trace "$work/replay.jsonl" \
    >"$work/replay.err" 2>&1) || fail "the runner refused the recording"
same_trace "$work/real.jsonl" "$work/replay.jsonl" || fail "the replay differs at $difference"
for f in "$work/game/Data"/*; do
    cmp "$f" "$work/replay/Data/$(basename "$f")" || fail "$(basename "$f") ends differently"
done
# --- a playback in the window, in a scratch copy of the player's files ---
demo=${TESSALUNE_SOURCE_DIR:?}/tests/demos/focus
mkdir "$work/tmp"
# The scratch copy of a playback killed before its end goes at the next start.
mkdir -p "$work/tmp/tessalune-play-killed/Data"
(cd "$work/game/Data" && sha256sum -- *) >"$work/before.sums"
TMPDIR="$work/tmp" start_game play "$work/game" --play "$demo.rec" --trace "$work/play.jsonl"
wait_for 60 stopped "$started" || fail "the playback did not end by itself"
[ "$(exit_code "$started")" = 0 ] || fail "the playback did not end with exit code 0"
gzip -dc "$demo.trace.gz" >"$work/play.expected"
same_trace "$work/play.expected" "$work/play.jsonl" || fail "the playback differs at $difference"
(cd "$work/game/Data" && sha256sum --quiet -c "$work/before.sums") ||
    fail "the playback changed the player's files"
[ -z "$(ls -A "$work/tmp")" ] || fail "the playback left its scratch copy behind"

# --- what cannot be used is refused, with exit code 2 and no window ---
printf 'tessalune-recording 9 clock 0\n' >"$work/newer.rec"
refused() {  # refused WHAT OPTION...: exit 2 and one line naming the trouble
    local code=0
    (cd "$work/game" && timeout 20 "$game" "${@:2}" >"$work/refused.err" 2>&1) || code=$?
    [ "$code" = 2 ] || fail "$1: exit code $code, not 2"
    [ "$(wc -l <"$work/refused.err")" = 1 ] || fail "$1: not one line: $(cat "$work/refused.err")"
}
refused "a newer recording" --play "$work/newer.rec"
grep -q "line 1: .*newer" "$work/refused.err" || fail "the newer recording was not named"
refused "a missing recording" --play "$work/none.rec"
refused "an unwritable recording" --record "$work/no/such/dir/run.rec"
refused "an unwritable trace" --trace "$work/no/such/dir/trace.jsonl"
refused "--record and --play" --record "$work/x.rec" --play "$demo.rec"
: >"$work/empty.rec"
refused "an empty recording" --play "$work/empty.rec"
grep -q "line 1: " "$work/refused.err" || fail "the empty recording was not refused at line 1"
printf '2147483647 tap Z\n' >"$work/headless.rec"
refused "a recording without its first line" --play "$work/headless.rec"
grep -q "line 1: " "$work/refused.err" || fail "the missing first line was not named"
printf 'tessalune-recording 1 clock 0\n21600000 end\n' >"$work/long.rec"
refused "a recording of days" --play "$work/long.rec"
mkfifo "$work/fifo"
refused "a fifo to record into" --record "$work/fifo"
refused "a fifo to trace into" --trace "$work/fifo"
printf 'tessalune-recording 1 clock 0\n3 tap \033[2J\n' >"$work/escape.rec"
refused "a recording with escapes" --play "$work/escape.rec"
! grep -q $'\033' "$work/refused.err" || fail "raw escape bytes reached the terminal"

echo "PASS: $(wc -l <"$work/real.jsonl") frames, $(wc -l <"$work/run.rec") recorded lines"
