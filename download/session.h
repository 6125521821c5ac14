#pragma once
// The server session: the connection with its timeouts and deadline,
// statements and their rows, the build check and the server's message
// text. Its code is the only one built against the client library; the
// download jobs, the statement link and their tests use it through this
// header, which needs none of the library's.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/cfgTypes.h"
#include "download/connection.h"

// The client library's handles, declared here so that no user of the
// session needs its header.
struct st_mysql;
struct st_mysql_res;
struct st_mysql_rows;

// Called with the text of every query a session runs (the benchmark replays
// them through the command-line client); null by default.
extern void (*dbQueryTrace)(const std::string& sql);

// Seconds a dead or silent server gets before the job gives up.
constexpr unsigned kDbConnectTimeout = 5;
constexpr unsigned kDbReadTimeout = 10;
constexpr unsigned kDbWriteTimeout = 10;
// The read timeout sessions open with: kDbReadTimeout (tests lower it).
extern unsigned dbReadTimeout;

struct T_dbConnValues {
    std::string host, user, password, name, socket;
    unsigned port = 0;
    // The option files to read (see T_dbConnOverride) and which of the
    // values above the caller gave; the others are built in, and an option
    // file may replace them. A socket or port is given when it is set.
    std::string optionFile{}, optionGroup{};
    bool hostGiven = false, userGiven = false, passwordGiven = false, nameGiven = false;
    bool compress = false;
    // host may list several servers ("a,b:3307"); each is tried in turn,
    // compressed by this mode, and a replica more than maxLag seconds
    // behind its primary is passed over (0: not checked).
    DbCompress compressMode = DbCompress::kAuto;
    unsigned maxLag = kDbMaxLag;
    // Seconds from open to close before the session is cut off (a server
    // that trickles its rows restarts the read timeout with every packet);
    // 0: no limit.
    unsigned deadline = kDbDeadline;
};
T_dbConnValues dbConnValues(const T_cfgStruct& cfg, const T_dbConnOverride& o);

// This build's id for the server's build check (column CRCLinux): two
// hexadecimal digits. "00" or an empty column means the server checks nothing.
constexpr const char* kBuildCheckIdText = "4C";
// True when the column names another build than this one.
bool buildIsOutdated(const char* crcLinux);

constexpr size_t kServerMsgSize = 352;
// Stores the msg column: cut to fit, backslash-n turned into a line break.
void storeServerMessage(char (&dst)[kServerMsgSize], const char* msg);

// One row of a result; NULL columns read as "" and 0.
class DbRow {
public:
    DbRow() = default;
    DbRow(char** row, unsigned long* lengths, unsigned columns)
        : row_(row), lengths_(lengths), columns_(columns) {}
    unsigned columns() const { return columns_; }
    const char* text(unsigned i) const;
    // Column i as the server sent it: null for NULL (or no such column),
    // with its length in bytes, which may hold NULs.
    const char* raw(unsigned i, size_t* length) const;
    int num(unsigned i) const;
    // Bounded copy of column i.
    void copy(unsigned i, char* dst, size_t size) const;
    template <size_t N>
    void copy(unsigned i, char (&dst)[N]) const {
        copy(i, dst, N);
    }

private:
    char** row_ = nullptr;
    unsigned long* lengths_ = nullptr;
    unsigned columns_ = 0;
};

// A stored result, released when it goes.
class DbResult {
public:
    DbResult() = default;
    ~DbResult();
    DbResult(const DbResult&) = delete;
    DbResult& operator=(const DbResult&) = delete;
    uint64_t rows() const { return rows_; }
    // Fetches the next row into row(); false after the last, or when the
    // rows could not be read (failed() tells).
    bool next();
    bool failed() const { return failed_; }
    const DbRow& row() const { return row_; }
    // conn: the connection the result came from, asked after the last row.
    // latin1: the rows are Windows-1252 and each row's text columns are
    // handed out as UTF-8, as the channel tables keep names.
    void reset(st_mysql_res* res, st_mysql* conn = nullptr, bool latin1 = false);
    // Where the next row is, and back to such a place: a stored result's
    // rows can be read again in any order.
    using Place = st_mysql_rows*;
    Place tell() const;
    void seek(Place at);

private:
    st_mysql_res* res_ = nullptr;
    st_mysql* conn_ = nullptr;
    bool failed_ = false;
    bool latin1_ = false;
    uint64_t rows_ = 0;
    DbRow row_;
    // The current row's columns as UTF-8 when the connection is latin1.
    std::vector<std::string> text_;
    std::vector<char*> ptrs_;
    std::vector<unsigned long> lens_;
};

// `sql` without its " FORCE INDEX (...)" hints.
std::string withoutIndexHints(const std::string& sql);

struct LangStruct;
// The fixed first line of a failed connect, in the status and the box.
extern const char kConnectError[];
// The failure box's text: the fixed line, where it tried (v: openTarget()),
// the client's reason and what to check, in m's language.
std::string connectFailureText(const LangStruct& m, const T_dbConnValues& v, DbOpenFault fault,
                               const std::string& reason);

// One job's connection: in the character set of the server's name columns
// (utf8mb4, or latin1 on an older server, whose rows are handed out as
// UTF-8 all the same), compressed when the values say so, with
// short timeouts and a deadline for the whole session. A read that timed
// out or was cut off by the deadline is reported as timed out, not as the
// client library's lost connection.
class DbSession {
public:
    DbSession();
    ~DbSession();
    DbSession(const DbSession&) = delete;
    DbSession& operator=(const DbSession&) = delete;

    bool open(const T_dbConnValues& v);
    bool isOpen() const { return conn_ != nullptr; }
    // Runs the query and takes its whole result; false when the server
    // refused it or the result could not be taken whole (a lost connection,
    // out of memory): error() tells why. A statement without a result set
    // gives an empty result.
    bool query(const std::string& sql, DbResult* out);
    // After a result's rows: false when reading them failed (error() tells).
    bool rowsRead(const DbResult& res);
    // A statement without a result.
    bool exec(const std::string& sql);
    std::string error() const;
    // The server's or the client's code of the last failure.
    unsigned errorCode() const { return lastErrno_; }
    // Why the last open failed, by the client library's error code, and
    // where it tried to connect: the given values, or what an option file
    // or the built-in values gave (of a list, the last server tried).
    DbOpenFault openFault() const { return openFault_; }
    const T_dbConnValues& openTarget() const { return target_; }
    // The server of the list the session reached, "host:port".
    const std::string& server() const { return server_; }
    // True when the server refuses writes (a replica, or read_only set).
    bool readOnly();
    // The text (UTF-8) quoted for use inside '...'; on a latin1 connection
    // spelled in Windows-1252 first (see toCp1252Latin).
    std::string escape(const std::string& s) const;
    // True when the server's name columns hold Unicode (utf8mb4 or utf8).
    bool namesUtf8() const { return utf8_; }
    void close();

private:
    struct Watch;
    // The text for the failure the connection just had.
    std::string failure() const;
    // One server: retried while it is busy, passed over when it lags.
    bool openServer(const T_dbConnValues& v);
    bool connectOnce(const T_dbConnValues& v, std::chrono::steady_clock::time_point began);
    // Seconds behind the primary: -1 not a replica (or not to be told),
    // -2 replication stopped.
    long replicaLag();

    // The character set of the name columns, chosen after the connect.
    bool chooseCharset();

    st_mysql* conn_ = nullptr;
    bool utf8_ = false;
    std::string lastError_;
    unsigned lastErrno_ = 0;
    std::string server_;
    DbOpenFault openFault_ = DbOpenFault::kNone;
    T_dbConnValues target_;
    // A duplicate of the connection's socket: it stays valid for the
    // watchdog and the checks after a failure even once the library has
    // closed its own.
    int sock_ = -1;
    unsigned readTimeout_ = 0, deadline_ = 0;
    std::chrono::steady_clock::time_point asked_{};  // when the last statement went out
    std::unique_ptr<Watch> watch_;
};
