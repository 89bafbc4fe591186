#!/usr/bin/env bash
# Fails when an include in src/ points the wrong way across the layers that
# docs/ARCHITECTURE.md lays out. Each folder may include only the folders
# named for it below (and itself); a back-end may also ask the game's pure
# rules about file formats, audio/formats.h, and nothing else above it.
# main.cpp, the program's entry, stands above all and may include demo/ too;
# a bare name (no folder) is a file the build generates beside the source.
#
#   tools/check-layers.sh      exit 0 when every include is allowed, 1 otherwise
set -euo pipefail
cd "$(dirname "$0")/../src"

allowed() {
    case $1 in
        base) echo "base" ;;
        data) echo "base data" ;;
        platform) echo "base data platform" ;;
        platform/sdl) echo "base platform platform/sdl audio/formats.h" ;;
        platform/script) echo "base platform platform/script audio/formats.h" ;;
        input) echo "base platform input" ;;
        gfx) echo "base platform gfx" ;;
        audio) echo "base platform audio" ;;
        scenes) echo "base data platform input gfx audio scenes" ;;
        app) echo "base data platform input gfx audio scenes app" ;;
        demo) echo "base data platform input gfx audio scenes app demo" ;;
        *) echo "" ;;
    esac
}

bad=0
while IFS= read -r file; do
    from=$(dirname "$file")
    rules=$(allowed "$from")
    [ "$file" = app/main.cpp ] && rules="$rules demo"
    if [ -z "$rules" ]; then
        echo "check-layers: $file is in no known layer; add $from to tools/check-layers.sh" >&2
        bad=1
        continue
    fi
    while IFS= read -r target; do
        ok=0
        [ "$target" = "${target##*/}" ] && [ ! -e "$from/$target" ] && ok=1
        for rule in $rules; do
            # A rule naming a header allows that one file; one naming a
            # folder allows the headers directly in it.
            if [ "$target" = "$rule" ] || [ "$(dirname "$target")" = "$rule" ]; then
                ok=1
                break
            fi
        done
        if [ "$ok" = 0 ]; then
            echo "check-layers: $file includes $target, which $from may not" >&2
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)
exit "$bad"
