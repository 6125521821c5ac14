// What the jobs ask of a 160-satellite server: few statements, each through
// an index, sorting only where no index gives the order, no work beyond the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/download.h"
#include "download/downloadCommon.h"
#include "download/jobSteps.h"
#include "tests/download/jobGlobals.h"
#include "tests/support/recordingEvents.h"

namespace {

std::vector<std::string> traced;
void trace(const std::string& sql) { traced.push_back(sql); }

// The download bar's positions, each with the step shown at the time.
class ProgressLog : public RecordingEvents {
public:
    std::vector<std::pair<int, std::string>> moves;

    void progress(JobBar which, int pos) override {
        if (which == JobBar::kDownload) moves.push_back({pos, shown[1]});
    }
};
std::vector<std::pair<int, std::string>> progress;

T_dbConnValues wide() {
    return {"127.0.0.1", "vauser", "vapass1", "velartis_wide", "", VA_TEST_DB_PORT};
}

// The statements of one download of every satellite of velartis_wide.
std::vector<std::string> statementsOf(JobFn fn) {
    ProgressLog ui;
    resetJobGlobals();
    for (int id = 1; id <= 160; ++id) {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{id, "", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, "111", "11111", ""};
    }
    T_dbConnValues v = wide();
    T_dbConnOverride conn{v.host, v.user, v.password, v.name, "", v.port, true};
    auto p = globalRequest(&ui, conn);
    traced.clear();
    dbQueryTrace = trace;
    EXPECT_EQ(fn(p.get()), kDownloadOk);
    dbQueryTrace = nullptr;
    progress = ui.moves;
    return traced;
}

// Rows of a statement's result, each as its columns joined by tabs.
std::vector<std::vector<std::string>> rowsOf(DbSession& db, const std::string& sql) {
    DbResult r;
    EXPECT_TRUE(db.query(sql, &r)) << db.error() << "\n" << sql;
    std::vector<std::vector<std::string>> rows;
    while (r.next()) {
        std::vector<std::string> cols;
        for (unsigned i = 0; i < r.row().columns(); ++i) cols.push_back(r.row().text(i));
        rows.push_back(cols);
    }
    return rows;
}

// Index entries and rows the server examined: each table's loops times
// its rows per loop, from the executed plan.
double examined(DbSession& db, const std::string& sql) {
    auto rows = rowsOf(db, "ANALYZE FORMAT=JSON " + sql);
    if (rows.empty()) return -1;
    const std::string& json = rows[0][0];
    static const std::regex kField("\"(r_loops|r_rows)\": ([0-9.e+]+)");
    double loops = 1, sum = 0;
    for (std::sregex_iterator it(json.begin(), json.end(), kField), end; it != end; ++it) {
        double v = std::strtod((*it)[2].str().c_str(), nullptr);
        if ((*it)[1] == "r_loops")
            loops = v;
        else
            sum += loops * v;
    }
    return sum;
}

size_t tablesIn(std::string sql) {
    for (char& c : sql) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t from = sql.find(" from "), where = sql.find(" where ");
    EXPECT_TRUE(from != std::string::npos && where != std::string::npos && from < where) << sql;
    if (from == std::string::npos || where == std::string::npos || where < from) return 0;
    std::string list = sql.substr(from, where - from);
    return 1 + static_cast<size_t>(std::count(list.begin(), list.end(), ','));
}

TEST(Statements, FewIndexedAndNoWorkBeyondTheRows) {
    DbSession db;
    if (!db.open(wide())) GTEST_SKIP() << "velartis_wide is not loaded";
    const char* const names[] = {"bouquets as channels", "bouquets as satellites",
                                 "favourites as satellites"};
    const JobFn fns[] = {DownloadDataCh, DownloadDataBSat, DownloadDataFSat};
    for (int m = 0; m < 3; ++m) {
        SCOPED_TRACE(names[m]);
        std::vector<std::string> all = statementsOf(fns[m]);
        // The bar moves forward through every step and reaches its end
        // only with the last one, however many satellites there are.
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back().first, 100);
        int last = 0, reached = 0;
        for (const auto& [pos, step] : progress) {
            EXPECT_GE(pos, last);
            if (pos == 100 && !reached) {
                EXPECT_NE(step.find("Favourite channels"), std::string::npos) << step;
                reached = 1;
            }
            last = pos;
        }
        EXPECT_GE(progress.size(), 80u);
        // Snapshot, message, data version, groups, commit and counter once;
        // the rest once per group of ids.
        const size_t groups = (160 + dlIdsPerStatement - 1) / dlIdsPerStatement;
        // (Favourites as satellites ask for the links of the satellites
        // that got a virtual satellite only.)
        EXPECT_LE(all.size(), 6 + (m == 0 ? 6 : 4) * groups);
        EXPECT_GE(all.size(), 6 + (m == 0 ? 6 : 4));
        for (const std::string& sql : all) {
            if (sql.rfind("SELECT", 0) != 0) continue;
            SCOPED_TRACE(sql.substr(0, 120));
            const size_t tables = tablesIn(sql);
            for (const auto& plan : rowsOf(db, "EXPLAIN " + sql)) {
                ASSERT_GE(plan.size(), 10u);
                // table, type, key, Extra
                EXPECT_NE(plan[3], "ALL") << plan[2];
                EXPECT_NE(plan[5], "") << plan[2] << " uses no index";
                // One or two tables: the order is an index's.
                if (tables <= 2) {
                    EXPECT_EQ(plan[9].find("filesort"), std::string::npos) << plan[9];
                    EXPECT_EQ(plan[9].find("temporary"), std::string::npos) << plan[9];
                }
            }
            const auto got = rowsOf(db, sql);
            // A server whose tables lack a hinted index gives the same rows.
            if (sql.find("FORCE INDEX (") != std::string::npos) {
                const std::string noIndex = std::regex_replace(
                    sql, std::regex("FORCE INDEX \\([a-z_]+\\)"), "FORCE INDEX (no_such_index)");
                EXPECT_EQ(rowsOf(db, noIndex), got);
            }
            const double rows = static_cast<double>(got.size());
            const double ids = 160;
            EXPECT_LE(examined(db, sql), static_cast<double>(tables) * (rows + ids) + 100)
                << rows << " rows";
        }
    }
}

}  // namespace
