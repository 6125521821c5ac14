#!/usr/bin/env bash
# migrate-utf8 on a database of latin1 tables: the bundled sample data and
# names holding every Windows-1252 character above ASCII come out as the
# same characters in utf8mb4 columns, row for row; a second run changes
# nothing. A table the server refuses to convert leaves the whole database
# as it was.
#   test_dbserver_migrate.sh DBSERVER_SH WORK_FOLDER
set -euo pipefail
# The servers here are the test's own: none the caller's environment names.
unset VA_DB_PORT VA_DB_DIR
script=$1
mkdir -p "$2"
dir=$(mktemp -d "$2/migrate.XXXXXX")
db() { bash "$script" --dir "$dir" "$@"; }
cleanup() {
  db stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
command -v mariadbd >/dev/null || [ -x /usr/sbin/mariadbd ] || { echo "no mariadbd"; exit 77; }
command -v mariadb >/dev/null || { echo "no mariadb client"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

port=
for p in $(seq 23474 23479); do
  (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { port=$p; break; }
done
[ -n "$port" ] || fail "no free port from 23474 to 23479"

q() { db sql -N -B "$@"; }
# Every row of every table of database $1 as the server holds the bytes,
# read in character set $2, sorted.
rows() {
  local t
  for t in $(q -e "SELECT TABLE_NAME FROM information_schema.TABLES
                   WHERE TABLE_SCHEMA = '$1' ORDER BY TABLE_NAME"); do
    q -r --default-character-set="$2" --database="$1" -e "SELECT '$t', t.* FROM $t t"
  done | LC_ALL=C sort
}
to_latin1() { # DATABASE: the tables and default of a database made before utf8mb4
  q -e "SELECT CONCAT('ALTER TABLE $1.', TABLE_NAME,
          ' CONVERT TO CHARACTER SET latin1 COLLATE latin1_swedish_ci;')
        FROM information_schema.TABLES WHERE TABLE_SCHEMA = '$1'" | db sql
  q -e "ALTER DATABASE $1 CHARACTER SET latin1 COLLATE latin1_swedish_ci"
}
not_utf8mb4() { # DATABASE
  q -e "SELECT COUNT(*) FROM information_schema.COLUMNS
        WHERE TABLE_SCHEMA = '$1' AND CHARACTER_SET_NAME <> 'utf8mb4'"
}

db --port "$port" load >/dev/null
to_latin1 velartis
# Each defined byte 0x80-0xFF once, spread over the name columns.
hex=$(for b in $(seq 128 255); do
  case $b in 129 | 141 | 143 | 144 | 157) ;; *) printf '%02X' "$b" ;; esac
done)
[ ${#hex} = 246 ] || fail "expected 123 bytes, have $((${#hex} / 2))"
q <<SQL
INSERT INTO Sats VALUES (999, _latin1 X'${hex:0:62}', 999, '99.9E');
INSERT INTO Bouquets VALUES (999, _latin1 X'${hex:62:62}', 11, 999);
INSERT INTO Favorites VALUES (99, _latin1 X'${hex:124:54}', '1', 99);
INSERT INTO Channels (sat_id, stp_id, sid, ch_name, cat_id)
  VALUES (999, 1, '0999', _latin1 X'${hex:178}', 1);
SQL
[ "$(not_utf8mb4 velartis)" -gt 0 ] || fail "the database to migrate is utf8mb4 already"
rows velartis latin1 >"$dir/latin1.txt"
iconv -f CP1252 -t UTF-8 "$dir/latin1.txt" >"$dir/expected.txt" ||
  fail "iconv could not read the latin1 rows"
grep -q $'^Sats\t999\t\xE2\x82\xAC' "$dir/expected.txt" || fail "the euro sign is not in the rows"

out=$(db migrate-utf8 2>&1) || fail "migrate-utf8 failed: $out"
dump=$(sed -n 's/^dbserver: dump of velartis before the change: //p' <<<"$out")
if [ -z "$dump" ] || [ ! -s "$dump" ] || [ "$(dirname "$dump")" != "$(realpath "$dir")" ]; then
  fail "no dump in the data folder: $out"
fi
[ "$(not_utf8mb4 velartis)" = 0 ] || fail "columns not utf8mb4 after the migration"
[ "$(q -e "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'velartis'
           AND TABLE_COLLATION <> 'utf8mb4_general_ci'")" = 0 ] ||
  fail "tables not utf8mb4_general_ci after the migration"
[ "$(q -e "SELECT DEFAULT_CHARACTER_SET_NAME FROM information_schema.SCHEMATA
           WHERE SCHEMA_NAME = 'velartis'")" = utf8mb4 ] || fail "the database default is not utf8mb4"
rows velartis utf8mb4 >"$dir/after.txt"
cmp -s "$dir/expected.txt" "$dir/after.txt" ||
  fail "rows differ after the migration: $(diff "$dir/expected.txt" "$dir/after.txt" | head -n 6)"
[ "$(q -e 'SELECT @@global.read_only')" = 0 ] || fail "the server stayed read-only"

out=$(db migrate-utf8 velartis 2>&1) || fail "a second run failed: $out"
grep -q 'utf8mb4 already; nothing changed' <<<"$out" || fail "a second run said: $out"
[ "$(find "$dir" -maxdepth 1 -name '*.sql.gz' | wc -l)" = 1 ] || fail "a second run dumped again"

# Two names one key holds apart in latin1_swedish_ci and utf8mb4_general_ci
# does not: the table after it was converted already and goes back too.
q -e "CREATE DATABASE clash CHARACTER SET latin1 COLLATE latin1_swedish_ci"
q --database=clash <<'SQL'
SET NAMES utf8mb4;
CREATE TABLE Alpha (id int PRIMARY KEY, name varchar(20) NOT NULL);
INSERT INTO Alpha VALUES (1, 'Télé Süd €');
CREATE TABLE Names (name varchar(20) NOT NULL PRIMARY KEY);
INSERT INTO Names VALUES ('Kanal'), ('Känal');
SQL
rows clash latin1 >"$dir/clash.txt"
rc=0
out=$(db migrate-utf8 clash 2>&1) || rc=$?
[ "$rc" = 1 ] || fail "a refused conversion exited with $rc: $out"
grep -q 'Duplicate entry' <<<"$out" || fail "the refusal is not told: $out"
grep -q 'is as it was before' <<<"$out" || fail "no restore told: $out"
[ "$(q -e "SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = 'clash'
           AND CHARACTER_SET_NAME <> 'latin1'")" = 0 ] || fail "clash has converted columns left"
[ "$(q -e "SELECT DEFAULT_CHARACTER_SET_NAME FROM information_schema.SCHEMATA
           WHERE SCHEMA_NAME = 'clash'")" = latin1 ] || fail "the default of clash was not restored"
rows clash latin1 >"$dir/clash-after.txt"
cmp -s "$dir/clash.txt" "$dir/clash-after.txt" || fail "clash's rows differ after the restore"
[ "$(q -e 'SELECT @@global.read_only')" = 0 ] || fail "the server stayed read-only after the restore"
echo "ok"
