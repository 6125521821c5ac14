#pragma once
// The connection values a front end may give the server session, and the
// session's own limits; no <mysql.h> here, so front ends and importers
// reach the server without the client library's headers.
#include <string>
#include <vector>

// Protocol compression of the connection. Auto: on for a server on another
// host, off for one on this machine (loopback address, "localhost", local
// socket), where it costs both ends CPU and saves nothing.
enum class DbCompress { kAuto, kOn, kOff };

// Seconds a download may take from connecting to closing, unless the
// caller gives its own limit.
constexpr unsigned kDbDeadline = 300;

// The port the client library uses when none is given.
constexpr unsigned kDbDefaultPort = 3306;

// Seconds a replica may lag behind its primary before a download passes
// it over for the next server of the list.
constexpr unsigned kDbMaxLag = 60;

// Why a connection could not be opened, as far as a user can act on it.
enum class DbOpenFault { kNone, kUnreachable, kAccessDenied, kNoDatabase, kOther };

// Connection values a caller may put in place of the built-in ones (the
// command-line tool, the window, the tests). Empty fields and port 0 keep
// the built-in value; passwordSet makes an empty password count.
struct T_dbConnOverride {
    std::string host, user, password, name, socket;
    unsigned port = 0;
    bool passwordSet = false;
    // MariaDB option files, read by the client library when it connects:
    // optionGroup names a group read from the default files (~/.my.cnf and
    // the system's), together with the client groups; optionFile names the
    // one file read instead of those. What they give replaces the built-in
    // values, never the ones above. Both empty: no option file is read.
    std::string optionFile{}, optionGroup{};
    DbCompress compress = DbCompress::kAuto;
    // Seconds a download may take from connecting to closing; 0 keeps the
    // built-in limit.
    unsigned deadline = 0;
    // Seconds a replica may lag; 0: not checked; -1 keeps kDbMaxLag.
    int maxLag = -1;
};

// A port number, digits only (strtoul would take " 12", "+12" or "12abc"):
// false for anything but 1 to 65535.
bool parseDbPort(const std::string& text, unsigned* port);

// One server of a host list: "db1", "db1:3307", "[::1]:3307", "::1".
struct DbServer {
    std::string host;
    unsigned port = 0;  // 0: the list's own port
};
// The servers of a comma-separated host list, in order; false, with the
// reason in *err, for an empty entry or a port that is not one.
bool parseDbServers(const std::string& hosts, std::vector<DbServer>* out, std::string* err);

// Whether a connection to host is compressed. An empty host is this
// machine, and so is the host of a local socket (the client library uses a
// socket only for a local host).
bool dbUseCompression(DbCompress mode, const std::string& host);
// "auto", "on" or "off"; false for anything else.
bool parseDbCompress(const std::string& text, DbCompress* mode);
