#!/usr/bin/env bash
# The browser build is the same game: its headless runner, compiled to wasm and
# run by node, gives the native runner's traces, shots, data files and output
# byte for byte on the behaviour runs (tools/behaviour/runs.sh), each in a fresh
# game directory made by the generator. Exits 77 (skipped) when the browser
# build is not there; tools/web.sh makes it.
set -euo pipefail
src=${TESSALUNE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${TESSALUNE_BUILD_DIR:-$src/build}
web=${TESSALUNE_WEB_DIR:-$src/build-web}
wasm_runner=$web/runner/tessalune-headless.js
native_runner=$build/tessalune-headless
gen=$build/tools/gen/tessalune-gen
[ -f "$wasm_runner" ] || { echo "skipped: no $wasm_runner (tools/web.sh builds it)"; exit 77; }
command -v node >/dev/null || { echo "skipped: node is not installed"; exit 77; }
for tool in "$native_runner" "$gen"; do
    [ -x "$tool" ] || { echo "FAIL: $tool is not built"; exit 1; }
done

inputs=$src/tools/behaviour
# shellcheck source=tools/behaviour/runs.sh
source "$inputs/runs.sh"
work=$(mktemp -d /tmp/tessalune-web-runner-XXXXXX)
trap 'rm -rf "$work"' EXIT

# run_one KIND DIR OPTIONS...: the runner of that kind in DIR, its output and
# exit code kept beside what it writes.
run_one() {
    local kind=$1 dir=$2
    shift 2
    local runner=("$native_runner")
    [ "$kind" = native ] || runner=(node "$wasm_runner")
    (cd "$dir" && "${runner[@]}" "$@" --trace trace.jsonl >stdout.txt 2>stderr.txt
        echo "exit $?" >>stdout.txt) || true
}

failed=0
for entry in "${runs[@]}"; do
    name=${entry%%|*}
    # shellcheck disable=SC2206 # the options are words on purpose
    opts=(${entry#*|})
    "$gen" --out "$work/native/$name" --seed-data >/dev/null
    mkdir -p "$work/wasm" && cp -r "$work/native/$name" "$work/wasm/$name"
    # The two run side by side: they share nothing but the inputs.
    start=$SECONDS
    run_one native "$work/native/$name" "${opts[@]}" &
    run_one wasm "$work/wasm/$name" "${opts[@]}"
    wait
    if diff -rq "$work/native/$name" "$work/wasm/$name" >"$work/diff.txt"; then
        echo "ok: $name ($(wc -l <"$work/native/$name/trace.jsonl") frames, $((SECONDS - start)) s)"
    else
        failed=1
        echo "FAIL: $name: the wasm runner differs from the native one:"
        head -n 5 "$work/diff.txt"
        for f in trace.jsonl stdout.txt stderr.txt; do
            cmp -s "$work/native/$name/$f" "$work/wasm/$name/$f" ||
                diff "$work/native/$name/$f" "$work/wasm/$name/$f" | head -n 6 | cut -c 1-200 || true
        done
    fi
done
exit "$failed"
