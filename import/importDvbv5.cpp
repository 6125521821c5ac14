// dvbv5 channel files ("[name]" then "KEY = value" lines) and the public
// transponder tables in the same format. An entry with a SERVICE_ID is a
// channel, one without is a transponder only.
#include <algorithm>
#include <map>

#include "import/importSources.h"
#include "import/importText.h"

namespace {

struct Entry {
    std::string name;
    uint64_t line = 0;                                             // of the "[name]" line
    std::map<std::string, std::pair<std::string, uint64_t>> keys;  // value and line
};

bool fail(std::string* why, uint64_t* at, uint64_t line, std::string reason) {
    *why = std::move(reason);
    *at = line;
    return false;
}

// The satellite of a file: the position and name its name gives
// ("Astra-19.2E", "Astra-19.2E.conf"), unless the caller names them.
bool satelliteOf(const std::string& file, const SourceOptions& o, int* position,
                 std::string* name) {
    std::string stem = file.substr(file.find_last_of('/') + 1);
    const size_t dash = stem.find_last_of("-_");
    int fromName = -1;
    if (dash != std::string::npos) {
        std::string tail = stem.substr(dash + 1);
        const size_t dot = tail.find_last_of('.');
        int p = 0;
        if (!parsePosition(tail, &p) && dot != std::string::npos &&
            parsePosition(tail.substr(0, dot), &p))
            stem.resize(dash + 1 + dot);
        if (parsePosition(stem.substr(dash + 1), &p)) fromName = p;
    }
    *position = o.position >= 0 ? o.position : fromName;
    if (!o.satName.empty()) {
        *name = o.satName;
    } else if (fromName >= 0 && fromName == *position) {
        *name = stem;
        std::replace(name->begin(), name->end(), '-', ' ');
        std::replace(name->begin(), name->end(), '_', ' ');
    }
    return *position >= 0;
}

bool keyNumber(const Entry& e, const char* key, uint64_t max, uint64_t* out, std::string* why,
               uint64_t* at) {
    auto it = e.keys.find(key);
    if (it == e.keys.end()) return true;
    if (!parseNumber(it->second.first, max, out))
        return fail(why, at, it->second.second,
                    std::string(key) + " '" + it->second.first + "' is not a number up to " +
                        std::to_string(max));
    return true;
}

// "5102 5103": the PIDs of a list key.
bool keyPids(const Entry& e, const char* key, std::vector<unsigned>* pids, std::string* why,
             uint64_t* at) {
    auto it = e.keys.find(key);
    if (it == e.keys.end()) return true;
    for (std::string_view item : split(it->second.first, ' ')) {
        if (item.empty()) continue;
        uint64_t v = 0;
        if (!parseNumber(item, kMaxPid, &v))
            return fail(why, at, it->second.second,
                        std::string(key) + " '" + std::string(item) + "' is not a PID (0 to 8191)");
        if (v != 0) pids->push_back(static_cast<unsigned>(v));
    }
    return true;
}

const std::string* value(const Entry& e, const char* key, uint64_t* line) {
    auto it = e.keys.find(key);
    if (it == e.keys.end()) return nullptr;
    *line = it->second.second;
    return &it->second.first;
}

// *untunable tells why a table's transponder, one without a channel, lies
// outside the bounds receivers tune: public tables list such carriers, and
// it is passed over. A channel's transponder outside them refuses the file.
bool transponderOf(const Entry& e, size_t sat, ImpTransponder* t, ImportNotes* notes, bool* skip,
                   std::string* untunable, std::string* why, uint64_t* at) {
    uint64_t line = e.line;
    const std::string* sys = value(e, "DELIVERY_SYSTEM", &line);
    if (!sys) return fail(why, at, e.line, "entry [" + e.name + "] has no DELIVERY_SYSTEM");
    if (*sys != "DVBS" && *sys != "DVBS2") {
        *skip = true;
        return true;
    }
    const bool s2 = *sys == "DVBS2";
    uint64_t f = 0, sr = 0;
    const std::string* fs = value(e, "FREQUENCY", &line);
    if (!fs) return fail(why, at, e.line, "entry [" + e.name + "] has no FREQUENCY");
    if (!parseNumber(*fs, 100000000000ull, &f))
        return fail(why, at, line, "FREQUENCY '" + *fs + "' is not a number");
    while (f > 100000) f /= 1000;  // kHz as written; MHz taken as well
    const uint64_t fLine = line;
    const std::string* srs = value(e, "SYMBOL_RATE", &line);
    if (!srs) return fail(why, at, e.line, "entry [" + e.name + "] has no SYMBOL_RATE");
    if (!parseNumber(*srs, 1000000000ull, &sr) || sr == 0)
        return fail(why, at, line, "SYMBOL_RATE '" + *srs + "' is not a number");
    if (sr >= 100000) sr = (sr + 500) / 1000;  // symbols per second as written
    const std::pair<std::string, uint64_t> bounds[] = {
        {frequencyFault("FREQUENCY " + *fs, f), fLine},
        {symbolRateFault("SYMBOL_RATE " + *srs, sr), line}};
    const std::string* pol = value(e, "POLARIZATION", &line);
    if (!pol) return fail(why, at, e.line, "entry [" + e.name + "] has no POLARIZATION");
    static const std::map<std::string, int> kPol = {
        {"HORIZONTAL", 1}, {"VERTICAL", 0}, {"RIGHT", 2}, {"LEFT", 3}};
    auto p = kPol.find(*pol);
    if (p == kPol.end())
        return fail(why, at, line,
                    "POLARIZATION '" + *pol + "' is not HORIZONTAL, VERTICAL, LEFT or RIGHT");
    t->fec = 0;
    if (const std::string* fec = value(e, "INNER_FEC", &line)) {
        static const std::map<std::string, int> kFec = {
            {"AUTO", 0}, {"NONE", 0}, {"1/2", 1}, {"2/3", 2}, {"3/4", 3},
            {"5/6", 4},  {"7/8", 5},  {"8/9", 6}, {"3/5", 7}, {"4/5", 8},
            {"9/10", 9}, {"6/7", 0},  {"1/4", 0}, {"1/3", 0}, {"2/5", 0}};
        auto it = kFec.find(*fec);
        if (it == kFec.end())
            return fail(why, at, line, "INNER_FEC '" + *fec + "' is not a code rate");
        t->fec = it->second;
    }
    t->modulation = s2 ? 2 : 0;  // DVB-S2 without a modulation: 8PSK
    bool otherModulation = false;
    if (const std::string* mod = value(e, "MODULATION", &line)) {
        if (*mod == "QPSK") {
            t->modulation = s2 ? 1 : 0;
        } else if (*mod == "PSK/8" || *mod == "APSK/16" || *mod == "APSK/32") {
            // Turbo 8PSK on DVB-S and the APSK ones have no code of their own.
            otherModulation = !s2 || *mod != "PSK/8";
            t->modulation = 2;
        } else if (*mod != "QAM/AUTO" && *mod != "AUTO") {
            return fail(why, at, line, "MODULATION '" + *mod + "' is not a satellite modulation");
        }
    }
    t->pilot = s2 ? 2 : 0;
    if (const std::string* pilot = value(e, "PILOT", &line)) {
        if (*pilot == "OFF")
            t->pilot = 0;
        else if (*pilot == "ON")
            t->pilot = 1;
        else if (*pilot == "AUTO")
            t->pilot = 2;
        else
            return fail(why, at, line, "PILOT '" + *pilot + "' is not ON, OFF or AUTO");
    }
    if (const std::string* ro = value(e, "ROLLOFF", &line)) {
        if (*ro != "35" && *ro != "25" && *ro != "20" && *ro != "AUTO")
            return fail(why, at, line, "ROLLOFF '" + *ro + "' is not 35, 25, 20 or AUTO");
    }
    uint64_t nid = 0, tid = 0;
    if (!keyNumber(e, "NETWORK_ID", 0xFFFF, &nid, why, at) ||
        !keyNumber(e, "TRANSPORT_ID", 0xFFFF, &tid, why, at))
        return false;
    for (const auto& [fault, faultLine] : bounds) {
        if (fault.empty()) continue;
        if (e.keys.count("SERVICE_ID")) return fail(why, at, faultLine, fault);
        *untunable = fault;
        *at = faultLine;
        return true;
    }
    if (otherModulation) ++notes->otherModulation;
    t->sat = sat;
    t->frequency = static_cast<int>(f);
    t->sr = static_cast<int>(sr);
    t->polarity = p->second;
    t->nid = static_cast<unsigned>(nid);
    t->tid = static_cast<unsigned>(tid);
    return true;
}

}  // namespace

bool readDvbv5(const std::string& file, std::string bytes, const SourceOptions& o, ImportModel* m,
               ImportError* err) {
    const SourceText text = sourceText(std::move(bytes));
    int position = -1;
    std::string satName;
    if (!satelliteOf(file, o, &position, &satName)) {
        *err = ImportError{file, 0,
                           "no orbital position: the file name does not end in one "
                           "(such as Astra-19.2E); give it with --position"};
        return false;
    }
    // Entries first, then their meaning.
    std::vector<Entry> entries;
    uint64_t lineNo = 0;
    for (std::string_view line : splitLines(text.bytes)) {
        ++lineNo;
        ++m->notes.linesRead;
        std::string_view t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (t[0] == '[') {
            if (t.back() != ']') {
                *err = ImportError{file, lineNo, "an entry line reads [name]"};
                return false;
            }
            entries.push_back(Entry{std::string(t.substr(1, t.size() - 2)), lineNo, {}});
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string_view::npos || entries.empty()) {
            *err = ImportError{file, lineNo,
                               entries.empty() ? "a KEY = value line before the first [entry]"
                                               : "not a KEY = value line"};
            return false;
        }
        std::string key(trim(t.substr(0, eq)));
        if (key.empty()) {
            *err = ImportError{file, lineNo, "a line without a key before '='"};
            return false;
        }
        entries.back().keys[key] = {std::string(trim(t.substr(eq + 1))), lineNo};
    }

    const size_t sat = m->satAt(position);
    if (!satName.empty() && m->sats[sat].name.empty()) {
        m->sats[sat].name = importName(satName, true, kSatNameMax, &m->notes, true);
        m->sats[sat].nameGuessed = o.satName.empty();
    }
    std::string bouquet = o.bouquet;
    if (bouquet.empty()) bouquet = !satName.empty() ? satName : "Sat " + locationText(position);
    ModelBuilder b(m);
    for (const Entry& e : entries) {
        std::string why;
        uint64_t at = e.line;
        ImpTransponder t;
        bool skip = false;
        std::string untunable;
        if (!transponderOf(e, sat, &t, &m->notes, &skip, &untunable, &why, &at)) {
            *err = ImportError{file, at, why};
            return false;
        }
        if (skip) {
            ++m->notes.notSatellite;
            continue;
        }
        if (!untunable.empty()) {
            m->notes.untunable.push_back(file + ":" + std::to_string(at) + " (" + untunable + ")");
            continue;
        }
        const size_t tp = b.transponder(t);
        uint64_t sidLine = 0;
        const std::string* sidText = value(e, "SERVICE_ID", &sidLine);
        if (!sidText) continue;  // a transponder of a table
        ImpChannel c;
        uint64_t sid = 0;
        std::vector<unsigned> video, audio;
        if (!parseNumber(*sidText, 0xFFFF, &sid) || sid == 0) {
            *err = ImportError{file, sidLine,
                               "SERVICE_ID '" + *sidText + "' is not a number from 1 to 65535"};
            return false;
        }
        if (!keyPids(e, "VIDEO_PID", &video, &why, &at) ||
            !keyPids(e, "AUDIO_PID", &audio, &why, &at)) {
            *err = ImportError{file, at, why};
            return false;
        }
        c.tp = tp;
        c.sid = static_cast<unsigned>(sid);
        c.where = file + ":" + std::to_string(e.line);
        c.name = importName(e.name, text.utf8, kChNameMax, &m->notes);
        if (c.name.empty()) {
            *err = ImportError{file, e.line, "the channel has no name"};
            return false;
        }
        c.vpid = video.empty() ? 0 : video.front();
        for (unsigned pid : audio)
            c.audio.push_back(ImpAudio{pid, kUndeterminedLanguage, false, false});
        c.radio = c.vpid == 0;
        c.pcr = c.vpid != 0 ? c.vpid : (audio.empty() ? 0 : audio.front());
        const size_t ch = b.channel(std::move(c));
        b.join(m->bouquet(importName(bouquet, true, kBouNameMax, &m->notes, true)), ch, false);
    }
    return true;
}
