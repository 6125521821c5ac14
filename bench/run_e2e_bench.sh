#!/usr/bin/env bash
# End-to-end download benchmark at full capacity, with the server's own
# limit beside it. One command:
#
#   bench/run_e2e_bench.sh [--build DIR] [--before CLI] [--runs N] [--lists "0 1 2"]
#                          [--no-scaling] [--explain]
#
# Starts a private server (port VA_BENCH_DB_PORT, default 33191, in a new
# folder under /tmp), loads a generated database filled to the channel
# tables' capacities (253 satellites, 4999 transponders, 19999 bouquet
# links, 49 favourite groups, 19999 favourite links, 50000 audio and 30000
# CAS rows) and, for each list type, times in the same run, interleaved:
#
#   cli            velartis-cli, download only
#   cli+e2         velartis-cli, download and the Enigma2 list (written and flushed)
#   cli-z          velartis-cli, download only, with --db-compress on
#   cli+e2-mem     as cli+e2, the list written into memory (/dev/shm): what the
#                  program costs without the disk's charge for thousands of files
#   client-job     the statements the job sent (taken from the server's
#                  general log), replayed through the mariadb client with
#                  the compression the job used
#   client-set     the same rows by one statement per table: the job's
#                  statements with the chunks of a table merged into one
#                  (sat_id IN all the ids), through the client without
#                  compression: the server's own limit
#   client-set-z   the same with protocol compression
#   before, before+e2, client-before   with --before CLI: an older build of
#                  the tool and its own statements (compressed, as it sends them)
#
# Each figure is the median and the min-max over N runs (default 7) of the
# wall time and of the child's peak resident memory (/usr/bin/time); ratios
# are of medians. Then a scaling table (1/8, 1/4, 1/2, full of the same
# shape, list type 0) shows the cost per channel staying flat. --explain
# prints the server's plan of each distinct statement the job sent.
# BUILD (default <repo>/build) must hold velartis-cli and tools/velartis-gendb;
# an optimised build (RelWithDebInfo or Release) gives the meaningful figures.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$repo/build
before=
runs=7
lists="0 1 2"
scaling=1
explain=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --lists) lists=$2; shift 2 ;;
    --no-scaling) scaling=0; shift ;;
    --explain) explain=1; shift ;;
    *) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2; exit 64 ;;
  esac
done
[[ $runs =~ ^[0-9]+$ ]] && [ "$runs" -ge 1 ] || { echo "--runs needs a number" >&2; exit 64; }

cli=$build/velartis-cli
gendb=$build/tools/velartis-gendb
for f in "$cli" "$gendb" ${before:+"$before"} /usr/bin/time; do
  [ -x "$f" ] || { echo "run_e2e_bench: $f is missing" >&2; exit 1; }
done
command -v mariadb >/dev/null || { echo "run_e2e_bench: no mariadb client" >&2; exit 1; }

port=${VA_BENCH_DB_PORT:-33191}
dir=$(mktemp -d /tmp/velartis-e2e.XXXXXX)
export VA_DB_DIR=$dir/db VA_DB_PORT=$port
db=$repo/tools/dbserver.sh
shm=
if [ -d /dev/shm ] && [ -w /dev/shm ]; then shm=$(mktemp -d /dev/shm/velartis-e2e.XXXXXX); fi
stop() {
  bash "$db" stop >/dev/null 2>&1 || true
  rm -rf -- "$dir"
  if [ -n "$shm" ]; then rm -rf -- "$shm"; fi
}
trap stop EXIT

# The tool of this build chooses compression by itself (off on loopback);
# a build without the option always compressed.
job_compress=--compress
"$cli" --help 2>/dev/null | grep -q -- --db-compress && job_compress=

client() {  # client DB [mariadb options...] < statements
  local name=$1
  shift
  mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 \
    -h 127.0.0.1 -P "$port" -u vauser -pvapass1 "$@" "$name"
}

# gen NAME SCALE-DIVISOR: a database of the full shape divided by SCALE.
gen() {
  local name=$1 div=$2
  # 18187 channels with seed 8 give exactly 19999 bouquet links.
  local sats=$(( (253 + div - 1) / div )) tps=$(( 4999 / div )) ch=$(( 18187 / div ))
  local audio=$(( 50000 / div )) cas=$(( 30000 / div )) links=$(( 19999 / div ))
  local bou=$(( 300 / div ))
  bash "$db" sql <<SQL
DROP DATABASE IF EXISTS $name;
CREATE DATABASE $name CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
GRANT ALL PRIVILEGES ON $name.* TO 'vauser'@'127.0.0.1';
SQL
  bash "$db" sql --database="$name" <"$repo/tools/schema.sql"
  "$gendb" --seed 8 --sats $sats --tps $tps --channels $ch --audio $audio --cas $cas \
    --favs 49 --favlinks $links --bouquets $bou --cfg-out "$dir/cfg-$name" --out - 2>"$dir/gen-$name.txt" |
    bash "$db" sql --database="$name"
  # Every transponder counts: feeds taken on every satellite.
  sed -i -e 's/^GTP=0/GTP=1/' -e 's/#0#111#11111#/#1#111#11111#/' "$dir/cfg-$name/Default.cfg"
  bash "$db" sql --database="$name" -e "ANALYZE TABLE Sats, Transponders, Channels, Bouquets, \
    ChannelBouquet, ChannelAudio, ChannelCas, Favorites, ChannelFavorite, Languages" >/dev/null
}

# cfgdir NAME LIST: the configuration folder of a database and a list type.
cfgdir() {
  local d=$dir/cfg-$1-$2
  if [ ! -d "$d" ]; then
    cp -r "$dir/cfg-$1" "$d"
    sed -i "s/^LIST=.*/LIST=$2/" "$d/Default.cfg"
  fi
  echo "$d"
}

# cli_cmd BINARY NAME LIST [e2 [FOLDER]]: the tool's command line.
cli_cmd() {
  local bin=$1 name=$2 list=$3 e2=${4:-} out=${5:-$dir/out} d
  d=$(cfgdir "$name" "$list")
  local args=(--config "$d/Default.cfg" --master "$d/VAconfig.vac" --db-host 127.0.0.1
              --db-port "$port" --db-user vauser --db-password vapass1 --db-name "$name")
  [ -n "$e2" ] && args+=(--format e2 --output "$out")
  printf '%q ' "$bin" "${args[@]}"
}

# capture BINARY NAME LIST FILE: the statements the tool sends, from the
# server's general log.
capture() {
  local bin=$1 name=$2 list=$3 out=$4 log=$dir/general-$RANDOM.log
  bash "$db" sql -e "SET GLOBAL log_output='FILE'; SET GLOBAL general_log_file='$log'; \
    SET GLOBAL general_log=1"
  eval "$(cli_cmd "$bin" "$name" "$list")" >/dev/null 2>&1
  bash "$db" sql -e "SET GLOBAL general_log=0"
  # Only the tool's own connection: the one that logged in as vauser.
  awk '
    match($0, /[ \t][0-9]+ (Connect|Query)\t/) {
      split(substr($0, RSTART + 1, RLENGTH - 2), w, " ")
      arg = substr($0, RSTART + RLENGTH)
      if (w[2] == "Connect" && arg ~ /^vauser@/) mine[w[1]] = 1
      else if (w[2] == "Query" && (w[1] in mine)) print arg ";"
    }' "$log" >"$out"
  rm -f "$log"
}

# setbased JOB-STATEMENTS FILE: the job's statements with the chunks of
# each table ("sat_id IN (...)" for a group of satellites) merged into one
# statement per table and set of filter clauses.
setbased() {
  awk '
    match($0, /IN \([0-9,]+\)/) {
      key = substr($0, 1, RSTART - 1) "IN (@)" substr($0, RSTART + RLENGTH)
      ids = substr($0, RSTART + 4, RLENGTH - 5)
      if (!(key in list)) { order[++n] = key; list[key] = ids } else list[key] = list[key] "," ids
      next
    }
    { order[++n] = $0; plain[n] = 1 }
    END {
      for (i = 1; i <= n; i++) {
        k = order[i]
        if (!plain[i]) { ids = list[k]; sub(/IN \(@\)/, "IN (" ids ")", k) }
        print k
      }
    }' "$1" >"$2"
}

results=$dir/results.txt
: >"$results"

# timed GROUP ITEM COMMAND: one run; wall time in ms and peak memory in KiB.
timed() {
  local group=$1 item=$2 cmd=$3 t0 t1 rss
  rm -rf "$dir/out" && mkdir -p "$dir/out"
  if [ -n "$shm" ]; then rm -rf "$shm/out" && mkdir -p "$shm/out"; fi
  t0=$(date +%s%N)
  if ! /usr/bin/time -f %M -o "$dir/rss.txt" bash -c "$cmd" >/dev/null 2>"$dir/err.txt"; then
    echo "run_e2e_bench: $item failed:" >&2
    tail -n 5 "$dir/err.txt" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  rss=$(tail -n 1 "$dir/rss.txt")
  echo "$group $item $(( (t1 - t0) / 1000 )) $rss" >>"$results"
}

# report GROUP BASE: median and min-max of each item, ratios to BASE.
report() {
  local group=$1 base=$2
  awk -v g="$group" -v base="$base" '
    function med(a, n,   i, j, t) {
      for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    $1 == g { if (!($2 in n)) order[++k] = $2; n[$2]++; t[$2, n[$2]] = $3 / 1000; m[$2, n[$2]] = $4 / 1024 }
    END {
      for (i = 1; i <= k; i++) {
        it = order[i]; c = n[it]
        for (r = 1; r <= c; r++) { a[r] = t[it, r]; b[r] = m[it, r] }
        tm[it] = med(a, c); tlo[it] = a[1]; thi[it] = a[c]
        mm[it] = med(b, c); mlo[it] = b[1]; mhi[it] = b[c]
      }
      printf "  %-14s %28s %26s %9s\n", "", "wall ms: median (min-max)", "peak MiB: median (min-max)", "/" base
      for (i = 1; i <= k; i++) {
        it = order[i]
        printf "  %-14s %10.1f (%7.1f-%7.1f) %10.1f (%5.1f-%5.1f) %8.2fx\n", it, tm[it], tlo[it], thi[it], mm[it], mlo[it], mhi[it], tm[it] / tm[base]
      }
    }' "$results"
}

echo "run_e2e_bench: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) at start; $runs runs per figure"
bash "$db" start >/dev/null
gen velartis_full 1
echo "full database: $(sed -n 's/^velartis-gendb: \([0-9]* satellites.*\)/\1/p' "$dir/gen-velartis_full.txt" | head -1)"

for list in $lists; do
  group=list$list
  capture "$cli" velartis_full "$list" "$dir/job-$list.sql"
  setbased "$dir/job-$list.sql" "$dir/set-$list.sql"
  items=(cli cli+e2 client-job client-set client-set-z)
  [ -z "$job_compress" ] && items+=(cli-z)
  [ -n "$shm" ] && items+=(cli+e2-mem)
  declare -A cmd=(
    [cli]=$(cli_cmd "$cli" velartis_full "$list")
    [cli+e2]=$(cli_cmd "$cli" velartis_full "$list" e2)
    [cli-z]="$(cli_cmd "$cli" velartis_full "$list") --db-compress on"
    [cli+e2-mem]=$(cli_cmd "$cli" velartis_full "$list" e2 "$shm/out")
    [client-job]="mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 -h 127.0.0.1 -P $port -u vauser -pvapass1 $job_compress velartis_full < $dir/job-$list.sql"
    [client-set]="mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 -h 127.0.0.1 -P $port -u vauser -pvapass1 velartis_full < $dir/set-$list.sql"
    [client-set-z]="mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 -h 127.0.0.1 -P $port -u vauser -pvapass1 --compress velartis_full < $dir/set-$list.sql"
  )
  if [ -n "$before" ]; then
    capture "$before" velartis_full "$list" "$dir/before-$list.sql"
    items+=(before before+e2 client-before)
    cmd[before]=$(cli_cmd "$before" velartis_full "$list")
    cmd[before+e2]=$(cli_cmd "$before" velartis_full "$list" e2)
    cmd[client-before]="mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 -h 127.0.0.1 -P $port -u vauser -pvapass1 --compress velartis_full < $dir/before-$list.sql"
  fi
  echo
  echo "list type $list: the job sent $(grep -c . "$dir/job-$list.sql") statements" \
    "(rows through the client: $(client velartis_full < "$dir/job-$list.sql" | wc -l));" \
    "set-based: $(grep -c . "$dir/set-$list.sql") statements (rows: $(client velartis_full < "$dir/set-$list.sql" | wc -l))" \
    "${before:+; before: $(grep -c . "$dir/before-$list.sql") statements}"
  if [ "$explain" = 1 ]; then
    echo "  plans of the job's statements (one per shape):"
    sed -E 's/[0-9]+/N/g' "$dir/job-$list.sql" | awk '!seen[$0]++ { print NR }' | while read -r n; do
      q=$(sed -n "${n}p" "$dir/job-$list.sql")
      case $q in SELECT*) ;; *) continue ;; esac
      echo "  -- ${q:0:110}..."
      client velartis_full -e "EXPLAIN ${q%;}" | awk -F'\t' '{ printf "     %-14s %-7s %-16s %8s  %s\n", $3, $4, $6, $9, $10 }'
    done
  fi
  # Interleaved, the starting item rotating, so a busy moment of the
  # shared machine falls on every item alike.
  for (( r = 0; r < runs; r++ )); do
    for (( i = 0; i < ${#items[@]}; i++ )); do
      it=${items[(i + r) % ${#items[@]}]}
      timed "$group" "$it" "${cmd[$it]}"
    done
  done
  report "$group" client-set
  unset cmd
done

if [ "$scaling" = 1 ]; then
  echo
  echo "scaling, list type 0: median wall ms over $runs runs (ms per 1000 bouquet links);"
  echo "a line a + b * links fitted through the four, and the largest distance of a median from it"
  : >"$dir/scale.txt"
  for div in 8 4 2 1; do
    name=velartis_full
    [ $div -gt 1 ] && { name=velartis_s$div; gen $name $div; }
    links=$(client "$name" -e "SELECT COUNT(*) FROM ChannelBouquet")
    capture "$cli" "$name" 0 "$dir/job-s$div.sql"
    setbased "$dir/job-s$div.sql" "$dir/set-s$div.sql"
    for (( r = 0; r < runs; r++ )); do
      timed s$div cli "$(cli_cmd "$cli" "$name" 0)"
      timed s$div cli+e2 "$(cli_cmd "$cli" "$name" 0 e2)"
      timed s$div client-set "mariadb --no-defaults --batch --skip-column-names --default-character-set=utf8mb4 -h 127.0.0.1 -P $port -u vauser -pvapass1 $name < $dir/set-s$div.sql"
    done
    echo "s$div $div $links" >>"$dir/scale.txt"
  done
  awk '
    function med(a, n,   i, j, t) {
      for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    FNR == NR { g[++ng] = $1; div[$1] = $2; links[$1] = $3; next }
    ($1 in div) { n[$1, $2]++; t[$1, $2, n[$1, $2]] = $3 / 1000 }
    END {
      split("cli cli+e2 client-set", its, " ")
      printf "  %-6s %7s", "scale", "links"
      for (i = 1; i <= 3; i++) printf " %20s", its[i]
      printf "\n"
      for (k = 1; k <= ng; k++) {
        s = g[k]; printf "  1/%-4d %7d", div[s], links[s]
        for (i = 1; i <= 3; i++) {
          c = n[s, its[i]]; for (r = 1; r <= c; r++) a[r] = t[s, its[i], r]
          m[s, i] = med(a, c); printf " %9.1f (%7.2f)", m[s, i], m[s, i] / links[s] * 1000
        }
        printf "\n"
      }
      printf "  %-14s", "fit"
      for (i = 1; i <= 3; i++) {
        sx = sy = sxx = sxy = 0
        for (k = 1; k <= ng; k++) { x = links[g[k]] / 1000; y = m[g[k], i]; sx += x; sy += y; sxx += x * x; sxy += x * y }
        b = (ng * sxy - sx * sy) / (ng * sxx - sx * sx); a0 = (sy - b * sx) / ng
        worst = 0
        for (k = 1; k <= ng; k++) { x = links[g[k]] / 1000; d = m[g[k], i] - (a0 + b * x); if (d < 0) d = -d; if (d / m[g[k], i] > worst) worst = d / m[g[k], i] }
        printf " %5.0f+%5.1f/k, %3.0f%%", a0, b, worst * 100
      }
      printf "\n"
    }' "$dir/scale.txt" "$results"
fi
echo
echo "run_e2e_bench: load $(cut -d' ' -f1-3 /proc/loadavg) at the end"
