#include <arpa/inet.h>

#include <cstring>
#include <strings.h>

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
