#!/usr/bin/env bash
# The recorded demos under tests/demos replay in the headless runner to what
# they gave when recorded from the real game: the trace frame for frame and
# the Data files at the end. A difference names the demo, frame and field.
# When a rule changes on purpose: tests/demos/expect.sh BUILD_DIR.
set -euo pipefail
build=${TESSALUNE_BUILD_DIR:?}
gamedir=${TESSALUNE_GAMEDIR:?}
demos=${TESSALUNE_SOURCE_DIR:?}/tests/demos
source "$(dirname "$0")/trace.bash"
work=$(mktemp -d /tmp/tessalune-demos-XXXXXX)
trap 'rm -rf "$work"' EXIT

failed=0
for rec in "$demos"/*.rec; do
    name=$(basename "$rec" .rec)
    rm -rf "$work/game" && cp -r "$gamedir" "$work/game"
    if ! (cd "$work/game" && "$build/tessalune-headless" --input "$rec" \
        --trace "$work/$name.jsonl" 2>"$work/$name.err"); then
        echo "FAIL: $name: the runner refused it: $(cat "$work/$name.err")"
        failed=1
        continue
    fi
    gzip -dc "$demos/$name.trace.gz" >"$work/$name.expected"
    if ! same_trace "$work/$name.expected" "$work/$name.jsonl"; then
        echo "FAIL: $name: $difference"
        failed=1
    elif ! (cd "$work/game/Data" && sha256sum --quiet -c "$demos/$name.sums"); then
        echo "FAIL: $name: the Data files end differently"
        failed=1
    else
        echo "ok: $name ($(wc -l <"$work/$name.jsonl") frames)"
    fi
done
exit "$failed"
