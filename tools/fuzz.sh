#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 30, or $FUZZ_SECONDS); TARGET is any of
# fuzz_wave fuzz_bitmap fuzz_stage_scores fuzz_script (default: all).
# The build goes to $FUZZ_BUILD_DIR (default build-fuzz beside the sources).
# Each run starts from the seeds in fuzz/corpus/<target>/ and keeps what it
# finds in the build directory, so the seeds in the tree stay small. A crash,
# a leak, a timeout or a broken check ends in a non-zero exit status, with
# the input that did it saved as <build>/fuzz-artifacts/<target>-crash-...
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-30}}
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(fuzz_wave fuzz_bitmap fuzz_stage_scores fuzz_script fuzz_settings)
build=${FUZZ_BUILD_DIR:-$source_dir/build-fuzz}
case $build in /*) ;; *) build=$PWD/$build ;; esac

if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "fuzz.sh: the time per target must be a whole number of seconds, not '$seconds'" >&2
    exit 2
fi
command -v clang++ >/dev/null || {
    echo "fuzz.sh: clang++ is needed (Debian: clang and libclang-rt-dev)" >&2
    exit 2
}

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -DTESSALUNE_FUZZ=ON \
    -DTESSALUNE_TESTS=OFF -DTESSALUNE_BENCH=OFF >"$build/fuzz-configure.log" 2>&1 || {
    cat "$build/fuzz-configure.log" >&2
    exit 1
}
cmake --build "$build" -j "${FUZZ_JOBS:-2}" --target "${targets[@]}"

# The stage and score target makes the game save its files, and every save
# is flushed to disk; on a memory file system that costs nothing.
# A target that crashes leaves its files behind; they all go with this.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
scratch=$(mktemp -d "$base/tessalune-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
status=0
for target in "${targets[@]}"; do
    seeds=$source_dir/fuzz/corpus/$target
    found=$build/fuzz-corpus/$target
    log=$build/fuzz-logs/$target.log
    mkdir -p "$found" "$(dirname "$log")"
    # Paths are absolute: a target may change its working directory.
    # stderr of the game itself (its message boxes) is closed; the fuzzer's
    # and the sanitizers' reports still come through.
    set +e
    TMPDIR=$scratch "$build/fuzz/$target" "$found" "$seeds" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        >"$log" 2>&1
    rc=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if ((rc != 0)); then
        echo "fuzz.sh: $target FAILED (exit $rc) after ${runs:-?} runs; see $log" >&2
        grep -E "ERROR|SUMMARY|tessalune fuzz|Test unit written" "$log" >&2 || true
        status=1
    else
        echo "fuzz.sh: $target: ${runs:-?} runs in ${seconds} s, no crash"
    fi
done
exit $status
