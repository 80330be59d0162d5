#!/usr/bin/env bash
# Builds with warnings as errors and runs every test; runs each fuzz target
# for a minute from its corpus; then builds the tests again under
# AddressSanitizer and UBSan and runs them all once more. Any failure, any
# finding of a sanitiser or of a fuzzer, ends the run with a non-zero status.
# Tests that need a display, a D-Bus session or a notification daemon start
# their own; this script only provides the X server they draw on.
#
# NORVIK_FUZZ_SECONDS changes the time given to each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

phase() {
    echo "=== test.sh: $1 (${SECONDS} s since the start)"
}

phase "packages"
./scripts/deps.sh
phase "build"
cmake --preset testing
cmake --build --preset testing
phase "tests"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset testing

# Before the sanitiser build, the longer one: a finding shows up sooner.
phase "fuzz targets"
./scripts/fuzz.sh "${NORVIK_FUZZ_SECONDS:-60}"

# The asan preset leaves the benchmarks out: only what the tests run.
phase "sanitiser build"
cmake --preset asan
cmake --build --preset asan
phase "tests under the sanitisers"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset asan
phase "done"
