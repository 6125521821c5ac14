#!/usr/bin/env bash
# Many downloads at once against one server, with an import committing in
# the middle, and whether every list written is one the database held.
#
#   bench/run_load_bench.sh [--build DIR] [--sizes "1 8 32 128"] [--rounds R]
#                           [--db full|sample]
#
# Starts a private server (port VA_BENCH_DB_PORT, default 33451, in a new
# folder under /tmp, stopped at the end) holding the generated database
# filled to the channel tables' capacities, as run_e2e_bench.sh loads it
# (--db full, the default), or the bundled sample data (--db sample). For
# each N of --sizes, R rounds (default 1 with the full database, 3 with the
# sample) start N velartis-cli at once, each downloading every selected
# satellite and writing the Enigma2 list into a folder of its own (in
# /dev/shm when it can), while velartis-cli import --merge of a VDR file
# (new channels on a new transponder and renamed channels, all on one
# satellite) starts once the first downloads are reading the channels, so
# that it commits while they read.
# Per N it prints a markdown row:
#
#   downloads/s        successful downloads of all rounds over their wall time
#   median s, p95 s    wall time of one download (successful ones)
#   server CPU s/dl    the server's utime+stime over the rounds per download
#                      (the import's share included)
#   failures           runs that exited non-zero, or exited 0 without a list;
#                      each reason (exit code and error line) is listed below
#   before/after/mixed each list against the list of a lone download before
#                      the round and after it (the production stamp of lamedb
#                      left out); a mixed list holds rows of both states
#
# Two more passes run when the tools have what they need:
#   --if-changed   each download's folder first gets a list, then N runs with
#                  --if-changed and no import; the last column counts
#                  unchanged/written/mixed (a written list must equal the
#                  database's)
#   replica        tools/dbserver.sh replica-of: the downloads ask a replica
#                  (port VA_BENCH_REPLICA_PORT, default the primary's + 1),
#                  the import goes to the primary
#
# Exits 1 when any list was mixed or any run failed without saying so (exit
# 0 and no list); failures that say why are figures, not faults of the
# benchmark. BUILD (default <repo>/build) must hold velartis-cli and
# tools/velartis-gendb; an optimised build gives the meaningful figures.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$repo/build
sizes="1 8 32 128"
rounds=
dbkind=full
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --db) dbkind=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    *) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2; exit 64 ;;
  esac
done
# The default keeps the whole run within about ten minutes on two cores.
if [ -z "$rounds" ]; then rounds=1; [ "$dbkind" = full ] || rounds=3; fi
[[ $rounds =~ ^[0-9]+$ ]] && [ "$rounds" -ge 1 ] || { echo "--rounds needs a number" >&2; exit 64; }
for n in $sizes; do
  [[ $n =~ ^[0-9]+$ ]] && [ "$n" -ge 1 ] || { echo "--sizes needs numbers, not '$n'" >&2; exit 64; }
done
case $dbkind in full|sample) ;; *) echo "--db is full or sample" >&2; exit 64 ;; esac

cli=$build/velartis-cli
gendb=$build/tools/velartis-gendb
for f in "$cli" "$gendb"; do
  [ -x "$f" ] || { echo "run_load_bench: $f is missing" >&2; exit 1; }
done
command -v mariadb >/dev/null || { echo "run_load_bench: no mariadb client" >&2; exit 1; }

port=${VA_BENCH_DB_PORT:-33451}
rport=${VA_BENCH_REPLICA_PORT:-$((port + 1))}
dir=$(mktemp -d /tmp/velartis-load.XXXXXX)
# Thousands of list files per download: memory spares the disk's charge.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d /dev/shm/velartis-load.XXXXXX); else work=$dir/work; fi
db=$repo/tools/dbserver.sh
pdir=$dir/primary rdir=$dir/replica
replica_up=0
stop() {
  if [ "$replica_up" = 1 ]; then bash "$db" --dir "$rdir" stop >/dev/null 2>&1 || true; fi
  bash "$db" --dir "$pdir" stop >/dev/null 2>&1 || true
  rm -rf -- "$dir" "$work"
}
trap stop EXIT
export VELARTIS_DB_PASSWORD=vapass1
name=velartis
cores=$(nproc)

sql() {  # sql DATA-FOLDER [client options...]: as the administrator, rows tab-separated
  local d=$1
  shift
  bash "$db" --dir "$d" sql --database="$name" -N -B "$@"
}

server_pid() { tr -dc '0-9' <"$1/mariadbd.pid"; }

# The server's CPU time in seconds: utime and stime of /proc/PID/stat.
server_cpu() {
  local ticks
  ticks=$(getconf CLK_TCK)
  sed 's/^.*) //' "/proc/$1/stat" | awk -v hz="$ticks" '{ printf "%.2f\n", ($12 + $13) / hz }'
}

echo "run_load_bench: $cores cores, load $(cut -d' ' -f1-3 /proc/loadavg) at start;" \
  "database $dbkind, sizes $sizes, $rounds round(s) each"
VA_DB_PORT=$port bash "$db" --dir "$pdir" start >/dev/null
mkdir -p "$dir/cfg"
if [ "$dbkind" = sample ]; then
  sql "$pdir" <"$repo/tools/schema.sql"
  sql "$pdir" <"$repo/tools/sample_data.sql"
  cp "$repo/data/Default.cfg" "$repo/data/VAconfig.vac" "$dir/cfg/"
else
  sql "$pdir" <"$repo/tools/schema.sql"
  # As run_e2e_bench.sh: 18187 channels with seed 8 give 19999 bouquet links.
  "$gendb" --seed 8 --sats 253 --tps 4999 --channels 18187 --audio 50000 --cas 30000 \
    --favs 49 --favlinks 19999 --bouquets 300 --cfg-out "$dir/cfg" --out - 2>"$dir/gen.txt" |
    sql "$pdir"
  sed -i -e 's/^GTP=0/GTP=1/' -e 's/#0#111#11111#/#1#111#11111#/' "$dir/cfg/Default.cfg"
  sql "$pdir" -e "ANALYZE TABLE Sats, Transponders, Channels, Bouquets, ChannelBouquet, \
    ChannelAudio, ChannelCas, Favorites, ChannelFavorite, Languages" >/dev/null
fi
echo "database: $(sql "$pdir" -e "SELECT CONCAT((SELECT COUNT(*) FROM Sats), ' satellites, ',
  (SELECT COUNT(*) FROM Transponders), ' transponders, ', (SELECT COUNT(*) FROM Channels), ' channels, ',
  (SELECT COUNT(*) FROM ChannelBouquet), ' bouquet links')"); server max_connections" \
  "$(sql "$pdir" -e 'SELECT @@max_connections')"

# The tool's command line against a server, without the output.
cli_args() {  # cli_args PORT
  printf '%s\n' --config "$dir/cfg/Default.cfg" --master "$dir/cfg/VAconfig.vac" \
    --db-host 127.0.0.1 --db-port "$1" --db-user vauser --db-name "$name" \
    --format e2 --no-log --progress
}

# The list a download wrote, as one hash: every file's content, the line
# of lamedb that holds the production time left out (it is all that differs
# between two lists of an unchanged database, besides the folder's
# minute-stamped name, which is not hashed either).
listing() {  # listing LIST-FOLDER: a hash and a name a file
  (
    cd "$1"
    find . -type f ! -name lamedb -print0 | sort -z | xargs -0 -r md5sum
    if [ -f lamedb ]; then echo "$(grep -v '^Produced with ' lamedb | md5sum | cut -c1-32)  ./lamedb"; fi
  )
}
# The hash of a list; its listing is kept in $dir/lists, to name the files
# of a mixed list that differ.
fingerprint() {  # fingerprint LIST-FOLDER
  local l fp
  l=$(listing "$1")
  fp=$(md5sum <<<"$l" | cut -c1-32)
  mkdir -p "$dir/lists"
  [ -f "$dir/lists/$fp" ] || echo "$l" >"$dir/lists/$fp"
  echo "$fp"
}
# The files in which two listings differ: how many, and the first few.
differing() {  # differing FP FP
  diff <(cat "$dir/lists/$1") <(cat "$dir/lists/$2") | sed -n 's/^[<>] [0-9a-f]*  \.\///p' | sort -u |
    awk '{ n++; if (n <= 3) s = s (n > 1 ? " " : "") $0 } END { printf "%d file(s) (%s%s)", n, s, (n > 3 ? " ..." : "") }'
}

# The folder of the list a run wrote, from its report; empty when none.
written() {  # written REPORT
  [ -f "$1" ] || return 0
  sed -n 's/.*"path": "\(.*\)\/lamedb".*/\1/p' "$1" | head -n 1
}

# A lone download: its list's hash, and its wall time into $dir/ref.time.
reference() {  # reference PORT
  local o=$work/ref t0 t1 rc=0 l
  rm -rf "$o" && mkdir -p "$o"
  t0=$EPOCHREALTIME
  mapfile -t args < <(cli_args "$1")
  "$cli" "${args[@]}" --output "$o/list" --report-json "$o/report.json" >"$o/out" 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  l=$(written "$o/report.json")
  if [ $rc -ne 0 ] || [ -z "$l" ]; then
    echo "run_load_bench: the reference download failed (exit $rc):" >&2
    tail -n 5 "$o/out" >&2
    exit 1
  fi
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >"$dir/ref.time"
  fingerprint "$l"
  rm -rf "$o"
}

# --- The import: one satellite, new channels on a new transponder and
# renamed ones, into the bouquet that has most of its channels. A renamed
# channel's first audio PID moves by one and its transponder takes the
# file's parameters (DVB-S, FEC auto), so the import shows in the rows of
# each table the download reads at its own moment.
target=$(sql "$pdir" -e "SELECT c.sat_id, s.position FROM Channels c JOIN Sats s USING (sat_id)
  JOIN Transponders t USING (sat_id, stp_id) WHERE t.flag_feed = 0
  GROUP BY c.sat_id, s.position ORDER BY COUNT(*) DESC, c.sat_id LIMIT 1")
read -r tsat tpos <<<"$target"
# Bouquets the configuration hides are no use: the renames would not show.
hidden=$(sed -n '/^\[BOUI\]/,/^\[\/BOUI\]/{s/^\([0-9][0-9]*\)#.*/\1/p}' "$dir/cfg/Default.cfg" | paste -sd, -)
bouquet=$(sql "$pdir" -e "SELECT cb.bou_id, b.bou_name FROM ChannelBouquet cb JOIN Bouquets b USING (bou_id)
  JOIN Transponders t USING (sat_id, stp_id) WHERE cb.sat_id = $tsat AND t.flag_feed = 0
  ${hidden:+AND cb.bou_id NOT IN ($hidden)}
  GROUP BY cb.bou_id, b.bou_name ORDER BY COUNT(*) DESC, cb.bou_id LIMIT 1")
tbou=${bouquet%%$'\t'*} tbouname=${bouquet#*$'\t'}
if [ "$tpos" -le 1800 ]; then src=$(printf 'S%d.%dE' $((tpos / 10)) $((tpos % 10)))
else src=$(printf 'S%d.%dW' $(((3600 - tpos) / 10)) $(((3600 - tpos) % 10))); fi
echo "import: velartis-cli import vdr --merge, satellite $src (sat_id $tsat), bouquet '$tbouname':" \
  "10 new channels on a new transponder and 10 renamed, each round"

source_file() {  # source_file DATA-FOLDER ROUND FILE
  local d=$1 r=$2 f=$3 freq=11001 i
  local used
  used=" $(sql "$d" -e "SELECT frequency FROM Transponders WHERE sat_id = $tsat" | paste -sd' ' -) "
  while [[ $used == *" $freq "* ]]; do freq=$((freq + 3)); done
  {
    echo ":$tbouname"
    sql "$d" -e "SELECT CONCAT(
        REPLACE(REPLACE(REPLACE(REGEXP_REPLACE(c.ch_name, ' r[0-9]+\$', ''), ':', ' '), ';', ' '), ',', ' '),
        ' r$r;Load:', t.frequency, ':', ELT(t.polarity + 1, 'V', 'H', 'R', 'L'), 'S0:$src:', t.sr, ':',
        CONV(c.vpid, 16, 10), ':',
        IFNULL((SELECT IF(CONV(a.apid, 16, 10) >= 8191, 8190, CONV(a.apid, 16, 10) + 1)
                FROM ChannelAudio a WHERE a.sat_id = c.sat_id AND a.stp_id = c.stp_id AND a.sid = c.sid
                ORDER BY a.sort_id LIMIT 1), '0'),
        ':0:0:', CONV(c.sid, 16, 10), ':', CONV(t.nid, 16, 10), ':', CONV(t.tid, 16, 10), ':0')
      FROM ChannelBouquet cb JOIN Channels c USING (sat_id, stp_id, sid) JOIN Transponders t USING (sat_id, stp_id)
      WHERE cb.sat_id = $tsat AND cb.bou_id = $tbou AND t.flag_feed = 0 AND c.vpid <> '0000'
      ORDER BY cb.sort_id, c.stp_id, c.sid LIMIT 10"
    for (( i = 1; i <= 10; i++ )); do
      echo "Load $r-$i;Load:$freq:HC34M2S0:$src:27500:$((1000 + 4 * i))=2:$((1001 + 4 * i))=eng:0:0:$((30000 + i)):1:$((50000 + r)):0"
    done
  } >"$f"
}

import_args() {  # import_args PORT FILE
  printf '%s\n' import vdr "$2" --merge --no-config --master "$dir/cfg/VAconfig.vac" -q \
    --db-host 127.0.0.1 --db-port "$1" --db-user vauser --db-name "$name"
}

# One run of the tool into its own folder; its exit code and times into
# FOLDER/time.
one() {  # one FOLDER PORT [options...]
  local o=$1 p=$2 t0 rc=0
  shift 2
  mapfile -t args < <(cli_args "$p")
  t0=$EPOCHREALTIME
  "$cli" "${args[@]}" --output "$o/list" --report-json "$o/report.json" "$@" >"$o/out" 2>&1 || rc=$?
  echo "$rc $t0 $EPOCHREALTIME" >"$o/time"
}

results=$dir/results.txt
rows=$dir/rows.txt
: >"$results"

# A round: N downloads at once, maybe with the import. Each download's
# line in $results: PASS N ROUND SECONDS CLASS REASON.
#   MODE import     classes before/after/mixed against lone downloads
#                   before and after the round
#   MODE ifchanged  classes unchanged/written/mixed against the database's list
round() {  # round PASS MODE N R DOWNLOAD-PORT IMPORT-FOLDER IMPORT-PORT SERVER-PID
  local pass=$1 mode=$2 n=$3 r=$4 dport=$5 idir=$6 iport=$7 spid=$8
  local rdir_=$work/$pass-$n-$r i pids=() before after cpu0 cpu1 t0 t1 ipid='' extra=()
  rm -rf "$rdir_" && mkdir -p "$rdir_"
  for (( i = 1; i <= n; i++ )); do mkdir -p "$rdir_/$i"; done
  before=$(reference "$dport")
  if [ "$mode" = ifchanged ]; then
    extra=(--if-changed)
    # Each folder first holds the list of this configuration.
    for (( i = 1; i <= n; i++ )); do echo "$rdir_/$i"; done |
      xargs -P "$cores" -I{} bash -c 'one "$1" "$2" --if-changed' _ {} "$dport"
    for (( i = 1; i <= n; i++ )); do
      read -r rc _ <"$rdir_/$i/time"
      [ "$rc" = 0 ] && [ -n "$(written "$rdir_/$i/report.json")" ] || {
        echo "run_load_bench: the first list of download $i failed (exit $rc): $(tail -n 1 "$rdir_/$i/out")" >&2; exit 1; }
      mv "$rdir_/$i/report.json" "$rdir_/$i/first.json"
    done
  else
    imports=$((imports + 1))
    source_file "$idir" "$imports" "$dir/import-$r.conf"
  fi
  cpu0=$(server_cpu "$spid")
  t0=$EPOCHREALTIME
  for (( i = 1; i <= n; i++ )); do
    one "$rdir_/$i" "$dport" "${extra[@]}" &
    pids+=($!)
  done
  if [ "$mode" = import ]; then
    # The import goes in once the first downloads have read the transponders
    # and are reading the channels (10% of the download): what it changes is
    # then read by some statements before its commit and by others after,
    # and the other downloads, sharing the cores, are no further. A delay
    # guessed from earlier rounds misses: failing connections and the
    # machine's other load change a round's length. Four downloads' progress
    # lines are watched, which costs next to nothing.
    local watch=() p alive
    for (( i = 1; i <= n && i <= 4; i++ )); do watch+=("$rdir_/$i/out"); done
    while ! grep -qs 'progress download: [1-9]0%' "${watch[@]}"; do
      alive=0
      for p in "${pids[@]}"; do if kill -0 "$p" 2>/dev/null; then alive=1; break; fi; done
      [ "$alive" = 1 ] || break
      sleep 0.01
    done
    (
      mapfile -t a < <(import_args "$iport" "$dir/import-$r.conf")
      s=$EPOCHREALTIME rc=0
      "$cli" "${a[@]}" >"$rdir_/import.out" 2>&1 || rc=$?
      echo "$rc $s $EPOCHREALTIME" >"$rdir_/import.time"
    ) &
    ipid=$!
  fi
  wait "${pids[@]}" || true
  t1=$EPOCHREALTIME
  cpu1=$(server_cpu "$spid")
  if [ -n "$ipid" ]; then wait "$ipid" || true; fi
  local note=
  if [ "$mode" = import ]; then
    read -r irc is ie <"$rdir_/import.time"
    if [ "$irc" != 0 ]; then
      note="import failed (exit $irc): $(grep -v '^$' "$rdir_/import.out" | tail -n 1)"
    else
      note=$(awk -v s="$t0" -v a="$is" -v b="$ie" -v e="$t1" 'BEGIN {
        printf "import started at %.2f s, committed by %.2f s of a %.2f s round", a - s, b - s, e - s }')
    fi
    # Replicas apply the import a moment later.
    [ "$pass" != replica ] || wait_replica
    after=$(reference "$dport")
    [ "$after" != "$before" ] || note="$note; the import changed no list"
  else
    after=$before
  fi
  echo "$pass $n $r $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }') $cpu0 $cpu1" >>"$rows"
  echo "  N=$n round $r: $note" >>"$dir/notes-$pass"
  for (( i = 1; i <= n; i++ )); do
    local o=$rdir_/$i rc s e l class reason=
    read -r rc s e <"$o/time"
    l=$(written "$o/report.json")
    if [ "$rc" != 0 ]; then
      class=failed
      if [ "$rc" -gt 128 ]; then reason="exit $rc (signal $((rc - 128)))"; else reason="exit $rc"; fi
      # The tool's failure line, with the server's reason when it gave one.
      local line why
      line=$(sed -n 's/.*FAILED: //p' "$o/out" | head -n 1)
      why=$(sed -n 's/^Reason: //p' "$o/out" | head -n 1)
      [ -n "$line" ] || line=$(sed -n 's/^  "error": "\(.*\)",$/\1/p' "$o/report.json" 2>/dev/null | head -n 1)
      [ -n "$line" ] || line=$(grep -v '^$' "$o/out" | tail -n 1)
      reason="$reason: ${line:-no error line}${why:+ / $why}"
    elif [ -n "$l" ]; then
      local fp
      fp=$(fingerprint "$l")
      if [ "$fp" = "$before" ]; then class=$([ "$mode" = import ] && echo before || echo written)
      elif [ "$fp" = "$after" ]; then class=after
      else
        class=mixed
        if [ "$mode" = import ]; then
          echo "  N=$n round $r: list $i mixed: differs from the list before in $(differing "$before" "$fp")," \
            "from the list after in $(differing "$after" "$fp")" >>"$dir/mixed-$pass"
        else
          echo "  N=$n round $r: list $i differs from the database's in $(differing "$before" "$fp")" >>"$dir/mixed-$pass"
        fi
      fi
    elif [ "$mode" = ifchanged ] && grep -q '"unchanged": *true' "$o/report.json" 2>/dev/null; then
      class=unchanged
    else
      class=silent
      reason="exit 0 but no list written: $(grep -v '^$' "$o/out" | tail -n 1)"
    fi
    echo "$pass $n $r $(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.3f", b - a }') $class $reason" >>"$results"
  done
  rm -rf "$rdir_"
}

# table PASS HEADING COLUMN: the markdown table of a pass, then the reasons
# of the failures and the notes of the rounds.
table() {
  local pass=$1 heading=$2 col=$3
  echo
  echo "$heading"
  echo
  awk -v p="$pass" -v col="$col" '
    function sort(a, n,   i, j, t) { for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t } }
    FILENAME ~ /rows/ { if ($1 == p) { if (!($2 in wall)) order[++k] = $2; wall[$2] += $4; cpu[$2] += $6 - $5 } ; next }
    $1 == p {
      n = $2; cnt[n]++
      if ($5 == "failed" || $5 == "silent") fail[n]++
      else { ok[n]++; t[n, ok[n]] = $4 }
      cls[n, $5]++
    }
    END {
      printf "| N | downloads/s | median s | p95 s | server CPU s/download | failures | %s |\n", col
      printf "|---:|---:|---:|---:|---:|---:|---|\n"
      split(col, names, "/")
      for (i = 1; i <= k; i++) {
        n = order[i]; c = ok[n]
        for (j = 1; j <= c; j++) a[j] = t[n, j]
        sort(a, c)
        med = c ? (c % 2 ? a[(c + 1) / 2] : (a[c / 2] + a[c / 2 + 1]) / 2) : 0
        p95 = c ? a[int(0.95 * c + 0.999999) < 1 ? 1 : int(0.95 * c + 0.999999)] : 0
        printf "| %d | %.1f | %.3f | %.3f | %.4f | %d | %d/%d/%d |\n", n, ok[n] / wall[n], med, p95,
          cpu[n] / cnt[n], fail[n], cls[n, names[1]], cls[n, names[2]], cls[n, names[3]]
      }
    }' "$rows" "$results"
  local reasons
  reasons=$(awk -v p="$pass" '$1 == p && ($5 == "failed" || $5 == "silent") {
      r = ""; for (i = 6; i <= NF; i++) r = r (i > 6 ? " " : "") $i; c["N=" $2 ": " r]++ }
    END { for (x in c) printf "  %d x %s\n", c[x], x }' "$results" | sort -t= -k2 -n)
  if [ -n "$reasons" ]; then echo; echo "failures:"; echo "$reasons"; fi
  if [ -s "$dir/mixed-$pass" ]; then
    echo; echo "mixed lists (first 10; the files in which each differs):"; head -n 10 "$dir/mixed-$pass"
  fi
  if [ -s "$dir/notes-$pass" ] && grep -q ': .' "$dir/notes-$pass"; then echo; grep ': .' "$dir/notes-$pass"; fi
}

# How long the import takes alone: rolled back, the same work.
import_time() {  # import_time PORT
  local t0 t1
  source_file "$pdir" 0 "$dir/import-0.conf"
  mapfile -t a < <(import_args "$1" "$dir/import-0.conf")
  t0=$EPOCHREALTIME
  if ! "$cli" "${a[@]}" --dry-run >"$dir/import-0.out" 2>&1; then
    echo "run_load_bench: the import is refused:" >&2
    tail -n 5 "$dir/import-0.out" >&2
    exit 1
  fi
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >"$dir/import.time"
}

ppid_=$(server_pid "$pdir")
# Every round's import is a new one: its renames and its transponder differ.
imports=0
export -f one cli_args
export cli dir name
import_time "$port"
reference "$port" >/dev/null
echo "lone download $(cat "$dir/ref.time") s, import alone (dry run) $(cat "$dir/import.time") s"

# --- Pass 1: downloads with an import committing among them.
for n in $sizes; do
  for (( r = 1; r <= rounds; r++ )); do round load import "$n" "$r" "$port" "$pdir" "$port" "$ppid_"; done
done
table load "### N downloads at once, an import committing among them ($dbkind database)" before/after/mixed

# --- Pass 2: --if-changed, nothing changing.
echo
if "$cli" --help | grep -q -- --if-changed; then
    for n in $sizes; do
    for (( r = 1; r <= rounds; r++ )); do round ifchanged ifchanged "$n" "$r" "$port" "" "" "$ppid_"; done
  done
  table ifchanged "### --if-changed, each folder holding its list, no import ($dbkind database)" unchanged/written/mixed
else
  echo "--if-changed: skipped: --if-changed not available"
fi

# --- Pass 3: downloads from a replica, the import into the primary.
# wait_replica: until the replica holds what the primary holds.
wait_replica() {
  local q="CHECKSUM TABLE Transponders, Channels, ChannelBouquet, ChannelAudio, ChannelCas" deadline=$((SECONDS + 120))
  until [ "$(sql "$rdir" -e "$q" 2>/dev/null)" = "$(sql "$pdir" -e "$q")" ]; do
    [ $SECONDS -lt $deadline ] || { echo "run_load_bench: the replica did not catch up within 120 s" >&2; exit 1; }
    sleep 0.2
  done
}
echo
if bash "$db" --help | grep -q replica-of; then
  if VA_DB_PORT=$rport bash "$db" --dir "$rdir" replica-of "127.0.0.1:$port" >"$dir/replica.out" 2>&1; then
    replica_up=1
    wait_replica
    rpid=$(server_pid "$rdir")
        for n in $sizes; do
      for (( r = 1; r <= rounds; r++ )); do
        round replica import "$n" "$r" "$rport" "$pdir" "$port" "$rpid"
      done
    done
    table replica "### Downloads from a replica, the import into the primary ($dbkind database; server CPU: the replica's)" before/after/mixed
  else
    replica_up=1  # a half-started replica is stopped all the same
    echo "replica: skipped: dbserver.sh replica-of failed: $(grep -v '^$' "$dir/replica.out" | tail -n 1)"
  fi
else
  echo "replica: skipped: tools/dbserver.sh has no replica-of"
fi

echo
echo "run_load_bench: load $(cut -d' ' -f1-3 /proc/loadavg) at the end"
bad=$(awk '$5 == "mixed" || $5 == "silent"' "$results" | wc -l)
if [ "$bad" -gt 0 ]; then
  echo "run_load_bench: $bad list(s) mixed or missing without a failure" >&2
  exit 1
fi
