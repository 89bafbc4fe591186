#!/usr/bin/env bash
# Shows that a change left the game's behaviour alone: builds the headless
# runner and the content generator of a base revision and of the work tree,
# runs both through the same four runs (no input, every scene by script, a
# joystick run, autoplay) in fresh game directories, and compares their
# traces, screenshots and data files byte for byte.
#
#   tools/same-behaviour.sh [BASE]     BASE is a git revision, main by default
#
# Exit 0 when everything is identical, 1 on the first difference (named),
# 2 when a build fails.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
base_rev=${1:-main}
base_sha=$(git rev-parse --verify "$base_rev^{commit}")
out=$top/build-behaviour
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$out"

# Builds the runner and the generator from source dir $1 into build dir $2.
build() {
    local src=$1 dir=$2
    local launcher=()
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
        -DTESSALUNE_TESTS=OFF -DTESSALUNE_BENCH=OFF "${launcher[@]}" >"$dir.log" 2>&1 &&
        cmake --build "$dir" --target tessalune-headless tessalune-gen -j "$jobs" >>"$dir.log" 2>&1 ||
        { echo "same-behaviour: the build in $dir failed; see $dir.log" >&2; exit 2; }
}

# A build of the base revision is kept by its commit, so it is made once.
base_src=$out/src-$base_sha
if [ ! -x "$out/base-$base_sha/tessalune-headless" ]; then
    rm -rf "$base_src"
    git worktree add --detach "$base_src" "$base_sha" >/dev/null 2>&1
    mkdir -p "$out/base-$base_sha"
    build "$base_src" "$out/base-$base_sha"
    git worktree remove --force "$base_src"
fi
mkdir -p "$out/current"
build "$top" "$out/current"

inputs=$top/tools/behaviour
# shellcheck source=tools/behaviour/runs.sh
source "$inputs/runs.sh"

# Runs every run with the build in $1, into $2.
run_all() {
    local dir=$1 dest=$2 gen headless
    gen=$(find "$dir" -name tessalune-gen -type f -perm -u+x | head -n 1)
    headless=$dir/tessalune-headless
    rm -rf "$dest"
    mkdir -p "$dest"
    for entry in "${runs[@]}"; do
        local name=${entry%%|*} opts=${entry#*|}
        "$gen" --out "$dest/$name" --seed-data >/dev/null
        # shellcheck disable=SC2086 # the options are words on purpose
        (cd "$dest/$name" && "$headless" $opts --trace trace.jsonl >stdout.txt 2>stderr.txt;
            echo "exit $?" >>stdout.txt)
    done
}

run_all "$out/base-$base_sha" "$out/runs-base"
run_all "$out/current" "$out/runs-current"

status=0
while IFS= read -r -d '' f; do
    rel=${f#"$out/runs-base/"}
    other=$out/runs-current/$rel
    if [ ! -f "$other" ]; then
        echo "DIFFERENT: $rel is missing after the change"
        status=1
    elif ! cmp -s "$f" "$other"; then
        echo "DIFFERENT: $rel"
        case $rel in
            *.jsonl | *.txt) diff <(cat "$f") <(cat "$other") | head -n 6 ;;
        esac
        status=1
    fi
done < <(find "$out/runs-base" -type f -print0 | sort -z)
extra=$(cd "$out/runs-current" && find . -type f | sort | while read -r f; do
    [ -f "$out/runs-base/$f" ] || echo "$f"; done)
[ -z "$extra" ] || { echo "DIFFERENT: new files after the change: $extra"; status=1; }

frames=$(cat "$out"/runs-current/*/trace.jsonl | wc -l)
if [ $status -eq 0 ]; then
    echo "same-behaviour: identical to $base_rev (${base_sha:0:10}): 4 runs, $frames frames, traces, shots and data files"
fi
exit $status
