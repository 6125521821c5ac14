#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for a bounded time
# on a copy of its seed corpus and its regression inputs. Any finding fails
# the run; the input that caused it is kept under build-fuzz/findings/<run>/.
#
#   fuzz.sh [TARGET...]   targets: cfg writers ids (default: all three)
#
# Environment: VA_FUZZ_SECONDS (per target, default 20), VA_JOBS (parallel
# build jobs, default 2), VA_FUZZ_BUILD (build folder, default build-fuzz).
set -euo pipefail

TOOLS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(dirname "$TOOLS_DIR")
FUZZ_SRC=$REPO_DIR/tests/fuzz
JOBS=${VA_JOBS:-2}
SECONDS_EACH=${VA_FUZZ_SECONDS:-20}
BUILD=${VA_FUZZ_BUILD:-$REPO_DIR/build-fuzz}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(cfg writers ids)
declare -A max_len=([cfg]=8192 [writers]=16384 [ids]=512)
for t in "${targets[@]}"; do
  [ -n "${max_len[$t]:-}" ] || { echo "fuzz.sh: unknown target '$t'" >&2; exit 64; }
done

# Only the libraries and the fuzz targets: no tests, no benchmarks, no
# window. Clang's warnings are not errors here; the g++ suites hold the
# warning line.
cmake -S "$REPO_DIR" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELARTIS_FUZZ=ON -DVELARTIS_TESTS=OFF \
  -DVELARTIS_BENCH=OFF -DVELARTIS_SANITIZE=OFF -DVELARTIS_WERROR=OFF \
  -DVELARTIS_GUI=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target "${targets[@]/#/fuzz_}"

# The corpus copies and the targets' own temporary files live in memory
# where the system has it, and go at the end.
base=$BUILD
[ -w /dev/shm ] && base=/dev/shm
scratch=$(mktemp -d "$base/va-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
run=$BUILD/findings/$(date +%Y%m%d-%H%M%S)-$$
for t in "${targets[@]}"; do
  corpus=$scratch/corpus/$t
  findings=$run/$t
  log=$BUILD/fuzz-$t.log
  mkdir -p "$corpus" "$findings"
  cp "$FUZZ_SRC/corpus/$t/"* "$corpus/"
  dirs=("$corpus")
  # The regression inputs run at the start; libFuzzer writes new inputs into
  # the first folder only, the copy.
  if compgen -G "$FUZZ_SRC/regress/$t/*" >/dev/null; then dirs+=("$FUZZ_SRC/regress/$t"); fi
  echo "fuzz_$t: ${SECONDS_EACH}s"
  set +e
  TMPDIR=$scratch timeout $((SECONDS_EACH + 120)) "$BUILD/tests/fuzz/fuzz_$t" \
    -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -max_len="${max_len[$t]}" \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | sed 's/^/  /' || true
  else
    failed+=("$t")
    echo "fuzz_$t FAILED (exit $rc); the log is $log:" >&2
    grep -E -A25 'ERROR: |runtime error|^fuzz_[a-z]+: |deadly signal|out-of-memory|timeout' "$log" \
      | head -60 >&2 || tail -40 "$log" >&2
    for f in "$findings"/*; do
      [ -e "$f" ] || continue
      echo "  input: $f (keep it as a test: cp it to tests/fuzz/regress/$t/)" >&2
    done
  fi
done

rmdir "$run"/* "$run" 2>/dev/null || true
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing found nothing"
