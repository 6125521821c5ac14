#pragma once
// Reads an Enigma2 or Enigma1 list folder back the way the receiver links
// it: a service to its transponder by (namespace, tid, nid); a bouquet
// entry, a parental line and an Enigma1 "bouquets" line to a service by
// (sid, namespace, tid, nid); an index line to a bouquet file; a
// transponder to the satellites.xml element of the position its namespace
// names. Every id is read as the receiver reads it: a hexadecimal number.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>

#include "tests/readback/readback.h"

enum EnigmaVersion { kEnigma1 = 1, kEnigma2 = 2 };

namespace readback {

inline std::vector<std::string_view> splitOn(std::string_view s, char c) {
    std::vector<std::string_view> v;
    for (size_t at = 0;;) {
        size_t end = s.find(c, at);
        v.push_back(s.substr(at, end == s.npos ? s.npos : end - at));
        if (end == s.npos) return v;
        at = end + 1;
    }
}
// The lines of a text file; the LF behind the last line ends it.
inline std::vector<std::string_view> linesOf(std::string_view s) {
    std::vector<std::string_view> v = splitOn(s, '\n');
    if (!v.empty() && v.back().empty()) v.pop_back();
    return v;
}
// One id as scanf("%x") takes it; anything but 1 to 8 hex digits is refused.
inline bool hexField(std::string_view f, uint32_t* v) {
    if (f.empty() || f.size() > 8) return false;
    *v = 0;
    for (char c : f) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) return false;
        *v = *v * 16 + static_cast<uint32_t>(d);
    }
    return true;
}
// Fields first..first+n-1 of `f` as hex numbers.
template <size_t N>
bool hexFields(const std::vector<std::string_view>& f, size_t first, std::array<uint32_t, N>* out) {
    if (f.size() < first + N) return false;
    for (size_t i = 0; i < N; ++i)
        if (!hexField(f[first + i], &(*out)[i])) return false;
    return true;
}
inline std::string str(std::string_view v) { return std::string(v); }

}  // namespace readback

// What the service list holds, as the receiver keys it.
struct EnigmaServices {
    using TpKey = std::array<uint32_t, 3>;       // namespace, tid, nid
    std::map<TpKey, std::string> transponders;   // key -> its data line
    std::set<std::array<uint32_t, 4>> services;  // sid, namespace, tid, nid
};

namespace readback {

struct EnigmaNames {
    const char* services;
    const char* head;
    const char* parental;
    const char* ref;  // service reference prefix in user bouquets
};
inline EnigmaNames enigmaNames(EnigmaVersion v) {
    if (v == kEnigma1) return {"services", "eDVB services /2/", "services.locked", "#SERVICE: "};
    return {"lamedb", "eDVB services /4/", "blacklist", "#SERVICE "};
}

// West positions are negative in the data lines and satellites.xml.
inline int signedPosition(uint32_t pos) {
    return pos <= 1799 ? static_cast<int>(pos) : static_cast<int>(pos) - 3600;
}

// "1:0:type:sid:tid:nid:ns:0:0:0:" (or a marker, flags 64); false when
// malformed. *key gets sid, namespace, tid, nid. The reference type and
// flags are decimal, the rest hexadecimal.
inline bool serviceRef(std::string_view ref, bool* marker, std::array<uint32_t, 4>* key) {
    std::vector<std::string_view> f = splitOn(ref, ':');
    std::array<uint32_t, 7> v{};
    if (f.size() != 11 || !f[10].empty() || !hexFields(f, 0, &v) || f[0] != "1" ||
        (f[1] != "0" && f[1] != "64"))
        return false;
    *marker = f[1] == "64";
    if (!*marker && v[2] != 1 && v[2] != 2) return false;
    *key = {v[3], v[6], v[4], v[5]};
    return true;
}

}  // namespace readback

// The service list: header, transponders (key, data, "/"), services (key,
// name, cache and provider), "end", the production line. Each service's
// transponder must be listed; a key listed twice must carry the same data.
inline Faults readEnigmaServices(const ListFiles& files, EnigmaVersion v, EnigmaServices* out) {
    using namespace readback;
    Faults f;
    const EnigmaNames n = enigmaNames(v);
    const std::string* text = fileOf(files, n.services);
    if (!text) {
        f.add("%s: missing", n.services);
        return f;
    }
    const std::vector<std::string_view> l = linesOf(*text);
    size_t i = 0;
    auto line = [&](size_t k) { return k < l.size() ? l[k] : std::string_view{}; };
    if (line(0) != n.head || line(1) != "transponders") f.add("%s: header", n.services);
    for (i = 2; i < l.size() && l[i] != "end"; i += 3) {
        std::array<uint32_t, 3> key{};
        std::vector<std::string_view> k = splitOn(l[i], ':');
        std::vector<std::string_view> d =
            splitOn(line(i + 1).substr(line(i + 1).rfind(' ') + 1), ':');
        if (k.size() != 3 || !hexFields(k, 0, &key) || line(i + 1).substr(0, 3) != "\ts " ||
            d.size() < 7 || line(i + 2) != "/") {
            f.add("%s line %zu: not a transponder \"%s\"", n.services, i + 1, str(l[i]).c_str());
            continue;
        }
        // The data line's position and frequency must be those the namespace names.
        const long kHz = std::atol(str(d[0]).c_str()), pos = std::atol(str(d[4]).c_str());
        if (pos != signedPosition(key[0] >> 16) ||
            static_cast<uint32_t>(kHz / 1000 & 0xFFFF) != (key[0] & 0xFFFF))
            f.add("%s line %zu: namespace %08x does not name position %ld, %ld kHz", n.services,
                  i + 1, key[0], pos, kHz);
        auto [at, added] = out->transponders.emplace(key, str(line(i + 1)));
        if (!added && at->second != line(i + 1))
            f.add("%s line %zu: transponder %s listed twice with other data", n.services, i + 1,
                  str(l[i]).c_str());
    }
    if (line(i) != "end" || line(i + 1) != "services")
        f.add("%s line %zu: no services section", n.services, i + 1);
    for (i += 2; i < l.size() && l[i] != "end"; i += 3) {
        std::array<uint32_t, 6> k{};
        std::vector<std::string_view> kf = splitOn(l[i], ':');
        if (kf.size() != 6 || !hexFields(kf, 0, &k) || (k[4] != 1 && k[4] != 2) ||
            i + 2 >= l.size() || line(i + 2).find("p:") == std::string_view::npos) {
            f.add("%s line %zu: not a service \"%s\"", n.services, i + 1, str(l[i]).c_str());
            continue;
        }
        if (!out->transponders.count({k[1], k[2], k[3]}))
            f.add("%s line %zu: service %s has no transponder %08x:%04x:%04x", n.services, i + 1,
                  str(l[i]).c_str(), k[1], k[2], k[3]);
        out->services.insert({k[0], k[1], k[2], k[3]});
    }
    if (line(i) != "end" || i + 2 < l.size() || line(i + 1).substr(0, 14) != "Produced with ")
        f.add("%s line %zu: no end and production line", n.services, i + 1);
    return f;
}

// bouquets.tv / bouquets.radio (Enigma2) or userbouquets.*.epl (Enigma1):
// every line names an existing user bouquet, each once, and every user
// bouquet is named by its index.
inline Faults checkEnigmaIndexes(const ListFiles& files, EnigmaVersion v) {
    using namespace readback;
    Faults f;
    std::set<std::string> named;
    for (const char* type : {"tv", "radio"}) {
        const std::string idx = v == kEnigma2 ? std::string("bouquets.") + type
                                              : std::string("userbouquets.") + type + ".epl";
        const std::string* text = fileOf(files, idx);
        if (!text) continue;
        const std::vector<std::string_view> l = linesOf(*text);
        if (l.empty() || l[0].substr(0, 6) != "#NAME ") f.add("%s: no #NAME line", idx.c_str());
        // Enigma2: "#SERVICE: 1:7:T:0:0:0:0:0:0:0:NAME"; Enigma1: "#SERVICE:
        // 4097:7:0:dbeNN:0:0:0:0:0:0:PATH", "#TYPE 16385", "PATH".
        const size_t step = v == kEnigma2 ? 1 : 3;
        const std::string head =
            v == kEnigma2 ? std::string("1:7:") + (type[0] == 't' ? "1" : "2") : "4097:7:0";
        for (size_t i = 1; i < l.size(); i += step) {
            std::vector<std::string_view> fl =
                splitOn(l[i].substr(std::min<size_t>(10, l[i].size())), ':');
            std::string name = fl.size() == 11 ? str(fl[10]) : "";
            bool good = l[i].substr(0, 10) == "#SERVICE: " && l[i].substr(10, head.size()) == head;
            if (v == kEnigma1) {
                const std::string path = name;
                name = path.substr(path.rfind('/') + 1);
                good = good && path.rfind("/var/tuxbox/config/enigma/", 0) == 0 &&
                       i + 2 < l.size() && l[i + 1] == "#TYPE 16385" && l[i + 2] == path &&
                       name.size() > 12 && fl[3] == name.substr(12, name.find('.', 12) - 12);
            }
            if (!good || name.rfind("userbouquet.", 0) != 0 ||
                name.substr(name.rfind('.') + 1) != type)
                f.add("%s line %zu: not a bouquet of its type \"%s\"", idx.c_str(), i + 1,
                      str(l[i]).c_str());
            else if (!files.count(name))
                f.add("%s line %zu: names %s, which is not in the list", idx.c_str(), i + 1,
                      name.c_str());
            else if (!named.insert(name).second)
                f.add("%s line %zu: names %s a second time", idx.c_str(), i + 1, name.c_str());
        }
    }
    for (const auto& [name, text] : files)
        if (name.rfind("userbouquet.", 0) == 0 && !named.count(name))
            f.add("%s: no index names it", name.c_str());
    return f;
}

// Every user bouquet entry, parental line and Enigma1 "bouquets" line
// resolves to a service of the service list.
inline Faults checkEnigmaEntries(const ListFiles& files, EnigmaVersion v, const EnigmaServices& s) {
    using namespace readback;
    Faults f;
    const EnigmaNames n = enigmaNames(v);
    const std::string ref = n.ref, desc = v == kEnigma1 ? "#DESCRIPTION: " : "#DESCRIPTION ";
    auto resolve = [&](const std::string& where, size_t line, std::string_view text,
                       const std::array<uint32_t, 4>& k) {
        if (!s.services.count(k))
            f.add("%s line %zu: %s names no service (sid %x, namespace %x, tid %x, nid %x)",
                  where.c_str(), line, str(text).c_str(), k[0], k[1], k[2], k[3]);
    };
    for (const auto& [name, text] : files) {
        if (name.rfind("userbouquet.", 0) != 0) continue;
        const std::vector<std::string_view> l = linesOf(text);
        if (l.empty() || l[0].substr(0, 6) != "#NAME ") f.add("%s: no #NAME line", name.c_str());
        for (size_t i = 1; i < l.size(); ++i) {
            bool marker = false;
            std::array<uint32_t, 4> k{};
            if (l[i].substr(0, ref.size()) != ref ||
                !serviceRef(l[i].substr(ref.size()), &marker, &k)) {
                f.add("%s line %zu: not a service line \"%s\"", name.c_str(), i + 1,
                      str(l[i]).c_str());
            } else if (marker) {
                if (i + 1 >= l.size() || l[++i].substr(0, desc.size()) != desc)
                    f.add("%s line %zu: marker without its description", name.c_str(), i + 1);
            } else {
                resolve(name, i + 1, l[i], k);
            }
        }
    }
    if (const std::string* text = fileOf(files, n.parental)) {
        const std::vector<std::string_view> l = linesOf(*text);
        size_t i = 0;
        if (v == kEnigma1 && (l.empty() || l[i++] != "Parentallocked Services"))
            f.add("%s: header", n.parental);
        for (; i < l.size(); ++i) {
            bool marker = true;
            std::array<uint32_t, 4> k{};
            if (!serviceRef(l[i], &marker, &k) || marker)
                f.add("%s line %zu: not a service \"%s\"", n.parental, i + 1, str(l[i]).c_str());
            else
                resolve(n.parental, i + 1, l[i], k);
        }
    } else {
        f.add("%s: missing", n.parental);
    }
    if (v == kEnigma1) {
        // "-id", "NNN name", then "sid:ns:tid:nid:type" lines, "/"; "end".
        const std::string* text = fileOf(files, "bouquets");
        const std::vector<std::string_view> l =
            text ? linesOf(*text) : std::vector<std::string_view>{};
        if (l.size() < 2 || l[0] != "eDVB bouquets /2/" || l[1] != "bouquets")
            f.add("bouquets: header");
        std::set<long> ids;
        size_t i = 2;
        while (i + 1 < l.size() && l[i] != "end") {
            const long id = std::atol(str(l[i]).c_str());
            if (l[i].substr(0, 1) != "-" || id >= 0 || !ids.insert(id).second)
                f.add("bouquets line %zu: bouquet id \"%s\"", i + 1, str(l[i]).c_str());
            for (i += 2; i < l.size() && l[i] != "/"; ++i) {
                std::array<uint32_t, 5> e{};
                std::vector<std::string_view> ef = splitOn(l[i], ':');
                if (ef.size() != 5 || !hexFields(ef, 0, &e))
                    f.add("bouquets line %zu: not a service \"%s\"", i + 1, str(l[i]).c_str());
                else
                    resolve("bouquets", i + 1, l[i], {e[0], e[1], e[2], e[3]});
            }
            ++i;
        }
        if (i >= l.size() || l[i] != "end" || i + 2 != l.size())
            f.add("bouquets line %zu: no end and production line", i + 1);
    }
    return f;
}

namespace readback {
// Output of `cmd`, and whether it exited 0.
inline bool run(const std::string& cmd, std::string* out) {
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return false;
    char buf[512];
    for (size_t k; (k = fread(buf, 1, sizeof buf, p)) > 0;) out->append(buf, k);
    return pclose(p) == 0;
}
// True when xmllint finds the text well-formed; *why gets its words.
inline bool wellFormedXml(const std::string& text, std::string* why) {
    char tmpl[] = "/tmp/va-readback-XXXXXX";
    const int fd = mkstemp(tmpl);
    const bool written =
        fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) close(fd);
    const bool ok = written && run(std::string("xmllint --noout '") + tmpl + "' 2>&1", why);
    if (fd >= 0) unlink(tmpl);
    return ok;
}
// The value of attribute `name` in one element line.
inline std::string attr(std::string_view line, const char* name) {
    const std::string key = std::string(" ") + name + "=\"";
    size_t at = line.find(key);
    if (at == line.npos) return {};
    at += key.size();
    return str(line.substr(at, line.find('"', at) - at));
}
// "kHz:sr:pol:fec", numbers without leading zeros.
inline std::string tpText(const std::string& kHz, const std::string& sr, const std::string& pol,
                          const std::string& fec) {
    return std::to_string(std::atol(kHz.c_str())) + ":" + std::to_string(std::atol(sr.c_str())) +
           ":" + pol + ":" + fec;
}
}  // namespace readback

// satellites.xml passes xmllint, and every transponder of the service list
// is an element of the satellite at the position its namespace names.
inline Faults checkEnigmaSatellitesXml(const ListFiles& files, const EnigmaServices& s) {
    using namespace readback;
    Faults f;
    const std::string* text = fileOf(files, "satellites.xml");
    if (!text) {
        f.add("satellites.xml: missing");
        return f;
    }
    std::string out;
    if (!wellFormedXml(*text, &out))
        f.add("satellites.xml: xmllint --noout fails: %s", out.substr(0, 300).c_str());

    // position -> "kHz:sr:pol:fec" of its transponders
    std::map<int, std::set<std::string>> sats;
    int position = 0;
    for (std::string_view l : linesOf(*text)) {
        if (l.find("<sat ") != l.npos) {
            position = std::atoi(attr(l, "position").c_str());
            sats[position];
        }
        if (l.find("<transponder ") != l.npos)
            sats[position].insert(tpText(attr(l, "frequency"), attr(l, "symbol_rate"),
                                         attr(l, "polarization"), attr(l, "fec_inner")));
    }
    for (const auto& [key, data] : s.transponders) {
        // "\ts kHz:sr:pol:fec:pos:..." with kHz of at least 8 digits.
        std::vector<std::string_view> d = splitOn(std::string_view(data).substr(3), ':');
        const std::string tp = tpText(str(d[0]), str(d[1]), str(d[2]), str(d[3]));
        auto sat = sats.find(signedPosition(key[0] >> 16));
        if (sat == sats.end())
            f.add("satellites.xml: no satellite at position %d for transponder %08x",
                  signedPosition(key[0] >> 16), key[0]);
        else if (!sat->second.count(tp))
            f.add("satellites.xml: satellite %d lacks transponder %s", sat->first, tp.c_str());
    }
    return f;
}

// The whole folder.
inline Faults readEnigma(const ListFiles& files, EnigmaVersion v) {
    EnigmaServices s;
    Faults f = readEnigmaServices(files, v, &s);
    f.merge(checkEnigmaIndexes(files, v));
    f.merge(checkEnigmaSatellitesXml(files, s));
    f.merge(checkEnigmaEntries(files, v, s));
    return f;
}
