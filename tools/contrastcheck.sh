#!/usr/bin/env bash
# Every screen and state the screenshots tool renders, measured for text
# contrast (norvik-screenshots --check-contrast) against norvik-server with
# demo data on a fresh database. Registered with CTest.
#   contrastcheck.sh NORVIK_SERVER NORVIK_SCREENSHOTS
set -euo pipefail
server=$1
tool=$2

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
"$server" --demo --auth shared --listen 127.0.0.1 --port 0 --db "$work/demo.sqlite" >"$work/server.log" 2>&1 &
server_pid=$!
api_base=""
for _ in $(seq 1 100); do
    api_base=$(sed -n 's/^NORVIK_API_BASE=\([^ ]*\).*/\1/p' "$work/server.log")
    [ -n "$api_base" ] && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$api_base" ] || { echo "contrast check: norvik-server did not start" >&2; exit 1; }

mkdir -p "$work/config" "$work/state"
XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 \
    QT_FONT_DPI=96 "$tool" --check-contrast "$api_base"
