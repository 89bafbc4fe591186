#!/usr/bin/env bash
# The installed game, as a player gets it: install to a fresh prefix, start the
# installed program from an empty directory with a home of its own, play one
# run under Xvfb until its score is recorded, and find the score in the
# player's directory while the prefix stays exactly as installed.
set -uo pipefail

fail() {
    echo "install.sh: FAIL: $*" >&2
    exit 1
}
note() { echo "install.sh: $*"; }

build=${TESSALUNE_BUILD_DIR:?TESSALUNE_BUILD_DIR must name the build directory}
for tool in Xvfb xdotool cmake od sha256sum timeout; do
    command -v "$tool" >/dev/null ||
        { echo "install.sh: skipped: $tool is missing; install xvfb and xdotool (./test does)"; exit 77; }
done

tmp=$(mktemp -d /tmp/tessalune-install-XXXXXX) || fail "no temporary directory"
xvfb_pid=""
game_pid=""
cleanup() {
    [[ -n $game_pid ]] && kill "$game_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n $game_pid ]] && wait "$game_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

prefix=$tmp/prefix
share=$prefix/share/tessalune
timeout 300 cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }

# --- what the install lays out ---------------------------------------------
[[ -x $prefix/bin/tessalune ]] || fail "no program at bin/tessalune"
for file in System/mojicord.bmp Fcg/System1.fcg Fcg/System2.fcg Fcg/Bg.bmp \
    Wave/SelectMove.wav Wave/SelectCheck.wav Wave/SelectCancel.wav Wave/Hit.wav \
    Mid/System.mid Mid/Bgm1.mid Mid/Bgm5.mid; do
    [[ -s $share/$file ]] || fail "the install lacks $file"
done
for i in 1 2 3 4 5 6 7 8 9 10; do
    [[ $(stat -c %s "$share/Data/Map$i" 2>/dev/null) == 312 ]] ||
        fail "the install lacks the 312-byte stock stage Data/Map$i"
done
[[ ! -e $share/Data/BestScore ]] || fail "the install carries a best-score table"
desktop=$prefix/share/applications/tessalune.desktop
[[ -f $desktop ]] || fail "no desktop entry"
for key in '^Type=Application$' '^Name=Tessalune$' '^Exec=tessalune$' '^Icon=tessalune$' \
    '^Categories=.*Game;'; do
    grep -q "$key" "$desktop" || fail "the desktop entry lacks $key"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
fi
icons=$(find "$prefix/share/icons/hicolor" -path '*/apps/tessalune.png' 2>/dev/null)
[[ -n $icons ]] || fail "no icon under share/icons/hicolor/*/apps/tessalune.png"
for icon in $icons; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    [[ $(od -An -tx1 -N8 "$icon" | tr -d ' \n') == 89504e470d0a1a0a ]] ||
        fail "$icon is not a PNG picture"
    width=$((16#$(od -An -tx1 -j16 -N4 "$icon" | tr -d ' \n')))
    height=$((16#$(od -An -tx1 -j20 -N4 "$icon" | tr -d ' \n')))
    [[ $size == "${width}x${height}" ]] || fail "a ${width}x${height} icon filed under $size"
done

snapshot() {
    (cd "$prefix" && find . -printf '%y %m %p -> %l\n' | LC_ALL=C sort &&
        find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}
snapshot >"$tmp/prefix.before"

# Every start gets a home, a runtime directory (for the instance lock) and an
# empty directory to start from, as a desktop launcher would give it.
home=$tmp/home
user=$home/.local/share/tessalune
mkdir -p "$home/.local/share" "$tmp/empty" "$tmp/run"
chmod 700 "$tmp/run"
player_env=(HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$tmp/run"
    SDL_AUDIODRIVER=dummy)

# A start that cannot reach a display: it gets as far as the player's
# directory and then gives up with a message, which is all these checks need.
start_without_display() { # directory, then extra environment
    local dir=$1
    shift
    (cd "$dir" && timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY "${player_env[@]}" \
        SDL_VIDEODRIVER=x11 "$@" "$prefix/bin/tessalune") >"$tmp/out" 2>&1
}

# --- one run under Xvfb -----------------------------------------------------
# Xvfb picks a free display number itself and tells it once it listens, so
# runs side by side never take each other's server.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do
    if [[ -s $tmp/display ]]; then
        display=:$(tr -d ' \n' <"$tmp/display")
        break
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[[ -n $display ]] || { cat "$tmp/xvfb.log"; fail "Xvfb did not start"; }
note "Xvfb on $display"

(cd "$tmp/empty" && exec env "${player_env[@]}" DISPLAY="$display" \
    "$prefix/bin/tessalune") >"$tmp/game.log" 2>&1 &
game_pid=$!

window=$(DISPLAY=$display timeout 20 xdotool search --sync --name 'Win32 Application' |
    head -n 1)
[[ -n $window ]] || { cat "$tmp/game.log"; fail "the game window did not appear"; }
DISPLAY=$display xdotool windowfocus --sync "$window" 2>/dev/null ||
    DISPLAY=$display xdotool windowfocus "$window"

scores=$user/Data/BestScore
[[ $(od -An -tx1 -v "$scores" 2>/dev/null | tr -d ' \n') == "$(printf '0%.0s' $(seq 80))" ]] ||
    fail "the first start did not seed an empty best-score table at $scores"
seeded_inode=$(stat -c %i "$scores")

# The title acts on input from its 60th frame on; then confirm on "start".
sleep 1.5
DISPLAY=$display xdotool key --delay 120 z
note "started a run; waiting for the five balls to be lost"

# Without a hand on the paddle every ball is lost in a few seconds; the run's
# end rewrites the table (a new file renamed into place).
recorded=""
for tick in $(seq 900); do
    if [[ -f $scores && $(stat -c %i "$scores") != "$seeded_inode" ]]; then
        recorded=yes
        break
    fi
    kill -0 "$game_pid" 2>/dev/null || break
    # A second confirm, should the first have come before the title listened.
    ((tick == 40)) && DISPLAY=$display xdotool key z
    sleep 0.2
done
[[ -n $recorded ]] || { cat "$tmp/game.log"; fail "no score was recorded within three minutes"; }

sleep 1.5  # the result screen
DISPLAY=$display xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game_pid" 2>/dev/null; then
    fail "the game did not end on Esc"
fi
wait "$game_pid"
status=$?
game_pid=""
[[ $status == 0 ]] || { cat "$tmp/game.log"; fail "the game ended with status $status"; }

[[ $(stat -c %s "$scores") == 40 ]] || fail "the best-score table is not 40 bytes"
read -r -a table <<<"$(od -An -t d4 -v --endian=little "$scores" | tr -s ' \n' '  ')"
((${#table[@]} == 10)) || fail "the best-score table does not read as ten numbers"
note "best scores after the run: ${table[*]}"
((table[0] > 0)) || fail "the run's score is not at the top of the table"
for i in $(seq 1 9); do
    ((table[i] == 0)) || fail "place $((i + 1)) of a fresh table holds ${table[i]}"
done

for part in System Fcg Wave Mid; do
    [[ $(readlink "$user/$part") == "$(realpath "$share")/$part" ]] ||
        fail "$part in the player's directory does not lead to the installed copy"
done
for i in 1 2 3 4 5 6 7 8 9 10; do
    cmp -s "$user/Data/Map$i" "$share/Data/Map$i" || fail "Data/Map$i was not seeded as stocked"
done
[[ -z $(ls -A "$tmp/empty") ]] || fail "the game wrote into the directory it started from"

snapshot >"$tmp/prefix.after"
diff "$tmp/prefix.before" "$tmp/prefix.after" || fail "something under the prefix changed"

# --- later starts -----------------------------------------------------------
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=""

# Reinstalling leaves the player's scores and stages; a link left by an old
# install is turned to the present one; a stage the player lost comes back.
cp "$scores" "$tmp/scores.kept"
printf 'my stage' >"$user/Data/Map2"
rm "$user/Data/Map3"
ln -sfn /nonexistent/Fcg "$user/Fcg"
timeout 300 cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
    fail "the second install failed"
start_without_display "$tmp/empty"
cmp -s "$scores" "$tmp/scores.kept" || fail "a later start changed the best-score table"
[[ $(cat "$user/Data/Map2") == 'my stage' ]] || fail "a later start overwrote the player's stage"
cmp -s "$user/Data/Map3" "$share/Data/Map3" || fail "a lost stage was not seeded again"
[[ $(readlink "$user/Fcg") == "$(realpath "$share")/Fcg" ]] || fail "a stale link stayed"

# Started inside the installed copy itself, the game still plays in the
# player's directory: nothing may be written under the prefix.
rm -rf "$home"
mkdir -p "$home/.local/share"
start_without_display "$share"
[[ -f $user/Data/BestScore ]] || fail "a start inside the installed copy did not use the player's"
snapshot >"$tmp/prefix.after"
diff "$tmp/prefix.before" "$tmp/prefix.after" || fail "a start inside the install wrote to it"

# A home where no directory can be made: a clear message and exit status 0.
printf 'not a directory' >"$tmp/blocked"
start_without_display "$tmp/empty" XDG_DATA_HOME="$tmp/blocked"
status=$?
[[ $status == 0 ]] || fail "an unusable home ended with status $status, not 0"
grep -q 'Tessalune' "$tmp/out" || { cat "$tmp/out"; fail "an unusable home gave no message"; }
[[ $(cat "$tmp/blocked") == 'not a directory' ]] || fail "the blocking file was touched"

# A relative XDG_DATA_HOME is ignored, as the XDG rules say: the player's
# directory stays in ~/.local/share, nothing lands where the game started.
rm -rf "$user"
start_without_display "$tmp/empty" XDG_DATA_HOME=relative
[[ -z $(ls -A "$tmp/empty") ]] || fail "a relative XDG_DATA_HOME made a directory where it started"
[[ -f $user/Data/BestScore ]] || fail "a relative XDG_DATA_HOME did not fall back to ~/.local/share"

# No display, and SDL left to fall back on whatever it has: a message and
# exit status 1, never a game running unseen.
(cd "$tmp/empty" && timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY "${player_env[@]}" \
    "$prefix/bin/tessalune") >"$tmp/out" 2>&1
status=$?
[[ $status == 1 ]] || { cat "$tmp/out"; fail "without a display the game ended with $status"; }
grep -q 'no display to show it on' "$tmp/out" || fail "no message without a display"

note "ok"
