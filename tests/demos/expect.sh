#!/usr/bin/env bash
# Renews what the demos are expected to give, from the recordings as they
# stand, with the headless runner of a build: for when a rule of the game was
# changed on purpose.
#   tests/demos/expect.sh BUILD_DIR [NAME...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: tests/demos/expect.sh BUILD_DIR [NAME...]}" && pwd)
shift
source "$here/../scripts/trace.bash"
work=$(mktemp -d /tmp/tessalune-demos-XXXXXX)
trap 'rm -rf "$work"' EXIT
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(cd "$here" && ls -- *.rec | sed 's/\.rec$//'))
for name in "${names[@]}"; do
    rm -rf "$work/game" && cp -r "$build/game" "$work/game"
    (cd "$work/game" && "$build/tessalune-headless" --input "$here/$name.rec" \
        --trace "$work/trace.jsonl")
    game_fields "$work/trace.jsonl" | gzip -9n >"$here/$name.trace.gz"
    (cd "$work/game/Data" && sha256sum -- *) >"$here/$name.sums"
    echo "$name: $(wc -l <"$work/trace.jsonl") frames"
done
