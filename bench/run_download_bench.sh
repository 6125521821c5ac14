#!/usr/bin/env bash
# Starts a private server on a port and folder of its own, loads a generated
# full-capacity database (19999 channels, 4999 transponders over 8
# satellites), runs bench_download against it and stops the server again.
#
#   run_download_bench.sh [BUILD_DIR] [bench_download options...]
#
# BUILD_DIR (default <repo>/build) must hold bench/bench_download and
# tools/velartis-gendb; a Release build gives the meaningful figures.
# Environment: VA_BENCH_DB_PORT (default 33191), VA_BENCH_DB_DIR (default a
# new folder under /tmp).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
[ $# -gt 0 ] && shift
bench=$build/bench/bench_download
gendb=$build/tools/velartis-gendb
for f in "$bench" "$gendb"; do
  [ -x "$f" ] || { echo "run_download_bench: $f is not built" >&2; exit 1; }
done

port=${VA_BENCH_DB_PORT:-33191}
if [ -n "${VA_BENCH_DB_DIR:-}" ]; then
  dir=$VA_BENCH_DB_DIR own_dir=0
else
  dir=$(mktemp -d /tmp/velartis-bench-db.XXXXXX) own_dir=1
fi
export VA_DB_DIR=$dir VA_DB_PORT=$port
db=$repo/tools/dbserver.sh
data=$dir/full.sql

stop() {
  bash "$db" stop >/dev/null || true
  if [ "$own_dir" = 1 ]; then rm -rf -- "$dir"; fi
}
trap stop EXIT

# 18211 channels give exactly 19999 bouquet links with this seed: a full
# channel table without a row to drop.
"$gendb" --seed 3 --sats 8 --tps 4999 --channels 18211 --audio 50000 --cas 30000 \
  --favs 40 --favlinks 15000 --bouquets 60 --out "$data"
bash "$db" load "$data"
"$bench" --host 127.0.0.1 --port "$port" --user vauser --password vapass1 --db velartis "$@"
