#pragma once
// Reads a Neutrino folder back as the receiver's loader takes it: three
// well-formed UTF-8 zapit documents (api 4); satellites, transponders and
// services with values in the ranges of the receiver's codes, no
// transponder or service id twice (the loader keeps the first); every
// entry of the user bouquets names a service, every service is in some
// bouquet, and bouquets.xml, whose bouquets the receiver sorts, has none.
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/readback/enigmaReader.h"
#include "tests/readback/vdrReader.h"

struct NeutrinoRead {
    Faults faults;
    uint32_t satellites = 0, transponders = 0, services = 0, entries = 0;
    // The user bouquets in order: name and the names of their entries.
    std::vector<std::pair<std::string, std::vector<std::string>>> bouquets;
};

namespace neutrinoread {

struct Element {
    std::string name;  // "/name" for an end tag
    std::map<std::string, std::string> attrs;
    bool empty = false;  // <name .../>
};

inline std::string unescape(std::string_view v) {
    std::string s;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '&') {
            s += v[i];
            continue;
        }
        const size_t end = v.find(';', i);
        const std::string_view e = v.substr(i + 1, end == v.npos ? 0 : end - i - 1);
        static const std::map<std::string_view, char> named = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        auto it = named.find(e);
        s += it != named.end() ? std::string(1, it->second) : "&" + std::string(e) + ";";
        i = end == v.npos ? v.size() : end;
    }
    return s;
}

// The elements of a document in order; xmllint has judged its form.
inline std::vector<Element> elements(std::string_view doc) {
    std::vector<Element> out;
    for (size_t at = doc.find('<'); at != doc.npos; at = doc.find('<', at)) {
        const size_t end = doc.find('>', at);
        if (end == doc.npos) break;
        std::string_view tag = doc.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        Element e;
        if (tag.back() == '/') e.empty = true, tag.remove_suffix(1);
        const size_t sp = tag.find_first_of(" \t\n");
        e.name = std::string(tag.substr(0, sp));
        for (size_t p = sp; p != tag.npos && p < tag.size();) {
            const size_t eq = tag.find("=\"", p);
            if (eq == tag.npos) break;
            const size_t q = tag.find('"', eq + 2);
            const size_t k = tag.find_first_not_of(" \t\n", p);
            e.attrs[std::string(tag.substr(k, eq - k))] = unescape(tag.substr(eq + 2, q - eq - 2));
            p = q + 1;
        }
        out.push_back(std::move(e));
    }
    return out;
}

// A number in base 10 or 16, whole, or nothing.
inline bool number(const std::map<std::string, std::string>& a, const char* key, int base,
                   long* v) {
    auto it = a.find(key);
    if (it == a.end() || it->second.empty() || it->second.size() > 9) return false;
    char* end = nullptr;
    *v = std::strtol(it->second.c_str(), &end, base);
    return *end == '\0';
}

}  // namespace neutrinoread

inline NeutrinoRead readNeutrino(const ListFiles& files) {
    using namespace neutrinoread;
    NeutrinoRead r;
    Faults& f = r.faults;
    std::map<std::string, std::vector<Element>> docs;
    for (const char* name : {"services.xml", "ubouquets.xml", "bouquets.xml"}) {
        const std::string* text = fileOf(files, name);
        std::string why;
        if (!text) {
            f.add("%s: missing", name);
        } else if (!readback::wellFormedXml(*text, &why)) {
            f.add("%s: xmllint --noout fails: %s", name, why.substr(0, 200).c_str());
        } else if (!vdrread::validUtf8(*text)) {
            f.add("%s: not UTF-8", name);
        } else {
            docs[name] = elements(*text);
            const auto& d = docs[name];
            if (d.empty() || d[0].name != "zapit" || d[0].attrs.count("api") == 0 ||
                d[0].attrs.at("api") != "4")
                f.add("%s: not a zapit document of api 4", name);
        }
    }
    if (!f.ok()) return r;

    // Services by the receiver's id: sid, network, stream, position, MHz.
    using Id = std::tuple<long, long, long, long, long>;
    std::map<Id, bool> services;  // -> reached by a bouquet
    std::set<std::tuple<long, long, long, long>> tps;
    std::set<long> positions;
    std::set<std::pair<bool, long>> numbers;
    static const std::set<long> kFec = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11};
    long pos = 0, tsid = 0, onid = 0, mhz = 0;
    int depth = 0;
    for (const Element& e : docs["services.xml"]) {
        const auto& a = e.attrs;
        long v = 0;
        if (e.name == "sat") {
            ++r.satellites, depth = 1;
            if (a.count("name") == 0 || a.at("name").empty()) f.add("a satellite without a name");
            if (!number(a, "position", 10, &pos) || pos < -1800 || pos > 1800 ||
                !positions.insert(pos).second)
                f.add("satellite %zu: position %ld wrong or again", size_t{r.satellites}, pos);
        } else if (e.name == "TS") {
            ++r.transponders;
            if (depth != 1) f.add("a transponder outside a satellite");
            depth = 2;
            long frq = 0, sr = 0, fec = 0, pol = 0, mod = 0, sys = 0, inv = 0;
            if (!number(a, "id", 16, &tsid) || !number(a, "on", 16, &onid) || tsid > 0xFFFF ||
                onid > 0xFFFF || !number(a, "frq", 10, &frq) || frq < 2000000 || frq > 22000000 ||
                !number(a, "sr", 10, &sr) || sr < 1000000 || sr > 99999000 ||
                !number(a, "fec", 10, &fec) || kFec.count(fec) == 0 ||
                !number(a, "pol", 10, &pol) || pol < 0 || pol > 3 || !number(a, "mod", 10, &mod) ||
                (mod != 0 && mod != 9) || !number(a, "sys", 10, &sys) || sys < 0 || sys > 1 ||
                (sys == 0 && mod != 0) || !number(a, "inv", 10, &inv) || inv < 0 || inv > 2)
                f.add("transponder %zu: a value out of range", size_t{r.transponders});
            mhz = (frq + 500) / 1000;
            if (!tps.emplace(mhz, pos, onid, tsid).second)
                f.add("transponder %ld MHz %lx/%lx at %ld again", mhz, onid, tsid, pos);
        } else if (e.name == "S") {
            ++r.services;
            if (depth != 2) f.add("a service outside a transponder");
            long sid = 0, type = 0, num = 0, s = 0;
            if (!number(a, "i", 16, &sid) || sid < 1 || sid > 0xFFFF ||
                !number(a, "t", 16, &type) || (type != 1 && type != 2 && type != 0x19) ||
                !number(a, "s", 10, &s) || s < 0 || s > 1 || !number(a, "num", 10, &num) ||
                num < 1 || !numbers.emplace(type == 2, num).second || a.count("n") == 0)
                f.add("service %zu: a value out of range or number again", size_t{r.services});
            if (a.count("pmt")) {
                for (const char* pid : {"v", "a", "p", "pmt", "tx"})
                    if (!number(a, pid, 16, &v) || v < 0 || v > 0x1FFF)
                        f.add("service %zu: PID %s", size_t{r.services}, pid);
            }
            if (!services.emplace(Id{sid, onid, tsid, pos, mhz}, false).second)
                f.add("service %lx on %ld MHz at %ld again", sid, mhz, pos);
        } else if (e.name == "/TS") {
            depth = 1;
        } else if (e.name == "/sat") {
            depth = 0;
        }
    }

    for (const Element& e : docs["ubouquets.xml"]) {
        const auto& a = e.attrs;
        if (e.name == "Bouquet") {
            if (a.count("name") == 0 || a.at("name").empty()) f.add("a bouquet without a name");
            r.bouquets.push_back({a.count("name") ? a.at("name") : "", {}});
        } else if (e.name == "S") {
            ++r.entries;
            long sid = 0, tid = 0, on = 0, s = 0, frq = 0, l = 0;
            const bool read = number(a, "i", 16, &sid) && number(a, "t", 16, &tid) &&
                              number(a, "on", 16, &on) && number(a, "s", 10, &s) &&
                              number(a, "frq", 10, &frq);
            if (a.count("l") && (!number(a, "l", 10, &l) || l < 0 || l > 1))
                f.add("entry %zu: lock %s", size_t{r.entries}, a.at("l").c_str());
            auto it = services.find(Id{sid, on, tid, s, frq});
            if (!read || it == services.end() || r.bouquets.empty())
                f.add("entry %zu names no service (sid %lx, %ld MHz at %ld)", size_t{r.entries},
                      sid, frq, s);
            else
                it->second = true;
            if (!r.bouquets.empty())
                r.bouquets.back().second.push_back(a.count("n") ? a.at("n") : "");
        }
    }
    for (const auto& [id, reached] : services)
        if (!reached)
            f.add("service %lx at %ld is in no bouquet", std::get<0>(id), std::get<3>(id));
    for (const Element& e : docs["bouquets.xml"])
        if (e.name == "Bouquet") f.add("bouquets.xml holds a bouquet the receiver would sort");
    return r;
}
