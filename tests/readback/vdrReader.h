#pragma once
// Reads a channels.conf back line by line as VDR takes it: whole UTF-8
// lines, each a group line or a satellite channel of 13 fields whose
// values are in the manual's ranges; every channel after a group line and
// no channel id twice.
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/readback/readback.h"

struct VdrRead {
    Faults faults;
    uint32_t groups = 0, channels = 0;
    std::vector<std::string> channelNames;
};

namespace vdrread {

inline std::vector<std::string> fields(const std::string& line, char sep) {
    std::vector<std::string> f;
    size_t at = 0;
    for (size_t p; (p = line.find(sep, at)) != std::string::npos; at = p + 1)
        f.push_back(line.substr(at, p - at));
    f.push_back(line.substr(at));
    return f;
}

inline bool validUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

inline long num(const std::string& s, int base = 10) {
    if (s.empty() || s.size() > 6) return -1;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, base);
    return *end == '\0' && s[0] != '-' && s[0] != '+' ? v : -1;
}

}  // namespace vdrread

inline VdrRead readVdrList(const std::string& text) {
    using namespace vdrread;
    VdrRead r;
    Faults& f = r.faults;
    if (!text.empty() && text.back() != '\n') f.add("the last line is cut off (no newline)");
    if (!validUtf8(text)) f.add("not UTF-8");
    // Parameters: a polarisation, then letters with the values the manual lists.
    static const std::regex kParams(
        "[HVLR]C(0|12|23|34|35|45|56|67|78|89|910|999)M(2|5|6|7)"
        "(N(0|1|999))?(O(20|25|35))?S(0|1)");
    static const std::regex kSource("S[0-9]{1,3}\\.[0-9][EW]");
    static const std::regex kVideo("([0-9]+)(\\+([0-9]+))?(=([0-9]+))?");
    static const std::regex kAudio("([0-9]+)(=([a-z]{3})?)?(@[0-9]+)?");
    std::set<std::string> ids;
    const std::vector<std::string> lines = fields(text, '\n');
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (n + 1 == lines.size() && line.empty()) break;
        const size_t no = n + 1;
        if (!line.empty() && line[0] == ':') {
            if (line.size() < 2 || line[1] == '@') f.add("line %zu: group line without a name", no);
            ++r.groups;
            continue;
        }
        const std::vector<std::string> v = fields(line, ':');
        if (v.size() != 13) {
            f.add("line %zu: %zu fields, not 13", no, v.size());
            continue;
        }
        if (r.groups == 0) f.add("line %zu: a channel before any group line", no);
        const std::string& name = v[0];
        if (name.empty() || name.find_first_of(",;\r") != std::string::npos)
            f.add("line %zu: name \"%s\" empty or with a separator", no, name.c_str());
        const long freq = num(v[1]), srate = num(v[4]), tpid = num(v[7]);
        if (freq < 2000 || freq > 30000) f.add("line %zu: frequency %s MHz", no, v[1].c_str());
        if (!std::regex_match(v[2], kParams)) f.add("line %zu: parameters %s", no, v[2].c_str());
        if (!std::regex_match(v[3], kSource)) f.add("line %zu: source %s", no, v[3].c_str());
        if (srate < 1000 || srate > 99999) f.add("line %zu: symbol rate %s", no, v[4].c_str());
        std::smatch m;
        if (!std::regex_match(v[5], m, kVideo) || num(m[1]) > 8191 ||
            (m[3].matched && num(m[3]) > 8191) || (num(m[1]) == 0 && m[5].matched))
            f.add("line %zu: video %s", no, v[5].c_str());
        const std::vector<std::string> audio = fields(v[6], ';');
        if (audio.size() > 2) f.add("line %zu: audio %s", no, v[6].c_str());
        for (size_t part = 0; part < audio.size(); ++part)
            for (const std::string& a : fields(audio[part], ','))
                if (!std::regex_match(a, m, kAudio) || num(m[1]) > 8191 ||
                    (part == 0 && audio[0] != "0" && num(m[1]) == 0))
                    f.add("line %zu: audio track %s", no, a.c_str());
        if (tpid < 0 || tpid > 8191) f.add("line %zu: teletext %s", no, v[7].c_str());
        for (const std::string& ca : fields(v[8], ','))
            if (num(ca, 16) < 0 || num(ca, 16) > 0xFFFF || (v[8] != "0" && num(ca, 16) < 0x100))
                f.add("line %zu: CA %s", no, v[8].c_str());
        const long sid = num(v[9]), nid = num(v[10]), tid = num(v[11]);
        if (sid < 1 || sid > 0xFFFF || nid < 0 || nid > 0xFFFF || tid < 0 || tid > 0xFFFF ||
            v[12] != "0")
            f.add("line %zu: ids %s %s %s %s", no, v[9].c_str(), v[10].c_str(), v[11].c_str(),
                  v[12].c_str());
        // VDR's channel id; the frequency stands for the TID when both ids are 0.
        const std::string id = v[3] + "-" + v[10] + "-" +
                               (nid == 0 && tid == 0 ? v[1] + v[2].substr(0, 1) : v[11]) + "-" +
                               v[9];
        if (!ids.insert(id).second) f.add("line %zu: channel %s again", no, id.c_str());
        ++r.channels;
        r.channelNames.push_back(name);
    }
    return r;
}
