#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs the named
# ones (all by default) one after the other, each for a bounded time
# (seconds, default 180), from its seed corpus in fuzz/corpus/<target>/:
#
#   scripts/fuzz.sh 600 ticketlist feed
#
# Targets: realtime (the channel's messages), replies (every REST reply
# record), ticketlist (the quick scan of the administrator list against the
# document reading), feed (the update feed), settings (the settings file),
# image (the picture decoders' size checks). A failing input is written to
# fuzz/regressions/<target>/, which tst_messagecorpus replays in the normal
# test suite: commit it together with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-180}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(realtime replies ticketlist feed settings image)
build="${NORVIK_FUZZ_BUILD:-build-fuzz}"

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNORVIK_FUZZ=ON -DNORVIK_BUILD_TESTS=OFF -DNORVIK_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
    # The working corpus grows during the run; the committed seeds stay as they are.
    work="$build/fuzz-corpus/$target"
    regressions="fuzz/regressions/$target"
    mkdir -p "$work" "$regressions"
    cp -n "fuzz/corpus/$target"/* "$work"/ 2>/dev/null || true
    limits=(-rss_limit_mb=2048)
    # QSettings' own INI reader reserves room for every item a serialised
    # value ("@Variant(...)") claims before it finds there are none: 16 GB
    # for eight bytes. Untouched, that costs the program nothing (10 MB of
    # memory in all), but under AddressSanitizer it passes the usual limits.
    [ "$target" = settings ] && limits=(-rss_limit_mb=4096 -malloc_limit_mb=65536)
    "$build/fuzz/fuzz_$target" "$work" "$regressions" \
        -max_total_time="$seconds" -timeout=10 "${limits[@]}" -max_len=65536 \
        -dict="fuzz/$target.dict" -artifact_prefix="$regressions/" -print_final_stats=1
done
