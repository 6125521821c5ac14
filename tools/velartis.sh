#!/usr/bin/env bash
# Sets up, builds and runs Velartis on a Debian 12 machine.
#
#   velartis.sh run    install what is missing, build, start the bundled
#                      channel database server (loading the sample data when
#                      it is empty); then, with a display (DISPLAY or
#                      WAYLAND_DISPLAY), open the window in the working folder
#                      var/work/ (the shipped Default.cfg is copied there on
#                      the first run, VAconfig.vac when the shipped one is
#                      newer than the copy there, so saving
#                      never touches data/); without one, download and write
#                      channel lists with logs into a new folder under out/,
#                      and print that folder (with the working folder's
#                      configuration when it has one, else the shipped one;
#                      either way it says which)
#   velartis.sh import SOURCE PATH... [OPTIONS]
#                      install what is missing, build, start the bundled
#                      server (giving an empty one the schema), and import a
#                      VDR channels.conf, a dvbv5 channel file or transponder
#                      table, or an Enigma2 settings folder into it; the
#                      master list and the user configuration of var/work/
#                      (copies of the shipped ones when missing) get what it
#                      brought (velartis-cli import --help)
#   velartis.sh test   install what is missing, build and run the whole test
#                      suite, then build and run it again under
#                      AddressSanitizer and UndefinedBehaviorSanitizer, then
#                      run each fuzz target for a bounded time (tools/fuzz.sh)
#
# run and import build in build-run/, test in build/ (and build-asan/,
# build-fuzz/), so switching between them rebuilds nothing.
#
# Environment: VA_JOBS (parallel build jobs, default 2), VA_FORMATS (formats
# for run, default all), VA_DB_PORT / VA_DB_DIR (the bundled server; its port
# is 3306, or 33306 when another server already holds 3306, said on the
# terminal; tools/dbserver.sh).
set -euo pipefail

TOOLS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(dirname "$TOOLS_DIR")
JOBS=${VA_JOBS:-2}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$REPO_DIR" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

run_tests() {  # run_tests DIR
  ctest --test-dir "$1" --output-on-failure -j"$JOBS" --timeout 600 --no-tests=error
}

# The bundled server's port: dbserver.sh chooses it (3306, or 33306 when
# another server holds 3306) and says so; every command uses the same.
db_port() {
  bash "$TOOLS_DIR/dbserver.sh" port
}

# run and import build in a folder of their own, optimised and without the
# tests, and only what they start; test keeps build/. Neither rebuilds the
# other's.
build_run() {  # build_run TARGET...
  local dir="$REPO_DIR/build-run" t targets=()
  cmake -S "$REPO_DIR" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELARTIS_TESTS=OFF \
    -DVELARTIS_WERROR=OFF -DVELARTIS_SANITIZE=OFF -DVELARTIS_BENCH=OFF >/dev/null
  for t in "$@"; do
    # The window is built only where Qt is found.
    if [ "$t" = velartis ] && ! grep -q '^VELARTIS_HAVE_GUI:INTERNAL=1' "$dir/CMakeCache.txt"; then
      continue
    fi
    targets+=(--target "$t")
  done
  cmake --build "$dir" -j"$JOBS" "${targets[@]}"
}

cmd=${1:-}
case $cmd in
  run)
    bash "$TOOLS_DIR/deps.sh"
    build_run velartis-cli velartis
    export VA_DB_PORT=${VA_DB_PORT:-$(db_port)}
    bash "$TOOLS_DIR/dbserver.sh" ensure
    echo "Channel database: the bundled server on 127.0.0.1:$VA_DB_PORT"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$REPO_DIR/build-run/velartis" ]; then
      # The window works on copies: the user's file stays between runs, the
      # master list (read only) follows the repository's.
      work="$REPO_DIR/var/work"
      mkdir -p "$work"
      [ -e "$work/Default.cfg" ] || cp "$REPO_DIR/data/Default.cfg" "$work/"
      # An import adds to the working copy: a newer one is kept.
      cp -u "$REPO_DIR/data/VAconfig.vac" "$work/"
      echo "Opening the window in $work with $work/Default.cfg (channel database on 127.0.0.1:$VA_DB_PORT)"
      cd "$work"
      VELARTIS_DB_PORT=$VA_DB_PORT exec "$REPO_DIR/build-run/velartis"
    fi
    stamp=$(date +%Y%m%d-%H%M%S)
    out="$REPO_DIR/out/$stamp"
    mkdir -p "$out"
    cfg_dir="$REPO_DIR/data"
    if [ -e "$REPO_DIR/var/work/Default.cfg" ] && [ -e "$REPO_DIR/var/work/VAconfig.vac" ]; then
      cfg_dir="$REPO_DIR/var/work"
    fi
    echo "Configuration: $cfg_dir/Default.cfg (master list $cfg_dir/VAconfig.vac)"
    set +e
    "$REPO_DIR/build-run/velartis-cli" --db-port "$VA_DB_PORT" --config "$cfg_dir/Default.cfg" \
      --master "$cfg_dir/VAconfig.vac" --format "${VA_FORMATS:-all}" --log --output "$out"
    rc=$?
    set -e
    echo
    echo "Lists written into: $out"
    ls "$out"
    exit $rc
    ;;
  import)
    shift
    bash "$TOOLS_DIR/deps.sh"
    build_run velartis-cli
    export VA_DB_PORT=${VA_DB_PORT:-$(db_port)}
    bash "$TOOLS_DIR/dbserver.sh" start
    # A new server has an empty database: the import fills it, the sample
    # data would only be replaced in part.
    if ! bash "$TOOLS_DIR/dbserver.sh" sql -N -B -e 'SELECT 1 FROM Sats LIMIT 1' >/dev/null 2>&1; then
      bash "$TOOLS_DIR/dbserver.sh" sql <"$TOOLS_DIR/schema.sql"
    fi
    # The working folder's files, as the window and run use them. Both start
    # from the shipped ones, so that the import adds its satellites to the
    # configuration run used so far (its dish, its satellites) instead of
    # making one that holds the imported satellites alone.
    work="$REPO_DIR/var/work"
    mkdir -p "$work"
    [ -e "$work/VAconfig.vac" ] || cp "$REPO_DIR/data/VAconfig.vac" "$work/"
    [ -e "$work/Default.cfg" ] || cp "$REPO_DIR/data/Default.cfg" "$work/"
    exec "$REPO_DIR/build-run/velartis-cli" import "$@" --db-port "$VA_DB_PORT" \
      --master "$work/VAconfig.vac" --config "$work/Default.cfg"
    ;;
  test)
    bash "$TOOLS_DIR/deps.sh"
    build "$REPO_DIR/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELARTIS_TESTS=ON \
      -DVELARTIS_WERROR=ON -DVELARTIS_SANITIZE=OFF -DVA_TEST_DB_PORT=23071
    run_tests "$REPO_DIR/build"
    # The same suite once more with the sanitizers; any finding fails it.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    build "$REPO_DIR/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELARTIS_SANITIZE=ON \
      -DVELARTIS_TESTS=ON -DVELARTIS_BENCH=OFF -DVA_TEST_DB_PORT=23072
    run_tests "$REPO_DIR/build-asan"
    # The fuzz targets, about 20 s each; any finding fails.
    bash "$TOOLS_DIR/fuzz.sh"
    ;;
  *)
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}" >&2
    exit 64
    ;;
esac
