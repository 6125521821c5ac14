// VDR channels.conf: one channel a line,
//   name[,short][;provider]:frequency:parameters:source:srate:vpid:apid:tpid:caid:sid:nid:tid:rid
// and group lines ":name" or ":@number name" that head the channels after them.
#include <algorithm>
#include <cstring>

#include "import/importSources.h"
#include "import/importText.h"

namespace {

struct LineError {
    std::string reason;
};

bool fail(std::string* why, std::string reason) {
    *why = std::move(reason);
    return false;
}

// Frequency in MHz; VDR also keeps kHz or Hz in older files.
bool frequencyMHz(std::string_view s, int* mhz, std::string* why) {
    uint64_t f = 0;
    if (!parseNumber(s, 100000000000ull, &f)) return fail(why, "frequency '" + std::string(s) + "' is not a number");
    while (f > 100000) f /= 1000;
    std::string fault = frequencyFault("frequency " + std::string(s), f);
    if (!fault.empty()) return fail(why, std::move(fault));
    *mhz = static_cast<int>(f);
    return true;
}

// The parameter letters of a satellite channel.
struct Params {
    int polarity = -1;
    int fec = 0;
    int system = 0;
    int modulation = -1;  // VDR's value; -1 absent
    int pilot = -1;       // schema code; -1 absent
};

bool fecCode(uint64_t v, int* fec) {
    switch (v) {
    case 0:  // none
    case 999:
    case 13:
    case 14:
    case 25:
    case 67: *fec = 0; return true;  // no code of their own: auto
    case 12: *fec = 1; return true;
    case 23: *fec = 2; return true;
    case 34: *fec = 3; return true;
    case 56: *fec = 4; return true;
    case 78: *fec = 5; return true;
    case 89: *fec = 6; return true;
    case 35: *fec = 7; return true;
    case 45: *fec = 8; return true;
    case 910: *fec = 9; return true;
    default: return false;
    }
}

bool readParams(std::string_view s, Params* p, std::string* why) {
    size_t i = 0;
    while (i < s.size()) {
        char letter = s[i++];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        std::string_view digits = s.substr(start, i - start);
        uint64_t v = 0;
        const bool hasValue = !digits.empty() && parseNumber(digits, 99999, &v);
        if (!digits.empty() && !hasValue)
            return fail(why, std::string("parameter ") + letter + " has a value too large");
        auto needValue = [&]() {
            if (hasValue) return true;
            return fail(why, std::string("parameter ") + letter + " needs a number");
        };
        switch (letter) {
        case 'H': p->polarity = 1; break;
        case 'V': p->polarity = 0; break;
        case 'R': p->polarity = 2; break;
        case 'L': p->polarity = 3; break;
        case 'C':
            if (!needValue()) return false;
            if (!fecCode(v, &p->fec))
                return fail(why, "code rate C" + std::string(digits) + " is not one of 0, 12, 23, 34, 35, 45, 56, 67, 78, 89, 910, 999");
            break;
        case 'S':
            if (!needValue()) return false;
            if (v > 1) return fail(why, "delivery system S" + std::string(digits) + " is not 0 (DVB-S) or 1 (DVB-S2)");
            p->system = static_cast<int>(v);
            break;
        case 'M':
            if (!needValue()) return false;
            if (v != 2 && v != 5 && v != 6 && v != 7 && v != 999)
                return fail(why, "modulation M" + std::string(digits) + " is not a satellite modulation (2, 5, 6, 7, 999)");
            p->modulation = static_cast<int>(v);
            break;
        case 'N':  // pilot
            if (!needValue()) return false;
            if (v != 0 && v != 1 && v != 999) return fail(why, "pilot N" + std::string(digits) + " is not 0, 1 or 999");
            p->pilot = v == 999 ? 2 : static_cast<int>(v);
            break;
        case 'O':  // roll-off: checked, the schema keeps none
            if (!needValue()) return false;
            if (v != 0 && v != 20 && v != 25 && v != 35)
                return fail(why, "roll-off O" + std::string(digits) + " is not 0, 20, 25 or 35");
            break;
        case 'P':  // stream id
            if (!needValue()) return false;
            if (v > 255) return fail(why, "stream id P" + std::string(digits) + " is above 255");
            break;
        case 'I':
            if (!needValue()) return false;
            if (v != 0 && v != 1 && v != 999) return fail(why, "inversion I" + std::string(digits) + " is not 0, 1 or 999");
            break;
        case 'B': case 'D': case 'G': case 'Q': case 'T': case 'X': case 'Y':
            if (!needValue()) return false;  // terrestrial values, of no use here
            break;
        default:
            return fail(why, std::string("unknown parameter letter '") + letter + "'");
        }
    }
    if (p->polarity < 0) return fail(why, "the parameters name no polarisation (H, V, L or R)");
    return true;
}

bool pidValue(std::string_view s, unsigned* pid, const char* what, std::string* why) {
    uint64_t v = 0;
    if (!parseNumber(s, kMaxPid, &v))
        return fail(why, std::string(what) + " '" + std::string(s) + "' is not a PID (0 to 8191)");
    *pid = static_cast<unsigned>(v);
    return true;
}

// "vpid[+pcr][=type]"
bool readVideo(std::string_view s, ImpChannel* c, std::string* why) {
    unsigned type = 2;
    size_t eq = s.find('=');
    if (eq != std::string_view::npos) {
        uint64_t t = 0;
        if (!parseNumber(s.substr(eq + 1), 255, &t))
            return fail(why, "video stream type '" + std::string(s.substr(eq + 1)) + "' is not a number");
        type = static_cast<unsigned>(t);
        s = s.substr(0, eq);
    }
    size_t plus = s.find('+');
    if (!pidValue(s.substr(0, plus), &c->vpid, "video PID", why)) return false;
    c->pcr = c->vpid;
    if (plus != std::string_view::npos && !pidValue(s.substr(plus + 1), &c->pcr, "PCR PID", why))
        return false;
    // H.264 and HEVC video are taken for HD, MPEG-2 for SD.
    c->hd = c->vpid != 0 && (type == 27 || type == 36);
    return true;
}

// "pid[=lang][@type],..." ; dolby: the part after ';'
bool readAudioList(std::string_view s, bool dolby, ImpChannel* c, std::string* why) {
    if (s.empty() || s == "0") return true;
    for (std::string_view item : split(s, ',')) {
        ImpAudio a;
        unsigned type = 0;
        size_t at = item.find('@');
        if (at != std::string_view::npos) {
            uint64_t t = 0;
            if (!parseNumber(item.substr(at + 1), 255, &t))
                return fail(why, "audio type '" + std::string(item.substr(at + 1)) + "' is not a number");
            type = static_cast<unsigned>(t);
            item = item.substr(0, at);
        }
        size_t eq = item.find('=');
        if (eq != std::string_view::npos) {
            a.lang = languageCode(item.substr(eq + 1));
            if (a.lang.empty())
                return fail(why, "audio language '" + std::string(item.substr(eq + 1)) + "' is not an ISO 639 code of three letters");
            item = item.substr(0, eq);
        } else {
            a.lang = kUndeterminedLanguage;
        }
        if (!pidValue(item, &a.pid, dolby ? "Dolby PID" : "audio PID", why)) return false;
        if (a.pid == 0) continue;
        // After ';' AC-3 and E-AC-3; 123 marks a DTS track.
        a.dts = dolby && type == 123;
        a.ac3 = dolby && !a.dts;
        c->audio.push_back(a);
    }
    return true;
}

// "tpid[;spid=lang,...]"
bool readTeletext(std::string_view s, ImpChannel* c, std::string* why) {
    size_t semi = s.find(';');
    if (!pidValue(s.substr(0, semi), &c->txt, "teletext PID", why)) return false;
    if (semi == std::string_view::npos) return true;
    for (std::string_view item : split(s.substr(semi + 1), ',')) {
        if (item.empty()) continue;
        unsigned pid = 0;
        size_t eq = item.find('=');
        if (eq != std::string_view::npos && languageCode(item.substr(eq + 1)).empty())
            return fail(why, "subtitle language '" + std::string(item.substr(eq + 1)) + "' is not an ISO 639 code of three letters");
        if (!pidValue(item.substr(0, eq), &pid, "subtitle PID", why)) return false;
        if (pid != 0) c->subtitle = true;
    }
    return true;
}

bool readCa(std::string_view s, ImpChannel* c, std::string* why) {
    for (std::string_view item : split(s, ',')) {
        uint64_t id = 0;
        if (!parseNumber(item, 0xFFFF, &id, 16))
            return fail(why, "CA id '" + std::string(item) + "' is not a hexadecimal id up to FFFF");
        // 1 to FF name a receiving device, not a CA system.
        int code = casCode(static_cast<unsigned>(id));
        if (code >= 0 && std::find(c->cas.begin(), c->cas.end(), code) == c->cas.end())
            c->cas.push_back(code);
    }
    std::sort(c->cas.begin(), c->cas.end());
    return true;
}

bool readId(std::string_view s, const char* what, unsigned* out, std::string* why) {
    uint64_t v = 0;
    if (!parseNumber(s, 0xFFFF, &v))
        return fail(why, std::string(what) + " '" + std::string(s) + "' is not a number from 0 to 65535");
    *out = static_cast<unsigned>(v);
    return true;
}

}  // namespace

bool readVdr(const std::string& file, std::string bytes, ImportModel* m, ImportError* err) {
    const SourceText text = sourceText(std::move(bytes));
    ModelBuilder b(m);
    std::string group;  // the current group line's name; empty before the first
    uint64_t lineNo = 0;
    for (std::string_view line : splitLines(text.bytes)) {
        ++lineNo;
        ++m->notes.linesRead;
        std::string why;
        auto refuse = [&](std::string reason) {
            *err = ImportError{file, lineNo, std::move(reason)};
            return false;
        };
        if (trim(line).empty() || line[0] == '#') continue;
        if (line[0] == ':') {
            std::string_view g = line.substr(1);
            if (!g.empty() && g[0] == '@') {
                size_t i = 1;
                while (i < g.size() && g[i] >= '0' && g[i] <= '9') ++i;
                if (i == 1) return refuse("group line ':@' needs a channel number");
                g = g.substr(i);
            }
            group = importName(g, text.utf8, kBouNameMax, &m->notes, true);
            continue;
        }
        std::vector<std::string_view> f = split(line, ':');
        if (f.size() != 13)
            return refuse("a channel line has 13 fields separated by ':', this one has " +
                          std::to_string(f.size()));
        std::string_view src = f[3];
        if (src.empty()) return refuse("no source");
        if (src[0] != 'S') {
            ++m->notes.notSatellite;  // cable, terrestrial, ATSC, IPTV
            continue;
        }
        int position = 0;
        if (!parsePosition(src.substr(1), &position))
            return refuse("source '" + std::string(src) + "' is not a satellite position such as S19.2E");
        ImpTransponder t;
        Params p;
        uint64_t sr = 0;
        if (!frequencyMHz(f[1], &t.frequency, &why) || !readParams(f[2], &p, &why)) return refuse(why);
        if (!parseNumber(f[4], 99999, &sr) || sr == 0)
            return refuse("symbol rate '" + std::string(f[4]) + "' is not a number of kS/s");
        if (std::string fault = symbolRateFault("symbol rate " + std::string(f[4]), sr);
            !fault.empty())
            return refuse(fault);
        ImpChannel c;
        if (!readVideo(f[5], &c, &why)) return refuse(why);
        size_t semi = f[6].find(';');
        if (!readAudioList(f[6].substr(0, semi), false, &c, &why)) return refuse(why);
        if (semi != std::string_view::npos && !readAudioList(f[6].substr(semi + 1), true, &c, &why))
            return refuse(why);
        if (!readTeletext(f[7], &c, &why) || !readCa(f[8], &c, &why) ||
            !readId(f[9], "service id", &c.sid, &why) || !readId(f[10], "network id", &t.nid, &why) ||
            !readId(f[11], "transport stream id", &t.tid, &why))
            return refuse(why);
        if (c.sid == 0) return refuse("service id 0 names no service (1 to 65535)");
        uint64_t rid = 0;
        if (!parseNumber(f[12], 0xFFFF, &rid)) return refuse("radio id '" + std::string(f[12]) + "' is not a number");

        // Name and provider; VDR writes ':' in names as '|'.
        std::string_view nameField = f[0];
        size_t ps = nameField.find(';');
        std::string_view provider = ps == std::string_view::npos ? std::string_view() : nameField.substr(ps + 1);
        std::string_view name = nameField.substr(0, ps);
        name = name.substr(0, name.find(','));
        std::string n(name), pr(provider);
        for (char& ch : n) if (ch == '|') ch = ':';
        for (char& ch : pr) if (ch == '|') ch = ':';
        c.name = importName(n, text.utf8, kChNameMax, &m->notes);
        if (c.name.empty()) return refuse("the channel has no name");

        const bool s2 = p.system == 1 || p.modulation == 5 || p.modulation == 6 || p.modulation == 7;
        t.sat = m->satAt(position);
        t.polarity = p.polarity;
        t.sr = static_cast<int>(sr);
        t.fec = p.fec;
        if (!s2) {
            t.modulation = 0;
        } else if (p.modulation == 2) {
            t.modulation = 1;
        } else {
            if (p.modulation == 6 || p.modulation == 7) ++m->notes.otherModulation;
            t.modulation = 2;
        }
        t.pilot = p.pilot >= 0 ? p.pilot : (s2 ? 2 : 0);

        c.radio = c.vpid == 0;
        if (c.radio && c.pcr == 0 && !c.audio.empty()) c.pcr = c.audio.front().pid;
        c.tp = b.transponder(t);
        c.where = file + ":" + std::to_string(lineNo);
        const size_t ch = b.channel(std::move(c));
        std::string bou = group;
        if (bou.empty()) bou = importName(pr, text.utf8, kBouNameMax, &m->notes, true);
        if (bou.empty()) bou = "Other";
        b.join(m->bouquet(bou), ch, false);
    }
    return true;
}
