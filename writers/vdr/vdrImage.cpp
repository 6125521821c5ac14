#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>
#include <unordered_map>

#include "config/textFunc.h"
#include "writers/common/ids.h"
#include "writers/vdr/vdr.h"

#include "channels/location.h"

namespace {

constexpr unsigned kMaxPid = 0x1FFF;

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

// A PID text of the tables; a value no stream can carry counts as none.
unsigned pidOf(const char* hex, size_t size) {
    const unsigned v = idValue16(hex, size);
    return v <= kMaxPid ? v : 0;
}
template <size_t N>
unsigned pidOf(const char (&field)[N]) {
    return pidOf(field, N);
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
    int32_t p = position % 3600;
    if (p < 0) p += 3600;
    s += 'S';
    s += locationText(p);
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
        const unsigned pid = pidOf(a.apid);
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
    const int listType = in.cfg ? in.cfg->listType : 0;
    // Counts past a table's slots are read as full tables.
    const uint32_t nSat = std::min(in.satDB->count, kSatDbSlots - 1);
    const uint32_t nTp = std::min(in.tpDB->count, kTpDbSlots - 1);
    const uint32_t nCh = std::min(in.chDB->count, kChDbSlots - 1);
    std::unordered_map<int32_t, const T_dbSat*> sats;
    for (uint32_t i = nSat; i >= 1; --i) sats[in.satDB->sat[i].sat_id] = &in.satDB->sat[i];
    std::unordered_map<uint64_t, const T_dbTp*> tps;
    auto tpKey = [](int32_t sat, int32_t stp) {
        return static_cast<uint64_t>(static_cast<uint32_t>(sat)) << 32 | static_cast<uint32_t>(stp);
    };
    for (uint32_t i = nTp; i >= 1; --i) {
        const T_dbTp& t = in.tpDB->tp[i];
        tps[tpKey(t.sat_id, t.stp_id)] = &t;
    }
    // VDR's channel id: source, NID, TID (the frequency and polarisation
    // when both ids are 0), SID.
    std::set<std::tuple<int32_t, unsigned, long, unsigned>> written;
    bool inGroup = false;
    int32_t groupSat = 0, groupId = 0;
    s.reserve(static_cast<size_t>(nCh) * 110 + 64);
    for (uint32_t i = 1; i <= nCh; ++i) {
        const T_dbCh& c = in.chDB->ch[i];
        if (c.fake != 0) continue;
        auto sit = sats.find(c.sat_id);
        auto tit = tps.find(tpKey(c.sat_id, c.stp_id));
        // Without its satellite or transponder a channel cannot be tuned.
        if (sit == sats.end() || tit == tps.end()) continue;
        const T_dbSat& sat = *sit->second;
        const T_dbTp& t = *tit->second;
        const char* pol = polarization(t.polarity);
        const unsigned sid = idValue16(c.sid);
        if (!pol || sid == 0) continue;
        const unsigned nid = idValue16(t.nid), tid = idValue16(t.tid);
        static const int kPolOffset[] = {200000, 100000, 400000, 300000};
        const long idTid = nid == 0 && tid == 0 ? kPolOffset[t.polarity] + t.frequency : tid;
        if (!written.emplace(sat.position, nid, idTid, sid).second) continue;

        // Bouquets by satellite and group; the satellites of the other
        // list types are bouquets or favourite groups already.
        const bool newGroup =
            listType == 0 ? c.realSatId != groupSat || c.groupId != groupId : c.sat_id != groupSat;
        if (!inGroup || newGroup) {
            s += ':';
            if (listType == 0) {
                std::string g(fieldView(c.groupName));
                const std::string_view loc = fieldView(sat.location);
                if (!loc.empty()) g += " " + std::string(loc);
                s += groupText(g);
                groupSat = c.realSatId;
                groupId = c.groupId;
            } else {
                s += groupText(fieldView(sat.satName));
                groupSat = c.sat_id;
            }
            s += '\n';
            inGroup = true;
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

        const unsigned vpid = c.ch_type == 0 ? pidOf(c.vpid) : 0;
        const unsigned pcr = pidOf(c.pcr_pid);
        putNum(s, vpid);
        const unsigned firstAudio = c.audioCount >= 1 ? pidOf(c.audio[1].apid) : 0;
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
        putNum(s, pidOf(c.txt_pid));
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
    }
    return {};
}
