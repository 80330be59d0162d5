#!/usr/bin/env bash
# Pictures of every screen and sheet in each of its states, at 96 DPI, in
# build/screenshots/: builds what is needed, starts norvik-server with demo
# data on a fresh database and a private X server, and runs the client's
# screens against them. Run ./scripts/deps.sh once first on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --target norvik-server norvik-screenshots

out=build/screenshots
work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT

# Made here, not by the server's redirection, so the first look for its
# addresses cannot come before the file exists.
: >"$work/server.log"
build/server/norvik-server --demo --auth shared --listen 127.0.0.1 --port 0 --db "$work/demo.sqlite" >"$work/server.log" 2>&1 &
server_pid=$!
api_base=""
for _ in $(seq 1 50); do
    api_base=$(sed -n 's/^NORVIK_API_BASE=\([^ ]*\).*/\1/p' "$work/server.log")
    [ -n "$api_base" ] && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
    sleep 0.2
done
[ -n "$api_base" ] || { echo "screenshots: norvik-server did not start in time" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out" "$work/config" "$work/state"
# 96 DPI and a scale of 1, whatever the desktop the script is run from.
XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QT_FONT_DPI=96 \
    xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" \
    build/tools/norvik-screenshots "$out" "$api_base"
