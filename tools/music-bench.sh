#!/usr/bin/env bash
# Measures the music of a build of the game on SDL's disk audio driver, so it
# needs no sound card:
#   - the longest quiet stretch at the loop of a 3 s organ chord that sounds
#     to its last tick (real time, the restart polled once a frame as the game
#     does; aim: under 40 ms),
#   - opening (and starting) a piece after the first (aim: under 2 ms),
#   - the mixer thread's processor time while the title piece plays, in its
#     first pass and in the passes after it, which are played back from the
#     first (aim: under 1 % of a core; it runs for 20 s, a minute and 20 s),
#   - with --pieces, each of the game's pieces through its loop (rendered
#     about five times faster than real time), with a plot of the level
#     around every loop point in music-loops.png.
# Usage: tools/music-bench.sh [BUILD_DIR] [--pieces]
# BUILD_DIR (default ./build) is any build of the game, an older one too: the
# measuring program is linked against its objects.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pieces=0
[ "${2:-}" = --pieces ] && pieces=1
src=$PWD/src
core=$(find "$build" -name libtessalune_core.a | head -n1)
objs=$(find "$build" -path '*platform_sdl*' -name '*.o' 2>/dev/null; find "$build" -maxdepth 1 -name '*_sdl.cpp.o')
[ -n "$core" ] && [ -n "$objs" ] || { echo "music-bench: no build in $build" >&2; exit 1; }
gamedir=${TESSALUNE_GAMEDIR:-$build/game}
[ -d "$gamedir/Mid" ] || gamedir=build/game
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2086
g++ -std=c++20 -O2 -I"$src" tools/music-bench/music_bench.cpp $objs "$core" \
    $(pkg-config --cflags --libs sdl2 SDL2_mixer fluidsynth) -o "$work/music-bench"

# Church organ, C major, 3 s at 120 bpm; the notes end on the last tick.
printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\40'\
'\0\300\23\0\220\74\144\0\220\100\144\0\220\103\144'\
'\226\100\200\74\100\0\200\100\100\0\200\103\100\0\377\57\0' >"$work/chord.mid"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/out.raw
unset SDL_DISKAUDIODELAY
echo "== loop of a 3 s organ chord (real time)"
"$work/music-bench" loop "$work/chord.mid" 14
echo "== opening a piece"
"$work/music-bench" open "$gamedir/Mid"
echo "== synthesis of the title piece (real time)"
"$work/music-bench" cpu "$gamedir/Mid/System.mid" 20
if [ "$pieces" = 1 ]; then
    export SDL_DISKAUDIODELAY=2
    strips=()
    for p in System Bgm1 Bgm2 Bgm3 Bgm4 Bgm5; do
        echo "== $p.mid through its loop"
        # The piece's length, then once more up to a second past its loop.
        "$work/music-bench" loop "$gamedir/Mid/$p.mid" 72 "$work/$p.pgm"
        strips+=("$work/$p.pgm")
    done
    if command -v convert >/dev/null 2>&1; then
        convert "${strips[@]}" -append music-loops.png && echo "plot: music-loops.png"
    fi
fi
