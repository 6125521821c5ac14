// An Enigma2 settings folder: "lamedb" (version 4) with its transponders
// and services, the bouquet indexes "bouquets.tv" and "bouquets.radio" with
// the user bouquets they name, "blacklist" and, for the transponders no
// service uses and the satellites' names, "satellites.xml".
//
// Providers become bouquets, user bouquets favourite groups. A user bouquet
// that only restates one provider's services on one satellite (as the
// lists Velartis writes hold one per bouquet) is that bouquet, not a group.
#include <algorithm>
#include <map>
#include <set>

#include "config/codepage.h"
#include "config/unicodeText.h"
#include "import/importSources.h"
#include "import/importText.h"

namespace {

struct TpKey {
    uint32_t ns;
    unsigned tid, nid;
    bool operator<(const TpKey& o) const {
        return std::tie(ns, tid, nid) < std::tie(o.ns, o.tid, o.nid);
    }
};
struct SvcKey {
    unsigned sid;
    TpKey tp;
    bool operator<(const SvcKey& o) const { return std::tie(sid, tp) < std::tie(o.sid, o.tp); }
};

struct Reader {
    std::string folder;
    ImportModel* m;
    ImportError* err;
    ModelBuilder b;
    std::map<TpKey, size_t> tps;          // lamedb transponders
    std::set<TpKey> notSatellite;         // cable and terrestrial ones
    std::map<SvcKey, size_t> services;    // first channel of a key
    std::map<size_t, std::set<std::string>> providers;  // channel -> its provider bouquets

    bool refuse(const std::string& file, uint64_t line, std::string reason) {
        *err = ImportError{folder + "/" + file, line, std::move(reason)};
        return false;
    }
};

bool hexField(std::string_view s, uint64_t max, uint64_t* v) { return parseNumber(s, max, v, 16); }

// "nnnnnnnn:tttt:oooo"
bool tpKeyOf(std::string_view s, TpKey* k) {
    std::vector<std::string_view> f = split(s, ':');
    uint64_t ns = 0, tid = 0, nid = 0;
    if (f.size() < 3 || !hexField(f[0], 0xFFFFFFFF, &ns) || !hexField(f[1], 0xFFFF, &tid) ||
        !hexField(f[2], 0xFFFF, &nid))
        return false;
    *k = TpKey{static_cast<uint32_t>(ns), static_cast<unsigned>(tid), static_cast<unsigned>(nid)};
    return true;
}

// "s freq:sr:pol:fec:pos:inv:flags[:system:modulation:rolloff:pilot[...]]"
bool satTransponder(std::string_view data, ImpTransponder* t, int* position, ImportNotes* notes,
                    std::string* why) {
    std::vector<std::string_view> f = split(data, ':');
    if (f.size() < 7) {
        *why = "a satellite transponder has at least 7 values, this one " + std::to_string(f.size());
        return false;
    }
    uint64_t freq = 0, sr = 0, pol = 0, fec = 0;
    if (!parseNumber(f[0], 100000000, &freq)) {
        *why = "frequency '" + std::string(f[0]) + "' is not a number of kHz";
        return false;
    }
    if (!parseNumber(f[1], 1000000000, &sr)) {
        *why = "symbol rate '" + std::string(f[1]) + "' is not a number of symbols per second";
        return false;
    }
    *why = frequencyFault("frequency " + std::string(f[0]), (freq + 500) / 1000);
    if (why->empty()) *why = symbolRateFault("symbol rate " + std::string(f[1]), (sr + 500) / 1000);
    if (!why->empty()) return false;
    if (!parseNumber(f[2], 3, &pol)) {
        *why = "polarisation '" + std::string(f[2]) + "' is not 0 to 3";
        return false;
    }
    if (!parseNumber(f[3], 15, &fec)) {
        *why = "FEC '" + std::string(f[3]) + "' is not 0 to 15";
        return false;
    }
    std::string_view ps = f[4];
    const bool negative = !ps.empty() && ps[0] == '-';
    uint64_t pos = 0;
    if (!parseNumber(negative ? ps.substr(1) : ps, negative ? 1800 : 3599, &pos)) {
        *why = "orbital position '" + std::string(ps) + "' is not -1800 to 3599";
        return false;
    }
    *position = negative ? 3600 - static_cast<int>(pos) : static_cast<int>(pos);
    if (*position == 3600) *position = 0;
    uint64_t system = 0, mod = 0, pilot = 2, tmp = 0;
    // Past the pilot come multistream and T2-MI values, -1 where unset.
    for (size_t i = 5; i < f.size(); ++i)
        if (!parseNumber(i > 10 && !f[i].empty() && f[i][0] == '-' ? f[i].substr(1) : f[i], 0xFFFFFFFF, &tmp)) {
            *why = "value " + std::to_string(i + 1) + " '" + std::string(f[i]) + "' is not a number";
            return false;
        }
    if (f.size() > 7) parseNumber(f[7], 0xFFFFFFFF, &system);
    if (f.size() > 8) parseNumber(f[8], 0xFFFFFFFF, &mod);
    if (f.size() > 10) parseNumber(f[10], 0xFFFFFFFF, &pilot);
    if (system > 1 || mod > 5 || mod == 3 || pilot > 2) {
        *why = "system, modulation or pilot out of range (" + std::string(data) + ")";
        return false;
    }
    t->frequency = static_cast<int>((freq + 500) / 1000);
    t->sr = static_cast<int>((sr + 500) / 1000);
    static const int kPol[4] = {1, 0, 3, 2};  // receiver's H, V, L, R
    t->polarity = kPol[pol];
    t->fec = fec <= 9 ? static_cast<int>(fec) : 0;  // 15 "none", 10 6/7: auto
    if (system == 0) {
        t->modulation = 0;
        t->pilot = 0;
    } else {
        if (mod == 4 || mod == 5) ++notes->otherModulation;
        t->modulation = mod == 1 ? 1 : 2;
        t->pilot = f.size() > 10 ? static_cast<int>(pilot) : 2;
    }
    return true;
}

bool readLamedb(Reader& r, const std::string& bytes) {
    const SourceText text = sourceText(bytes);
    std::vector<std::string_view> lines = splitLines(text.bytes);
    size_t i = 0;
    auto refuse = [&](std::string reason) { return r.refuse("lamedb", i + 1, std::move(reason)); };
    if (lines.empty() || trim(lines[0]) != "eDVB services /4/")
        return r.refuse("lamedb", 1,
                        "the first line must read \"eDVB services /4/\" (lamedb version 4)");
    i = 1;
    if (i >= lines.size() || trim(lines[i]) != "transponders") return refuse("expected \"transponders\"");
    for (++i; i < lines.size() && trim(lines[i]) != "end"; ++i) {
        TpKey k;
        if (!tpKeyOf(trim(lines[i]), &k))
            return refuse("a transponder starts with namespace:tsid:onid in hexadecimal");
        if (i + 2 >= lines.size()) return refuse("the transponder is cut short");
        std::string_view data = trim(lines[++i]);
        if (data.size() < 2 || data[1] != ' ') return refuse("a transponder's data line reads \"s ...\"");
        if (data[0] == 's') {
            ImpTransponder t;
            int position = 0;
            std::string why;
            if (!satTransponder(data.substr(2), &t, &position, &r.m->notes, &why)) return refuse(why);
            t.sat = r.m->satAt(position);
            t.tid = k.tid;
            t.nid = k.nid;
            if (r.tps.count(k)) return refuse("transponder " + std::string(trim(lines[i - 1])) + " is listed twice");
            r.tps[k] = r.b.transponder(t);
        } else if (data[0] == 'c' || data[0] == 't' || data[0] == 'a') {
            r.notSatellite.insert(k);
            ++r.m->notes.notSatellite;
        } else {
            return refuse("unknown transponder type '" + std::string(1, data[0]) + "'");
        }
        if (trim(lines[++i]) != "/") return refuse("a transponder ends with a line \"/\"");
    }
    if (i >= lines.size()) return refuse("the transponders have no \"end\"");
    ++i;
    if (i >= lines.size() || trim(lines[i]) != "services") return refuse("expected \"services\"");
    for (++i; i < lines.size() && trim(lines[i]) != "end"; ++i) {
        std::vector<std::string_view> f = split(trim(lines[i]), ':');
        uint64_t sid = 0, type = 0;
        TpKey k;
        if (f.size() < 6 || !hexField(f[0], 0xFFFF, &sid) ||
            !tpKeyOf(std::string(f[1]) + ":" + std::string(f[2]) + ":" + std::string(f[3]), &k) ||
            !parseNumber(f[4], 0xFFFF, &type))
            return refuse("a service starts with sid:namespace:tsid:onid:type:number");
        if (sid == 0) return refuse("service id 0 names no service (1 to ffff)");
        if (i + 2 >= lines.size()) return refuse("the service is cut short");
        const uint64_t serviceLine = i + 1;
        std::string_view name = lines[++i];
        std::string_view data = lines[++i];
        if (r.notSatellite.count(k)) {
            ++r.m->notes.notSatellite;
            continue;
        }
        auto tp = r.tps.find(k);
        if (tp == r.tps.end()) {
            i -= 2;
            return refuse("the service's transponder " + std::string(f[1]) + ":" + std::string(f[2]) +
                          ":" + std::string(f[3]) + " is not among the transponders");
        }
        ImpChannel c;
        c.tp = tp->second;
        c.sid = static_cast<unsigned>(sid);
        c.name = importName(name, text.utf8, kChNameMax, &r.m->notes);
        if (c.name.empty()) c.name = "?";
        c.radio = type == 2 || type == 10;
        c.hd = type == 17 || type == 25 || type == 31;
        std::string prov;
        for (std::string_view item : split(data, ',')) {
            if (item.size() < 2 || item[1] != ':') {
                if (trim(item).empty()) continue;
                return refuse("'" + std::string(item) + "' is not a p:, c:, C: or f: entry");
            }
            std::string_view v = item.substr(2);
            uint64_t n = 0;
            switch (item[0]) {
            case 'p': prov = importName(v, text.utf8, kBouNameMax, &r.m->notes, true); break;
            case 'c': {
                uint64_t id = 0;
                if (v.size() < 3 || !parseNumber(v.substr(0, 2), 99, &id) ||
                    !hexField(v.substr(2), 0xFFFFFFFF, &n)) {
                    return refuse("cache entry 'c:" + std::string(v) + "' is not two digits and a hexadecimal value");
                }
                // A PID has at most four digits and 13 bits; a longer or
                // larger one is a broken entry, not one to cut to size.
                const bool isPid = id <= 4 || (id >= 10 && id <= 12);
                if (isPid && (v.size() > 6 || n > kMaxPid))
                    return refuse("cache entry 'c:" + std::string(v) +
                                  "' holds no PID (0 to 1fff, at most four digits)");
                const unsigned pid = static_cast<unsigned>(n);
                switch (id) {
                case 0: c.vpid = pid; break;
                case 1: c.audio.push_back(ImpAudio{pid, kUndeterminedLanguage, false, false}); break;
                case 2: c.txt = pid; break;
                case 3: c.pcr = pid; break;
                case 4:
                case 11: c.audio.push_back(ImpAudio{pid, kUndeterminedLanguage, true, false}); break;
                case 12:
                case 10: c.audio.push_back(ImpAudio{pid, kUndeterminedLanguage, false, false}); break;
                case 5: if (n == 1 || n == 7) c.hd = true; break;  // H.264, HEVC
                default: break;
                }
                break;
            }
            case 'C': {
                if (!hexField(v, 0xFFFF, &n)) {
                    return refuse("CA id 'C:" + std::string(v) + "' is not hexadecimal");
                }
                int code = casCode(static_cast<unsigned>(n));
                if (code >= 0 && std::find(c.cas.begin(), c.cas.end(), code) == c.cas.end())
                    c.cas.push_back(code);
                break;
            }
            default: break;  // f: flags and what later versions add
            }
        }
        std::sort(c.cas.begin(), c.cas.end());
        if (c.radio) c.vpid = 0;
        const SvcKey key{c.sid, k};
        c.where = r.folder + "/lamedb:" + std::to_string(serviceLine);
        const size_t ch = r.b.channel(std::move(c));
        r.services.emplace(key, ch);
        if (prov.empty()) prov = "Other";
        r.providers[ch].insert(prov);
        r.b.join(r.m->bouquet(prov), ch, false);
    }
    if (i >= lines.size()) return refuse("the services have no \"end\"");
    r.m->notes.linesRead += lines.size();
    return true;
}

// "1:0:type:sid:tsid:onid:ns:0:0:0:[name]"
struct Ref {
    uint64_t flags = 0, type = 0, marker = 0;
    SvcKey key{};
    bool dvb = false;  // a DVB service (not a stream or a sub-bouquet)
};
bool refOf(std::string_view s, Ref* ref) {
    std::vector<std::string_view> f = split(s, ':');
    if (f.size() < 10) return false;
    uint64_t v[7] = {};
    for (int k = 0; k < 7; ++k)
        if (!hexField(f[static_cast<size_t>(k)], 0xFFFFFFFF, &v[k])) return false;
    ref->flags = v[1];
    ref->type = v[2];
    ref->marker = v[2];
    ref->dvb = v[0] == 1 && (v[1] & 64) == 0 && (v[1] & 7) != 7;
    // Ids of 16 bits: a larger one would be cut to another service's.
    if (ref->dvb && (v[3] > 0xFFFF || v[4] > 0xFFFF || v[5] > 0xFFFF)) return false;
    ref->key = SvcKey{static_cast<unsigned>(v[3] & 0xFFFF),
                      TpKey{static_cast<uint32_t>(v[6]), static_cast<unsigned>(v[4] & 0xFFFF),
                            static_cast<unsigned>(v[5] & 0xFFFF)}};
    return true;
}

// A user bouquet: its name, first marker number and services in order.
struct UserBouquet {
    std::string name;
    uint64_t firstMarker = 0;  // 0: none
    std::vector<size_t> channels;
};

bool readUserBouquet(Reader& r, const std::string& file, const std::string& bytes, UserBouquet* u) {
    const SourceText text = sourceText(bytes);
    uint64_t lineNo = 0;
    for (std::string_view line : splitLines(text.bytes)) {
        ++lineNo;
        ++r.m->notes.linesRead;
        std::string_view t = trim(line);
        if (t.empty() || t.rfind("#DESCRIPTION", 0) == 0 || t.rfind("#SORT", 0) == 0) continue;
        if (t.rfind("#NAME", 0) == 0) {
            u->name = importName(trim(t.substr(5)), text.utf8, 64, &r.m->notes, true);
            continue;
        }
        if (t.rfind("#SERVICE", 0) != 0) return r.refuse(file, lineNo, "a line of a bouquet starts with #NAME, #SERVICE or #DESCRIPTION");
        std::string_view s = trim(t.substr(8));
        if (!s.empty() && s[0] == ':') s = trim(s.substr(1));
        Ref ref;
        if (!refOf(s, &ref)) return r.refuse(file, lineNo, "'" + std::string(s) + "' is not a service reference");
        if (ref.flags & 64) {  // a marker
            if (u->firstMarker == 0) u->firstMarker = ref.marker + 1;
            continue;
        }
        if (!ref.dvb) {
            ++r.m->notes.otherEntries;
            continue;
        }
        auto it = r.services.find(ref.key);
        if (it == r.services.end()) {
            ++r.m->notes.danglingRefs;
            continue;
        }
        u->channels.push_back(it->second);
    }
    if (u->name.empty()) u->name = importName(file, true, 64, &r.m->notes, true);
    return true;
}

// The user bouquet files an index names, in order.
bool indexFiles(Reader& r, const std::string& index, const std::string& bytes,
                std::vector<std::string>* files) {
    uint64_t lineNo = 0;
    for (std::string_view line : splitLines(bytes)) {
        ++lineNo;
        ++r.m->notes.linesRead;
        std::string_view t = trim(line);
        if (t.empty() || t.rfind("#NAME", 0) == 0 || t.rfind("#DESCRIPTION", 0) == 0) continue;
        if (t.rfind("#SERVICE", 0) != 0) return r.refuse(index, lineNo, "a line of the index starts with #NAME or #SERVICE");
        std::string name;
        size_t q = t.find("FROM BOUQUET \"");
        if (q != std::string_view::npos) {
            std::string_view rest = t.substr(q + 14);
            name = std::string(rest.substr(0, rest.find('"')));
        } else {
            name = std::string(trim(t.substr(t.find_last_of(':') + 1)));
        }
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
            return r.refuse(index, lineNo, "'" + name + "' is not the name of a bouquet file of the folder");
        files->push_back(name);
    }
    return true;
}

// True when a user bouquet is named after a provider ("ARD" or "ARD 19.2E")
// and holds only that provider's services on one satellite.
bool restatesProvider(const Reader& r, const UserBouquet& u) {
    if (u.channels.empty()) return false;
    const size_t sat = r.m->tps[r.m->chs[u.channels.front()].tp].sat;
    const std::string prov = u.name.substr(0, nameWithoutLocation(u.name, r.m->sats[sat].position));
    for (size_t ch : u.channels) {
        auto it = r.providers.find(ch);
        if (it == r.providers.end() || !it->second.count(prov) ||
            r.m->tps[r.m->chs[ch].tp].sat != sat)
            return false;
    }
    return true;
}

// satellites.xml: names of the satellites the services lie on, and their
// transponders that lamedb does not list.
std::string xmlAttr(std::string_view tag, const char* name) {
    std::string key = std::string(" ") + name + "=\"";
    size_t at = tag.find(key);
    if (at == std::string_view::npos) return {};
    at += key.size();
    size_t end = tag.find('"', at);
    if (end == std::string_view::npos) return {};
    return std::string(tag.substr(at, end - at));
}

// An attribute value as UTF-8, its entities resolved; a file that is not
// UTF-8 is read as Windows-1252 (a superset of its declared Latin-1).
std::string xmlText(std::string_view s, bool utf8) {
    std::string out;
    auto plain = [&](char c) {
        if (utf8)
            out += c;
        else
            out += latin1ToUtf8(std::string_view(&c, 1));
    };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            plain(s[i]);
            continue;
        }
        size_t semi = s.find(';', i);
        if (semi == std::string_view::npos) {
            plain(s[i]);
            continue;
        }
        std::string_view ent = s.substr(i + 1, semi - i - 1);
        uint32_t cp = 0;
        uint64_t n = 0;
        if (ent == "amp") cp = '&';
        else if (ent == "lt") cp = '<';
        else if (ent == "gt") cp = '>';
        else if (ent == "quot") cp = '"';
        else if (ent == "apos") cp = '\'';
        else if (ent.size() > 2 && ent[0] == '#' && (ent[1] == 'x' || ent[1] == 'X') && parseNumber(ent.substr(2), 0x10FFFF, &n, 16)) cp = static_cast<uint32_t>(n);
        else if (ent.size() > 1 && ent[0] == '#' && parseNumber(ent.substr(1), 0x10FFFF, &n)) cp = static_cast<uint32_t>(n);
        if (cp == 0) {
            plain(s[i]);
            continue;
        }
        appendUtf8(out, cp);
        i = semi;
    }
    return out;
}

bool readSatellitesXml(Reader& r, const std::string& bytes) {
    // Many files declare Latin-1 and hold UTF-8: text that is well-formed
    // UTF-8 is taken as such (Latin-1 letters seldom form valid sequences).
    const bool utf8 = bytes.find("encoding=\"utf-8\"") != std::string::npos ||
                      bytes.find("encoding=\"UTF-8\"") != std::string::npos || isValidUtf8(bytes);
    std::map<int, size_t> wanted;  // positions lamedb has
    for (size_t s = 0; s < r.m->sats.size(); ++s) wanted[r.m->sats[s].position] = s;
    std::set<std::pair<size_t, std::pair<int, int>>> known;  // sat, frequency, polarity
    for (const ImpTransponder& t : r.m->tps) known.insert({t.sat, {t.frequency, t.polarity}});
    long sat = -1;
    size_t at = 0;
    uint64_t line = 1;
    for (;;) {
        size_t open = bytes.find('<', at);
        if (open == std::string::npos) break;
        size_t close = bytes.find('>', open);
        if (close == std::string::npos) return r.refuse("satellites.xml", line, "a tag is not closed");
        line += static_cast<uint64_t>(std::count(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(close), '\n'));
        std::string_view tag(bytes.data() + open, close - open + 1);
        at = close + 1;
        if (tag.rfind("<sat ", 0) == 0) {
            sat = -1;
            uint64_t p = 0;
            std::string ps = xmlAttr(tag, "position");
            const bool negative = !ps.empty() && ps[0] == '-';
            if (!parseNumber(negative ? std::string_view(ps).substr(1) : std::string_view(ps), 3599, &p))
                return r.refuse("satellites.xml", line, "position '" + ps + "' is not a number");
            int pos = negative ? 3600 - static_cast<int>(p) : static_cast<int>(p);
            auto w = wanted.find(pos);
            if (w == wanted.end()) continue;
            sat = static_cast<long>(w->second);
            std::string name = xmlText(xmlAttr(tag, "name"), utf8);
            name.resize(nameWithoutLocation(name, pos));
            if (r.m->sats[w->second].name.empty())
                r.m->sats[w->second].name = importName(name, true, kSatNameMax, &r.m->notes, true);
        } else if (tag.rfind("<transponder ", 0) == 0 && sat >= 0) {
            uint64_t f = 0, sr = 0, pol = 0, fec = 0, sys = 0, mod = 0, pilot = 2;
            std::string ps = xmlAttr(tag, "pilot"), ss = xmlAttr(tag, "system"), ms = xmlAttr(tag, "modulation");
            if (!parseNumber(xmlAttr(tag, "frequency"), 40000000, &f) || f < 2000000 ||
                !parseNumber(xmlAttr(tag, "symbol_rate"), 1000000000, &sr) || sr < 1000 ||
                !parseNumber(xmlAttr(tag, "polarization"), 3, &pol) ||
                !parseNumber(xmlAttr(tag, "fec_inner"), 15, &fec) ||
                (!ss.empty() && !parseNumber(ss, 1, &sys)) || (!ms.empty() && !parseNumber(ms, 5, &mod)) ||
                (!ps.empty() && !parseNumber(ps, 2, &pilot)))
                return r.refuse("satellites.xml", line, "a transponder's values are not numbers in range");
            // A carrier receivers cannot tune is passed over: the file is
            // often a public one, and it carries no channel of the list.
            const std::string fs = xmlAttr(tag, "frequency"), srs = xmlAttr(tag, "symbol_rate");
            std::string fault = frequencyFault("frequency " + fs, (f + 500) / 1000);
            if (fault.empty()) fault = symbolRateFault("symbol_rate " + srs, (sr + 500) / 1000);
            if (!fault.empty()) {
                r.m->notes.untunable.push_back(
                    r.folder + "/satellites.xml:" + std::to_string(line) + " (" + fault + ")");
                continue;
            }
            ImpTransponder t;
            static const int kPol[4] = {1, 0, 3, 2};
            t.sat = static_cast<size_t>(sat);
            t.frequency = static_cast<int>((f + 500) / 1000);
            t.sr = static_cast<int>((sr + 500) / 1000);
            t.polarity = kPol[pol];
            t.fec = fec <= 9 ? static_cast<int>(fec) : 0;
            if (sys == 1) {
                if (mod == 4 || mod == 5) ++r.m->notes.otherModulation;
                t.modulation = mod == 1 ? 1 : 2;
                t.pilot = static_cast<int>(pilot);
            }
            if (known.insert({t.sat, {t.frequency, t.polarity}}).second) r.b.transponder(t);
        }
    }
    return true;
}

}  // namespace

bool readEnigma2(const std::string& folder, const FolderReader& read, ImportModel* m,
                 ImportError* err, const SourceOptions& o) {
    Reader r{folder, m, err, ModelBuilder(m), {}, {}, {}, {}};
    std::string bytes;
    if (!read("lamedb", &bytes)) return r.refuse("lamedb", 0, "there is no lamedb in the folder");
    if (!readLamedb(r, bytes)) return false;

    // Favourite groups from the user bouquets, in the order of their first
    // marker where every one has one (the numbers run through all groups),
    // else in the order of the indexes.
    std::vector<UserBouquet> groups;
    std::set<std::string> seen;  // a file named again adds nothing, and is read once
    for (const char* index : {"bouquets.tv", "bouquets.radio"}) {
        std::vector<std::string> files;
        if (!read(index, &bytes)) continue;
        if (!indexFiles(r, index, sourceText(bytes).bytes, &files)) return false;
        for (const std::string& f : files) {
            if (!seen.insert(f).second) continue;
            if (!read(f, &bytes))
                return r.refuse(index, 0, "it names " + f + ", which is not in the folder");
            UserBouquet u;
            if (!readUserBouquet(r, f, bytes, &u)) return false;
            if (!o.everyUserBouquet && restatesProvider(r, u)) continue;
            groups.push_back(std::move(u));
        }
    }
    const bool allMarked = std::all_of(groups.begin(), groups.end(),
                                       [](const UserBouquet& u) { return u.firstMarker != 0; });
    if (allMarked)
        std::stable_sort(groups.begin(), groups.end(), [](const UserBouquet& a, const UserBouquet& b) {
            return a.firstMarker < b.firstMarker;
        });
    // A group's TV and radio files share one favourite group.
    for (const UserBouquet& u : groups) {
        const size_t g = m->favourite(importName(u.name, true, kFavNameMax, &m->notes, true));
        for (size_t ch : u.channels) r.b.join(g, ch, true);
    }

    if (read("blacklist", &bytes)) {
        uint64_t lineNo = 0;
        const SourceText text = sourceText(bytes);
        for (std::string_view line : splitLines(text.bytes)) {
            ++lineNo;
            std::string_view t = trim(line);
            if (t.empty() || t[0] == '#') continue;
            Ref ref;
            if (!refOf(t, &ref)) return r.refuse("blacklist", lineNo, "'" + std::string(t) + "' is not a service reference");
            auto it = r.services.find(ref.key);
            if (it == r.services.end()) {
                ++m->notes.danglingRefs;
                continue;
            }
            m->chs[it->second].locked = true;
            m->chs[it->second].category = kAdultCategory;
        }
    }
    if (read("satellites.xml", &bytes) && !readSatellitesXml(r, bytes)) return false;
    return true;
}
