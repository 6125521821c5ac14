#include "download/session.h"

#include <errmsg.h>
#include <fcntl.h>
#include <mysql.h>
#include <mysqld_error.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "config/langTypes.h"
#include "config/textFunc.h"
#include "config/unicodeText.h"

void (*dbQueryTrace)(const std::string& sql) = nullptr;
unsigned dbReadTimeout = kDbReadTimeout;

namespace {

// The client library's global set-up is not safe to race from two job
// threads; do it once.
void libraryInit() {
    static std::once_flag once;
    std::call_once(once, [] { mysql_library_init(0, nullptr, nullptr); });
}

// The server's "key does not exist in table" error.
constexpr unsigned kErrNoSuchKey = 1176;

// Tries of a connect that finds the server busy, and the first wait.
constexpr int kDbConnectTries = 4;
constexpr double kDbRetryBaseMs = 200;

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
    std::vector<DbServer> servers;
    std::string err;
    const bool listed = parseDbServers(v.host, &servers, &err) && !servers.empty();
    v.compress = dbUseCompression(o.compress, listed ? servers.front().host : v.host);
    v.compressMode = o.compress;
    if (o.maxLag >= 0) v.maxLag = static_cast<unsigned>(o.maxLag);
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
    // The message is shown with the language texts, in Windows-1252. The
    // translation never lengthens the text, so cutting first is safe.
    copyText(dst, toCp1252Latin(msg).c_str());
    TranslateBackSlashn(dst);
}

const char kConnectError[] = "Can't connect to MySql server on xx:xx:xx:xx (10053)";

std::string connectFailureText(const LangStruct& m, const T_dbConnValues& v, DbOpenFault fault,
                               const std::string& reason) {
    // A socket is used for "localhost" without a port; otherwise TCP.
    std::string where;
    if (!v.socket.empty() && (v.host.empty() || v.host == "localhost") && v.port == 0)
        where = v.socket;
    else
        where = (v.host.empty() ? "localhost" : v.host) + ":" +
                std::to_string(v.port ? v.port : kDbDefaultPort);
    std::string line;
    auto add = [&](const char* label, const std::string& value) {
        if (value.empty()) return;
        line += (line.empty() ? "" : "   ") + std::string(label) + ": " + value;
    };
    add(m.msgDbServer, where);
    add(m.msgDbUser, v.user);
    add(m.msgDbName, v.name);
    std::string text = std::string(kConnectError) + "\r\n" + line;
    if (!reason.empty()) text += "\r\n" + std::string(m.msgReason) + ": " + reason;
    const char* hint = fault == DbOpenFault::kUnreachable    ? m.msgHintServer
                       : fault == DbOpenFault::kAccessDenied ? m.msgHintAccess
                       : fault == DbOpenFault::kNoDatabase   ? m.msgHintDatabase
                                                             : "";
    if (*hint) text += "\r\n" + std::string(hint);
    return text;
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
    // A NUL inside the value ends the text, as it would in any C reader;
    // a cut falls between two characters.
    copyUtf8(dst, size, std::string_view(row_[i], strnlen(row_[i], len)));
}

DbResult::~DbResult() { reset(nullptr); }

DbResult::Place DbResult::tell() const { return res_ ? mysql_row_tell(res_) : nullptr; }

void DbResult::seek(Place at) {
    if (res_) mysql_row_seek(res_, at);
}

void DbResult::reset(MYSQL_RES* res, MYSQL* conn, bool latin1) {
    if (res_) mysql_free_result(res_);
    res_ = res;
    conn_ = res ? conn : nullptr;
    failed_ = false;
    latin1_ = latin1;
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
    unsigned long* lengths = mysql_fetch_lengths(res_);
    const unsigned columns = mysql_num_fields(res_);
    if (latin1_ && lengths) {
        // Text columns with bytes past ASCII become UTF-8; binary columns
        // (character set 63) stay as they are.
        const MYSQL_FIELD* fields = mysql_fetch_fields(res_);
        text_.resize(columns);
        ptrs_.assign(r, r + columns);
        lens_.assign(lengths, lengths + columns);
        for (unsigned i = 0; i < columns; ++i) {
            if (!r[i] || fields[i].charsetnr == 63) continue;
            const std::string_view v(r[i], lengths[i]);
            if (isAscii(v)) continue;
            text_[i] = latin1ToUtf8(v);
            ptrs_[i] = text_[i].data();
            lens_[i] = text_[i].size();
        }
        row_ = DbRow(ptrs_.data(), lens_.data(), columns);
        return true;
    }
    row_ = DbRow(r, lengths, columns);
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
    server_.clear();
    std::vector<DbServer> servers;
    std::string err;
    if (!parseDbServers(v.host, &servers, &err)) {
        openFault_ = DbOpenFault::kOther;
        target_ = v;
        lastError_ = err;
        return false;
    }
    if (servers.size() <= 1) {
        T_dbConnValues one = v;
        if (!servers.empty()) {
            one.host = servers.front().host;
            if (servers.front().port) one.port = servers.front().port;
        }
        // Nothing to fall back to: a lagging server is still the best there is.
        one.maxLag = 0;
        return openServer(one);
    }
    // The next server on any failure; the reasons of all when none answers.
    std::string reasons;
    for (const DbServer& srv : servers) {
        T_dbConnValues one = v;
        one.host = srv.host;
        if (srv.port) one.port = srv.port;
        one.compress = v.compress || dbUseCompression(v.compressMode, srv.host);
        if (openServer(one)) return true;
        const std::string where =
            (srv.host.find(':') != std::string::npos ? "[" + srv.host + "]" : srv.host) + ":" +
            std::to_string(one.port ? one.port : kDbDefaultPort);
        reasons += (reasons.empty() ? "" : "; ") + where + ": " + lastError_;
    }
    lastError_ = reasons;
    return false;
}

bool DbSession::openServer(const T_dbConnValues& v) {
    const auto began = std::chrono::steady_clock::now();
    // A server at its connection limit, or one that closes the door during
    // the greeting, may take the next try: a few, further apart each time
    // and spread so that many clients do not come back together. A failure
    // that took the whole connect timeout is a silent server, not a busy one.
    static thread_local std::mt19937 jitter{std::random_device{}()};
    for (int attempt = 0;; ++attempt) {
        const auto tried = std::chrono::steady_clock::now();
        if (connectOnce(v, began)) break;
        const bool busy = lastErrno_ == ER_CON_COUNT_ERROR ||
                          lastErrno_ == ER_TOO_MANY_USER_CONNECTIONS ||
                          lastErrno_ == ER_USER_LIMIT_REACHED ||
                          lastErrno_ == CR_SERVER_GONE_ERROR || lastErrno_ == CR_SERVER_LOST;
        const auto took = std::chrono::steady_clock::now() - tried;
        if (!busy || attempt + 1 >= kDbConnectTries || took >= std::chrono::seconds(2))
            return false;
        const double spread = std::uniform_real_distribution<double>(0.5, 1.5)(jitter);
        const auto wait = std::chrono::milliseconds(
            static_cast<long>(kDbRetryBaseMs * static_cast<double>(1 << attempt) * spread));
        if (v.deadline != 0 &&
            std::chrono::steady_clock::now() + wait - began >= std::chrono::seconds(v.deadline))
            return false;
        std::this_thread::sleep_for(wait);
    }
    if (v.maxLag != 0) {
        const long lag = replicaLag();
        if (lag == -2 || lag > static_cast<long>(v.maxLag)) {
            lastError_ = lag == -2 ? std::string("a replica whose replication has stopped")
                                   : strFormat(
                                         "a replica %ld s behind its primary (at most %u s "
                                         "taken: --db-max-lag)",
                                         lag, v.maxLag);
            openFault_ = DbOpenFault::kOther;
            target_ = v;
            close();
            return false;
        }
    }
    server_ = (v.host.empty() ? std::string("localhost") : v.host) + ":" +
              std::to_string(v.port ? v.port : kDbDefaultPort);
    return true;
}

long DbSession::replicaLag() {
    // Without the right to ask, the server cannot be told from a primary.
    if (mysql_query(conn_, "SHOW SLAVE STATUS") != 0) return -1;
    MYSQL_RES* res = mysql_store_result(conn_);
    if (!res) return -1;
    long lag = -1;
    if (MYSQL_ROW row = mysql_fetch_row(res)) {
        MYSQL_FIELD* f = mysql_fetch_fields(res);
        for (unsigned i = 0; i < mysql_num_fields(res); ++i)
            if (std::strcmp(f[i].name, "Seconds_Behind_Master") == 0)
                lag = row[i] ? std::strtol(row[i], nullptr, 10) : -2;
    }
    mysql_free_result(res);
    return lag;
}

bool DbSession::connectOnce(const T_dbConnValues& v, std::chrono::steady_clock::time_point began) {
    close();
    openFault_ = DbOpenFault::kNone;
    lastErrno_ = 0;
    target_ = T_dbConnValues{};
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
    // A download's snapshot holds only under repeatable read, whatever the
    // server's default; set with the connect, without a statement of its own.
    mysql_options(conn_, MYSQL_INIT_COMMAND,
                  "SET SESSION TRANSACTION ISOLATION LEVEL REPEATABLE READ");
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
        lastErrno_ = mysql_errno(conn_);
        switch (mysql_errno(conn_)) {
        case CR_CONNECTION_ERROR:
        case CR_CONN_HOST_ERROR:
        case CR_UNKNOWN_HOST:
        case CR_SERVER_LOST:
        case CR_SERVER_GONE_ERROR: openFault_ = DbOpenFault::kUnreachable; break;
        case ER_ACCESS_DENIED_ERROR: openFault_ = DbOpenFault::kAccessDenied; break;
        // A database the user may not see is refused as not theirs, whether
        // it exists or not.
        case ER_DBACCESS_DENIED_ERROR:
        case ER_BAD_DB_ERROR: openFault_ = DbOpenFault::kNoDatabase; break;
        default: openFault_ = DbOpenFault::kOther;
        }
        // What an option file gave, where the handle still tells it; else
        // the value passed or set as the default.
        auto used = [this](mysql_option o, const char* passed, const std::string& fallback) {
            char* val = nullptr;
            if (passed) return std::string(passed);
            if (mysql_get_optionv(conn_, o, &val) == 0 && val && *val) return std::string(val);
            return fallback;
        };
        target_ = T_dbConnValues{};
        target_.host = used(MARIADB_OPT_HOST, host, v.host);
        target_.socket = used(MARIADB_OPT_UNIXSOCKET, sock, v.socket);
        target_.user = used(MARIADB_OPT_USER, user, v.user);
        target_.name = used(MARIADB_OPT_SCHEMA, name, v.name);
        target_.port = v.port;
        if (target_.port == 0) mysql_get_optionv(conn_, MARIADB_OPT_PORT, &target_.port);
        mysql_close(conn_);
        conn_ = nullptr;
        return false;
    }
    // The rows' character set follows the name columns, whatever an option
    // file asked for.
    if (!chooseCharset()) {
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
            lastErrno_ = mysql_errno(conn_);
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
    out->reset(res, conn_, !utf8_);
    return true;
}

bool DbSession::chooseCharset() {
    utf8_ = false;
    // A server too old to tell, or a database without the table, is read
    // as it always was: latin1.
    std::string set;
    if (mysql_query(conn_,
                    "SELECT CHARACTER_SET_NAME FROM information_schema.COLUMNS WHERE "
                    "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'Channels' AND "
                    "COLUMN_NAME = 'ch_name'") == 0) {
        if (MYSQL_RES* res = mysql_store_result(conn_)) {
            if (MYSQL_ROW row = mysql_fetch_row(res); row && row[0]) set = row[0];
            mysql_free_result(res);
        }
    }
    if (set.rfind("utf8", 0) == 0) {
        // A server before utf8mb4 has only the three-byte utf8.
        if (mysql_set_character_set(conn_, "utf8mb4") == 0 ||
            mysql_set_character_set(conn_, "utf8") == 0) {
            utf8_ = true;
            return true;
        }
    }
    return std::strcmp(mysql_character_set_name(conn_), "latin1") == 0 ||
           mysql_set_character_set(conn_, "latin1") == 0;
}

bool DbSession::rowsRead(const DbResult& res) {
    if (!res.failed()) return true;
    lastError_ = conn_ ? failure() : "not connected";
    return false;
}

bool DbSession::readOnly() {
    DbResult r;
    return query("SELECT @@read_only", &r) && r.next() && r.row().num(0) != 0;
}

bool DbSession::exec(const std::string& sql) {
    DbResult r;
    return query(sql, &r);
}

std::string DbSession::error() const { return lastError_; }

std::string DbSession::escape(const std::string& s) const {
    if (!conn_) return s;
    const std::string text = utf8_ ? s : toCp1252Latin(s);
    std::string out(text.size() * 2 + 1, '\0');
    unsigned long n = mysql_real_escape_string(conn_, out.data(), text.data(), text.size());
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
