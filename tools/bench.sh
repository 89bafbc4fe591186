#!/usr/bin/env bash
# The speed figures: builds a Release game with its benchmarks, runs them, then
# measures the real game on a bare X server (Xvfb):
#   - its CPU use (user + system time of the whole process, every thread)
#     over 10 s idling on the title and over 10 s of play with an arrow key
#     held, the paddle going back and forth;
#   - how closely 600 frames of each start on the game's schedule: frame n is
#     due at T0 + 266 n / 16 ms, T0 being the start of the first frame, and
#     counts as on time when it started within 1 ms of that, either way.
# Each is measured on a screen of the game's own 640 x 480 and on a
# 1280 x 1024 one (the frame scaled by two), with the renderer the game picks
# there (OpenGL, which on a machine without a graphics card is Mesa's llvmpipe
# drawing on the processor) and with SDL's software renderer putting its
# picture up through X11 shared memory (SDL_RENDER_DRIVER=software with
# SDL_FRAMEBUFFER_ACCELERATION=0).
#
#   tools/bench.sh [--quick]
#
# --quick runs each benchmark briefly and measures the game on 640 x 480 only.
# Environment: TESSALUNE_BENCH_BUILD (default build-bench in the source tree),
# TESSALUNE_BENCH_CMAKE_ARGS (more options for the configure step). The
# figures go to standard output and to $TESSALUNE_BENCH_BUILD/bench-results.md.
# Needs cmake, a compiler, libbenchmark-dev, Xvfb, xdotool and ImageMagick's
# import. Takes about four minutes on two cores; run it on a quiet machine:
# whatever else runs shows up in the figures.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALUNE_BENCH_BUILD:-$source_dir/build-bench}
quick=0
[ "${1:-}" = "--quick" ] && quick=1

for tool in cmake Xvfb xdotool import; do
    command -v "$tool" >/dev/null ||
        { echo "bench: $tool is not installed (apt-get install cmake xvfb xdotool imagemagick)" >&2; exit 1; }
done

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
say() { echo "$*" | tee -a "$results"; }

# ---- build and benchmarks --------------------------------------------------------

# shellcheck disable=SC2086  # the extra options are meant to split
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALUNE_TESTS=OFF \
    -DTESSALUNE_BENCH=ON ${TESSALUNE_BENCH_CMAKE_ARGS:-} >"$work/configure.log" ||
    { cat "$work/configure.log"; die "configure failed"; }
cmake --build "$build" -j2 --target tessalune tessalune-headless tessalune_bench \
    tessalune_bench_game gamedir >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log"; die "build failed"; }

: >"$results"
say "# Tessalune speed figures, $(date -u '+%Y-%m-%d %H:%M UTC')"
say ""
say "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1)," \
    "$(free -g | awk '/^Mem:/ {print $2}') GiB; $(lscpu | sed -n 's/^Hypervisor vendor: *//p') virtual machine"
say "Kernel $(uname -r); SDL $(pkg-config --modversion sdl2); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
say ""

if ((quick)); then
    repetitions=(--benchmark_min_time=0.2)
    say "## Benchmarks (one short run each; wall time and CPU time per iteration)"
else
    repetitions=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
    say "## Benchmarks (median of 5 runs; wall time and CPU time per iteration)"
fi
say ""
say '```'
"$build/bench/tessalune_bench_game" "${repetitions[@]}" 2>&1 | grep -E '^(BM_|Benchmark|-)' |
    grep -vE '_(mean|stddev|cv)' | tee -a "$results"
"$build/bench/tessalune_bench" "${repetitions[@]}" 2>&1 | grep -E '^BM_' |
    grep -vE '_(mean|stddev|cv)' | tee -a "$results"
say '```'
say ""

# ---- the real game under Xvfb ------------------------------------------------------

clock_ticks=$(getconf CLK_TCK)
cpu_ticks() {  # user + system ticks of the whole process
    sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'
}
frames_logged() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

# spread LOG FIRST COUNT: frames FIRST .. FIRST+COUNT-1 of a frame log, as
# "on-time-% median p99 worst clock-on-time-%" (lateness in ms).
#
# On time: frame n began within 1 ms of T0 + 266 n / 16 ms, T0 being when
# frame 0 began, by the microseconds of the second column. The game waits on
# its millisecond clock (the first column), so a frame can begin at best in
# the first millisecond at or after its due time on that clock: the last
# figure is the share that did, by the clock's own reading. The two differ
# where the millisecond clock does not keep step with real time.
spread() {
    awk -v first="$2" -v count="$3" '
        NR == 1 { c0 = $1 }
        NR - 1 >= first && NR - 1 < first + count {
            n = NR - 1
            due = n * 266 / 16.0
            late = $2 / 1000.0 - due
            if (late >= -1 && late <= 1) on++
            by_clock = $1 - c0 - due
            if (by_clock >= 0 && by_clock < 1) clock_on++
            lates[++k] = late
        }
        END {
            if (k < count) { print "short"; exit }
            # a plain insertion sort: a few hundred numbers
            for (i = 2; i <= k; i++) {
                v = lates[i]
                for (j = i - 1; j >= 1 && lates[j] > v; j--) lates[j + 1] = lates[j]
                lates[j + 1] = v
            }
            printf "%.1f %.2f %.2f %.2f %.1f\n", 100 * on / k, lates[int(k / 2)], lates[int(k * 0.99)],
                lates[k], 100 * clock_on / k
        }' "$1"
}

screen_changes() {  # true when two shots a tenth of a second apart differ
    import -window root -depth 8 "rgb:$work/a.rgb" 2>/dev/null &&
        sleep 0.1 &&
        import -window root -depth 8 "rgb:$work/b.rgb" 2>/dev/null &&
        ! cmp -s "$work/a.rgb" "$work/b.rgb"
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

# measure SCREEN RENDERER: one run of the game, title then play.
measure() {
    local screen=$1 renderer=$2
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
    local env=(XDG_RUNTIME_DIR="$work/run" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
        TESSALUNE_FRAME_LOG="$work/frames.log")
    # Both, or SDL would put the software renderer's picture on the window
    # through OpenGL all the same.
    [ "$renderer" = software ] && env+=(SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0)
    (cd "$work/game" && exec env "${env[@]}" "$build/tessalune" >"$work/game.err" 2>&1) &
    game_pid=$!
    local log="$work/frames.log"

    # Idle on the title, after start-up has settled.
    sleep 3
    local window
    window=$(xdotool search --name '^Win32 Application$' | sed -n 1p)
    [ -n "$window" ] || die "no game window on $screen"
    xdotool windowfocus --sync "$window"
    local engine="SDL software renderer"
    [ "$renderer" = software ] && engine="$engine, X11 shared memory"
    grep -qs llvmpipe /proc/"$game_pid"/task/*/comm && engine="OpenGL on llvmpipe"
    local idle_from t0 t1
    idle_from=$(frames_logged "$log")
    t0=$(cpu_ticks "$game_pid")
    sleep 10
    t1=$(cpu_ticks "$game_pid")
    local idle_cpu
    idle_cpu=$(awk -v d=$((t1 - t0)) -v hz="$clock_ticks" 'BEGIN { printf "%.1f", 100 * d / hz / 10 }')
    # Two seconds more, for the 600 frames of the schedule figure.
    sleep 2

    # Play: the ball starts after two seconds; the paddle runs right and left.
    xdotool key Return
    sleep 2.5
    local play_from
    play_from=$(frames_logged "$log")
    t0=$(cpu_ticks "$game_pid")
    paddle_for 10
    t1=$(cpu_ticks "$game_pid")
    local play_cpu playing=yes
    play_cpu=$(awk -v d=$((t1 - t0)) -v hz="$clock_ticks" 'BEGIN { printf "%.1f", 100 * d / hz / 10 }')
    paddle_for 2
    screen_changes || playing="no (the run had ended)"

    # Both frame windows must lie inside what was measured: the log is written
    # 64 lines at a time, so its count may lag the frames by up to 63.
    local idle_first=$((idle_from + 64)) play_first=$((play_from + 64))
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

    local idle_spread play_spread start_spread
    idle_spread=$(spread "$log" "$idle_first" 600)
    play_spread=$(spread "$log" "$play_first" 600)
    start_spread=$(spread "$log" 0 600)
    printf '| %s | %s | %s %% | %s %% | %s | %s | %s | %s |\n' "$screen" "$engine" "$idle_cpu" \
        "$play_cpu" "$(fmt_spread "$start_spread")" "$(fmt_spread "$idle_spread")" \
        "$(fmt_spread "$play_spread")" "$playing" | tee -a "$results"
    cp "$log" "$build/frames-$screen-${renderer}.log"
}

fmt_spread() {  # "on median p99 worst clock" -> "on % (median / p99 / worst ms), clock %"
    local on median p99 worst clock
    read -r on median p99 worst clock <<<"$1"
    [ "$on" = short ] && { echo "too few frames"; return; }
    echo "$on % ($median / $p99 / $worst); $clock %"
}

say "## The real game under Xvfb"
say ""
say "CPU: user + system time of the whole process over 10 s, in % of one core."
say "On time: the share of frames starting within 1 ms of their due time, T0 + 266 n / 16 ms"
say "after the first frame, by the microseconds of TESSALUNE_FRAME_LOG; in brackets the median,"
say "99th percentile and worst lateness in ms (negative: early); after the semicolon the share"
say "that began in the first millisecond at or after their due time by the game's own clock."
say "From start: frames 0-599, start-up included. Title and play: 600 frames"
say "from the start of each CPU window."
say ""
say "| Screen | Renderer | CPU, title | CPU, play | On time from start | On time, title | On time, play | Still playing at the end |"
say "| --- | --- | --- | --- | --- | --- | --- | --- |"
screens=(640x480 1280x1024)
((quick)) && screens=(640x480)
for screen in "${screens[@]}"; do
    for renderer in default software; do
        measure "$screen" "$renderer"
    done
done
say ""
say "Load average after: $(cut -d' ' -f1-3 /proc/loadavg). Aims: under 200 us per play"
say "frame, under 5 % of one core while playing, 99 % of frames within 1 ms."
echo "bench: the figures are in $results; the frame logs beside it"
