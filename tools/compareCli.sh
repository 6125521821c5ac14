#!/usr/bin/env bash
# Runs two builds of velartis-cli on the same configurations (every list
# type, with and without marker channels, both Enigma text modes) against
# the same databases at the same fixed clock, and compares every list, log,
# JSON report, printed line and exit code. For changes that must not change
# any output. Needs faketime (Debian: faketime) and a channel database
# server with the test databases (tests/data/db/load_fixture.sh).
#
#   tools/compareCli.sh OLD-CLI NEW-CLI PORT [DATABASE ...]
set -u
old=${1:?usage: tools/compareCli.sh OLD-CLI NEW-CLI PORT [DATABASE ...]} new=${2:?} port=${3:?}
shift 3
dbs=("$@")
[ ${#dbs[@]} -gt 0 ] || dbs=(velartis_sample velartis_big velartis)
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cfgs=()
for list in 0 1 2; do
  for fake in 0 1; do
    c=$out/cfg-$list-$fake.cfg
    sed -e "s/^LIST=.*/LIST=$list/" -e "s/^CHFAKE=.*/CHFAKE=$fake/" "$repo/data/Default.cfg" >"$c"
    cfgs+=("$c")
  done
done
runs=0 differ=0
for db in "${dbs[@]}"; do
  for c in "${cfgs[@]}"; do
    for text in utf8 cp1252; do
      name=$db-$(basename "$c" .cfg)-$text
      for side in old new; do
        bin=$old
        [ $side = new ] && bin=$new
        d=$out/$side/$name
        mkdir -p "$d"
        faketime -f '2026-12-07 10:11:12' "$bin" --db-host 127.0.0.1 --db-port "$port" \
          --db-name "$db" --config "$c" --master "$repo/data/VAconfig.vac" --format all --log \
          --enigma-text $text --output "$d" --report-json "$d.json" >"$d.stdout" 2>"$d.stderr"
        echo $? >"$d.rc"
        # The time a job took is the one thing the fixed clock cannot fix;
        # the two output folders differ by their names only.
        sed -i -E 's/"seconds": ?[0-9.e+-]+/"seconds":0/g' "$d.json"
        sed -i "s#/$side/#/X/#g" "$d.json" "$d.stdout" "$d.stderr"
      done
      runs=$((runs + 1))
      if ! diff -r "$out/old/$name" "$out/new/$name" >/dev/null; then
        echo "lists differ: $name"
        differ=$((differ + 1))
        continue
      fi
      for f in json stdout stderr rc; do
        if ! cmp -s "$out/old/$name.$f" "$out/new/$name.$f"; then
          echo "$f differs: $name"
          differ=$((differ + 1))
        fi
      done
    done
  done
done
echo "$runs runs, $(find "$out/new" -type f | wc -l) files on the new side, $differ differences"
[ $differ -eq 0 ]
