#!/usr/bin/env bash
# Installs what is needed, builds, and runs Norvik Support against a local
# norvik-server filled with demo data. The server stops when the client quits.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake --preset default
# Only the two programs: the tests and benchmarks are built by scripts/test.sh.
cmake --build --preset default --target norvik-support norvik-server

client=build/src/app/norvik-support
server=build/server/norvik-server
for program in "$client" "$server"; do
    [ -x "$program" ] || { echo "run-demo: $program was not built" >&2; exit 1; }
done

# The demo keeps its database and the client's settings apart from a real installation.
demo_dir="${XDG_DATA_HOME:-$HOME/.local/share}/norvik-support-demo"
mkdir -p "$demo_dir/config"
server_log="$demo_dir/norvik-server.log"

# Port 0: the server picks a free port of 127.0.0.1 and prints the two addresses.
"$server" --demo --listen 127.0.0.1 --port 0 --db "$demo_dir/norvik-demo.sqlite" >"$server_log" 2>&1 &
server_pid=$!
stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
}
trap stop_server EXIT
trap "exit 130" INT
trap "exit 143" TERM

# Wait (at most 10 s) for the line "NORVIK_API_BASE=http://… NORVIK_WS_URL=ws://…".
addresses=""
for _ in $(seq 1 50); do
    addresses=$(grep -m1 '^NORVIK_API_BASE=' "$server_log" || true)
    [ -n "$addresses" ] && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$server_log" >&2; echo "run-demo: norvik-server stopped" >&2; exit 1; }
    sleep 0.2
done
[ -n "$addresses" ] || { echo "run-demo: norvik-server did not start in time" >&2; exit 1; }
api_base=$(sed -n 's/^NORVIK_API_BASE=\([^ ]*\).*/\1/p' <<<"$addresses")
ws_url=$(sed -n 's/.*NORVIK_WS_URL=\([^ ]*\).*/\1/p' <<<"$addresses")
origin=${api_base%/api}

# The staff account of the demo gets a new password at every start, printed
# on the line after the addresses.
staff=""
for _ in $(seq 1 50); do
    staff=$(grep -m1 '^NORVIK_DEMO_STAFF=' "$server_log" || true)
    [ -n "$staff" ] && break
    sleep 0.1
done
staff_login=$(sed -n 's/^NORVIK_DEMO_STAFF=\([^ ]*\).*/\1/p' <<<"$staff")
staff_password=$(sed -n 's/.*NORVIK_DEMO_PASSWORD=\([^ ]*\).*/\1/p' <<<"$staff")
echo "Serveur de démonstration : $origin (journal : $server_log)"
echo "Mode administrateur : identifiant $staff_login, mot de passe $staff_password"
XDG_CONFIG_HOME="$demo_dir/config" \
XDG_STATE_HOME="$demo_dir/state" \
NORVIK_API_BASE="$api_base" \
NORVIK_WS_URL="$ws_url" \
NORVIK_UPDATE_FEED="$origin/appcast.xml" \
    "$client" "$@"
