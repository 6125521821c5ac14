#!/usr/bin/env bash
# Starts a private server on a port and folder of its own, gives it the
# schema, runs bench_import against it and stops the server again.
#
#   run_import_bench.sh [BUILD_DIR] [bench_import options...]
#
# BUILD_DIR (default <repo>/build) must hold bench/bench_import; a Release
# build gives the meaningful figures. Environment: VA_BENCH_DB_PORT (default
# 33213), VA_BENCH_DB_DIR (default a new folder under /tmp).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
[ $# -gt 0 ] && shift
bench=$build/bench/bench_import
[ -x "$bench" ] || { echo "run_import_bench: $bench is not built" >&2; exit 1; }

port=${VA_BENCH_DB_PORT:-33213}
if [ -n "${VA_BENCH_DB_DIR:-}" ]; then
  dir=$VA_BENCH_DB_DIR own_dir=0
else
  dir=$(mktemp -d /tmp/velartis-import-bench.XXXXXX) own_dir=1
fi
export VA_DB_DIR=$dir VA_DB_PORT=$port
db=$repo/tools/dbserver.sh
stop() {
  bash "$db" stop >/dev/null || true
  if [ "$own_dir" = 1 ]; then rm -rf -- "$dir"; fi
}
trap stop EXIT

bash "$db" start >/dev/null
bash "$db" sql <"$repo/tools/schema.sql"
client=$(command -v mariadb || command -v mysql)
"$bench" --host 127.0.0.1 --port "$port" --user vauser --password vapass1 --db velartis \
  --client "$client" --work "$dir" "$@"
