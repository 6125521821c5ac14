#!/usr/bin/env bash
# Plants known faults into the product code one at a time, rebuilds the
# tests of the layer, runs them and says whether any of them failed
# (CAUGHT) or all passed (MISSED). Every planted file is restored with
# git checkout, also when the script is interrupted.
#
#   tools/plantFaults.sh <build dir> [fault id ...]
#
# The faults and the tests that catch them: tools/plantFaults.md.
# Not run by CI: it rebuilds the tree once per fault.
set -u
cd "$(dirname "$0")/.."

build=${1:?usage: tools/plantFaults.sh <build dir> [fault id ...]}
shift
only=" $* "
jobs=${VA_JOBS:-2}

# id | file | exact text | replacement | test executables that should catch it
faults=(
  "ndf-size|writers/ndf/ndfImage.cpp|img_.put32(4, static_cast<uint32_t>(img_.size() + 1));|img_.put32(4, static_cast<uint32_t>(img_.size() + 2));|test_ndf test_readback"
  "ecdf-section-length|writers/ecdf/ecdf.cpp|static_cast<uint32_t>(b.size() - contentStart)|static_cast<uint32_t>(b.size() - contentStart + 1)|test_ecdf test_readback"
  "jst-sid-byte-order|writers/jst/jst.cpp|img_.put16(off + 2, sid);|img_.put16(off + 2, static_cast<uint16_t>((sid << 8) + (sid >> 8)));|test_jst test_readback"
  "azbox-frequency-byte-order|writers/azbox/azboxDvbsAntenna.cpp|b.put32(p + 8, frequency(t));|b.put32(p + 8, __builtin_bswap32(frequency(t)));|test_azbox test_readback"
  "enigma-namespace-off-by-one|writers/enigma/enigmaCommon.h|(static_cast<uint32_t>(t->frequency) & 0xFFFFu)|((static_cast<uint32_t>(t->frequency) + 1) & 0xFFFFu)|test_enigma test_readback"
  "id-hex-digit|writers/common/ids.cpp|static_cast<int8_t>(c - 'a' + 10)|static_cast<int8_t>(c - 'a' + 11)|test_common test_enigma replay_ids"
  "azbox-dvbs-drops-satellite|writers/azbox/azboxDvbsAntenna.cpp|for (uint32_t s = 1; s <= pl.nSat; ++s) {|for (uint32_t s = 1; s < pl.nSat; ++s) {|test_azbox test_readback"
  "ndf-drops-channel|writers/ndf/ndfImage.cpp|for (uint32_t i = 1; i <= chs.count; ++i) {|for (uint32_t i = 1; i < chs.count; ++i) {|test_ndf test_readback"
  "cfg-lost-refusal|config/cfgFile.cpp|if (!checkCategories(sat, cat, catLen)) return false;|if (!checkCategories(sat, cat, catLen)) return true;|test_cfgfile replay_cfg"
  "copytext-off-by-one|config/textFunc.cpp|if (len >= size) len = size - 1;|if (len > size) len = size - 1;|test_textfunc test_cfgfile"
  "hexid-digit|channels/hexId.cpp|(c >= 'A' && c <= 'F')|(c >= 'A' && c <= 'E')|test_hexid replay_ids"
  "frame-no-target-success|writers/frame/writerFrame.cpp|if (p->target.empty()) return job.fail(p->lang.msgFileOpenErr);|if (p->target.empty()) return 0;|test_writer_frame test_jst"
  "launcher-warned-lost|jobs/jobLauncher.cpp|req->warned = warned;|req->warned = !warned;|test_job_launcher"
  "runner-end-lost|platform/threadRunner.cpp|if (ended) ended(code_);|(void)ended;|test_job_launcher test_console_events"
  "console-error-kind|cli/lib/consoleEvents.cpp|if (inJob_ && kind == JobStatus::kError) {|if (inJob_ && kind == JobStatus::kStep) {|test_console_events"
  "cancel-ignored|writers/frame/writerFrame.cpp|if (!ev.cancelled()) return false;|if (true) return false;|test_writer_frame"
  "window-bars-swapped|ui/widget.cpp|bar == JobBar::kDownload ? w_->hProgDown : w_->hProgGen|bar == JobBar::kDownload ? w_->hProgGen : w_->hProgDown|test_ui_jobs"
  "dropped-audio|download/downloadCommon.cpp|e->dts = r.num(4);|if ((e->dts = r.num(4)) != 0) return false;|test_db_dumps"
  "lost-statement-error|download/downloadCommon.cpp|if (!j.db.query(step.sql(dlIdList(ids), part.clauses), &b->res)) return failed();|j.db.query(step.sql(dlIdList(ids), part.clauses), &b->res);|test_db_download"
  "download-bar-swapped|download/jobSteps.cpp|ui.ev->progress(JobBar::kDownload, whole);|ui.ev->progress(JobBar::kGenerate, whole);|test_db_download"
  "pid-digit|import/importEnigma2.cpp|if (isPid && (v.size() > 6 || n > kMaxPid))|if (isPid && (v.size() > 7 || n > kMaxPid))|test_import_sources"
  "sid-written-digit|import/importDb.cpp|'%04X'\", satId[t.sat]|'%05X'\", satId[t.sat]|test_db_import"
  "sat-name-cut|import/importDb.cpp|constexpr size_t kListSatNameCut = 24;|constexpr size_t kListSatNameCut = 23;|test_db_import"
  "no-transaction|import/importDb.cpp|if (!exec(\"START TRANSACTION\")) return false;|if (!exec(\"SELECT 1\")) return false;|test_db_import"
  "cli-download-failure-exit|cli/lib/cliApp.cpp|if (ended_.code != kDownloadOk) return done(1);|if (ended_.code != kDownloadOk) return done(0);|test_db_cli velartis-cli"
)

planted=""
restore() {
  if [ -n "$planted" ]; then
    git checkout -- "$planted"
    planted=""
  fi
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

if ! git diff --quiet -- writers config channels jobs platform cli ui download import; then
  echo "the product folders have uncommitted changes; commit or stash them first" >&2
  exit 2
fi

missed=0
built=""
for f in "${faults[@]}"; do
  IFS='|' read -r id file from to tests <<<"$f"
  [ "$only" = "  " ] || [[ "$only" == *" $id "* ]] || continue
  n=$(FROM="$from" perl -0777 -ne 'print scalar(() = /\Q$ENV{FROM}\E/g)' "$file")
  if [ "$n" != 1 ]; then
    echo "$id: the text to replace occurs $n times in $file, not once" >&2
    exit 2
  fi
  planted=$file
  FROM="$from" TO="$to" perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$file"
  if git diff --quiet -- "$file"; then
    echo "$id: the substitution changed nothing" >&2
    exit 2
  fi
  # shellcheck disable=SC2086
  if ! cmake --build "$build" -j"$jobs" --target $tests >"$build/plant-$id.log" 2>&1; then
    result="CAUGHT (does not build)"
  else
    # The database tests bring their server up and down (a test fixture).
    regex="^($(echo $tests | sed 's/replay_\([a-z]*\)/fuzz_replay_\1/g; s/ /|/g'))(\.|$)"
    ctest --test-dir "$build" -j"$jobs" -R "$regex" >>"$build/plant-$id.log" 2>&1
    failed=$(sed -n '/The following tests FAILED/,$p' "$build/plant-$id.log" |
             sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\).*/\1/p' | tr '\n' ' ')
    if [ -n "$failed" ]; then result="CAUGHT by: $failed"; else result="MISSED"; fi
  fi
  built+=" $tests"
  [ "$result" = MISSED ] && missed=$((missed + 1))
  echo "$id ($file): $result"
  restore
done
# Rebuild what was built planted, so the build folder matches the sources again.
# shellcheck disable=SC2086
[ -z "$built" ] || cmake --build "$build" -j"$jobs" --target $(echo $built | tr ' ' '\n' | sort -u) >/dev/null 2>&1
exit $((missed > 0))
