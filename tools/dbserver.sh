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
    --character-set-server=latin1
    --collation-server=latin1_swedish_ci
    --performance-schema=OFF
    --innodb-buffer-pool-size=64M
    --innodb-log-file-size=16M
    --innodb-log-buffer-size=8M
    --innodb-flush-log-at-trx-commit=2
    --aria-pagecache-buffer-size=8M
    --key-buffer-size=4M
    --query-cache-size=0
    --max-connections=60
    --table-open-cache=256
    --max-allowed-packet=64M
  )
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
    --default-character-set=latin1 "$@"
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

setup_account() {
  client <<SQL || die "could not create the database and the user $DB_USER"
CREATE DATABASE IF NOT EXISTS $DB_NAME CHARACTER SET latin1 COLLATE latin1_swedish_ci;
DROP USER IF EXISTS ''@'localhost';
-- Made for the machine's host name, which skip-name-resolve never matches.
DELETE FROM mysql.proxies_priv WHERE Host NOT IN ('localhost', '127.0.0.1');
CREATE USER IF NOT EXISTS '$DB_USER'@'127.0.0.1' IDENTIFIED BY '$DB_PASSWORD';
CREATE USER IF NOT EXISTS '$DB_USER'@'localhost' IDENTIFIED BY '$DB_PASSWORD';
ALTER USER '$DB_USER'@'127.0.0.1' IDENTIFIED BY '$DB_PASSWORD';
ALTER USER '$DB_USER'@'localhost' IDENTIFIED BY '$DB_PASSWORD';
GRANT ALL PRIVILEGES ON $DB_NAME.* TO '$DB_USER'@'127.0.0.1';
GRANT ALL PRIVILEGES ON $DB_NAME.* TO '$DB_USER'@'localhost';
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
  load_file "$TOOLS_DIR/schema.sql"
  for f in "${files[@]}"; do load_file "$f"; done
}

cmd_ensure() {
  cmd_start
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
    --user="$ADMIN_USER" --default-character-set=latin1 --database="$DB_NAME" "$@"
}

# One command at a time per data folder: parallel test fixtures may all ask
# for the same server.
lock_dir() {
  mkdir -p "$DB_DIR"
  exec 9>"$DB_DIR/dbserver.lock"
  flock -w 120 9 || die "another dbserver.sh keeps $DB_DIR locked"
}

case $COMMAND in
  start|stop|load|ensure) lock_dir ;;
esac
case $COMMAND in
  start|load|ensure|port) choose_port ;;
esac

case $COMMAND in
  start) cmd_start ;;
  stop) cmd_stop ;;
  status) cmd_status ;;
  load) cmd_load "$@" ;;
  ensure) cmd_ensure ;;
  sql) cmd_sql "$@" ;;
  port) echo "$DB_PORT" ;;
  *) echo "dbserver: unknown command '$COMMAND'" >&2; usage >&2; exit 64 ;;
esac
