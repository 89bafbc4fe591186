# The shared part of the scripts that run the real game on a bare X server:
# sourced, never run. Sets $build, $gamedir, $game, $work, starts Xvfb on a
# free display with a private runtime directory and the dummy sound driver,
# and gives the helpers below. Needs `tools` set to the commands the script
# uses besides Xvfb (it exits 77, skipped, when one is missing).
build=${TESSALUNE_BUILD_DIR:?}
gamedir=${TESSALUNE_GAMEDIR:?}
game="$build/tessalune"
for tool in Xvfb ${tools:-}; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (./test installs it)"; exit 77; }
done

work=$(mktemp -d /tmp/tessalune-xvfb-XXXXXX)
pids=()
# stop PID: asks a game to close and gives it time to: an X server pulled
# from under it would leave it nothing to close on.
stop() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
cleanup() {
    # Newest first: the games go before the X server they draw on.
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        stop "${pids[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT

# TESSALUNE_E2E_KEEP=DIR keeps the shots, logs and game directories of a
# failed run there.
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.err; do
        [ -f "$f" ] && { echo "--- $f"; cat "$f"; }
    done
    if [ -n "${TESSALUNE_E2E_KEEP:-}" ]; then
        local i
        for ((i = ${#pids[@]} - 1; i >= 1; i--)); do
            stop "${pids[i]}"
        done
        mkdir -p "$TESSALUNE_E2E_KEEP" && cp -r "$work"/. "$TESSALUNE_E2E_KEEP"/ &&
            echo "the run's files are in $TESSALUNE_E2E_KEEP"
    fi
    exit 1
}

# A display of our own, whatever number is free.
Xvfb -displayfd 5 -screen 0 ${screen:-1280x1024x24} -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
# Our own lock, so that a game running elsewhere on this machine is no second copy.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
export SDL_AUDIODRIVER=dummy
# Settings of our own: the player's (a window size, moved keys) are not the test's.
export XDG_CONFIG_HOME="$work/config"

# wait_for SECONDS COMMAND...: true once COMMAND succeeds.
wait_for() {
    local tenths=$(($1 * 10))
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
has_frames() { [ "$(lines "$1")" -ge "$2" ]; }
running() { kill -0 "$1" 2>/dev/null; }
stopped() { ! running "$1"; }
said() { grep -qF -- "$2" "$1"; }

start_game() {  # start_game NAME DIR [OPTION...]: runs the game in DIR, its pid in $started
    local name=$1 dir=$2
    shift 2
    (cd "$dir" && exec env TESSALUNE_FRAME_LOG="$work/$name.frames" "$game" "$@" \
        >"$work/$name.err" 2>&1) &
    started=$!
    pids+=("$started")
}

exit_code() {  # exit_code PID
    local code=0
    wait "$1" || code=$?
    echo "$code"
}
