#include "writers/ecdf/ecdf.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "config/textFunc.h"
#include "writers/common/byteImage.h"
#include "writers/common/crc16.h"
#include "writers/common/ids.h"

namespace {

constexpr uint32_t kMaxSat = 32;
constexpr uint32_t kMaxTp = 1000;
constexpr uint32_t kMaxCh = 5000;
constexpr uint32_t kMaxFavGroups = 8;
constexpr uint32_t kMaxFavPerGroup = 100;

// Bytes 6-7 (body checksum) and 12-15 (body length) are filled in per file.
constexpr unsigned char kHeaderSB5[kEcdfHeaderSize] = {
    0x55, 0xAA, 0x55, 0xAA, 0x00, 0x02, 0x00, 0x00, 0x85, 0x93, 0x42, 0x94, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x02, 0x16, 0x00, 0x00, 0x11, 0x23, 0x9F, 0x07, 0xF0, 0xD2, 0x41, 0x00, 0x00, 0x00, 0x00,
    0xAC, 0x84, 0x51, 0x80, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x88, 0x59, 0x14, 0x80,
    0x16, 0x00, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr unsigned char kHeaderS2HD[kEcdfHeaderSize] = {
    0x55, 0xAA, 0x55, 0xAA, 0x00, 0x03, 0x00, 0x00, 0x85, 0x8F, 0x3D, 0xE0, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x11, 0x10, 0x3F, 0x06, 0xF2, 0xD2, 0x41, 0x00, 0x00, 0xF0, 0xF3,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE8, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00,
    0x48, 0x52, 0x85, 0x84, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0xA5, 0x84};
constexpr unsigned char kPreamble[12] = {0x04, 0x20, 0x98, 0x76, 0x10, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x10, 0x00};
constexpr size_t kPreambleSize = 16;  // the constant bytes and the remaining length

enum : unsigned {
    kTagLimits = 0xD0,
    kTagSatellites = 0xE0,
    kTagTransponders = 0xE1,
    kTagChannels = 0xE2,
    kTagFavourites = 0xE3,
    kTagEnd = 0xF0,
};

// Length of a fixed text field's content, never past its array.
template <size_t N>
int textLen(const char (&s)[N]) {
    return static_cast<int>(strnlen(s, N));
}

// Tag and a length field that closeSection fills from what was written.
size_t openSection(ByteImage& b, unsigned tag) {
    b.add8(tag);
    b.add32(0);
    return b.size();
}
void closeSection(ByteImage& b, size_t contentStart) {
    b.put32(contentStart - 4, static_cast<uint32_t>(b.size() - contentStart));
}

bool fits8(int32_t v) { return v >= 0 && v <= 0xFF; }

// Why a satellite's dish set-up has no code in its record, or empty: a
// port beyond 4 would read as a DiSEqC code, and the DiSEqC table has four
// entries.
std::string satelliteFault(const T_dbSat& s) {
    if (s.switchType == 1 || s.switchType == 2) {
        if (s.switch10 < 0 || s.switch10 > 3)
            return strFormat("switch port %d is outside 0-3", s.switch10);
    } else if (s.diseqc < 0 || s.diseqc > 3) {
        return strFormat("DiSEqC mode %d is unknown", s.diseqc);
    }
    return {};
}

unsigned lnbByte(const T_dbSat& s) {
    if (s.freqLo == 3 && s.freqHi == 6) return 1;  // 9750 / 10600
    if (s.freqLo == 3 && s.freqHi == 7) return 2;  // 9750 / 10750
    return 8;
}

unsigned switchByte(const T_dbSat& s) {
    if (s.switchType == 1 || s.switchType == 2) return static_cast<unsigned>(s.switch10) + 1;
    static constexpr unsigned kByDiseqc[4] = {0, 5, 6, 5};
    return kByDiseqc[s.diseqc];
}

// Conditional-access byte; empty reason when every id could be placed.
std::string casByte(const T_dbCh& c, unsigned* out) {
    static constexpr unsigned char kBit[11] = {0x02, 0x01, 0x04, 0x80, 0x80, 0x00,
                                               0x00, 0x10, 0x20, 0x08, 0x40};
    *out = 0;
    if (c.casCount > kCasSlots - 1) return strFormat("CAS count %u exceeds its table", c.casCount);
    for (uint32_t i = 1; i <= c.casCount; ++i) {
        const int32_t id = c.cas[i];
        if (id >= 0 && id <= 10) *out |= kBit[id];  // other systems have no bit
    }
    return {};
}

uint64_t tpKey(int32_t satId, int32_t stpId) {
    return static_cast<uint64_t>(static_cast<uint32_t>(satId)) << 32 | static_cast<uint32_t>(stpId);
}

// Identity of a TV channel as a favourite link names it.
struct TvKey {
    int32_t sat, stp, group;
    char sid[8];
    bool operator==(const TvKey& o) const {
        return sat == o.sat && stp == o.stp && group == o.group &&
               std::memcmp(sid, o.sid, sizeof sid) == 0;
    }
};
struct TvKeyHash {
    size_t operator()(const TvKey& k) const {
        uint64_t h = 1469598103934665603ull;
        auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
        mix(static_cast<uint32_t>(k.sat));
        mix(static_cast<uint32_t>(k.stp));
        mix(static_cast<uint32_t>(k.group));
        uint64_t s;
        std::memcpy(&s, k.sid, sizeof s);
        mix(s);
        return static_cast<size_t>(h);
    }
};
template <size_t N>
TvKey tvKey(int32_t sat, int32_t stp, int32_t group, const char (&sid)[N]) {
    TvKey k{sat, stp, group, {}};
    std::memcpy(k.sid, sid, strnlen(sid, N < sizeof k.sid ? N : sizeof k.sid));
    return k;
}

// Why a transponder has no code for one of its bytes, or empty.
std::string transponderFault(const T_dbTp& t) {
    if (t.polarity < 0 || t.polarity > 3)
        return strFormat("polarisation code %d is unknown", t.polarity);
    if (!fits8(t.modulation)) return strFormat("modulation %d does not fit a byte", t.modulation);
    if (!fits8(t.pilot)) return strFormat("pilot %d does not fit a byte", t.pilot);
    return {};
}

struct ChannelIds {
    unsigned sid, pmt, vpid, apid, pcr, cas;
};

// Why a channel cannot be written, or empty; fills its ids.
std::string channelFault(const T_dbCh& c, ChannelIds* ids) {
    ids->sid = idValue16(c.sid);
    ids->pmt = idValue16(c.pmt_pid);
    ids->vpid = idValue16(c.vpid);
    ids->pcr = idValue16(c.pcr_pid);
    // Without audio tracks there is no first track to take the PID from.
    ids->apid = c.audioCount > 0 ? idValue16(c.audio[1].apid) : 0;
    if (!fits8(c.dupdpid)) return strFormat("duplicate-PID flag %d does not fit a byte", c.dupdpid);
    if (!fits8(c.scrambled)) return strFormat("scrambled flag %d does not fit a byte", c.scrambled);
    if (!fits8(c.locked)) return strFormat("locked flag %d does not fit a byte", c.locked);
    return casByte(c, &ids->cas);
}

// The first format limit the list exceeds, or null.
const char* limitExceeded(const WriterInput& in) {
    const LangStruct& lang = *in.lang;
    if (in.satDB->count > kMaxSat) return lang.msgEcdfMaxSat;
    if (in.tpDB->count > kMaxTp) return lang.msgEcdfMaxTp;
    if (in.chDB->count > kMaxCh) return lang.msgEcdfMaxCh;
    if (in.cfg->listType != 2 && in.favDB->count > kMaxFavGroups) return lang.msgEcdfMaxFavGrp;
    return nullptr;
}

// Where each table's records went, for the tables that point at them.
struct Placed {
    std::unordered_map<int32_t, unsigned> satPos;          // sat_id -> first position
    std::vector<int> tpPos;                                // tpDB slot -> written position, or -1
    std::unordered_map<uint64_t, uint32_t> tpFirst;        // (sat_id, stp_id) -> first slot
    std::unordered_map<TvKey, unsigned, TvKeyHash> tvPos;  // TV identity -> first position
};

void skip(std::vector<std::string>* skipped, std::string line) {
    if (skipped) skipped->push_back(std::move(line));
}

// A list the format cannot take at all: refused, not written in part.
BuildResult refusal(const WriterInput& in) {
    const T_dbSatTable& sats = *in.satDB;
    if (const char* limit = limitExceeded(in)) return BuildResult::fail(limit);
    if (in.chFavDB->count >= kChFavDbSlots)
        return BuildResult::fail("The favourite channel table holds more records than it can.");
    // A satellite's set-up is the user's own configuration: refuse rather
    // than drop the satellite and everything tuned through it.
    for (uint32_t s = 1; s <= sats.count; ++s) {
        std::string why = satelliteFault(sats.sat[s]);
        if (!why.empty())
            return BuildResult::fail(strFormat("Satellite %u (%.*s): %s.", s,
                                               textLen(sats.sat[s].satName), sats.sat[s].satName,
                                               why.c_str()));
    }
    return {};
}

void writeSatellites(ByteImage& b, const T_dbSatTable& sats, Placed* at) {
    size_t sec = openSection(b, kTagSatellites);
    b.add8(sats.count);
    for (uint32_t s = 1; s <= sats.count; ++s) {
        const T_dbSat& sat = sats.sat[s];
        at->satPos.emplace(sat.sat_id, s - 1);
        b.add8(0x01);
        b.add16(static_cast<unsigned>(sat.position));
        b.addText(sat.satName, 44);
        b.add8(lnbByte(sat));
        b.add8(static_cast<unsigned>(sat.tone22k));
        b.add8(switchByte(sat));
        b.zeros(2);
    }
    closeSection(b, sec);
}

void writeTransponders(ByteImage& b, const T_dbTpTable& tps, Placed* at,
                       std::vector<std::string>* skipped) {
    size_t sec = openSection(b, kTagTransponders);
    size_t countAt = b.size();
    b.add16(0);
    at->tpPos.assign(tps.count + 1, -1);
    unsigned written = 0;
    for (uint32_t t = 1; t <= tps.count; ++t) {
        const T_dbTp& tp = tps.tp[t];
        at->tpFirst.emplace(tpKey(tp.sat_id, tp.stp_id), t);
        std::string why = transponderFault(tp);
        auto sat = at->satPos.find(tp.sat_id);
        if (why.empty() && sat == at->satPos.end())
            why = strFormat("its satellite %d is not in the list", tp.sat_id);
        if (!why.empty()) {
            skip(skipped,
                 strFormat("Transponder %u (%d MHz): %s; left out.", t, tp.frequency, why.c_str()));
            continue;
        }
        b.add16(idValue16(tp.nid));
        b.add16(idValue16(tp.tid));
        b.add16(static_cast<unsigned>(tp.frequency));
        b.add16(static_cast<unsigned>(tp.sr));
        b.add8(tp.polarity == 0 || tp.polarity == 2 ? 1 : 0);
        b.add8(tp.fec >= 0 && tp.fec < 6 ? static_cast<unsigned>(tp.fec) : 0);
        b.add8(sat->second);
        b.add8(static_cast<unsigned>(tp.modulation));
        b.add8(static_cast<unsigned>(tp.pilot));
        b.zeros(3);
        at->tpPos[t] = static_cast<int>(written++);
    }
    b.put16(countAt, written);
    closeSection(b, sec);
}

// TV channels, then radio channels, each behind its count.
void writeChannels(ByteImage& b, const T_dbChTable& chs, Placed* at,
                   std::vector<std::string>* skipped) {
    size_t sec = openSection(b, kTagChannels);
    at->tvPos.reserve(chs.count);
    for (int type : {0, 1}) {
        size_t countAt = b.size();
        b.add16(0);
        unsigned written = 0;
        for (uint32_t c = 1; c <= chs.count; ++c) {
            const T_dbCh& ch = chs.ch[c];
            if (ch.ch_type != type) continue;
            ChannelIds ids{};
            std::string why = channelFault(ch, &ids);
            int tpAt = -1;
            if (why.empty()) {
                auto tp = at->tpFirst.find(tpKey(ch.sat_id, ch.stp_id));
                if (tp == at->tpFirst.end())
                    why = strFormat("its transponder %d is not in the list", ch.stp_id);
                else if ((tpAt = at->tpPos[tp->second]) < 0)
                    why = strFormat("its transponder %u was left out", tp->second);
            }
            if (!why.empty()) {
                skip(skipped, strFormat("Channel %u (%.*s): %s; left out.", c, textLen(ch.ch_name),
                                        ch.ch_name, why.c_str()));
                continue;
            }
            b.add16(static_cast<unsigned>(tpAt));
            b.add16(ids.sid);
            b.addText(ch.ch_name, 24);
            b.add16(ids.pmt);
            b.add16(ids.vpid);
            b.add16(ids.apid);
            b.add16(ids.pcr);
            b.add8(static_cast<unsigned>(ch.dupdpid));
            b.add8(static_cast<unsigned>(ch.scrambled));
            b.add8(static_cast<unsigned>(ch.locked));
            b.add8(ids.cas);
            b.zeros(4);
            if (type == 0)
                at->tvPos.emplace(tvKey(ch.sat_id, ch.stp_id, ch.groupId, ch.sid), written);
            ++written;
        }
        b.put16(countAt, written);
    }
    for (uint32_t c = 1; c <= chs.count; ++c)
        if (chs.ch[c].ch_type != 0 && chs.ch[c].ch_type != 1)
            skip(skipped,
                 strFormat("Channel %u (%.*s): type %d is neither TV nor radio; left out.", c,
                           textLen(chs.ch[c].ch_name), chs.ch[c].ch_name, chs.ch[c].ch_type));
    closeSection(b, sec);
}

// The groups the list has, then named empty ones up to the format's count.
BuildResult writeFavourites(ByteImage& b, const WriterInput& in, const Placed& at,
                            std::vector<std::string>* skipped) {
    const T_dbFavTable& favs = *in.favDB;
    const T_dbChFavTable& links = *in.chFavDB;
    size_t sec = openSection(b, kTagFavourites);
    uint32_t groups = favs.count < kMaxFavGroups ? favs.count : kMaxFavGroups;
    std::vector<unsigned> tvEntries, radioEntries;
    for (uint32_t g = 1; g <= groups; ++g) {
        const T_dbFav& fav = favs.fav[g];
        uint32_t tvLinks = 0, radioLinks = 0;
        for (uint32_t l = 1; l <= links.count; ++l) {
            if (links.chFav[l].fav_id != fav.fav_id) continue;
            tvLinks += links.chFav[l].ch_type == 0;
            radioLinks += links.chFav[l].ch_type == 1;
        }
        if (tvLinks > kMaxFavPerGroup || radioLinks > kMaxFavPerGroup)
            return BuildResult::fail(in.lang->msgEcdfMaxFavCh);
        tvEntries.clear();
        radioEntries.clear();
        for (uint32_t l = 1; l <= links.count; ++l) {
            const T_dbChFav& link = links.chFav[l];
            if (link.fav_id != fav.fav_id) continue;
            std::string why;
            if (link.ch_type == 0) {
                auto tv = at.tvPos.find(tvKey(link.sat_id, link.stp_id, link.groupId, link.sid));
                if (tv != at.tvPos.end())
                    tvEntries.push_back(tv->second);
                else
                    why = "its channel is not among the TV channels";
            } else if (link.ch_type == 1) {
                if (link.chIndex >= 0 && static_cast<uint32_t>(link.chIndex) < in.chDB->count)
                    radioEntries.push_back(static_cast<unsigned>(link.chIndex));
                else
                    why = strFormat("channel index %d is outside the channel table", link.chIndex);
            } else {
                why = strFormat("type %d is neither TV nor radio", link.ch_type);
            }
            if (!why.empty())
                skip(skipped,
                     strFormat("Favourite group %u (%.*s), link %u (sid %.*s): %s; left out.", g,
                               textLen(fav.fav_name), fav.fav_name, l, textLen(link.sid), link.sid,
                               why.c_str()));
        }
        b.addText(fav.fav_name, 24);
        for (const auto* entries : {&tvEntries, &radioEntries}) {
            b.add16(static_cast<unsigned>(entries->size()));
            for (unsigned pos : *entries) {
                b.add16(pos);
                b.zeros(5);
            }
        }
    }
    for (uint32_t g = groups + 1; g <= kMaxFavGroups; ++g) {
        char name[25] = {};
        std::snprintf(name, sizeof name, "FAV %u", g);
        b.addText(name, 24);
        b.zeros(4);
    }
    closeSection(b, sec);
    return {};
}

// The body's length and checksum, then the family's header before it.
BuildResult finishImage(ByteImage& b, const std::string& body, const unsigned char* header,
                        std::string* image) {
    const size_t bodyLen = body.size() + 2;
    if (bodyLen > kEcdfBodyBufferSize)
        return BuildResult::fail(
            strFormat("The ECDF body needs %zu bytes, more than its %zu-byte "
                      "buffer.",
                      bodyLen, kEcdfBodyBufferSize));
    b.put32(12, static_cast<uint32_t>(bodyLen - kPreambleSize));
    b.add16(crcFast16(body.data(), body.size()));

    unsigned sum = 0;
    for (char c : body) sum += static_cast<unsigned char>(c);
    image->assign(reinterpret_cast<const char*>(header), kEcdfHeaderSize);
    ByteImage h(image, ByteOrder::big);
    h.put16(6, sum & 0xFFFF);
    h.put32(12, static_cast<uint32_t>(bodyLen));
    image->append(body);
    return {};
}

}  // namespace

BuildResult buildEcdfImage(const WriterInput& in, int family, std::string* image,
                           std::vector<std::string>* skipped) {
    const unsigned char* header = family == kEcdfFamilySB5    ? kHeaderSB5
                                  : family == kEcdfFamilyS2HD ? kHeaderS2HD
                                                              : nullptr;
    if (!header) return BuildResult::fail(strFormat("Unknown ECDF receiver family %d.", family));
    if (BuildResult r = refusal(in); !r.ok) return r;

    std::string body;
    body.reserve(kEcdfBodyBufferSize);
    // 16-bit and 32-bit fields keep the value modulo their width.
    ByteImage b(&body, ByteOrder::big);
    b.append(kPreamble, sizeof kPreamble);
    b.add32(0);  // remaining length, known at the end

    size_t sec = openSection(b, kTagLimits);
    for (uint32_t limit : {kMaxSat, kMaxTp, kMaxCh, kMaxFavGroups, kMaxFavPerGroup}) b.add16(limit);
    b.zeros(10);
    closeSection(b, sec);

    Placed at;
    writeSatellites(b, *in.satDB, &at);
    writeTransponders(b, *in.tpDB, &at, skipped);
    writeChannels(b, *in.chDB, &at, skipped);
    if (BuildResult r = writeFavourites(b, in, at, skipped); !r.ok) return r;

    sec = openSection(b, kTagEnd);
    b.add8(0x07);
    b.zeros(16);
    closeSection(b, sec);
    return finishImage(b, body, header, image);
}

namespace {

// Satellites on a Switch 1.0/1.1 get only their committed port here; the
// user is warned once per job and the job goes on. A warning, not an
// error: an error the job meets later must be the one it reports.
void warnUncommittedSwitch(T_jobRequest* p, const WriterInput& in) {
    if (p->warned) return;
    for (uint32_t s = 1; s <= in.satDB->count && s < kSatDbSlots; ++s) {
        if (in.satDB->sat[s].switchType == 2) {
            p->events->status(JobStatus::kWarning, in.lang->msgWarning,
                              in.lang->msgSwitchUnsupported);
            p->events->message(in.lang->msgSwitchUnsupported, in.lang->msgWarning, kMbIconWarning);
            return;
        }
    }
}

}  // namespace

SingleFileFormat ecdfFileFormat(int family) {
    return binFileFormat(family == kEcdfFamilyS2HD ? "DMlistS2-HD-%04d%02d%02d.bin"
                                                   : "DMlistSB5-%04d%02d%02d.bin");
}

uint32_t WriteSB5S2HD(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    const int family = p->cfg.fileType;
    // The switch warning and the limits come before the window is greyed.
    const WriterInput pre = writerInput(p, VaTime{});
    warnUncommittedSwitch(p, pre);
    if (const char* limit = limitExceeded(pre)) return refuseWriterJob(p, limit);
    SingleFileFormat fmt = ecdfFileFormat(family);
    fmt.build = [p, family](const WriterInput& in, std::string* image) {
        std::vector<std::string> skipped;
        BuildResult r = buildEcdfImage(in, family, image, &skipped);
        if (r.ok) warnRecords(p, "Some records cannot be written in the ECDF format:", skipped);
        return r;
    };
    return runSingleFileJob(p, fmt);
}
