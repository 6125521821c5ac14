#include "channels/location.h"

#include <cstdint>
#include <cstdio>

namespace {

bool digitsValue(std::string_view s, uint64_t max, uint64_t* out) {
    if (s.empty()) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > max) return false;
    }
    *out = v;
    return true;
}

}  // namespace

bool parsePosition(std::string_view s, int* position) {
    if (s.size() < 2) return false;
    const char side = s.back();
    if (side != 'E' && side != 'W' && side != 'e' && side != 'w') return false;
    s.remove_suffix(1);
    size_t dot = s.find('.');
    uint64_t deg = 0, tenth = 0;
    if (!digitsValue(s.substr(0, dot), 180, &deg)) return false;
    if (dot != std::string_view::npos && !digitsValue(s.substr(dot + 1), 9, &tenth)) return false;
    int tenths = static_cast<int>(deg * 10 + tenth);
    if (tenths > 1800) return false;
    const bool west = side == 'W' || side == 'w';
    *position = west && tenths > 0 ? 3600 - tenths : tenths;
    return true;
}

std::string locationText(int position) {
    char buf[16];
    const bool west = position > 1800;
    const int t = west ? 3600 - position : position;
    std::snprintf(buf, sizeof buf, "%d.%d%c", t / 10, t % 10, west ? 'W' : 'E');
    return buf;
}

size_t nameWithoutLocation(std::string_view name, int position) {
    if (name.empty()) return 0;
    size_t end = name.size();
    const char side = name[--end];
    if (side != 'E' && side != 'W' && side != 'e' && side != 'w') return name.size();
    if (end >= 2 && name.compare(end - 2, 2, "\xC2\xB0") == 0)
        end -= 2;
    else if (end >= 1 && name[end - 1] == '\xB0')
        end -= 1;
    size_t start = end;
    while (start > 0 &&
           ((name[start - 1] >= '0' && name[start - 1] <= '9') || name[start - 1] == '.'))
        --start;
    if (start == 0 || name[start - 1] != ' ') return name.size();
    int pos = 0;
    std::string loc(name.substr(start, end - start));
    if (!parsePosition(loc + side, &pos) || pos != position) return name.size();
    return start - 1;
}
