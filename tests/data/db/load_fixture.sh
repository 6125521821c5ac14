#!/usr/bin/env bash
# Starts the test database server and loads the download tests' data:
#   velartis          tools/schema.sql + fixture.sql (which also makes the
#                     small variants velartis_nocas and velartis_empty)
#   velartis_badids   tools/schema.sql + badids.sql: ids that are not hex
#   velartis_badvalues tools/schema.sql + badvalues.sql: numbers out of range
#   velartis_sample_latin1 the bundled sample data in the latin1 tables of
#                     databases made before utf8mb4
#   velartis_scripts  tools/schema.sql + scripts.sql: names in many scripts
#   velartis_big      a generated database larger than the channel tables
#   velartis_wide     a generated database of 160 satellites, shaped for the
#                     list formats' own limits (both only when the generator
#                     is given and built)
#
#   load_fixture.sh [GENDB]      with VA_DB_DIR and VA_DB_PORT set
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../../.." && pwd)
db=$repo/tools/dbserver.sh
gendb=${1:-}

bash "$db" load "$here/fixture.sql"

# An empty database NAME (character set CHARSET) for vauser.
create() {
  local name=$1 charset=${2:-utf8mb4 COLLATE utf8mb4_general_ci}
  bash "$db" sql <<SQL
DROP DATABASE IF EXISTS $name;
CREATE DATABASE $name CHARACTER SET $charset;
GRANT ALL PRIVILEGES ON $name.* TO 'vauser'@'127.0.0.1';
GRANT ALL PRIVILEGES ON $name.* TO 'vauser'@'localhost';
SQL
}
# The same, loaded with the schema and the data FILE.
fresh() {
  create "$1" "${3:-utf8mb4 COLLATE utf8mb4_general_ci}"
  cat "$repo/tools/schema.sql" "$2" | bash "$db" sql --database="$1"
}

# The bundled sample data for the command-line tool's end-to-end tests, a
# copy whose message row declares this build outdated, and a copy that only
# the counter test downloads from (tests running beside it must not count).
for name in velartis_sample velartis_outdated velartis_counter; do
  fresh $name "$repo/tools/sample_data.sql"
done
bash "$db" sql --database=velartis_outdated -e "UPDATE TeamMsg SET CRCLinux='01'"

# A server that still has the old latin1 tables must give the same lists.
fresh velartis_sample_latin1 "$repo/tools/sample_data.sql" "latin1 COLLATE latin1_swedish_ci"
bash "$db" sql -N -B -e "SELECT CONCAT('ALTER TABLE velartis_sample_latin1.', TABLE_NAME,
    ' CONVERT TO CHARACTER SET latin1 COLLATE latin1_swedish_ci;')
  FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'velartis_sample_latin1'" | bash "$db" sql

# Ids and PIDs that are not usable hexadecimal text; numbers no receiver
# tunes or no list knows.
for bad in badids badvalues; do
  fresh velartis_$bad "$here/$bad.sql"
done

# Channel names in many scripts.
fresh velartis_scripts "$here/scripts.sql"

if [ -z "$gendb" ] || [ ! -x "$gendb" ]; then
  echo "load_fixture: no generator at '${gendb}'; velartis_big and velartis_wide not loaded" >&2
  exit 0
fi
# generated NAME GENDB-OPTIONS...
generated() {
  local name=$1
  shift
  create $name
  bash "$db" sql --database=$name <"$repo/tools/schema.sql"
  "$gendb" "$@" --out - | bash "$db" sql --database=$name
  echo "load_fixture: loaded $name"
}
# Above every capacity: 19999 channels, 4999 transponders, 59999 audio and
# CAS rows, 19999 favourite links.
generated velartis_big --seed 7 --sats 1 --tps 5100 --channels 21000 --audio 63000 --cas 61000 \
  --favs 40 --favlinks 21000 --bouquets 30
# 160 satellites of 31 or 32 transponders (4999 in all), 28000 channels, 50
# favourite groups: filled to the channel tables' capacity with every
# channel on a kept transponder, and shaped so that a choice of satellites
# brings each list format to its own limits (tests/readback/test_db_readback.cpp).
generated velartis_wide --seed 11 --sats 160 --tps 4999 --channels 28000 --audio 28000 --cas 5000 \
  --favs 50 --favlinks 6000 --bouquets 400
