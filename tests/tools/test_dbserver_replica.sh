#!/usr/bin/env bash
# A primary and a replica of the bundled server on loopback: the replica
# starts with the primary's data, follows its writes, also after a restart,
# refuses writes of its own, and tells its lag; the download account only
# reads. The shipped server settings are all known to this server. With
# the tool: downloads take the replica, pass over a stopped or stalled one,
# and imports go to the primary only.
#   test_dbserver_replica.sh DBSERVER_SH WORK_FOLDER [VELARTIS_CLI]
set -euo pipefail
# The servers here are the test's own: none the caller's environment names.
unset VA_DB_PORT VA_DB_DIR
script=$1
mkdir -p "$2"
dir=$(mktemp -d "$2/replica.XXXXXX")
db() { bash "$script" "$@"; }
cleanup() {
  db --dir "$dir/r" stop >/dev/null 2>&1 || true
  db --dir "$dir/p" stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
command -v mariadbd >/dev/null || [ -x /usr/sbin/mariadbd ] || { echo "no mariadbd"; exit 77; }
command -v mariadb >/dev/null || { echo "no mariadb client"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

server=$(command -v mariadbd || echo /usr/sbin/mariadbd)
cnf=$(dirname "$script")/server/velartis-server.cnf
"$server" --defaults-file="$cnf" --verbose --help >"$dir/help.txt" 2>&1 ||
  fail "the server rejects $cnf: $(grep -i error "$dir/help.txt")"

free_port() {
  local p
  for p in $(seq "$1" 23498); do
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return 0; }
  done
  return 1
}
pport=$(free_port 23400) || fail "no free port"
rport=$(free_port $((pport + 1))) || fail "no second free port"
as() { # USER PASSWORD PORT SQL
  mariadb --no-defaults --protocol=tcp -h 127.0.0.1 -P "$3" -u "$1" -p"$2" \
    -N -B velartis -e "$4"
}
count() { as vareader vaview1 "$1" 'SELECT COUNT(*) FROM Channels'; }
# Waits up to 10 s for SQL to give WANT on the replica.
arrives() {
  for _ in $(seq 50); do
    [ "$(as vareader vaview1 "$rport" "$1")" = "$2" ] && return 0
    sleep 0.2
  done
  return 1
}

db --dir "$dir/p" --port "$pport" load
db --dir "$dir/r" --port "$rport" replica-of "127.0.0.1:$pport"

n=$(count "$pport")
[ "$n" -gt 0 ] || fail "the primary holds no channels"
[ "$(count "$rport")" = "$n" ] || fail "the replica holds $(count "$rport") channels, the primary $n"

as vauser vapass1 "$pport" "INSERT INTO Sats VALUES (3333, 'Probe 1', 3333, 'East')"
arrives 'SELECT sat_name FROM Sats WHERE sat_id = 3333' 'Probe 1' ||
  fail "a row written on the primary did not reach the replica"

out=$(as vauser vapass1 "$rport" 'DELETE FROM Sats WHERE sat_id = 3333' 2>&1) &&
  fail "the replica took a write"
grep -q read-only <<<"$out" || fail "the replica refused the write for another reason: $out"
out=$(as vareader vaview1 "$pport" "UPDATE BrenikToolsCounter SET counter = 0" 2>&1) &&
  fail "vareader wrote on the primary"
grep -q denied <<<"$out" || fail "vareader's write failed for another reason: $out"

lag=$(db --dir "$dir/r" lag) || fail "lag failed: $lag"
[[ $lag =~ ^[0-9]+$ ]] || fail "lag printed '$lag'"
rc=0; out=$(db --dir "$dir/p" lag) || rc=$?
{ [ "$rc" = 3 ] && [ "$out" = "not a replica" ]; } || fail "lag on the primary: $rc '$out'"
db --dir "$dir/p" status || fail "status of the primary"
db --dir "$dir/r" status | grep -q "replica of 127.0.0.1:$pport" || fail "status of the replica"

# A restart comes back read-only and catches up on what it missed.
db --dir "$dir/r" stop
as vauser vapass1 "$pport" "UPDATE Sats SET sat_name = 'Probe 2' WHERE sat_id = 3333"
db --dir "$dir/r" --port "$rport" start
arrives 'SELECT sat_name FROM Sats WHERE sat_id = 3333' 'Probe 2' ||
  fail "the restarted replica did not catch up"
[ "$(as vareader vaview1 "$rport" 'SELECT @@read_only')" = 1 ] ||
  fail "the restarted replica accepts writes"
cli=${3:-}
if [ -n "$cli" ]; then
  data=$(dirname "$(dirname "$script")")/data
  tool() { "$cli" --config "$data/Default.cfg" --master "$data/VAconfig.vac" --db-user vareader \
    --db-password vaview1 "$@"; }
  both="127.0.0.1:$rport,127.0.0.1:$pport"
  served() { # the server a download of the list took
    rm -rf "$dir/out"
    tool --db-host "$1" --format ndf -q --output "$dir/out" --report-json "$dir/r.json" \
      >"$dir/tool.txt" 2>&1 || fail "download from $1: $(cat "$dir/tool.txt")"
    sed -n 's/^  "server": "\(.*\)",$/\1/p' "$dir/r.json"
  }
  [ "$(served "$both")" = "127.0.0.1:$rport" ] || fail "the download passed over a good replica"
  db --dir "$dir/r" sql -e 'STOP SLAVE SQL_THREAD'
  [ "$(served "$both")" = "127.0.0.1:$pport" ] || fail "a stopped replication was taken"
  db --dir "$dir/r" sql -e 'START SLAVE SQL_THREAD'
  db --dir "$dir/r" stop
  [ "$(served "$both")" = "127.0.0.1:$pport" ] || fail "no fail-over from a stopped replica"
  db --dir "$dir/r" --port "$rport" start

  printf '%s\n' 'Probe TV;Probe:11494:HC23M5O35S1:S19.2E:22000:5101=27:5102=deu@3:0:0:777:1:1019:0' \
    >"$dir/channels.conf"
  imp() { "$cli" import vdr "$dir/channels.conf" --merge --no-config --db-user vauser \
    --db-password vapass1 "$@" >"$dir/imp.txt" 2>&1; }
  imp --db-host "127.0.0.1:$rport" && fail "an import went to the replica"
  grep -q "takes no writes" "$dir/imp.txt" || fail "the refusal says: $(cat "$dir/imp.txt")"
  imp --db-host "$both" --db-primary "127.0.0.1:$pport" || fail "import: $(cat "$dir/imp.txt")"
  arrives "SELECT COUNT(*) FROM Channels WHERE ch_name = 'Probe TV'" 1 ||
    fail "the import did not reach the replica"
fi
echo "ok"
