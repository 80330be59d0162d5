#!/usr/bin/env bash
# Builds the libFuzzer target with clang in build-fuzz/ and runs it for a
# bounded time (seconds, default 180) from the seed corpus. A crashing input
# is written to fuzz/regressions/, which the regular test suite replays:
# commit it together with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-180}"
build="${NORVIK_FUZZ_BUILD:-build-fuzz}"

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNORVIK_FUZZ=ON -DNORVIK_BUILD_TESTS=OFF -DNORVIK_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target fuzz_realtime

# The working corpus grows during the run; the committed seeds stay as they are.
work="$build/fuzz-corpus"
mkdir -p "$work"
cp -n fuzz/corpus/* "$work"/ 2>/dev/null || true

export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$build/fuzz/fuzz_realtime" "$work" fuzz/regressions \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -dict=fuzz/messages.dict -artifact_prefix=fuzz/regressions/ -print_final_stats=1
