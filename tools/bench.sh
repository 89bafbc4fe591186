#!/usr/bin/env bash
# The speed figures of the real game, started the way a player starts it, on a
# bare X server (Xvfb) at 640 x 480 and at 1920 x 1080 (full screen, the frame
# scaled by two):
#   - the present path the game chose, from its one line on standard error;
#   - its CPU use (user + system time of the whole process, every thread, from
#     /proc/PID/stat) over 10 s idle on the title, 10 s more once the title's
#     piece has looped (its passes after the first are played back, not
#     synthesized), and over 10 s of play (a stage's first pass), the
#     arrow keys held in turn so the paddle runs back and forth, and the
#     share of it spent in SDL's sound threads (the synthesizer and the
#     effects' mixer), whose cost is the music's: a stage's piece is drawn at
#     random, and the pieces cost from well under 1 % to about 3 % of a core;
#   - the share of playing frames that start in their due millisecond: frame n
#     is due at the first millisecond of the game's clock at or after
#     T0 + 266 n / 16 ms, by the game's own frame log.
#
#   tools/bench.sh [BUILD-DIR]
#
# BUILD-DIR holds a built game (its `tessalune` and `game/`); by default the
# player's build in ./build, configured and built as ./run does when it is
# not there yet. The figures go to standard output and to
# BUILD-DIR/bench-results.md, the frame logs beside it.
#
# The game gets no environment but HOME, PATH, LANG, DISPLAY, a private
# XDG_RUNTIME_DIR (its single-instance lock, so a game running elsewhere is no
# second copy), its own XDG_CONFIG_HOME (the defaults, whatever the player
# set), SDL_AUDIODRIVER=dummy (for a machine without a sound card:
# the music is still synthesized, only not heard) and TESSALUNE_FRAME_LOG (the
# frame log; one buffered line a frame, nothing at all when unset).
# Also the resident memory 5 s into the title and after its piece has looped,
# and the time from starting the game to its first frame, median of five.
# Needs Xvfb, xdotool and ImageMagick's import. Takes about three minutes; run
# it on a quiet machine: whatever else runs shows up in the figures.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$source_dir/build}
build=$(mkdir -p "$build" && cd "$build" && pwd)

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null ||
        { echo "bench: $tool is not installed (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done

if [ ! -x "$build/tessalune" ] || [ ! -d "$build/game" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$build" --target tessalune gamedir -j "$(nproc)" >/dev/null
fi

work=$(mktemp -d /tmp/tessalune-bench-XXXXXX)
xvfb_pid=""
game_pid=""
stop_game() {
    [ -n "$game_pid" ] || return 0
    kill "$game_pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$game_pid" 2>/dev/null || true
    wait "$game_pid" 2>/dev/null || true
    game_pid=""
}
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}
cleanup() {
    stop_game
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
die() {
    echo "bench: $*" >&2
    exit 1
}

results="$build/bench-results.md"
: >"$results"
say() { echo "$*" | tee -a "$results"; }

clock_ticks=$(getconf CLK_TCK)
cpu_ticks() {  # user + system ticks of the whole process
    sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'
}
sound_ticks() {  # the same, of SDL's sound threads alone (effects and music)
    local task total=0
    for task in /proc/"$1"/task/*; do
        case $(cat "$task/comm" 2>/dev/null) in
        SDLAudio*) total=$((total + $(sed 's/.*) //' "$task/stat" | awk '{print $12 + $13}'))) ;;
        esac
    done
    echo "$total"
}
percent_of_core() {  # percent_of_core TICKS SECONDS
    awk -v d="$1" -v s="$2" -v hz="$clock_ticks" 'BEGIN { printf "%.1f", 100 * d / hz / s }'
}
frames_logged() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
rss_mb() {  # resident memory of the process, in MB
    awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# on_time LOG FIRST COUNT: of frames FIRST .. FIRST+COUNT-1, the share that
# began in their due millisecond by the game's clock (the first column), and
# the worst lateness in ms.
on_time() {
    awk -v first="$2" -v count="$3" '
        NR == 1 { c0 = $1 }
        NR - 1 >= first && NR - 1 < first + count {
            late = $1 - c0 - (NR - 1) * 266 / 16.0
            if (late >= 0 && late < 1) on++
            if (k++ == 0 || late > worst) worst = late
        }
        END {
            if (k < count) { print "too few frames"; exit }
            printf "%.1f %% (worst %.1f ms late)\n", 100 * on / k, worst
        }' "$1"
}

# paddle_for SECONDS: Left and Right held in turn, 0.6 s each.
paddle_for() {
    local end=$((SECONDS + $1)) key=Left
    while ((SECONDS < end)); do
        xdotool keydown "$key"
        sleep 0.6
        xdotool keyup "$key"
        if [ "$key" = Left ]; then key=Right; else key=Left; fi
    done
}

# measure SCREEN: one run of the game, title then play.
measure() {
    local screen=$1
    rm -f "$work/display"
    Xvfb -displayfd 5 -screen 0 "${screen}x24" -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || die "Xvfb did not start"
    DISPLAY=":$(head -n1 "$work/display")"
    export DISPLAY
    rm -rf "$work/game" "$work/run" "$work/frames.log"
    cp -r "$build/game" "$work/game"
    mkdir -m 700 "$work/run"
    local log="$work/frames.log"
    (cd "$work/game" && exec env -i HOME="$HOME" PATH="$PATH" LANG="${LANG:-C.UTF-8}" \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy \
        TESSALUNE_FRAME_LOG="$log" "$build/tessalune" >"$work/game.err" 2>&1) &
    game_pid=$!

    # Idle on the title, once start-up has settled; memory 5 s in.
    sleep 5
    local rss_title
    rss_title=$(rss_mb "$game_pid")
    local window
    window=$(xdotool search --name '^Win32 Application$' | sed -n 1p)
    [ -n "$window" ] || die "no game window on $screen: $(cat "$work/game.err")"
    xdotool windowfocus --sync "$window"
    local path
    path=$(sed -n 's/^tessalune: present: //p' "$work/game.err" | head -n1)
    [ -n "$path" ] || path="renderer (the game names no path)"
    local t0 t1 s0 s1 idle_cpu
    t0=$(cpu_ticks "$game_pid")
    s0=$(sound_ticks "$game_pid")
    sleep 10
    t1=$(cpu_ticks "$game_pid")
    s1=$(sound_ticks "$game_pid")
    idle_cpu="$(percent_of_core $((t1 - t0)) 10) % (sound $(percent_of_core $((s1 - s0)) 10) %)"
    # Once the title's piece (67 s) has looped and its first pass is played
    # back rather than synthesized.
    sleep 62
    t0=$(cpu_ticks "$game_pid")
    s0=$(sound_ticks "$game_pid")
    sleep 10
    t1=$(cpu_ticks "$game_pid")
    s1=$(sound_ticks "$game_pid")
    local later_cpu rss_loop
    later_cpu="$(percent_of_core $((t1 - t0)) 10) % (sound $(percent_of_core $((s1 - s0)) 10) %)"
    rss_loop=$(rss_mb "$game_pid")

    # Play: START GAME is the menu's first entry; the ball starts by itself.
    xdotool key Return
    sleep 2.5
    local play_from play_to play_cpu
    play_from=$(frames_logged "$log")
    t0=$(cpu_ticks "$game_pid")
    s0=$(sound_ticks "$game_pid")
    paddle_for 10
    t1=$(cpu_ticks "$game_pid")
    s1=$(sound_ticks "$game_pid")
    play_to=$(frames_logged "$log")
    play_cpu="$(percent_of_core $((t1 - t0)) 10) % (sound $(percent_of_core $((s1 - s0)) 10) %)"

    xdotool key Escape
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    local code=0
    wait "$game_pid" || code=$?
    game_pid=""
    stop_xvfb
    [ "$code" = 0 ] || die "the game ended with exit code $code on $screen: $(cat "$work/game.err")"

    # The log is written 64 lines at a time, so its count may lag the frames
    # by up to 63: the frames counted lie inside the ten seconds of play.
    local play_frames=$((play_to - play_from - 64))
    local frames
    frames=$(on_time "$log" $((play_from + 64)) "$play_frames")
    say "| $screen | $path | $idle_cpu | $later_cpu | $play_cpu | $frames of $play_frames | $rss_title MB | $rss_loop MB |"
    cp "$log" "$build/frames-$screen.log"
}

say "# Tessalune speed figures, $(date -u '+%Y-%m-%d %H:%M UTC')"
say ""
say "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1)," \
    "$(free -g | awk '/^Mem:/ {print $2}') GiB; kernel $(uname -r); SDL $(pkg-config --modversion sdl2 2>/dev/null || echo '?')"
say "Game: $build/tessalune; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
say ""
say "CPU: user + system time of the whole process over 10 s, in % of one core. On time: playing"
say "frames that began in their due millisecond by the game's clock. SDL_AUDIODRIVER=dummy (no"
say "sound card; the music is still synthesized); no other setting. Sound: the share of SDL's sound"
say "threads, which synthesize the music and mix the effects; the stage's piece is drawn at random"
say "and the pieces differ in cost."
say ""
say "| Screen | Present path | CPU, title | CPU, title after its first pass | CPU, playing | Playing frames on time | Memory 5 s in | Memory after the title's loop |"
say "| --- | --- | --- | --- | --- | --- | --- | --- |"
for screen in 640x480 1920x1080; do
    measure "$screen"
done

# start_ms: from starting the game to its first frame (the frame log's first
# line, which the game writes at once), in ms; the game is then closed.
start_ms() {
    local log="$work/start.log" t0 t1
    rm -rf "$work/game" "$work/run" "$log"
    cp -r "$build/game" "$work/game"
    mkdir -m 700 "$work/run"
    t0=$(now_ms)
    (cd "$work/game" && exec env -i HOME="$HOME" PATH="$PATH" LANG="${LANG:-C.UTF-8}" \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy \
        TESSALUNE_FRAME_LOG="$log" "$build/tessalune" >"$work/game.err" 2>&1) &
    game_pid=$!
    for _ in $(seq 5000); do
        [ -s "$log" ] && break
        sleep 0.001
    done
    t1=$(now_ms)
    [ -s "$log" ] || die "no first frame: $(cat "$work/game.err")"
    stop_game
    echo $((t1 - t0))
}
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
starts=()
for _ in 1 2 3 4 5; do
    starts+=("$(start_ms)")
done
stop_xvfb
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
say ""
say "From starting the game to its first frame (640 x 480, five starts): median $median ms (${starts[*]} ms)."
say ""
say "Load average after: $(cut -d' ' -f1-3 /proc/loadavg). Aims: playing under 3 % at 640 x 480"
say "and under 4 % at 1920 x 1080, idle under 2 %, 99.5 % of playing frames on time."
echo "bench: the figures are in $results, the frame logs beside it"
