#include "writers/neutrino/neutrino.h"

#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "channels/location.h"
#include "config/codepage.h"
#include "config/textFunc.h"
#include "config/unicodeText.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"
#include "writers/frame/listWalk.h"

namespace {

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit api=\"4\">\n";
constexpr char kTail[] = "</zapit>\n";

// An attribute value: UTF-8 with XML's own characters escaped; controls
// become spaces and a malformed byte U+FFFD, so the file stays well-formed
// whatever a name holds.
void putText(std::string& s, std::string_view v) {
    size_t i = 0;
    while (i < v.size()) {
        const uint32_t u = nextCodePoint(v, &i);
        switch (u) {
        case '&': s += "&amp;"; break;
        case '<': s += "&lt;"; break;
        case '>': s += "&gt;"; break;
        case '"': s += "&quot;"; break;
        default:
            if (u < 0x20 || (u >= 0x7F && u < 0xA0))
                s += ' ';
            else if (u == 0xFFFE || u == 0xFFFF || (u >= 0xD800 && u <= 0xDFFF))
                appendUtf8(s, 0xFFFD);
            else
                appendUtf8(s, u);
        }
    }
}

// The receiver's codes are those of the Linux DVB interface. Polarisation:
// tables 0 V, 1 H, 2 R, 3 L; receiver 0 H, 1 V, 2 L, 3 R.
int polarization(int32_t polarity) {
    static const int kPol[] = {1, 0, 3, 2};
    return polarity >= 0 && polarity <= 3 ? kPol[polarity] : -1;
}
// Code rates: tables 0 (auto) and 1/2 2/3 3/4 5/6 7/8 8/9 3/5 4/5 9/10.
unsigned fecCode(int32_t fec) {
    static const unsigned kFec[] = {9, 1, 2, 3, 5, 7, 8, 10, 4, 11};
    return fec >= 0 && fec <= 9 ? kFec[fec] : 9;
}

struct Service {
    const T_dbCh* c;
    unsigned sid;
    int number;
};
struct Transponder {
    const T_dbTp* t;
    std::vector<Service> services;
};
struct Satellite {
    int32_t position;  // signed, west negative
    const T_dbSat* sat;
    std::vector<Transponder> transponders;
    std::unordered_map<uint64_t, size_t> index;  // by real satellite and transponder id
};
struct Group {
    std::string name;
    std::string entries;
    std::set<std::tuple<unsigned, unsigned, unsigned, int32_t, int32_t>> held;
};

// The satellite's name as the receiver shows it, with its location.
std::string satelliteName(const T_dbSat& s) {
    std::string name(fieldView(s.sat_name));
    if (name.empty()) name = fieldView(s.satName);
    if (!endsWithLocation(name, s.position)) {
        if (!name.empty()) name += ' ';
        name += locationText(wrappedPosition(s.position));
    }
    return name;
}

void putServices(std::string& s, const std::vector<Satellite>& sats) {
    s.reserve(sats.size() * 128);
    s += kHead;
    for (const Satellite& sat : sats) {
        // DiSEqC ports as the dish set-up has them: 1.0 a committed port,
        // 1.1 an uncommitted one beside it; -1 for none.
        const T_dbSat& d = *sat.sat;
        const int committed = d.switchType == 1 || d.switchType == 2 ? d.switch10 : -1;
        const int uncommitted = d.switchType == 2 ? d.switch11 : -1;
        s += "\t<sat name=\"";
        putText(s, satelliteName(d));
        appendFormat(s, "\" position=\"%d\" diseqc=\"%d\" uncommited=\"%d\">\n", sat.position,
                     committed, uncommitted);
        for (const Transponder& tp : sat.transponders) {
            const T_dbTp& t = *tp.t;
            // Tables' modulation: 0 DVB-S, 1 DVB-S2 QPSK, 2 DVB-S2 8PSK.
            appendFormat(
                s,
                "\t\t<TS id=\"%04x\" on=\"%04x\" frq=\"%u\" inv=\"2\" sr=\"%u\" fec=\"%u\" "
                "pol=\"%d\" mod=\"%u\" sys=\"%u\">\n",
                idValue16(t.tid), idValue16(t.nid), static_cast<unsigned>(t.frequency) * 1000u,
                static_cast<unsigned>(t.sr > 0 ? t.sr : 0) * 1000u, fecCode(t.fec),
                polarization(t.polarity), t.modulation == 2 ? 9u : 0u, t.modulation != 0 ? 1u : 0u);
            for (const Service& sv : tp.services) {
                const T_dbCh& c = *sv.c;
                const bool tv = c.ch_type == 0;
                appendFormat(s, "\t\t\t<S i=\"%04x\" n=\"", sv.sid);
                putText(s, fieldView(c.ch_name));
                s += '"';
                // The PIDs are taken as they stand only with the PMT's and
                // those the receiver needs to start; else it reads the PMT.
                const unsigned vpid = tv ? pidValue(c.vpid) : 0;
                const unsigned apid = c.audioCount >= 1 ? pidValue(c.audio[1].apid) : 0;
                const unsigned pmt = pidValue(c.pmt_pid);
                if (pmt != 0 && apid != 0 && (!tv || vpid != 0))
                    appendFormat(s, " v=\"%x\" a=\"%x\" p=\"%x\" pmt=\"%x\" tx=\"%x\"", vpid, apid,
                                 pidValue(c.pcr_pid), pmt, pidValue(c.txt_pid));
                // Service type: radio, HD television (H.264) or television.
                const unsigned type = !tv ? 0x02 : c.hd != 0 ? 0x19 : 0x01;
                appendFormat(s, " t=\"%x\" vt=\"%d\" s=\"%d\" num=\"%d\"/>\n", type,
                             tv && c.hd ? 1 : 0, c.scrambled != 0 || c.casCount > 0 ? 1 : 0,
                             sv.number);
            }
            s += "\t\t</TS>\n";
        }
        s += "\t</sat>\n";
    }
    s += kTail;
}

}  // namespace

BuildResult buildNeutrino(const WriterInput& in, const std::function<bool(OutFile&&)>& emit,
                          const std::function<void(int)>& milestone) {
    const BuildResult stopped = BuildResult::fail({}, false);
    const ListWalk walk(in);
    std::vector<Satellite> sats;
    std::unordered_map<int32_t, size_t> satIndex;
    // The receiver's service id: SID, network, transport stream, position
    // and frequency in MHz. The first channel of an id is its service.
    std::set<std::tuple<unsigned, unsigned, unsigned, int32_t, int32_t>> services;
    std::vector<Group> groups;
    std::optional<uint64_t> group;
    int tvNumber = 0, radioNumber = 0;
    walk.forEach([&](const ListedChannel& l) {
        const T_dbCh& c = l.c;
        const T_dbSat& sat = l.sat;
        const T_dbTp& t = l.tp;
        const unsigned sid = idValue16(c.sid);
        if (polarization(t.polarity) < 0 || sid == 0 || t.frequency <= 0) return;
        const int32_t position = signedPosition(wrappedPosition(sat.position), kNeutrinoLastEast);
        const auto id = std::make_tuple(sid, idValue16(t.nid), idValue16(t.tid), position,
                                        static_cast<int32_t>(t.frequency));

        if (services.insert(id).second) {
            auto [at, made] = satIndex.emplace(position, sats.size());
            if (made) sats.push_back({position, &sat, {}, {}});
            Satellite& s = sats[at->second];
            // The virtual satellites of list types 1 and 2 each have a copy
            // of a transponder; the receiver has one.
            auto [tpAt, newTp] =
                s.index.emplace(ListWalk::key(t.realSatId, t.stp_id), s.transponders.size());
            if (newTp) s.transponders.push_back({&t, {}});
            const int number = c.ch_type == 0 ? ++tvNumber : ++radioNumber;
            s.transponders[tpAt->second].services.push_back({&c, sid, number});
        }

        if (group != l.group) {
            groups.push_back({walk.groupName(l), {}, {}});
            group = l.group;
        }
        Group& g = groups.back();
        if (!g.held.insert(id).second) return;
        appendFormat(g.entries, "\t\t<S i=\"%x\" t=\"%x\" on=\"%x\" s=\"%d\" frq=\"%d\" n=\"", sid,
                     std::get<2>(id), std::get<1>(id), position, t.frequency);
        putText(g.entries, fieldView(c.ch_name));
        g.entries += c.locked != 0 ? "\" l=\"1\"/>\n" : "\"/>\n";
    });

    std::string s;
    putServices(s, sats);
    if (!emit(OutFile{"services.xml", std::move(s)})) return stopped;
    milestone(50);
    std::string u = kHead;
    for (const Group& g : groups) {
        u += "\t<Bouquet name=\"";
        putText(u, g.name);
        u += "\">\n";
        u += g.entries;
        u += "\t</Bouquet>\n";
    }
    u += kTail;
    if (!emit(OutFile{"ubouquets.xml", std::move(u)})) return stopped;
    milestone(80);
    if (!emit(OutFile{"bouquets.xml", std::string(kHead) + kTail})) return stopped;
    milestone(90);
    return {};
}

FolderFormat neutrinoFormat() {
    FolderFormat f;
    f.folderPrefix = kNeutrinoFolderPrefix;
    f.build = buildNeutrino;
    f.lastMilestone = 90;
    f.utf8Names = [](const T_cfgStruct&) { return true; };
    return f;
}

uint32_t WriteNeutrino(void* param) {
    return runFolderJob(static_cast<T_jobRequest*>(param), neutrinoFormat());
}
