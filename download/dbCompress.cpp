#include <arpa/inet.h>

#include <strings.h>
#include <algorithm>
#include <cstring>

#include "download/connection.h"

namespace {

// 127.0.0.0/8, ::1 and ::ffff:127.x.x.x, written as addresses; a name other
// than "localhost" is taken for another host (no lookup is made).
bool isLoopback(const std::string& host) {
    if (host.empty() || strcasecmp(host.c_str(), "localhost") == 0) return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) != 1) return false;
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

}  // namespace

bool dbUseCompression(DbCompress mode, const std::string& host) {
    switch (mode) {
    case DbCompress::kOn: return true;
    case DbCompress::kOff: return false;
    case DbCompress::kAuto: break;
    }
    return !isLoopback(host);
}

bool parseDbCompress(const std::string& text, DbCompress* mode) {
    static const struct {
        const char* name;
        DbCompress mode;
    } kNames[] = {{"auto", DbCompress::kAuto}, {"on", DbCompress::kOn}, {"off", DbCompress::kOff}};
    for (const auto& n : kNames)
        if (text == n.name) {
            *mode = n.mode;
            return true;
        }
    return false;
}

bool parseDbPort(const std::string& text, unsigned* port) {
    unsigned long n = 0;
    const char* p = text.c_str();
    for (; *p >= '0' && *p <= '9' && n <= 65535; ++p) n = n * 10 + static_cast<unsigned long>(*p - '0');
    if (text.empty() || *p || n < 1 || n > 65535) return false;
    *port = static_cast<unsigned>(n);
    return true;
}

bool parseDbServers(const std::string& hosts, std::vector<DbServer>* out, std::string* err) {
    out->clear();
    if (hosts.empty()) return true;
    size_t from = 0;
    for (;;) {
        const size_t comma = hosts.find(',', from);
        std::string e =
            hosts.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        while (!e.empty() && e.front() == ' ') e.erase(0, 1);
        while (!e.empty() && e.back() == ' ') e.pop_back();
        DbServer s;
        std::string port;
        if (!e.empty() && e.front() == '[') {
            const size_t close = e.find(']');
            if (close == std::string::npos || (close + 1 < e.size() && e[close + 1] != ':')) {
                *err = "'" + e + "' is not a server: [address]:port";
                return false;
            }
            s.host = e.substr(1, close - 1);
            if (close + 1 < e.size()) port = e.substr(close + 2);
        } else if (std::count(e.begin(), e.end(), ':') == 1) {
            s.host = e.substr(0, e.find(':'));
            port = e.substr(e.find(':') + 1);
        } else {
            s.host = e;  // a name, or an IPv6 address without a port
        }
        if (s.host.empty()) {
            *err = "the server list '" + hosts + "' has an empty entry";
            return false;
        }
        if ((!port.empty() || (e.size() > s.host.size() && e.back() == ':')) &&
            !parseDbPort(port, &s.port)) {
            *err = "'" + e + "' names no port (1 to 65535)";
            return false;
        }
        out->push_back(s);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return true;
}
