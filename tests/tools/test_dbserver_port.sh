#!/usr/bin/env bash
# The bundled server's start on a port another program holds: it stops with
# the port named and how to choose another, and starts nothing.
set -euo pipefail
script=$1
dir=$(mktemp -d)
trap 'kill "$holder" 2>/dev/null || true; rm -rf "$dir"' EXIT
command -v python3 >/dev/null || { echo "no python3 to hold a port"; exit 77; }
python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1)
print(s.getsockname()[1], flush=True); time.sleep(60)' >"$dir/port" &
holder=$!
for _ in $(seq 50); do [ -s "$dir/port" ] && break; sleep 0.1; done
port=$(cat "$dir/port")
set +e
out=$(VA_DB_DIR="$dir/db" VA_DB_PORT=$port bash "$script" start 2>&1)
rc=$?
set -e
echo "$out"
[ $rc -ne 0 ] || { echo "FAIL: the start on a taken port succeeded"; exit 1; }
grep -q "port $port is taken" <<<"$out" || { echo "FAIL: the port is not named"; exit 1; }
grep -q "VA_DB_PORT" <<<"$out" || { echo "FAIL: no word on choosing another"; exit 1; }
[ ! -e "$dir/db/mariadbd.pid" ] || { echo "FAIL: a server was started"; exit 1; }
# A port given is the port used.
[ "$(VA_DB_DIR="$dir/db" VA_DB_PORT=$port bash "$script" port)" = "$port" ] ||
  { echo "FAIL: port does not print the port given"; exit 1; }
echo "ok"
