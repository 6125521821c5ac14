#include "download/jobSteps.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/textFunc.h"

namespace {

// Character i of a filter text of at most cap characters; '\0' past its end.
char filterChar(const char* f, size_t cap, size_t i) {
    if (!f) return '\0';
    size_t len = strnlen(f, cap);
    return i < len ? f[i] : '\0';
}

}  // namespace

// ---- clauses ----

std::string listClause(const int* ids, size_t n, const char* singleFmt, const char* openText,
                       const char* lastFmt) {
    if (n == 0) return {};
    if (n == 1) return strFormat(singleFmt, ids[0]);
    std::string s = openText;
    for (size_t i = 0; i + 1 < n; ++i) s += strFormat("%d,", ids[i]);
    s += strFormat(lastFmt, ids[n - 1]);
    return s;
}

namespace {
template <typename Table, typename Get>
std::vector<int> idsFromOne(const Table& t, size_t slots, Get get) {
    std::vector<int> ids;
    size_t n = t.count;
    if (n > slots - 1) n = slots - 1;
    for (size_t i = 1; i <= n; ++i) ids.push_back(get(t, i));
    return ids;
}
}  // namespace

std::string excludedBouquetsClause(const T_idxBouI& bouI) {
    auto ids =
        idsFromOne(bouI, kBouSlots, [](const T_idxBouI& t, size_t i) { return t.bou[i].bouId; });
    return listClause(ids.data(), ids.size(), " AND b.bou_id != %d", " AND b.bou_id not in (",
                      "%d)");
}

std::string excludedCategoriesClause(const char* catFilter, const T_idxCat& cats) {
    std::vector<int> ids;
    size_t len = catFilter ? strnlen(catFilter, kCatSlots + 10) : 0;
    size_t count = cats.count > kCatSlots ? kCatSlots : cats.count;
    // A position without a category record has nothing to exclude.
    for (size_t i = 0; i < len && i < count; ++i)
        if (catFilter[i] == '0') ids.push_back(cats.cat[i].catId);
    return listClause(ids.data(), ids.size(), " AND c.cat_id != %d", " AND c.cat_id not in (",
                      "%d)");
}

std::string excludedFavouritesPlainClause(const T_idxFavI& favI) {
    auto ids =
        idsFromOne(favI, kFavSlots, [](const T_idxFavI& t, size_t i) { return t.fav[i].favId; });
    return listClause(ids.data(), ids.size(), "AND fav_id != %d", "AND fav_id not in (", "%d) ");
}

std::string excludedFavouritesJoinedClause(const T_idxFavI& favI) {
    auto ids =
        idsFromOne(favI, kFavSlots, [](const T_idxFavI& t, size_t i) { return t.fav[i].favId; });
    return listClause(ids.data(), ids.size(), " AND f.fav_id != %d", " AND f.fav_id not in (",
                      "%d) ");
}

std::string channelTypeClause(const char* radioFilter, const char* tvFilter, int gRad,
                              bool* noQuery) {
    bool radioOn = filterChar(radioFilter, 3, 0) == '1';
    bool tvOn = filterChar(tvFilter, 5, 0) == '1';
    if (noQuery) *noQuery = !radioOn && !tvOn;
    if (!radioOn && !tvOn) return {};
    if (gRad == 0) return "AND c.ch_type='0' ";
    if (tvOn && !radioOn) return "AND c.ch_type='0' ";
    if (radioOn && !tvOn) return "AND c.ch_type='1' ";
    return {};
}

std::string hdClause(int gHD, const char* tvFilter) {
    if (gHD == 0 || filterChar(tvFilter, 5, 3) == '0') return "AND c.hd='0'";
    return {};
}

std::string d3Clause(int g3D, const char* tvFilter) {
    if (g3D == 0 || filterChar(tvFilter, 5, 4) == '0') return "AND c.d3='0'";
    return {};
}

std::string feedClause(int gTP, int feedTp, bool prefixed) {
    if (gTP == 0 || feedTp == 0) return prefixed ? "AND t.flag_feed='0'" : "AND flag_feed='0'";
    return {};
}

// ---- job steps ----

void dlSetProgress(T_dlUi& ui, double pos) {
    if (pos < 0) pos = 0;
    if (pos > 100) pos = 100;
    ui.progress = pos;
    int whole = static_cast<int>(pos);
    // Only a change of the whole part reaches the window.
    if (whole != ui.shown) {
        ui.shown = whole;
        ui.ev->progress(JobBar::kDownload, whole);
    }
}

void dlAddProgress(T_dlUi& ui, double amount) { dlSetProgress(ui, ui.progress + amount); }

void dlReportText(T_dlUi& ui, ReportField field, const char* f, ...) {
    char buf[200];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    ui.ev->report(field, buf);
}

bool dlCancelled(T_dlUi& ui, DbSession& db) {
    if (!ui.ev->cancelled()) return false;
    ui.ev->status(JobStatus::kError, ui.lang->msgError, ui.lang->msgCanceled);
    db.close();
    return true;
}

void dlServerFailed(T_dlUi& ui, const std::string& why) {
    ui.ev->status(JobStatus::kError, ui.lang->msgError, why);
    ui.ev->message(std::string(ui.lang->msgDownloadStopped) + "\r\n" + why, ui.lang->msgError,
                   kMbOk | kMbIconError);
}

bool dlOpen(T_dlUi& ui, DbSession& db, const T_dbConnValues& v) {
    if (db.open(v)) return true;
    ui.ev->status(JobStatus::kError, ui.lang->msgError, kConnectError);
    ui.ev->message(connectFailureText(*ui.lang, db.openTarget(), db.openFault(), db.error()),
                   ui.lang->msgError, kMbOk | kMbIconError);
    return false;
}

DownloadResult dlCheckMessage(T_dlUi& ui, DbSession& db, const std::string& appKey, int* showForum,
                              char (&serverMsg)[kServerMsgSize]) {
    std::string sql = "SELECT msg ,CRC, CRCLinux, show_forum ";
    sql += "FROM TeamMsg ";
    sql += "WHERE in_use='Y' ";
    sql += "AND application='" + db.escape(appKey) + "' ";
    DbResult res;
    if (!db.query(sql, &res)) {
        dlServerFailed(ui, db.error());
        db.close();
        return kDownloadFailed;
    }
    uint64_t rows = 0;
    char crcLinux[3] = "";
    while (res.next()) {
        const DbRow& r = res.row();
        ++rows;
        storeServerMessage(serverMsg, r.text(0));
        r.copy(2, crcLinux);
        if (std::strcmp(r.text(3), "Y") == 0 && showForum) *showForum = 1;
    }
    if (!db.rowsRead(res)) {
        dlServerFailed(ui, db.error());
        db.close();
        return kDownloadFailed;
    }
    res.reset(nullptr);
    if (rows == 0) {
        ui.ev->status(JobStatus::kError, ui.lang->msgError, ui.lang->msgCanceled);
        if (showForum) *showForum = 2;
        ui.ev->message(ui.lang->msgOldVersion, ui.lang->msgError, kMbOk | kMbIconError);
        db.close();
        return kDownloadFailed;
    }
    if (buildIsOutdated(crcLinux)) {
        ui.ev->status(JobStatus::kError, ui.lang->msgError, ui.lang->msgCanceled);
        ui.ev->message(ui.lang->msgOldVersion, ui.lang->msgError, kMbOk | kMbIconError);
        db.close();
        return kDownloadOutdated;
    }
    ui.ev->status(JobStatus::kStep, ui.lang->msgLoading, ui.lang->msgDbReading);
    dlSetProgress(ui, 0);
    return kDownloadOk;
}

bool dlRunQuery(T_dlUi& ui, DbSession& db, const std::string& sql, const std::string& stepText,
                double share, const std::function<bool(const DbRow&)>& onRow) {
    if (dlCancelled(ui, db)) return false;
    ui.ev->step(stepText);
    DbResult res;
    if (!db.query(sql, &res)) {
        dlServerFailed(ui, db.error());
        db.close();
        return false;
    }
    uint64_t rows = res.rows();
    double perRow = rows ? share / static_cast<double>(rows) : 0;
    uint64_t read = 0;
    bool stopped = false;
    while (res.next()) {
        if (!onRow(res.row())) {
            stopped = true;
            break;
        }
        ++read;
        dlAddProgress(ui, perRow);
    }
    if (!stopped && !db.rowsRead(res)) {
        dlServerFailed(ui, db.error());
        db.close();
        return false;
    }
    if (read < rows) dlAddProgress(ui, perRow * static_cast<double>(rows - read));
    return true;
}

void dlCountUsage(DbSession& db, const std::string& appKey) {
    // Errors ignored: every list row is in by now, and a count lost to a
    // dropped connection takes nothing from the user's list.
    db.exec("UPDATE BrenikToolsCounter SET counter = counter + 1 WHERE application='" +
            db.escape(appKey) + "'");
}

void dlCloseReport(T_dlUi& ui, DbSession& db, const char* serverMsg, const std::string& extra) {
    db.close();
    dlSetProgress(ui, 100);
    ui.ev->status(JobStatus::kDone, "", ui.lang->msgDbReadOk);
    std::string text = ui.lang->msgDbReadOk;
    text += "\r\n\r\n";
    text += serverMsg;
    text += extra;
    ui.ev->message(text, ui.lang->msgMessage, kMbOk | kMbIconInformation);
}
