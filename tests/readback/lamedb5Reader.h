#pragma once
// Reads Enigma2's two service lists, lamedb and lamedb5, each on its own
// and each the way the receiver's loader reads it: numbers as sscanf takes
// them (a field stops at the first character it cannot use, a missing one
// keeps its default), a name up to its line end (lamedb) or its first
// quote (lamedb5), service data split at every comma. Both give the same
// record, so a test can hold the two files against each other.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tests/readback/enigmaReader.h"

struct E2Transponder {
    std::array<uint32_t, 3> key{};  // namespace, tsid, onid
    // frequency, symbol rate, polarization, fec, position, inversion, flags,
    // system, modulation, rolloff, pilot; absent ones at the loader's defaults
    std::array<long, 11> tuning{};
    bool operator==(const E2Transponder&) const = default;
};

struct E2Service {
    std::array<uint32_t, 4> key{};  // sid, namespace, tsid, onid
    long type = -1, number = -1;
    uint32_t sourceId = 0;
    std::string name, provider;
    std::vector<std::pair<int, uint32_t>> cache;  // "c:" entries in order
    std::vector<std::string> other;               // "C:", "f:" as they stand
    bool operator==(const E2Service&) const = default;
};

struct E2ServiceDb {
    std::vector<E2Transponder> transponders;  // in file order
    std::vector<E2Service> services;
    bool operator==(const E2ServiceDb&) const = default;
};

namespace readback {

// sscanf("%d:%d:...") into v from the front of s: stops at the first field
// it cannot read, leaving that one and the rest as they were.
inline void scanDecimals(std::string_view s, long* v, size_t n) {
    size_t at = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) {
            if (at >= s.size() || s[at] != ':') return;
            ++at;
        }
        const std::string rest(s.substr(at));
        char* end = nullptr;
        const long x = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str()) return;
        v[i] = x;
        at += static_cast<size_t>(end - rest.c_str());
    }
}

// A satellite's tuning after "s ", or "s:" in lamedb5 (up to any ",").
inline bool satTuning(std::string_view s, std::array<long, 11>* t) {
    if (s.size() < 2 || s[0] != 's') return false;
    *t = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2};  // DVB-S, QPSK, roll-off 0.35, pilot unknown
    scanDecimals(s.substr(2, s.find(',') == s.npos ? s.npos : s.find(',') - 2), t->data(), 11);
    return true;
}

// "sid:ns:tsid:onid:type:number[:source]" as "%x:%x:%x:%x:%d:%d:%x".
inline bool serviceKey(std::string_view s, E2Service* out) {
    std::vector<std::string_view> f = splitOn(s, ':');
    if (f.size() < 6 || !hexFields(f, 0, &out->key)) return false;
    long tn[2] = {-1, -1};
    const size_t at = f[0].size() + f[1].size() + f[2].size() + f[3].size() + 4;
    scanDecimals(s.substr(at), tn, 2);
    out->type = tn[0], out->number = tn[1];
    if (f.size() > 6 && !hexField(f[6], &out->sourceId)) out->sourceId = 0;
    return out->number != -1;
}

// "p:", "c:" and other entries split at each comma, while the next one
// still has its colon second.
inline void serviceData(std::string str, E2Service* out) {
    while (str.size() >= 2 && str[1] == ':') {
        const size_t c = str.find(',');
        const std::string e = str.substr(0, c);
        str = c == str.npos ? "" : str.substr(c + 1);
        uint32_t x = 0;
        if (e[0] == 'p')
            out->provider = e.substr(2);
        else if (e[0] == 'c' && e.size() > 4 && hexField(std::string_view(e).substr(4), &x))
            out->cache.emplace_back(std::atoi(e.substr(2, 2).c_str()), x);
        else
            out->other.push_back(e);
    }
}

}  // namespace readback

// lamedb ("eDVB services /4/"): key, "\ts " tuning and "/" per transponder;
// key, name and data lines per service.
inline Faults readLamedb(const std::string& text, E2ServiceDb* db) {
    using namespace readback;
    Faults f;
    const std::vector<std::string_view> l = linesOf(text);
    auto line = [&](size_t k) { return k < l.size() ? l[k] : std::string_view{}; };
    if (line(0) != "eDVB services /4/" || line(1) != "transponders") f.add("lamedb: header");
    size_t i = 2;
    for (; i < l.size() && l[i] != "end"; i += 3) {
        E2Transponder t;
        std::vector<std::string_view> k = splitOn(l[i], ':');
        if (k.size() != 3 || !hexFields(k, 0, &t.key) || line(i + 1).substr(0, 1) != "\t" ||
            !satTuning(line(i + 1).substr(1), &t.tuning) || line(i + 2) != "/") {
            f.add("lamedb line %zu: not a transponder", i + 1);
            continue;
        }
        db->transponders.push_back(t);
    }
    if (line(i) != "end" || line(i + 1) != "services") f.add("lamedb: no services");
    for (i += 2; i < l.size() && l[i] != "end"; i += 3) {
        E2Service s;
        if (!serviceKey(l[i], &s) || i + 2 >= l.size()) {
            f.add("lamedb line %zu: not a service", i + 1);
            continue;
        }
        s.name = str(l[i + 1]);
        if (l[i + 2].size() >= 2 && l[i + 2][1] == ':')
            serviceData(str(l[i + 2]), &s);
        else
            s.provider = str(l[i + 2]);
        db->services.push_back(s);
    }
    if (line(i) != "end") f.add("lamedb: no end");
    return f;
}

// lamedb5 ("eDVB services /5/"): one "t:key,tuning" line per transponder,
// one "s:key,\"name\",data" line per service; any other line is passed over.
inline Faults readLamedb5(const std::string& text, E2ServiceDb* db) {
    using namespace readback;
    Faults f;
    const std::vector<std::string_view> l = linesOf(text);
    if (l.empty() || l[0] != "eDVB services /5/") f.add("lamedb5: header");
    for (size_t i = 1; i < l.size(); ++i) {
        const std::string_view ln = l[i];
        if (ln.substr(0, 2) == "t:") {
            E2Transponder t;
            const size_t comma = ln.find(',');
            std::vector<std::string_view> k = splitOn(ln.substr(2, comma - 2), ':');
            if (comma == ln.npos || k.size() != 3 || !hexFields(k, 0, &t.key) ||
                !satTuning(ln.substr(comma + 1), &t.tuning)) {
                f.add("lamedb5 line %zu: not a transponder", i + 1);
                continue;
            }
            db->transponders.push_back(t);
        } else if (ln.substr(0, 2) == "s:") {
            E2Service s;
            const size_t comma = ln.find(',');
            const size_t close = comma == ln.npos ? ln.npos : ln.find('"', comma + 2);
            if (close == ln.npos || ln.substr(comma, 2) != ",\"" ||
                !serviceKey(ln.substr(2, comma - 2), &s)) {
                f.add("lamedb5 line %zu: not a service", i + 1);
                continue;
            }
            s.name = str(ln.substr(comma + 2, close - comma - 2));
            if (close + 1 < ln.size() && ln[close + 1] == ',')
                serviceData(str(ln.substr(close + 2)), &s);
            else if (close + 1 < ln.size())
                f.add("lamedb5 line %zu: data after the name without a comma", i + 1);
            db->services.push_back(s);
        } else if (!ln.empty() && ln[0] != '#') {
            f.add("lamedb5 line %zu: neither transponder, service nor comment", i + 1);
        }
    }
    return f;
}

// lamedb read as lamedb5 must say it: lamedb5 cannot carry a quote in a
// name, the writer puts an apostrophe there.
inline void quotesAsLamedb5(E2ServiceDb* db) {
    for (E2Service& s : db->services) std::replace(s.name.begin(), s.name.end(), '"', '\'');
}
