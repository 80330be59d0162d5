#!/usr/bin/env bash
# Builds with warnings as errors and runs every test. Tests that need a display,
# a D-Bus session or a notification daemon start their own; this script only
# provides the X server they draw on.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset testing
cmake --build --preset testing
exec xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset testing
