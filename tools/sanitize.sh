#!/usr/bin/env bash
# Builds the game and its test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test through ctest.
#
#   tools/sanitize.sh [CTEST-ARGUMENTS...]
#
# The build goes to $SANITIZE_BUILD_DIR (default build-asan beside the
# sources). Any report of either sanitizer fails the test it came from: the
# build stops at the first undefined behaviour, and a leak at exit makes the
# program's exit status non-zero. The leak suppressions name system
# libraries only (tools/lsan.supp).
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${SANITIZE_BUILD_DIR:-$source_dir/build-asan}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$source_dir" -B "$build" -DTESSALUNE_SANITIZE=ON -DTESSALUNE_TESTS=ON \
    -DTESSALUNE_BENCH=OFF
cmake --build "$build" -j "$jobs"

# Children the tests fork report too; abort_on_error stays off so that a
# report ends the process with an exit status the tests can see.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$source_dir/tools/lsan.supp:print_suppressions=0}

cd "$build"
ctest --output-on-failure -j "${CTEST_PARALLEL_LEVEL:-$jobs}" "$@"
