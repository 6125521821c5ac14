#pragma once
// A connection for the parts of the program that write to the channel
// database (the importers): the same session as the download jobs (names
// in UTF-8, compressed, the same timeouts, option files and connection values), seen
// through plain statements and rows, so that no caller needs <mysql.h>.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/connection.h"

class DbSession;
struct LangStruct;

class DbLink {
public:
    DbLink();
    ~DbLink();
    DbLink(const DbLink&) = delete;
    DbLink& operator=(const DbLink&) = delete;

    // Connects with the values of o, the built-in ones where o has none
    // (and what an option file of o gives in between).
    bool open(const T_dbConnOverride& o);
    bool isOpen() const;
    // A statement without a result.
    bool exec(const std::string& sql);
    // A statement with rows; NULL columns read as "".
    bool query(const std::string& sql, std::vector<std::vector<std::string>>* rows);
    // The rows the last statement changed (ROW_COUNT()); false on failure.
    bool changed(uint64_t* n);
    // The text quoted and escaped as a string literal, '...'.
    std::string quote(std::string_view s) const;
    std::string error() const;
    // The server's or the client's code of the last failure.
    unsigned errorCode() const;
    // True when the server refuses writes (a replica, or read_only set).
    bool readOnly();
    // True when the name columns hold Unicode; false for latin1 ones,
    // which take names spelled in Windows-1252 (quote() does it).
    bool namesUtf8() const;
    // The server of the host list the link reached, "host:port".
    std::string server() const;
    // Why the last open failed in the words of the download's failure box:
    // where it tried, the client's reason and what to check, in m's language.
    std::string openFailureText(const LangStruct& m) const;
    void close();

private:
    std::unique_ptr<DbSession> s_;
};

// Called with every statement a DbLink runs (the import benchmark replays
// them through the command-line client); empty by default.
void setDbLinkTrace(std::function<void(const std::string&)> trace);
