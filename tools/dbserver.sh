#!/usr/bin/env bash
# Private MariaDB server for the channel database.
#
# Every server lives in its own data folder (datadir, socket, pid file, error
# log) and listens on 127.0.0.1 only, so several can run side by side on
# different ports. The system service is never used: the server binary is
# started directly and stopped through the pid file it wrote.
#
#   dbserver.sh [--dir DIR] [--port N] COMMAND [ARGS]
#
#   start            start the server (once; a second start is a no-op)
#   stop             stop the server named by the pid file and wait for it
#   status           exit 0 when running, 1 when not answering, 3 when stopped
#   load [FILE...]   start if needed, load schema.sql and FILEs (default:
#                    sample_data.sql); FILE may be gzip-compressed (.gz)
#   ensure           start if needed; load the sample data when Sats is empty
#   sql [ARGS...]    run the mariadb client on the database, ARGS passed on
#   port             print the port the server listens on, or would use
#   replica-of HOST[:PORT]
#                    start if needed and make this server a read-only replica
#                    of the primary at HOST:PORT (default port 3306): seeded
#                    with a dump of its databases, then following it by GTID;
#                    a replica of that primary already is just (re)started
#   lag              print how many seconds the replica is behind its primary
#                    (exit 1 when it does not follow its primary now, 3 when
#                    it is no replica)
#   promote          stop replicating and accept writes again
#   migrate-utf8 [DATABASE]
#                    start if needed and convert DATABASE (default velartis)
#                    from latin1 names to utf8mb4: a gzip dump of it goes
#                    into the data folder first (its path is printed), every
#                    table is converted, then each table's rows and every
#                    text column are compared with what they were; on any
#                    difference the dump is loaded back and the exit code is
#                    1 (2 when that fails too). The server takes no writes
#                    but the administrator's meanwhile. A database that is
#                    utf8mb4 already is left as it is. On a primary only:
#                    its replicas follow.
#
# Every server writes a binary log with GTIDs and has the replication user
# varepl, so any of them can be a primary. Besides vauser (all rights on the
# database) there is vareader / vaview1, read-only, for downloads.
#
# The port: --port or VA_DB_PORT when given; else the one the running server
# of the data folder listens on; else 3306, or 33306 when another program
# already listens on 3306 (said on the terminal). A port given that another
# program holds stops the start with that said.
#
# Environment: VA_DB_DIR (default <repo>/var/db; installed under /usr/share:
# ~/.local/share/velartis/db), VA_DB_PORT, VA_DB_START_TIMEOUT (seconds,
# default 30).
set -euo pipefail

TOOLS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(dirname "$TOOLS_DIR")

DB_NAME=velartis
DB_USER=vauser
DB_PASSWORD=vapass1
READ_USER=vareader
READ_PASSWORD=vaview1
REPL_USER=varepl
REPL_PASSWORD=varepl1

# Installed, the script sits in a folder no user may write to.
if [ -f "$REPO_DIR/CMakeLists.txt" ]; then
  DB_DIR=${VA_DB_DIR:-$REPO_DIR/var/db}
else
  DB_DIR=${VA_DB_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/velartis/db}
fi
DB_PORT=${VA_DB_PORT:-3306}
PORT_GIVEN=0
[ -z "${VA_DB_PORT:-}" ] || PORT_GIVEN=1
START_TIMEOUT=${VA_DB_START_TIMEOUT:-30}
STOP_TIMEOUT=45

die() { echo "dbserver: $*" >&2; exit 1; }
say() { echo "dbserver: $*"; }

usage() {
  sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}"
}

while [ $# -gt 0 ]; do
  case $1 in
    --dir) [ $# -ge 2 ] || die "--dir needs a folder"; DB_DIR=$2; shift 2 ;;
    --dir=*) DB_DIR=${1#--dir=}; shift ;;
    --port) [ $# -ge 2 ] || die "--port needs a number"; DB_PORT=$2; PORT_GIVEN=1; shift 2 ;;
    --port=*) DB_PORT=${1#--port=}; PORT_GIVEN=1; shift ;;
    -h|--help|help) usage; exit 0 ;;
    --) shift; break ;;
    -*) die "unknown option $1 (try --help)" ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { usage >&2; exit 64; }
COMMAND=$1; shift

[[ $DB_PORT =~ ^[0-9]+$ ]] && [ "$DB_PORT" -ge 1 ] && [ "$DB_PORT" -le 65535 ] ||
  die "port must be a number from 1 to 65535, not '$DB_PORT'"
[[ $START_TIMEOUT =~ ^[0-9]+$ ]] || die "VA_DB_START_TIMEOUT must be a number of seconds"

DB_DIR=$(realpath -m -- "$DB_DIR")
DATA_DIR=$DB_DIR/data
PID_FILE=$DB_DIR/mariadbd.pid
ERR_LOG=$DB_DIR/mariadbd.err
SOCKET=$DB_DIR/mariadbd.sock
# Written by replica-of: the primary followed, and a restart comes back
# read-only.
REPLICA_FILE=$DB_DIR/replica-of
# A unix socket path has a hard limit of 107 bytes; a deep folder gets a
# socket in /tmp named after the folder instead, so it is still found again.
if [ ${#SOCKET} -gt 100 ]; then
  SOCKET=/tmp/velartis-db-$(printf '%s' "$DB_DIR" | cksum | cut -d' ' -f1).sock
fi

if [ "$(id -u)" -eq 0 ]; then
  RUN_AS=(--user=root)
  ADMIN_USER=root
else
  RUN_AS=()
  ADMIN_USER=$(id -un)
fi

find_bin() {
  local name dir
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    for dir in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin; do
      if [ -x "$dir/$name" ]; then echo "$dir/$name"; return 0; fi
    done
  done
  return 1
}

need_bins() {
  local hint="install them with: apt-get install -y mariadb-server mariadb-client"
  SERVER_BIN=$(find_bin mariadbd mysqld) || die "no mariadbd/mysqld found; $hint"
  INSTALL_BIN=$(find_bin mariadb-install-db mysql_install_db) ||
    die "no mariadb-install-db found; $hint"
  CLIENT_BIN=$(find_bin mariadb mysql) || die "no mariadb client found; $hint"
  ADMIN_BIN=$(find_bin mariadb-admin mysqladmin) || die "no mariadb-admin found; $hint"
  DUMP_BIN=$(find_bin mariadb-dump mysqldump) || die "no mariadb-dump found; $hint"
}

# Options of the bootstrap and of the server; small buffers keep it light.
server_options() {
  SERVER_OPTS=(
    --no-defaults
    "${RUN_AS[@]}"
    --datadir="$DATA_DIR"
    --socket="$SOCKET"
    --pid-file="$PID_FILE"
    --log-error="$ERR_LOG"
    --tmpdir="$DB_DIR/tmp"
    --port="$DB_PORT"
    --bind-address=127.0.0.1
    --skip-name-resolve
    --character-set-server=utf8mb4
    --collation-server=utf8mb4_general_ci
    --performance-schema=OFF
    --innodb-buffer-pool-size=64M
    --innodb-log-file-size=16M
    --innodb-log-buffer-size=8M
    --innodb-flush-log-at-trx-commit=2
    --aria-pagecache-buffer-size=8M
    --key-buffer-size=4M
    --query-cache-size=0
    --table-open-cache=256
    --max-allowed-packet=64M
    # Always a binary log with GTIDs, so any server can take replicas or
    # be promoted: on data this size it costs a little on loads and nothing
    # on reads. The port makes a server id unique on the machine.
    --server-id="$DB_PORT"
    --log-bin=mariadb-bin
    --relay-log=mariadb-relay
    --binlog-format=ROW
    --gtid-strict-mode=ON
    --log-slave-updates=ON
    --binlog-expire-logs-seconds=604800
    # Many short download connections: a pool of threads (as many groups as
    # cores, the default) instead of one thread each. 300 connections leave
    # room beside a benchmark's 128 downloads. The loopback must never be
    # blocked for aborted handshakes, and idle connections go after 2 min.
    --thread-handling=pool-of-threads
    --max-connections=300
    --max-connect-errors=1000000
    --wait-timeout=120
    --interactive-timeout=600
    --net-read-timeout=30
    --net-write-timeout=60
  )
  if [ -f "$REPLICA_FILE" ]; then SERVER_OPTS+=(--read-only=ON); fi
}

pid_from_file() {
  local pid
  [ -r "$PID_FILE" ] || return 1
  pid=$(tr -dc '0-9' <"$PID_FILE")
  [ -n "$pid" ] || return 1
  echo "$pid"
}

# A zombie still answers kill -0, so look at the process state instead.
alive() {
  local state
  [ -r "/proc/$1/stat" ] || return 1
  state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# The pid is our server only when it runs with our data folder; a stale pid
# file may name some unrelated process by now.
ours() {
  alive "$1" || return 1
  tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | grep -qxF -- "--datadir=$DATA_DIR"
}

answering() {
  "$ADMIN_BIN" --no-defaults --socket="$SOCKET" --user="$ADMIN_USER" \
    --connect-timeout=2 ping >/dev/null 2>&1
}

client() {
  "$CLIENT_BIN" --no-defaults --socket="$SOCKET" --user="$ADMIN_USER" \
    --default-character-set=utf8mb4 "$@"
}

server_port() {
  client -N -B -e 'SELECT @@port' 2>/dev/null
}

# Something listens on the loopback port (ours or another program).
port_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# The port when none was given: the running server's, else 3306 unless
# another program holds it.
choose_port() {
  [ "$PORT_GIVEN" -eq 0 ] || return 0
  local pid port
  if pid=$(pid_from_file) && ours "$pid"; then
    port=$(tr '\0' '\n' <"/proc/$pid/cmdline" | sed -n 's/^--port=//p' | head -n 1)
    if [[ $port =~ ^[0-9]+$ ]]; then DB_PORT=$port; return 0; fi
  fi
  if port_taken 3306; then
    DB_PORT=33306
    echo "dbserver: port 3306 is taken by another server; using 33306 (choose with VA_DB_PORT or --port)" >&2
  fi
}

show_log_tail() {
  if [ -s "$ERR_LOG" ]; then
    echo "---- last lines of $ERR_LOG ----" >&2
    tail -n 25 "$ERR_LOG" >&2
  fi
}

init_datadir() {
  say "creating a new data folder in $DATA_DIR"
  mkdir -p "$DATA_DIR"
  if ! "$INSTALL_BIN" "${SERVER_OPTS[@]}" --auth-root-authentication-method=socket \
      --skip-test-db >"$DB_DIR/install.log" 2>&1; then
    echo "dbserver: creating the data folder failed:" >&2
    tail -n 25 "$DB_DIR/install.log" >&2
    rm -rf "$DATA_DIR"
    exit 1
  fi
}

# Accounts are made on every server by this script and kept out of the
# binary log: a replica then holds no transaction of its own, which GTID
# strict mode would refuse once its primary's arrive.
setup_account() {
  client <<SQL || die "could not create the database and the users"
SET SESSION sql_log_bin=0;
CREATE DATABASE IF NOT EXISTS $DB_NAME CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
DROP USER IF EXISTS ''@'localhost';
-- Made for the machine's host name, which skip-name-resolve never matches.
DELETE FROM mysql.proxies_priv WHERE Host NOT IN ('localhost', '127.0.0.1');
CREATE USER IF NOT EXISTS '$DB_USER'@'127.0.0.1' IDENTIFIED BY '$DB_PASSWORD';
CREATE USER IF NOT EXISTS '$DB_USER'@'localhost' IDENTIFIED BY '$DB_PASSWORD';
ALTER USER '$DB_USER'@'127.0.0.1' IDENTIFIED BY '$DB_PASSWORD';
ALTER USER '$DB_USER'@'localhost' IDENTIFIED BY '$DB_PASSWORD';
GRANT ALL PRIVILEGES ON $DB_NAME.* TO '$DB_USER'@'127.0.0.1';
GRANT ALL PRIVILEGES ON $DB_NAME.* TO '$DB_USER'@'localhost';
-- Downloads: reading, and a replica's lag. Shared by every user, so no
-- hourly cap that one busy hour could hit; the connection limit leaves
-- room for imports and replication beside 128 parallel downloads.
CREATE USER IF NOT EXISTS '$READ_USER'@'127.0.0.1' IDENTIFIED BY '$READ_PASSWORD';
CREATE USER IF NOT EXISTS '$READ_USER'@'localhost' IDENTIFIED BY '$READ_PASSWORD';
ALTER USER '$READ_USER'@'127.0.0.1' IDENTIFIED BY '$READ_PASSWORD'
  WITH MAX_USER_CONNECTIONS 200 MAX_QUERIES_PER_HOUR 0;
ALTER USER '$READ_USER'@'localhost' IDENTIFIED BY '$READ_PASSWORD'
  WITH MAX_USER_CONNECTIONS 200 MAX_QUERIES_PER_HOUR 0;
GRANT SELECT ON $DB_NAME.* TO '$READ_USER'@'127.0.0.1';
GRANT SELECT ON $DB_NAME.* TO '$READ_USER'@'localhost';
GRANT SLAVE MONITOR ON *.* TO '$READ_USER'@'127.0.0.1';
GRANT SLAVE MONITOR ON *.* TO '$READ_USER'@'localhost';
-- Replicas: the binary log, and the reading their seed dump needs.
CREATE USER IF NOT EXISTS '$REPL_USER'@'127.0.0.1' IDENTIFIED BY '$REPL_PASSWORD';
ALTER USER '$REPL_USER'@'127.0.0.1' IDENTIFIED BY '$REPL_PASSWORD';
GRANT REPLICATION SLAVE, BINLOG MONITOR, SELECT, SHOW VIEW, TRIGGER, EVENT
  ON *.* TO '$REPL_USER'@'127.0.0.1';
FLUSH PRIVILEGES;
SQL
}

# Waits until the server answers; fails early when the process is gone.
wait_answering() {
  local pid=$1 deadline=$((SECONDS + START_TIMEOUT))
  while ! answering; do
    if ! alive "$pid"; then
      echo "dbserver: the server (pid $pid) ended during start-up" >&2
      return 1
    fi
    if [ $SECONDS -ge $deadline ]; then
      echo "dbserver: the server (pid $pid) did not answer within ${START_TIMEOUT} s" >&2
      return 2
    fi
    sleep 0.2
  done
}

cmd_start() {
  need_bins
  server_options
  local pid port rc
  if pid=$(pid_from_file) && ours "$pid"; then
    if ! wait_answering "$pid"; then
      show_log_tail
      die "a server of $DB_DIR runs (pid $pid) but does not answer"
    fi
    port=$(server_port) || port=
    if [ -n "$port" ] && [ "$port" != "$DB_PORT" ]; then
      die "the server of $DB_DIR already runs on port $port, not $DB_PORT; stop it first"
    fi
    setup_account
    say "already running (pid $pid, port $DB_PORT, socket $SOCKET)"
    return 0
  fi
  # Leftovers of a server that died.
  rm -f "$PID_FILE"
  if [ -S "$SOCKET" ] && ! answering; then rm -f "$SOCKET"; fi
  if answering; then
    die "another server already answers on $SOCKET"
  fi

  if port_taken "$DB_PORT"; then
    die "port $DB_PORT is taken by another program; choose another with --port N or VA_DB_PORT=N"
  fi
  mkdir -p "$DB_DIR/tmp"
  [ -d "$DATA_DIR/mysql" ] || init_datadir
  : >>"$ERR_LOG"
  local log_start
  log_start=$(wc -l <"$ERR_LOG")

  # setsid: the server must outlive this script and the caller's process group.
  # The lock descriptor is closed for it, or it would hold the lock for good.
  setsid "$SERVER_BIN" "${SERVER_OPTS[@]}" </dev/null >>"$DB_DIR/mariadbd.out" 2>&1 9>&- &
  pid=$!
  rc=0
  wait_answering "$pid" || rc=$?
  if [ $rc -ne 0 ]; then
    if [ $rc -eq 2 ] && alive "$pid"; then
      kill -TERM "$pid" 2>/dev/null || true
    fi
    if [ -s "$ERR_LOG" ]; then
      echo "---- server log of this start ($ERR_LOG) ----" >&2
      tail -n +"$((log_start + 1))" "$ERR_LOG" | tail -n 25 >&2
    fi
    exit 1
  fi
  local file_pid
  file_pid=$(pid_from_file) || file_pid=
  if [ "$file_pid" != "$pid" ]; then
    die "the server answers but its pid file says '${file_pid}' instead of $pid"
  fi
  setup_account
  say "started (pid $pid, port $DB_PORT, socket $SOCKET, data $DATA_DIR)"
}

cmd_stop() {
  local pid deadline
  if ! pid=$(pid_from_file); then
    say "not running (no pid file in $DB_DIR)"
    return 0
  fi
  if ! alive "$pid"; then
    rm -f "$PID_FILE"
    say "not running (removed the stale pid file)"
    return 0
  fi
  if ! ours "$pid"; then
    rm -f "$PID_FILE"
    say "the pid file named process $pid, which is not this server; left it alone and removed the pid file"
    return 0
  fi
  kill -TERM "$pid" 2>/dev/null || true
  deadline=$((SECONDS + STOP_TIMEOUT))
  while alive "$pid"; do
    if [ $SECONDS -ge $deadline ]; then
      echo "dbserver: pid $pid did not stop within ${STOP_TIMEOUT} s; killing it" >&2
      kill -KILL "$pid" 2>/dev/null || true
      sleep 1
      alive "$pid" && die "could not stop pid $pid"
      break
    fi
    sleep 0.2
  done
  rm -f "$PID_FILE"
  say "stopped (pid $pid)"
}

cmd_status() {
  need_bins
  local pid port
  if pid=$(pid_from_file) && ours "$pid"; then
    if answering; then
      port=$(server_port) || port=?
      say "running (pid $pid, port $port, socket $SOCKET, data $DATA_DIR)"
      local source
      if source=$(replica_source) && [ -n "$source" ]; then
        say "replica of $source: $(replica_state)"
      fi
      return 0
    fi
    say "process $pid exists but does not answer on $SOCKET"
    return 1
  fi
  say "not running ($DB_DIR)"
  return 3
}

load_file() {
  local file=$1 t0=$SECONDS
  [ -r "$file" ] || die "cannot read $file"
  case $file in
    *.gz) gzip -dc -- "$file" | client "$DB_NAME" ;;
    *) client "$DB_NAME" <"$file" ;;
  esac || die "loading $file failed"
  say "loaded $file ($((SECONDS - t0)) s)"
}

cmd_load() {
  local files=("$@") f
  [ ${#files[@]} -gt 0 ] || files=("$TOOLS_DIR/sample_data.sql")
  for f in "${files[@]}"; do [ -r "$f" ] || die "cannot read $f"; done
  cmd_start
  refuse_replica
  load_file "$TOOLS_DIR/schema.sql"
  for f in "${files[@]}"; do load_file "$f"; done
}

cmd_ensure() {
  cmd_start
  local source
  if source=$(replica_source) && [ -n "$source" ]; then
    say "replica of $source; its data comes from there"
    return 0
  fi
  local sats
  sats=$(client -N -B "$DB_NAME" -e 'SELECT COUNT(*) FROM Sats' 2>/dev/null) || sats=0
  if [ "${sats:-0}" = 0 ]; then
    load_file "$TOOLS_DIR/schema.sql"
    load_file "$TOOLS_DIR/sample_data.sql"
  else
    say "database $DB_NAME holds $sats satellites; nothing loaded"
  fi
}

cmd_sql() {
  need_bins
  answering || die "no server answers on $SOCKET (run: $0 start)"
  exec "$CLIENT_BIN" --no-defaults --socket="$SOCKET" \
    --user="$ADMIN_USER" --default-character-set=utf8mb4 --database="$DB_NAME" "$@"
}

# One field of SHOW SLAVE STATUS; nothing when this server is no replica.
slave_field() {
  client -E -e 'SHOW SLAVE STATUS' | sed -n "s/^ *$1: //p"
}

# HOST:PORT of the primary followed, or nothing.
replica_source() {
  local host port
  host=$(slave_field Master_Host) || return 1
  [ -n "$host" ] || return 0
  port=$(slave_field Master_Port) || return 1
  echo "$host:$port"
}

# "N s behind", or why the replica is not following.
replica_state() {
  local lag io sql err
  lag=$(slave_field Seconds_Behind_Master)
  if [[ $lag =~ ^[0-9]+$ ]]; then echo "$lag s behind"; return 0; fi
  io=$(slave_field Slave_IO_Running)
  sql=$(slave_field Slave_SQL_Running)
  err=$(slave_field Last_IO_Error)
  [ -n "$err" ] || err=$(slave_field Last_SQL_Error)
  echo "not following its primary (receiving: $io, applying: $sql)${err:+: $err}"
  return 1
}

# Whatever a replica is given locally, its primary has not got: the two
# would part for good.
refuse_replica() {
  local source
  if source=$(replica_source) && [ -n "$source" ]; then
    die "this server is a replica of $source; load into the primary instead"
  fi
}

# The mariadb client on the primary, as the replication user.
primary_client() {
  "$CLIENT_BIN" --no-defaults --protocol=tcp --host="$PRIMARY_HOST" \
    --port="$PRIMARY_PORT" --user="$REPL_USER" --password="$REPL_PASSWORD" \
    --connect-timeout=5 "$@"
}

# The primary's databases with their GTID position, loaded without a
# binary log of its own; then follow it from that position.
seed_from_primary() {
  local dump=$DB_DIR/seed.sql dbs t0=$SECONDS
  dbs=$(primary_client -N -B -e "SELECT schema_name FROM information_schema.schemata
    WHERE schema_name NOT IN ('mysql', 'information_schema', 'performance_schema', 'sys')") ||
    die "could not list the databases of the primary"
  # shellcheck disable=SC2086 # one word per database
  "$DUMP_BIN" --no-defaults --protocol=tcp --host="$PRIMARY_HOST" --port="$PRIMARY_PORT" \
    --user="$REPL_USER" --password="$REPL_PASSWORD" --default-character-set=utf8mb4 \
    --single-transaction --gtid --master-data=1 --routines --events \
    --databases $dbs >"$dump" || die "the dump of the primary failed"
  client -e "STOP SLAVE; RESET SLAVE ALL; RESET MASTER" ||
    die "could not clear this server's replication state"
  { echo 'SET SESSION sql_log_bin=0;'; cat "$dump"; } | client ||
    die "loading the primary's dump failed"
  rm -f "$dump"
  client <<SQL || die "could not set up replication"
CHANGE MASTER TO master_host='$PRIMARY_HOST', master_port=$PRIMARY_PORT,
  master_user='$REPL_USER', master_password='$REPL_PASSWORD',
  master_use_gtid=slave_pos, master_connect_retry=10;
START SLAVE;
SQL
  say "copied $(wc -w <<<"$dbs") database(s) from $PRIMARY_HOST:$PRIMARY_PORT, replacing its own ($((SECONDS - t0)) s)"
}

cmd_replica_of() {
  [ $# -eq 1 ] || die "replica-of needs the primary as HOST or HOST:PORT"
  PRIMARY_HOST=${1%:*}
  PRIMARY_PORT=3306
  [ "$PRIMARY_HOST" = "$1" ] || PRIMARY_PORT=${1##*:}
  [[ $PRIMARY_PORT =~ ^[0-9]+$ ]] || die "the primary's port must be a number, not '$PRIMARY_PORT'"
  [ -n "$PRIMARY_HOST" ] || die "replica-of needs the primary's host"
  # To the replication thread, localhost means this server's own socket.
  [ "$PRIMARY_HOST" != localhost ] || PRIMARY_HOST=127.0.0.1
  cmd_start
  local own_id primary_id source deadline state
  own_id=$(client -N -B -e 'SELECT @@server_id')
  primary_id=$(primary_client -N -B -e 'SELECT @@server_id') ||
    die "cannot reach the primary $PRIMARY_HOST:$PRIMARY_PORT as $REPL_USER"
  [ "$primary_id" != "$own_id" ] ||
    die "$PRIMARY_HOST:$PRIMARY_PORT has this server's id $own_id (is it this server?)"
  client -e 'SET GLOBAL read_only=1' || die "could not make the server read-only"
  echo "$PRIMARY_HOST:$PRIMARY_PORT" >"$REPLICA_FILE"
  source=$(replica_source) || source=
  if [ "$source" = "$PRIMARY_HOST:$PRIMARY_PORT" ]; then
    client -e 'START SLAVE' 2>/dev/null || true
    say "already a replica of $source"
  else
    [ -z "$source" ] || say "was a replica of $source; its databases are replaced"
    seed_from_primary
  fi
  deadline=$((SECONDS + 15))
  until state=$(replica_state); do
    if [ $SECONDS -ge $deadline ]; then die "$state"; fi
    sleep 0.3
  done
  say "replica of $PRIMARY_HOST:$PRIMARY_PORT, read-only: $state"
}

cmd_lag() {
  need_bins
  answering || die "no server answers on $SOCKET (run: $0 start)"
  local source lag
  source=$(replica_source) || die "could not read the replication status"
  if [ -z "$source" ]; then echo "not a replica"; return 3; fi
  lag=$(slave_field Seconds_Behind_Master)
  if [[ $lag =~ ^[0-9]+$ ]]; then echo "$lag"; return 0; fi
  replica_state >&2 || true
  echo "NULL"
  return 1
}

cmd_promote() {
  need_bins
  answering || die "no server answers on $SOCKET (run: $0 start)"
  local source
  source=$(replica_source) || die "could not read the replication status"
  client -e 'STOP SLAVE; RESET SLAVE ALL; SET GLOBAL read_only=0' ||
    die "could not stop replicating"
  rm -f "$REPLICA_FILE"
  say "accepts writes now${source:+ (was a replica of $source)}"
}

# ---- migrate-utf8 ----

# What of database $1 is not utf8mb4 yet, one a line: the database's
# default, tables, text columns.
not_utf8mb4() {
  client -N -B -e "
    SELECT 'the database default' FROM information_schema.SCHEMATA
     WHERE SCHEMA_NAME = '$1' AND DEFAULT_CHARACTER_SET_NAME <> 'utf8mb4'
    UNION ALL
    SELECT CONCAT('table ', TABLE_NAME, ' (', TABLE_COLLATION, ')')
      FROM information_schema.TABLES
     WHERE TABLE_SCHEMA = '$1' AND TABLE_TYPE = 'BASE TABLE'
       AND TABLE_COLLATION NOT LIKE 'utf8mb4\\_%'
    UNION ALL
    SELECT CONCAT('column ', c.TABLE_NAME, '.', c.COLUMN_NAME, ' (', c.CHARACTER_SET_NAME, ')')
      FROM information_schema.COLUMNS c JOIN information_schema.TABLES t
        ON t.TABLE_SCHEMA = c.TABLE_SCHEMA AND t.TABLE_NAME = c.TABLE_NAME
     WHERE c.TABLE_SCHEMA = '$1' AND t.TABLE_TYPE = 'BASE TABLE'
       AND c.CHARACTER_SET_NAME <> 'utf8mb4'"
}

# One line per table of database $1: its rows and, per text column, a sum
# of a hash of each value's UTF-8 bytes, NULL told apart from ''. With
# $2 = before the text is read as converted to utf8mb4, with after as it
# is: the two agree when the conversion kept every character.
text_sums() {
  local db=$1 when=$2 table col value last='' sql='' select=''
  while IFS=$'\t' read -r table col; do
    if [ "$table" != "$last" ]; then
      [ -z "$last" ] || sql+="$select) FROM \`$db\`.\`$last\`;"
      select="SELECT CONCAT_WS(' ', '$table', CONCAT('rows=', COUNT(*))"
      last=$table
    fi
    [ "$col" != NULL ] || continue
    if [ "$when" = before ]; then value="CONVERT(\`$col\` USING utf8mb4)"; else value="\`$col\`"; fi
    select+=", CONCAT('$col=', IFNULL(SUM(CAST(CONV(LEFT(MD5(IFNULL(HEX($value), 'NULL')), 15), 16, 10) AS UNSIGNED)), 0))"
  done < <(client -N -B -e "
    SELECT t.TABLE_NAME, c.COLUMN_NAME
      FROM information_schema.TABLES t LEFT JOIN information_schema.COLUMNS c
        ON c.TABLE_SCHEMA = t.TABLE_SCHEMA AND c.TABLE_NAME = t.TABLE_NAME
       AND c.CHARACTER_SET_NAME IS NOT NULL
     WHERE t.TABLE_SCHEMA = '$db' AND t.TABLE_TYPE = 'BASE TABLE'
     ORDER BY t.TABLE_NAME, c.ORDINAL_POSITION")
  [ -n "$last" ] || return 0
  sql+="$select) FROM \`$db\`.\`$last\`;"
  client -N -B -e "$sql"
}

cmd_migrate_utf8() {
  [ $# -le 1 ] || die "migrate-utf8 takes one database name at most"
  local db=${1:-$DB_NAME}
  [[ $db =~ ^[A-Za-z0-9_]+$ ]] || die "'$db' is not a database name of letters, digits and _"
  cmd_start
  local source
  if source=$(replica_source) && [ -n "$source" ]; then
    die "this server is a replica of $source; migrate the primary, its replicas follow"
  fi
  [ -n "$(client -N -B -e "SELECT 1 FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '$db'")" ] ||
    die "there is no database $db"
  local todo
  todo=$(not_utf8mb4 "$db") || die "could not read the character sets of $db"
  if [ -z "$todo" ]; then
    say "database $db is utf8mb4 already; nothing changed"
    return 0
  fi
  local what tables columns
  tables=$(grep -c '^table' <<<"$todo" || true)
  columns=$(grep -c '^column' <<<"$todo" || true)
  what="$tables table(s), $columns text column(s)"
  ! grep -q '^the database default' <<<"$todo" || what="the default, $what"
  say "database $db: converting to utf8mb4: $what"

  local t0=$SECONDS dump
  dump=$DB_DIR/$db-before-utf8mb4-$(date +%Y%m%d-%H%M%S).sql.gz
  # utf8mb4 holds whatever any column holds; the dump names each table's
  # own character set, so loading it gives the old tables back.
  "$DUMP_BIN" --no-defaults --socket="$SOCKET" --user="$ADMIN_USER" \
    --default-character-set=utf8mb4 --single-transaction --routines --events --triggers \
    --databases "$db" | gzip >"$dump.part" || die "the dump of $db failed; nothing changed"
  mv -f "$dump.part" "$dump"
  say "dump of $db before the change: $dump"

  # Imports would land between the sums and the change, and a restore
  # would take them away again; the administrator still writes.
  local was_ro
  was_ro=$(client -N -B -e 'SELECT @@global.read_only') || die "could not read read_only"
  client -e 'SET SESSION lock_wait_timeout = 60; SET GLOBAL read_only = 1' ||
    die "could not stop writes for the change (a long write running?); nothing changed"
  # shellcheck disable=SC2064 # the value read now
  trap "client -e 'SET GLOBAL read_only = $was_ro' || echo 'dbserver: could not set read_only back to $was_ro' >&2" EXIT

  local before=$DB_DIR/tmp/migrate-before.txt after=$DB_DIR/tmp/migrate-after.txt
  local err=$DB_DIR/tmp/migrate.err
  text_sums "$db" before >"$before" || die "could not read $db; nothing changed"

  # Each table that is not all utf8mb4, after the default, in one session.
  local sql="ALTER DATABASE \`$db\` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;" table
  while read -r table; do
    sql+="ALTER TABLE \`$db\`.\`$table\` CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;"
  done < <(client -N -B -e "
    SELECT DISTINCT t.TABLE_NAME
      FROM information_schema.TABLES t LEFT JOIN information_schema.COLUMNS c
        ON c.TABLE_SCHEMA = t.TABLE_SCHEMA AND c.TABLE_NAME = t.TABLE_NAME
       AND c.CHARACTER_SET_NAME <> 'utf8mb4'
     WHERE t.TABLE_SCHEMA = '$db' AND t.TABLE_TYPE = 'BASE TABLE'
       AND (t.TABLE_COLLATION NOT LIKE 'utf8mb4\\_%' OR c.COLUMN_NAME IS NOT NULL)
     ORDER BY t.TABLE_NAME")
  local why=
  if ! client -e "$sql" 2>"$err"; then
    why="the change failed: $(grep -a -m 1 '^ERROR' "$err" || cat "$err" || true)"
  elif ! todo=$(not_utf8mb4 "$db") || [ -n "$todo" ]; then
    why="still not utf8mb4: $todo"
  elif ! text_sums "$db" after >"$after"; then
    why="could not read $db after the change"
  elif ! cmp -s "$before" "$after"; then
    why="the text differs after the change (rows and sums per column, before < and after >):
$(diff "$before" "$after" | grep '^[<>]' || true)"
  fi
  rm -f "$after" "$err"
  if [ -z "$why" ]; then
    rm -f "$before"
    say "database $db is utf8mb4 now: every table's rows and text checked ($((SECONDS - t0)) s)"
    return 0
  fi

  echo "dbserver: $why" >&2
  echo "dbserver: restoring $db from $dump" >&2
  if client -e "DROP DATABASE \`$db\`" && gzip -dc "$dump" | client &&
    text_sums "$db" before >"$after" && cmp -s "$before" "$after"; then
    rm -f "$before" "$after"
    echo "dbserver: $db is as it was before; nothing changed" >&2
    exit 1
  fi
  echo "dbserver: the restore failed too; load $dump by hand (gzip -dc $dump | $0 --dir $DB_DIR sql)" >&2
  exit 2
}

# One command at a time per data folder: parallel test fixtures may all ask
# for the same server.
lock_dir() {
  mkdir -p "$DB_DIR"
  exec 9>"$DB_DIR/dbserver.lock"
  flock -w 120 9 || die "another dbserver.sh keeps $DB_DIR locked"
}

case $COMMAND in
  start|stop|load|ensure|replica-of|promote|migrate-utf8) lock_dir ;;
esac
case $COMMAND in
  start|load|ensure|port|replica-of|migrate-utf8) choose_port ;;
esac

case $COMMAND in
  start) cmd_start ;;
  stop) cmd_stop ;;
  status) cmd_status ;;
  load) cmd_load "$@" ;;
  ensure) cmd_ensure ;;
  sql) cmd_sql "$@" ;;
  port) echo "$DB_PORT" ;;
  replica-of) cmd_replica_of "$@" ;;
  lag) cmd_lag ;;
  promote) cmd_promote ;;
  migrate-utf8) cmd_migrate_utf8 "$@" ;;
  *) echo "dbserver: unknown command '$COMMAND'" >&2; usage >&2; exit 64 ;;
esac
