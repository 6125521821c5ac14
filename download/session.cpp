#include "download/session.h"

#include <errmsg.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "config/textFunc.h"

void (*dbQueryTrace)(const std::string& sql) = nullptr;
unsigned dbReadTimeout = kDbReadTimeout;

namespace {

// The client library's global set-up is not safe to race from two job
// threads; do it once.
void libraryInit() {
    static std::once_flag once;
    std::call_once(once, [] { mysql_library_init(0, nullptr, nullptr); });
}

// Character i of a filter text of at most cap characters; '\0' past its end.
char filterChar(const char* f, size_t cap, size_t i) {
    if (!f) return '\0';
    size_t len = strnlen(f, cap);
    return i < len ? f[i] : '\0';
}

// The server's "key does not exist in table" error.
constexpr unsigned kErrNoSuchKey = 1176;

const char kConnectError[] = "Can't connect to MySql server on xx:xx:xx:xx (10053)";

}  // namespace

T_dbConnValues dbConnValues(const T_cfgStruct& cfg, const T_dbConnOverride& o) {
    T_dbConnValues v;
    auto field = [](const char* s, size_t cap) { return std::string(s, strnlen(s, cap)); };
    // A socket is reached only through the local host: the built-in
    // address (or an option file's host) would turn the connection into TCP
    // and pass the socket over.
    const std::string host = o.host.empty() && !o.socket.empty() ? "localhost" : o.host;
    v.host = host.empty() ? field(cfg.dbHost, sizeof cfg.dbHost) : host;
    v.user = o.user.empty() ? field(cfg.dbUser, sizeof cfg.dbUser) : o.user;
    v.password = (o.password.empty() && !o.passwordSet)
                     ? field(cfg.dbPassword, sizeof cfg.dbPassword)
                     : o.password;
    v.name = o.name.empty() ? field(cfg.dbName, sizeof cfg.dbName) : o.name;
    v.socket = o.socket;
    v.port = o.port;
    v.optionFile = o.optionFile;
    v.optionGroup = o.optionGroup;
    v.hostGiven = !host.empty();
    v.userGiven = !o.user.empty();
    v.passwordGiven = !o.password.empty() || o.passwordSet;
    v.nameGiven = !o.name.empty();
    v.compress = dbUseCompression(o.compress, v.host);
    if (o.deadline != 0) v.deadline = o.deadline;
    return v;
}

bool buildIsOutdated(const char* crcLinux) {
    if (!crcLinux || std::strlen(crcLinux) < 2) return false;
    unsigned char server =
        dec2hex(static_cast<unsigned char>(crcLinux[0]), static_cast<unsigned char>(crcLinux[1]));
    if (server == 0) return false;
    return server != dec2hex(kBuildCheckIdText[0], kBuildCheckIdText[1]);
}

void storeServerMessage(char (&dst)[kServerMsgSize], const char* msg) {
    // The translation never lengthens the text, so cutting first is safe.
    copyText(dst, msg);
    TranslateBackSlashn(dst);
}

// ---- rows and results ----

const char* DbRow::text(unsigned i) const {
    if (!row_ || i >= columns_ || !row_[i]) return "";
    return row_[i];
}

const char* DbRow::raw(unsigned i, size_t* length) const {
    *length = 0;
    if (!row_ || i >= columns_ || !row_[i]) return nullptr;
    *length = lengths_ ? lengths_[i] : std::strlen(row_[i]);
    return row_[i];
}

int DbRow::num(unsigned i) const { return toInt(text(i)); }

void DbRow::copy(unsigned i, char* dst, size_t size) const {
    if (size == 0) return;
    if (!row_ || i >= columns_ || !row_[i]) {
        dst[0] = '\0';
        return;
    }
    size_t len = lengths_ ? lengths_[i] : std::strlen(row_[i]);
    // A NUL inside the value ends the text, as it would in any C reader.
    len = strnlen(row_[i], len);
    if (len >= size) len = size - 1;
    std::memcpy(dst, row_[i], len);
    dst[len] = '\0';
}

DbResult::~DbResult() { reset(nullptr); }

void DbResult::reset(MYSQL_RES* res, MYSQL* conn) {
    if (res_) mysql_free_result(res_);
    res_ = res;
    conn_ = res ? conn : nullptr;
    failed_ = false;
    rows_ = res ? mysql_num_rows(res) : 0;
    row_ = DbRow();
}

bool DbResult::next() {
    if (!res_) return false;
    MYSQL_ROW r = mysql_fetch_row(res_);
    if (!r) {
        // The end of the rows and a failed read look alike; the
        // connection's error code tells them apart.
        if (conn_ && mysql_errno(conn_) != 0) failed_ = true;
        row_ = DbRow();
        return false;
    }
    row_ = DbRow(r, mysql_fetch_lengths(res_), mysql_num_fields(res_));
    return true;
}

// ---- session ----

// Waits for the session's deadline and then shuts its socket down: a read
// blocked in the client library returns at once, however the server
// trickles. A thread of its own beside plain blocking calls, which the
// sanitizer builds follow (the library's non-blocking calls switch stacks).
struct DbSession::Watch {
    std::mutex m;
    std::condition_variable wake;
    bool stop = false;
    std::atomic<bool> fired{false};
    std::thread t;

    Watch(int sock, std::chrono::steady_clock::time_point until)
        : t([this, sock, until] {
              std::unique_lock<std::mutex> lock(m);
              if (wake.wait_until(lock, until, [this] { return stop; })) return;
              fired = true;
              ::shutdown(sock, SHUT_RDWR);
          }) {}
    ~Watch() {
        {
            std::lock_guard<std::mutex> lock(m);
            stop = true;
        }
        wake.notify_all();
        t.join();
    }
};

DbSession::DbSession() = default;
DbSession::~DbSession() { close(); }

bool DbSession::open(const T_dbConnValues& v) {
    close();
    const auto began = std::chrono::steady_clock::now();
    libraryInit();
    conn_ = mysql_init(nullptr);
    if (!conn_) {
        lastError_ = "out of memory";
        return false;
    }
    unsigned connectTimeout = kDbConnectTimeout, readTimeout = dbReadTimeout,
             writeTimeout = kDbWriteTimeout;
    readTimeout_ = readTimeout;
    deadline_ = v.deadline;
    if (v.compress) mysql_options(conn_, MYSQL_OPT_COMPRESS, nullptr);
    mysql_options(conn_, MYSQL_SET_CHARSET_NAME, "latin1");
    mysql_options(conn_, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(conn_, MYSQL_OPT_READ_TIMEOUT, &readTimeout);
    mysql_options(conn_, MYSQL_OPT_WRITE_TIMEOUT, &writeTimeout);
    // A given port means TCP even for "localhost".
    if (v.port != 0 && v.socket.empty()) {
        unsigned proto = MYSQL_PROTOCOL_TCP;
        mysql_options(conn_, MYSQL_OPT_PROTOCOL, &proto);
    }
    // With option files the built-in values go in as the handle's defaults:
    // the files, read at connect, replace them, and the values passed to
    // the connect (the caller's own) replace both. A null there takes the
    // handle's value.
    const bool files = !v.optionFile.empty() || !v.optionGroup.empty();
    if (files) {
        if (!v.hostGiven && !v.host.empty())
            mysql_optionsv(conn_, MARIADB_OPT_HOST, v.host.c_str());
        if (!v.userGiven) mysql_optionsv(conn_, MARIADB_OPT_USER, v.user.c_str());
        if (!v.passwordGiven) mysql_optionsv(conn_, MARIADB_OPT_PASSWORD, v.password.c_str());
        if (!v.nameGiven) mysql_optionsv(conn_, MARIADB_OPT_SCHEMA, v.name.c_str());
        if (!v.optionFile.empty())
            mysql_options(conn_, MYSQL_READ_DEFAULT_FILE, v.optionFile.c_str());
        if (!v.optionGroup.empty())
            mysql_options(conn_, MYSQL_READ_DEFAULT_GROUP, v.optionGroup.c_str());
    }
    const char* host = (files && !v.hostGiven) || v.host.empty() ? nullptr : v.host.c_str();
    const char* sock = v.socket.empty() ? nullptr : v.socket.c_str();
    const char* user = files && !v.userGiven ? nullptr : v.user.c_str();
    const char* password = files && !v.passwordGiven ? nullptr : v.password.c_str();
    const char* name = files && !v.nameGiven ? nullptr : v.name.c_str();
    if (!mysql_real_connect(conn_, host, user, password, name, v.port, sock, 0)) {
        lastError_ = mysql_error(conn_);
        mysql_close(conn_);
        conn_ = nullptr;
        return false;
    }
    // Rows must arrive in Windows-1252 whatever character set an option
    // file asked for.
    if (std::strcmp(mysql_character_set_name(conn_), "latin1") != 0 &&
        mysql_set_character_set(conn_, "latin1") != 0) {
        lastError_ = mysql_error(conn_);
        close();
        return false;
    }
    sock_ = fcntl(static_cast<int>(mysql_get_socket(conn_)), F_DUPFD_CLOEXEC, 0);
    if (sock_ >= 0 && deadline_ != 0) {
        try {
            watch_ = std::make_unique<Watch>(sock_, began + std::chrono::seconds(deadline_));
        } catch (const std::system_error&) {
            // No thread to spare: the read timeout still bounds a silent server.
        }
    }
    return true;
}

std::string DbSession::failure() const {
    if (watch_ && watch_->fired)
        return strFormat(
            "The server did not send the data within %u s, the limit for one download: "
            "timed out.",
            deadline_);
    // The library calls its read timeout a lost connection. A peer that
    // has not closed its end, a whole timeout after the statement went
    // out, simply sent nothing.
    if (mysql_errno(conn_) == CR_SERVER_LOST && sock_ >= 0 &&
        std::chrono::steady_clock::now() - asked_ >= std::chrono::seconds(readTimeout_)) {
        pollfd p{sock_, POLLIN | POLLRDHUP, 0};
        if (poll(&p, 1, 0) >= 0 && !(p.revents & (POLLRDHUP | POLLHUP | POLLERR)))
            return strFormat("The server sent nothing for %u s: timed out.", readTimeout_);
    }
    return mysql_error(conn_);
}

std::string withoutIndexHints(const std::string& sql) {
    static const std::string hint = " FORCE INDEX (";
    std::string out;
    size_t from = 0;
    for (size_t at; (at = sql.find(hint, from)) != std::string::npos;) {
        const size_t close = sql.find(')', at + hint.size());
        if (close == std::string::npos) break;
        out.append(sql, from, at - from);
        from = close + 1;
    }
    out.append(sql, from, std::string::npos);
    return out;
}

bool DbSession::query(const std::string& sql, DbResult* out) {
    out->reset(nullptr);
    if (!conn_) {
        lastError_ = "not connected";
        return false;
    }
    if (dbQueryTrace) dbQueryTrace(sql);
    asked_ = std::chrono::steady_clock::now();
    if (mysql_real_query(conn_, sql.data(), sql.size()) != 0) {
        // An index hint only speeds a statement up; a server whose tables
        // lack the index must still give the rows.
        const std::string plain = withoutIndexHints(sql);
        if (mysql_errno(conn_) != kErrNoSuchKey || plain == sql) {
            lastError_ = failure();
            return false;
        }
        if (dbQueryTrace) dbQueryTrace(plain);
        asked_ = std::chrono::steady_clock::now();
        if (mysql_real_query(conn_, plain.data(), plain.size()) != 0) {
            lastError_ = failure();
            return false;
        }
    }
    MYSQL_RES* res = mysql_store_result(conn_);
    if (!res) {
        // No result set is right only for a statement that has none; for
        // a SELECT it means the rows were lost on the way (connection
        // dropped, out of memory), which must not pass for "no rows".
        if (mysql_errno(conn_) != 0 || mysql_field_count(conn_) != 0) {
            lastError_ = mysql_errno(conn_) != 0 ? failure() : "the result could not be read";
            return false;
        }
        return true;
    }
    out->reset(res, conn_);
    return true;
}

bool DbSession::rowsRead(const DbResult& res) {
    if (!res.failed()) return true;
    lastError_ = conn_ ? failure() : "not connected";
    return false;
}

bool DbSession::exec(const std::string& sql) {
    DbResult r;
    return query(sql, &r);
}

std::string DbSession::error() const { return lastError_; }

std::string DbSession::escape(const std::string& s) const {
    if (!conn_) return s;
    std::string out(s.size() * 2 + 1, '\0');
    unsigned long n = mysql_real_escape_string(conn_, out.data(), s.data(), s.size());
    out.resize(n);
    return out;
}

void DbSession::close() {
    watch_.reset();
    if (conn_) mysql_close(conn_);
    conn_ = nullptr;
    if (sock_ >= 0) ::close(sock_);
    sock_ = -1;
}

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
    if (whole != ui.shown && ui.w) {
        ui.shown = whole;
        setProgressPos(ui.w, ui.w->hProgDown, whole);
    }
}

void dlAddProgress(T_dlUi& ui, double amount) { dlSetProgress(ui, ui.progress + amount); }

void dlReportText(T_dlUi& ui, HCtl field, const char* f, ...) {
    char buf[200];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    setControlText(ui.w, field, buf);
}

bool dlOpen(T_dlUi& ui, DbSession& db, const T_dbConnValues& v) {
    if (db.open(v)) return true;
    setStatusText(ui.w, ui.lang->msgError, kConnectError);
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
        setStatusText(ui.w, ui.lang->msgError, db.error());
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
        setStatusText(ui.w, ui.lang->msgError, db.error());
        db.close();
        return kDownloadFailed;
    }
    res.reset(nullptr);
    if (rows == 0) {
        setStatusText(ui.w, ui.lang->msgError, ui.lang->msgCanceled);
        if (showForum) *showForum = 2;
        showMessage(ui.w, ui.lang->msgOldVersion, ui.lang->msgError, kMbOk | kMbIconError);
        db.close();
        return kDownloadFailed;
    }
    if (buildIsOutdated(crcLinux)) {
        setStatusText(ui.w, ui.lang->msgError, ui.lang->msgCanceled);
        showMessage(ui.w, ui.lang->msgOldVersion, ui.lang->msgError, kMbOk | kMbIconError);
        db.close();
        return kDownloadOutdated;
    }
    setStatusText(ui.w, ui.lang->msgLoading, ui.lang->msgDbReading);
    dlSetProgress(ui, 0);
    return kDownloadOk;
}

bool dlRunQuery(T_dlUi& ui, DbSession& db, const std::string& sql, const std::string& stepText,
                double share, const std::function<bool(const DbRow&)>& onRow) {
    setStatusPart(ui.w, 1, stepText);
    DbResult res;
    if (!db.query(sql, &res)) {
        setStatusText(ui.w, ui.lang->msgError, db.error());
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
        setStatusText(ui.w, ui.lang->msgError, db.error());
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
    setStatusText(ui.w, "", ui.lang->msgDbReadOk);
    std::string text = ui.lang->msgDbReadOk;
    text += "\r\n\r\n";
    text += serverMsg;
    text += extra;
    showMessage(ui.w, text, ui.lang->msgMessage, kMbOk | kMbIconInformation);
}
