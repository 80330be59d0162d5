#!/usr/bin/env bash
# Installs what is needed, builds, and runs Norvik Support against a local
# norvik-server filled with demo data. The server stops when the client quits.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake --preset default
cmake --build --preset default

client=build/src/app/norvik-support
server=build/server/norvik-server
for program in "$client" "$server"; do
    [ -x "$program" ] || { echo "run-demo: $program was not built" >&2; exit 1; }
done

# A port nobody listens on yet, among a bounded range.
port=""
for candidate in $(seq 18080 18180); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
        port=$candidate
        break
    fi
done
[ -n "$port" ] || { echo "run-demo: no free port between 18080 and 18180" >&2; exit 1; }

# The demo keeps its database and the client's settings apart from a real installation.
demo_dir="${XDG_DATA_HOME:-$HOME/.local/share}/norvik-support-demo"
mkdir -p "$demo_dir/config"

"$server" --demo --port "$port" --database "$demo_dir/norvik-demo.sqlite" &
server_pid=$!
stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
}
trap stop_server EXIT

# Wait (at most 10 s) until the server accepts connections.
for _ in $(seq 1 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        break
    fi
    kill -0 "$server_pid" 2>/dev/null || { echo "run-demo: norvik-server stopped" >&2; exit 1; }
    sleep 0.2
done

echo "Serveur de démonstration : http://127.0.0.1:$port (mot de passe administrateur : tulip482)"
XDG_CONFIG_HOME="$demo_dir/config" \
NORVIK_API_BASE="http://127.0.0.1:$port/api" \
NORVIK_WS_URL="ws://127.0.0.1:$port/norvik-ws" \
NORVIK_UPDATE_FEED="http://127.0.0.1:$port/appcast.xml" \
    "$client" "$@"
