#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <tuple>

#include "config/textFunc.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"
#include "writers/frame/listWalk.h"
#include "writers/vdr/vdr.h"

#include "channels/location.h"

namespace {

// Parameters by the tables' codes: polarity 0 V, 1 H, 2 R, 3 L.
const char* polarization(int32_t polarity) {
    switch (polarity) {
    case 0: return "V";
    case 1: return "H";
    case 2: return "R";
    case 3: return "L";
    default: return nullptr;
    }
}

// The tables' code rates 0 (auto) to 9; anything else is left to the tuner.
int codeRate(int32_t fec) {
    static const int kRates[] = {999, 12, 23, 34, 56, 78, 89, 35, 45, 910};
    return fec >= 0 && fec <= 9 ? kRates[fec] : 999;
}

void putNum(std::string& s, unsigned long v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%lu", v);
    s += buf;
}

// A representative CA system id for each of the tables' CA codes
// (import/importText.cpp: casCode); 31 is a system without a code of its own.
unsigned caSystemId(int32_t code) {
    static const unsigned kIds[] = {0x0100, 0x0500, 0x0600, 0x1800, 0x1700, 0x0B00,
                                    0x0D00, 0x0900, 0x0E00, 0x4AE0, 0x2600};
    if (code >= 0 && code <= 10) return kIds[code];
    return code == 31 ? 0xFFFF : 0;
}

// "S19.2E" / "S0.8W" from tenths of a degree east, 0 to 3599.
void putSource(std::string& s, int32_t position) {
    s += 'S';
    s += locationText(wrappedPosition(position));
}

// A language code VDR takes: three lower-case letters.
bool isLanguage(std::string_view l) {
    if (l.size() != 3) return false;
    for (char c : l)
        if (c < 'a' || c > 'z') return false;
    return true;
}

// Group text: one line, and no '@' first, which would set a channel number.
std::string groupText(std::string_view name) {
    std::string s;
    for (char c : name) s += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    if (!s.empty() && s[0] == '@') s.insert(s.begin(), ' ');
    return s;
}

void putAudio(std::string& s, const T_dbCh& c, bool dolby) {
    bool first = true;
    const uint32_t n = c.audioCount < kAudioSlots ? c.audioCount : kAudioSlots - 1;
    for (uint32_t i = 1; i <= n; ++i) {
        const T_dbAudio& a = c.audio[i];
        if ((a.ac3 != 0 || a.dts != 0) != dolby) continue;
        const unsigned pid = pidValue(a.apid);
        if (pid == 0) continue;
        if (!first) s += ',';
        first = false;
        putNum(s, pid);
        const std::string_view lang = fieldView(a.lang_name);
        if (isLanguage(lang)) {
            s += '=';
            s += lang;
        }
        // DTS goes with the Dolby tracks; its type tells it apart.
        if (dolby && a.dts != 0) s += isLanguage(lang) ? "@123" : "=@123";
    }
    if (first && !dolby) s += '0';
}

}  // namespace

std::string vdrName(std::string_view name) {
    std::string s;
    s.reserve(name.size());
    for (char c : name) {
        if (c == ':')
            s += '|';
        else if (c == ',' || c == ';')
            s += '.';
        else if (static_cast<unsigned char>(c) < 0x20)
            s += ' ';
        else
            s += c;
    }
    return s;
}

BuildResult buildVdrImage(const WriterInput& in, std::string* image) {
    std::string& s = *image;
    s.clear();
    const ListWalk walk(in);
    // VDR's channel id: source, NID, TID (the frequency and polarisation
    // when both ids are 0), SID.
    std::set<std::tuple<int32_t, unsigned, long, unsigned>> written;
    std::optional<uint64_t> group;
    s.reserve(static_cast<size_t>(std::min(in.chDB->count, kChDbSlots)) * 110 + 64);
    walk.forEach([&](const ListedChannel& l) {
        const T_dbCh& c = l.c;
        const T_dbSat& sat = l.sat;
        const T_dbTp& t = l.tp;
        const char* pol = polarization(t.polarity);
        const unsigned sid = idValue16(c.sid);
        if (!pol || sid == 0) return;
        const unsigned nid = idValue16(t.nid), tid = idValue16(t.tid);
        static const int kPolOffset[] = {200000, 100000, 400000, 300000};
        const long idTid = nid == 0 && tid == 0 ? kPolOffset[t.polarity] + t.frequency : tid;
        if (!written.emplace(sat.position, nid, idTid, sid).second) return;

        if (group != l.group) {
            s += ':';
            s += groupText(walk.groupName(l));
            s += '\n';
            group = l.group;
        }

        // A line with no name would read as a group line.
        const std::string name = vdrName(fieldView(c.ch_name));
        if (name.find_first_not_of(' ') == std::string::npos) {
            s += "Service ";
            putNum(s, sid);
        } else {
            s += name;
        }
        s += ':';
        putNum(s, static_cast<unsigned long>(t.frequency > 0 ? t.frequency : 0));
        s += ':';
        s += pol;
        s += 'C';
        putNum(s, codeRate(t.fec));
        // Tables' modulation: 0 DVB-S, 1 DVB-S2 QPSK, 2 DVB-S2 8PSK.
        const bool s2 = t.modulation != 0;
        s += t.modulation == 2 ? "M5" : "M2";
        // Pilot is told only when known; roll-off is not kept, 0.35 is the default.
        if (s2 && (t.pilot == 0 || t.pilot == 1)) s += t.pilot ? "N1" : "N0";
        s += s2 ? "O35S1:" : "O35S0:";
        putSource(s, sat.position);
        s += ':';
        putNum(s, static_cast<unsigned long>(t.sr > 0 ? t.sr : 0));
        s += ':';

        const unsigned vpid = c.ch_type == 0 ? pidValue(c.vpid) : 0;
        const unsigned pcr = pidValue(c.pcr_pid);
        putNum(s, vpid);
        const unsigned firstAudio = c.audioCount >= 1 ? pidValue(c.audio[1].apid) : 0;
        if (pcr != 0 && pcr != vpid && !(vpid == 0 && pcr == firstAudio)) {
            s += '+';
            putNum(s, pcr);
        }
        // The HD flag stands for H.264, the rest for MPEG-2: VDR learns the
        // actual type from the stream.
        if (vpid != 0) s += c.hd != 0 ? "=27" : "=2";
        s += ':';
        putAudio(s, c, false);
        std::string dolby;
        putAudio(dolby, c, true);
        if (!dolby.empty()) s += ';' + dolby;
        s += ':';
        putNum(s, pidValue(c.txt_pid));
        s += ':';

        bool anyCa = false;
        std::set<unsigned> ca;
        const uint32_t nc = c.casCount < kCasSlots ? c.casCount : kCasSlots - 1;
        for (uint32_t k = 1; k <= nc; ++k)
            if (unsigned id = caSystemId(c.cas[k])) ca.insert(id);
        for (unsigned id : ca) {
            if (anyCa) s += ',';
            anyCa = true;
            char buf[8];
            std::snprintf(buf, sizeof buf, "%X", id);
            s += buf;
        }
        if (!anyCa) s += '0';
        s += ':';
        putNum(s, sid);
        s += ':';
        putNum(s, nid);
        s += ':';
        putNum(s, tid);
        s += ":0\n";
    });
    return {};
}
