#!/usr/bin/env bash
# Fails when an include points the wrong way across the layers that
# docs/ARCHITECTURE.md lays out. Each folder may include only the folders
# named for it below (and itself); a bare name (no folder) is a file beside
# the one that includes it, or one the build generates. The game's layers
# are in src/; the tools, tests, benchmarks and fuzzers stand above them.
#
#   tools/check-layers.sh      exit 0 when every include is allowed, 1 otherwise
set -euo pipefail
cd "$(dirname "$0")/.."

game="base data platform input gfx audio scenes app demo"

allowed() {
    case $1 in
        src/base) echo "base" ;;
        src/data) echo "base data" ;;
        src/platform) echo "base platform" ;;
        src/platform/sdl) echo "base platform platform/sdl" ;;
        src/platform/script) echo "base platform platform/script" ;;
        src/platform/web) echo "base platform platform/web" ;;
        src/input) echo "base platform input" ;;
        src/gfx) echo "base platform gfx" ;;
        src/audio) echo "base platform audio" ;;
        src/scenes) echo "base data platform input gfx audio scenes" ;;
        src/app) echo "base data platform input gfx audio scenes app" ;;
        src/demo) echo "base data platform input gfx audio scenes app demo" ;;
        # The program's entry stands above the whole game.
        src) echo "$game" ;;
        # The content generator includes nothing of the game; the browser's
        # music maker shares the Linux back-end's synthesizer settings.
        tools/gen) echo "" ;;
        tools) echo "platform/sdl" ;;
        tools/headless) echo "$game platform/script tools/headless" ;;
        tools/music-bench) echo "$game platform/sdl" ;;
        tests | tests/support) echo "$game platform/script support" ;;
        tests/sdl) echo "$game platform/script platform/sdl support" ;;
        bench) echo "$game platform/script platform/sdl support" ;;
        fuzz) echo "$game platform/script" ;;
        *) echo "unknown" ;;
    esac
}

bad=0
while IFS= read -r file; do
    from=$(dirname "$file")
    rules=$(allowed "$from")
    if [ "$rules" = unknown ]; then
        echo "check-layers: $file is in no known layer; add $from to tools/check-layers.sh" >&2
        bad=1
        continue
    fi
    while IFS= read -r target; do
        ok=0
        [ "$target" = "${target##*/}" ] && ok=1
        for rule in $rules; do
            # A rule names a folder: the headers directly in it are allowed.
            if [ "$(dirname "$target")" = "$rule" ]; then
                ok=1
                break
            fi
        done
        if [ "$ok" = 0 ]; then
            echo "check-layers: $file includes $target, which $from may not" >&2
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src tools tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
exit "$bad"
