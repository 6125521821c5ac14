#!/usr/bin/env bash
# Plants one fault at a time in the download and import code, rebuilds,
# runs the tests named for it and reports whether they catch it. The file
# is restored after each fault, and on any exit.
#
#   tools/plantFaultsDb.sh <build dir> [fault id...]
#
# VA_FAULT_ALL_TESTS=1 runs every test of tests/download and tests/import
# instead of the named ones and lists those that fail.
set -u
build=${1:?usage: $0 <build dir> [fault id...]}
shift
build=$(cd "$build" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
cd "$src"

planted=""
restore() {
    if [ -n "$planted" ]; then
        git checkout -- "$planted"
        planted=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

ids=() files=() froms=() tos=() testsOf=() whats=()
# fault <id> <file> <exact text, once in the file> <faulty text> <tests (ctest regex)> <what it breaks>
fault() {
    ids+=("$1") files+=("$2") froms+=("$3") tos+=("$4") testsOf+=("$5") whats+=("$6")
}
fault dropped-audio download/downloadCommon.cpp \
    'e->dts = r.num(4);' \
    'if ((e->dts = r.num(4)) != 0) return false;' \
    '^test_db_dumps\.DownloadDumps\.Fixture$' \
    'an audio row with DTS is not kept, and not counted'
fault lost-statement-error download/downloadCommon.cpp \
    'if (!j.db.query(step.sql(dlIdList(ids), part.clauses), &b->res)) return failed();' \
    'j.db.query(step.sql(dlIdList(ids), part.clauses), &b->res);' \
    '^test_db_download\.Download\.(FailingQueries|ConnectionLost)' \
    'a statement the server refused, or whose rows were lost, reads as no rows'
fault pid-digit import/importEnigma2.cpp \
    'if (isPid && (v.size() > 6 || n > kMaxPid))' \
    'if (isPid && (v.size() > 7 || n > kMaxPid))' \
    '^test_import_sources\.ImportEnigma2\.RefusesMalformed' \
    'a lamedb PID of five hex digits is taken'
fault sid-written-digit import/importDb.cpp \
    "return strFormat(\"%d, %d, '%04X'\", satId[t.sat], stpId[c.tp], c.sid & 0xFFFF);" \
    "return strFormat(\"%d, %d, '%05X'\", satId[t.sat], stpId[c.tp], c.sid & 0xFFFF);" \
    '^test_db_import\.DbImport\.(Reimport|EnigmaListRoundTrip)' \
    'service ids are written with five digits'
fault sat-name-cut import/importDb.cpp \
    'constexpr size_t kListSatNameCut = 24;' \
    'constexpr size_t kListSatNameCut = 23;' \
    '^test_db_import\.DbImport\.EnigmaListKeeps' \
    'a satellite name the lists cut is taken for a new name'
fault no-transaction import/importDb.cpp \
    'if (!exec("START TRANSACTION")) return false;' \
    'if (!exec("SELECT 1")) return false;' \
    '^test_db_import\.DbImport\.(Reimport|FailingImport)' \
    'an import that breaks off keeps the rows it changed'
fault download-bar-swapped download/jobSteps.cpp \
    'ui.ev->progress(JobBar::kDownload, whole);' \
    'ui.ev->progress(JobBar::kGenerate, whole);' \
    '^test_db_download\.Download\.' \
    'the download moves the generate bar (an event sent to the wrong place)'
fault cli-download-failure-exit cli/lib/cliApp.cpp \
    'if (ended_.code != kDownloadOk) return done(1);' \
    'if (ended_.code != kDownloadOk) return done(0);' \
    '^test_db_cli\.' \
    'velartis-cli exits 0 after a failed download (a failure reported as success)'

selected=("$@")
all_tests='^test_(clauses|db_download|db_dumps|db_statements|db_import|import_cli|import_sources)\.'
results=()
for i in "${!ids[@]}"; do
    id=${ids[i]} file=${files[i]} from=${froms[i]} to=${tos[i]} tests=${testsOf[i]} what=${whats[i]}
    if [ ${#selected[@]} -gt 0 ] && [[ ! " ${selected[*]} " == *" $id "* ]]; then continue; fi
    n=$(FROM="$from" perl -0777 -ne '$n = () = /\Q$ENV{FROM}\E/g; print $n' "$file")
    if [ "$n" != 1 ]; then
        echo "FAULT $id: '$from' occurs $n times in $file, not once" >&2
        exit 2
    fi
    planted=$file
    FROM="$from" TO="$to" perl -0777 -i -pe 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$file"
    if git diff --quiet -- "$file"; then
        echo "FAULT $id: the substitution changed nothing" >&2
        exit 2
    fi
    echo "== $id: $what ($file)"
    if ! cmake --build "$build" -j2 >"$build/plantFault-$id.build.log" 2>&1; then
        restore
        echo "FAULT $id: the build failed, see $build/plantFault-$id.build.log" >&2
        exit 2
    fi
    regex=$tests
    [ "${VA_FAULT_ALL_TESTS:-0}" = 1 ] && regex=$all_tests
    log="$build/plantFault-$id.test.log"
    if ctest --test-dir "$build" -j2 -R "$regex" >"$log" 2>&1; then
        verdict=MISSED
    else
        verdict=CAUGHT
    fi
    failed=$(sed -En 's/^[[:space:]]*[0-9]+ - (test_[^ ]+) .*/\1/p' "$log" | tr '\n' ' ')
    restore
    results+=("$verdict  $id  ${failed:-(no test failed)}")
    echo "${results[-1]}"
done
# Leave the build as the sources are.
cmake --build "$build" -j2 >/dev/null 2>&1 || echo "the final rebuild failed" >&2
echo
echo "== summary"
printf '%s\n' "${results[@]}"
for r in "${results[@]}"; do [[ $r == MISSED* ]] && exit 1; done
exit 0
