#include "writers/jst/jst.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "config/textFunc.h"
#include "writers/common/byteImage.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"

using namespace jst;

namespace {

// Four hexadecimal digits, read as every writer reads an id.
template <size_t N>
bool readHex4(const char (&field)[N], uint16_t* value) {
    if (idHexDigits(field) != 4) return false;
    *value = idValue16(field);
    return true;
}

uint32_t flag(int32_t v) { return v != 0 ? 1u : 0u; }

void putFrame(ByteImage& img, size_t off, uint32_t count, size_t recSize) {
    img.put8(off, 0xDB);
    img.put8(off + 1, 0x81);
    img.put16(off + 2, count);
    // 16 bits wide: beyond 1489 TV records only the low part fits; the
    // record count beside it stays exact.
    img.put16(off + 4, static_cast<uint32_t>(count * recSize));
}

void fillAfter(ByteImage& img, size_t blockOff, size_t blockSize, uint32_t count, size_t recSize) {
    size_t used = kFrameSize + count * recSize;
    img.fill(blockOff + used, blockSize - used, 0xFF);
}

uint64_t pairKey(int32_t a, int32_t b) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// A service id as text, packed so that equal texts give equal keys.
template <size_t N>
uint64_t sidKey(const char (&sid)[N]) {
    uint64_t k = 0;
    size_t n = strnlen(sid, N);
    if (n > 8) n = 8;
    for (size_t i = 0; i < n; ++i)
        k |= static_cast<uint64_t>(static_cast<unsigned char>(sid[i])) << (8 * i);
    return k;
}

struct FavKey {
    uint64_t satStp;
    uint64_t sid;
    bool operator==(const FavKey&) const = default;
};
struct FavKeyHash {
    size_t operator()(const FavKey& k) const {
        return std::hash<uint64_t>()(k.satStp * 0x9E3779B97F4A7C15ull ^ k.sid);
    }
};

uint8_t fecCode(int32_t fec) {
    switch (fec) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 2;
    case 3: return 3;
    case 4: return 5;
    case 5: return 7;
    case 8: return 4;
    default: return 3;
    }
}

uint8_t langCode(int32_t id) {
    static const uint8_t kCodes[24] = {0x00, 0x03, 0x0D, 0x11, 0x0A, 0x10, 0x04, 0x08,
                                       0x01, 0x02, 0x0E, 0x09, 0x06, 0x7F, 0x7F, 0x07,
                                       0x06, 0x0B, 0x09, 0x12, 0x0C, 0x7F, 0x05, 0x7F};
    return (id >= 0 && id < 24) ? kCodes[id] : 0x7F;
}

// Flag bit of a CAS id; -1 for an id that has none.
int casBit(int32_t id) {
    switch (id) {
    case 0: return 4;
    case 1: return 8;
    case 2: return 5;
    case 3:
    case 4: return 7;
    case 5:
    case 14: return 13;
    case 6: return 6;
    case 7: return 9;
    case 8: return 10;
    case 9: return 14;
    case 13: return 12;
    default: return id >= 0 ? 15 : -1;
    }
}

// Membership bit of a favourite group; -1 for a group without one.
int favBit(int32_t favId) {
    switch (favId) {
    case 1: return 12;
    case 2: return 13;
    case 3: return 14;
    case 4: return 19;
    case 5: return 16;
    case 6: return 17;
    case 7: return 27;
    case 9: return 20;
    case 10: return 21;
    case 11: return 18;
    case 12: return 23;
    case 13: return 22;
    case 14: return 24;
    case 15: return 25;
    case 16: return 26;
    default: return -1;
    }
}

constexpr uint16_t kNoPid = 0x1FFF;
constexpr uint8_t kNoLang = 0x7F;

struct Audio {
    uint16_t pid = kNoPid;
    uint8_t lang = kNoLang;
    bool dtsAc3 = false;  // usable and marked both DTS and AC-3
};

class Builder {
public:
    Builder(const WriterInput& in, std::string* image, std::vector<std::string>* notes)
        : in_(in), image_(image), img_(image, ByteOrder::little), notes_(notes) {}

    BuildResult run(int family);

private:
    BuildResult checkLimits();
    BuildResult checkSatellite(uint32_t slot, const T_dbSat& s);
    void header(int family);
    BuildResult satellites();
    BuildResult transponders();
    BuildResult channels(int32_t type, size_t blockOff, size_t blockSize, uint32_t count);
    BuildResult channel(uint32_t slot, const T_dbCh& c, size_t off);
    Audio audio(uint32_t slot, const T_dbCh& c, uint32_t track);
    void favourites();
    void note(std::string s) {
        if (notes_) notes_->push_back(std::move(s));
    }

    const WriterInput& in_;
    std::string* image_;
    ByteImage img_;
    std::vector<std::string>* notes_;
    uint32_t chSlots_ = 0;  // chDB records in range of the table
    uint32_t tvCount_ = 0;  // counted in the frame
    uint32_t radioCount_ = 0;
    std::unordered_map<uint64_t, uint16_t> tpIndex_;  // (sat_id, stp_id) -> first tpDB position
    std::unordered_map<FavKey, uint32_t, FavKeyHash> favBits_;
};

BuildResult Builder::checkLimits() {
    if (BuildResult r = checkJstLimits(in_); !r.ok) return r;
    tvCount_ = in_.report->tvChannels + in_.report->tvFake;
    radioCount_ = in_.report->radioChannels;

    // The frames carry the counters; a table that disagrees would leave
    // records under the fill or a gap of undefined bytes.
    chSlots_ = in_.chDB->count < kChDbSlots ? in_.chDB->count : kChDbSlots - 1;
    uint32_t tvRecs = 0, radioRecs = 0;
    for (uint32_t i = 1; i <= chSlots_; ++i) {
        if (in_.chDB->ch[i].ch_type == 0)
            ++tvRecs;
        else if (in_.chDB->ch[i].ch_type == 1)
            ++radioRecs;
    }
    if (tvRecs != tvCount_)
        return BuildResult::fail(strFormat(
            "The TV channel count (%u) does not match the channel table (TV records: %u).",
            tvCount_, tvRecs));
    if (radioRecs != radioCount_)
        return BuildResult::fail(strFormat(
            "The radio channel count (%u) does not match the channel table (radio records: %u).",
            radioCount_, radioRecs));
    return {};
}

BuildResult Builder::checkSatellite(uint32_t slot, const T_dbSat& s) {
    std::string who = strFormat("Satellite %u \"%s\": ", slot, fieldText(s.satName).c_str());
    if (s.lnbType < 0 || s.lnbType > 2)
        return BuildResult::fail(who + strFormat("LNB type %d has no JST code.", s.lnbType));
    if (s.freqLo < 0 || s.freqLo > 9)
        return BuildResult::fail(who +
                                 strFormat("low LNB frequency index %d is not 0 to 9.", s.freqLo));
    if (s.freqHi < 0 || s.freqHi > 9)
        return BuildResult::fail(who +
                                 strFormat("high LNB frequency index %d is not 0 to 9.", s.freqHi));
    if (s.power < 0 || s.power > 3)
        return BuildResult::fail(who + strFormat("power %d is not 0 to 3.", s.power));
    if (s.switchType < 0 || s.switchType > 2)
        return BuildResult::fail(who + strFormat("switch type %d has no JST code.", s.switchType));
    int32_t port = s.switchType == 1 ? s.switch10 : s.switchType == 2 ? s.switch11 : -1;
    if (s.switchType != 0 && (port < 0 || port > 30))
        return BuildResult::fail(who +
                                 strFormat("switch port %d does not fit the JST dish word.", port));
    int32_t signedPos = signedPosition(s.position, kJstLastEast);
    if (s.position < 0 || s.position > 0xFFFF || signedPos > 0x7FFF)
        return BuildResult::fail(
            who + strFormat("position %d does not fit the JST position fields.", s.position));
    return {};
}

void Builder::header(int family) {
    img_.bytes(0, "WCXT", 4);
    img_.bytes(4, family == kFamilyJS1 ? "5S" : "57", 2);
    img_.bytes(6, "51CHAN0006", 10);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", in_.start.year, in_.start.month,
                  in_.start.day, in_.start.hour, in_.start.minute);
    img_.bytes(16, stamp, strnlen(stamp, 12));
    img_.bytes(28, "CHANNEL", 7);
    img_.bytes(50, "Dalmero Team", 12);
}

BuildResult Builder::satellites() {
    const T_dbSatTable& db = *in_.satDB;
    putFrame(img_, kSatOffset, db.count, kSatRecord);
    for (uint32_t i = 1; i <= db.count; ++i) {
        const T_dbSat& s = db.sat[i];
        if (BuildResult r = checkSatellite(i, s); !r.ok) return r;
        size_t off = kSatOffset + kFrameSize + (i - 1) * kSatRecord;
        int32_t signedPos = signedPosition(s.position, kJstLastEast);
        img_.put16(off, static_cast<uint32_t>(s.position));
        img_.put16(off + 4, static_cast<uint32_t>(static_cast<uint16_t>(signedPos)));
        img_.put32(off + 8, static_cast<uint32_t>(kLnbFreqMHz[s.freqHi]) * 16 +
                                static_cast<uint32_t>(s.lnbType));
        img_.put32(off + 12, (static_cast<uint32_t>(s.power) << 28) +
                                 static_cast<uint32_t>(kLnbFreqMHz[s.freqLo]));

        uint32_t dish = flag(s.out12V) << 26;
        if (s.lnbType == 1)
            dish |= 1u << 18;
        else
            dish |= flag(s.tone22k) << 17;
        if (s.diseqc == 1 && s.switchType == 0 && s.positionerId >= 0 && s.positionerId <= 63)
            dish |= static_cast<uint32_t>(s.positionerId) << 10;
        if (s.switchType == 1) dish |= static_cast<uint32_t>(s.switch10 + 1) << 3;
        if (s.switchType == 2) dish |= (static_cast<uint32_t>(s.switch11 + 1) << 3) | (1u << 2);
        img_.put32(off + 16, dish);

        img_.text(off + 20, s.satName, 24);
    }
    fillAfter(img_, kSatOffset, kSatBlock, db.count, kSatRecord);
    return {};
}

BuildResult Builder::transponders() {
    std::unordered_map<int32_t, uint8_t> satIndex;
    for (uint32_t i = 1; i <= in_.satDB->count; ++i)
        satIndex.try_emplace(in_.satDB->sat[i].sat_id, static_cast<uint8_t>(i - 1));

    const T_dbTpTable& db = *in_.tpDB;
    tpIndex_.reserve(db.count * 2);
    putFrame(img_, kTpOffset, db.count, kTpRecord);
    for (uint32_t i = 1; i <= db.count; ++i) {
        const T_dbTp& t = db.tp[i];
        auto who = [&] { return strFormat("Transponder %u (%d MHz): ", i, t.frequency); };
        auto sat = satIndex.find(t.sat_id);
        if (sat == satIndex.end())
            return BuildResult::fail(who() +
                                     strFormat("its satellite %d is not in the list.", t.sat_id));
        if (t.frequency < 0 || t.frequency > 0xFFFF)
            return BuildResult::fail(who() + "the frequency does not fit 16 bits.");
        if (t.sr < 0 || t.sr > 0xFFFF)
            return BuildResult::fail(who() +
                                     strFormat("symbol rate %d does not fit 16 bits.", t.sr));
        if (t.polarity < 0 || t.polarity > 3)
            return BuildResult::fail(who() + strFormat("polarity %d has no JST code.", t.polarity));
        // Circular polarisations (2, 3) have no code: the part stays zero.
        uint32_t pol = t.polarity == 0 ? 1 : t.polarity == 1 ? 2 : 0;

        size_t off = kTpOffset + kFrameSize + (i - 1) * kTpRecord;
        img_.put8(off, sat->second);
        img_.put16(off + 4, static_cast<uint32_t>(t.frequency));
        img_.put16(off + 8, static_cast<uint32_t>(t.sr));
        img_.put16(off + 10, (uint32_t{fecCode(t.fec)} << 8) | (pol << 4));
        tpIndex_.try_emplace(pairKey(t.sat_id, t.stp_id), static_cast<uint16_t>(i - 1));
    }
    fillAfter(img_, kTpOffset, kTpBlock, db.count, kTpRecord);
    return {};
}

Audio Builder::audio(uint32_t slot, const T_dbCh& c, uint32_t track) {
    Audio a;
    const T_dbAudio& t = c.audio[track];
    uint16_t pid = 0;
    if (!readHex4(t.apid, &pid)) {
        note(strFormat(
            "Channel %u \"%s\": audio PID \"%s\" is not four hexadecimal digits; the track "
            "is left out.",
            slot, fieldText(c.ch_name).c_str(), fieldText(t.apid).c_str()));
        return a;
    }
    if (pid == 0 || pid >= 0x2000) return a;
    bool dts = t.dts != 0, ac3 = t.ac3 != 0;
    uint16_t type = dts && ac3 ? 0x6 : ac3 ? 0x4 : dts ? 0x2 : 0;
    // The type takes the place of the PID's top digit.
    if (type != 0) pid = static_cast<uint16_t>((type << 12) | (pid & 0x0FFF));
    a.pid = pid;
    a.lang = langCode(t.lang_id);
    a.dtsAc3 = dts && ac3;
    return a;
}

BuildResult Builder::channel(uint32_t slot, const T_dbCh& c, size_t off) {
    auto name = [&] { return fieldText(c.ch_name); };
    auto tp = tpIndex_.find(pairKey(c.sat_id, c.stp_id));
    if (tp == tpIndex_.end())
        return BuildResult::fail(
            strFormat("Channel %u \"%s\": its transponder %d of satellite %d is not "
                      "in the list.",
                      slot, name().c_str(), c.stp_id, c.sat_id));
    uint16_t sid, pmt, pcr, vpid, txt;
    const char* bad = !readHex4(c.sid, &sid)       ? "service id"
                      : !readHex4(c.pmt_pid, &pmt) ? "PMT PID"
                      : !readHex4(c.pcr_pid, &pcr) ? "PCR PID"
                      : !readHex4(c.vpid, &vpid)   ? "video PID"
                      : !readHex4(c.txt_pid, &txt) ? "teletext PID"
                                                   : nullptr;
    if (bad)
        return BuildResult::fail(
            strFormat("Channel %u \"%s\": the %s is not four hexadecimal digits.", slot,
                      name().c_str(), bad));

    img_.put16(off, tp->second);
    img_.put16(off + 2, sid);
    img_.put16(off + 4, pmt == 0 ? 0xFFFF : pmt);
    img_.put16(off + 6, pcr == 0xFFFF ? kNoPid : pcr);
    img_.put16(off + 8, vpid == 0xFFFF ? kNoPid : vpid);

    uint32_t txtWord = kNoPid;
    if (txt != 0) {
        if (txt > 0x0FFF)
            note(strFormat(
                "Channel %u \"%s\": teletext PID 0x%04X does not fit the JST teletext word; "
                "written without teletext.",
                slot, name().c_str(), txt));
        else
            txtWord = (c.subtitle != 0 ? 0x4000u : 0x2000u) | txt;
    }
    img_.put16(off + 10, txtWord);

    Audio a1, a2;
    if (c.audioCount == 1 || c.audioCount == 2) a1 = audio(slot, c, 1);
    if (c.audioCount == 2) a2 = audio(slot, c, 2);
    img_.put16(off + 12, a1.pid);
    img_.put16(off + 14, a2.pid);
    img_.put8(off + 16, a1.lang);
    img_.put8(off + 17, a2.lang);

    img_.text(off + 18, c.ch_name, 14);

    uint32_t flags =
        flag(c.locked) | flag(c.dupdname) << 1 | flag(c.dupdpid) << 2 | flag(c.scrambled) << 3;
    if (c.scrambled != 0) {
        uint32_t n = c.casCount < kCasSlots ? c.casCount : kCasSlots - 1;
        for (uint32_t k = 1; k <= n; ++k) {
            int bit = casBit(c.cas[k]);
            if (bit < 0)
                note(strFormat("Channel %u \"%s\": CAS id %d has no JST flag; left out.", slot,
                               name().c_str(), c.cas[k]));
            else
                flags |= 1u << bit;
        }
    }
    img_.put16(off + 36, flags);
    img_.put8(off + 38, a1.dtsAc3 ? 2 : 0);
    img_.put8(off + 39, 0xFF);

    uint32_t member = 0x00000600u | flag(c.skip) << 4;
    auto fav = favBits_.find(FavKey{pairKey(c.sat_id, c.stp_id), sidKey(c.sid)});
    if (fav != favBits_.end()) member |= fav->second;
    img_.put32(off + 40, member);
    return {};
}

BuildResult Builder::channels(int32_t type, size_t blockOff, size_t blockSize, uint32_t count) {
    putFrame(img_, blockOff, count, kChRecord);
    size_t off = blockOff + kFrameSize;
    for (uint32_t i = 1; i <= chSlots_; ++i) {
        const T_dbCh& c = in_.chDB->ch[i];
        if (c.ch_type != type) continue;
        if (BuildResult r = channel(i, c, off); !r.ok) return r;
        off += kChRecord;
    }
    fillAfter(img_, blockOff, blockSize, count, kChRecord);
    return {};
}

void Builder::favourites() {
    img_.put8(kFavOffset, 0xDB);
    img_.put8(kFavOffset + 1, 0x81);
    img_.put16(kFavOffset + 2, 0x0050);
    img_.put16(kFavOffset + 4, 0x0DC0);
    img_.fill(kFavOffset + kFrameSize + 3520, 564, 0xFF);
}

BuildResult Builder::run(int family) {
    image_->clear();
    if (family != kFamilyST1 && family != kFamilyJS1)
        return BuildResult::fail(strFormat("Unknown JST receiver family %d.", family));
    if (BuildResult r = checkLimits(); !r.ok) return r;

    const T_dbChFavTable& cf = *in_.chFavDB;
    uint32_t links = cf.count < kChFavDbSlots ? cf.count : kChFavDbSlots - 1;
    favBits_.reserve(links);
    for (uint32_t i = 1; i <= links; ++i) {
        int bit = favBit(cf.chFav[i].fav_id);
        if (bit < 0) continue;
        favBits_[FavKey{pairKey(cf.chFav[i].sat_id, cf.chFav[i].stp_id),
                        sidKey(cf.chFav[i].sid)}] |= 1u << bit;
    }

    image_->assign(kImageSize, '\0');
    header(family);
    BuildResult r = satellites();
    if (r.ok) r = transponders();
    if (r.ok) r = channels(0, kTvOffset, kTvBlock, tvCount_);
    if (r.ok) r = channels(1, kRadioOffset, kRadioBlock, radioCount_);
    if (r.ok) favourites();
    if (r.ok && img_.broken()) r = BuildResult::fail("The JST image overran its buffer.");
    if (!r.ok) image_->clear();
    return r;
}

}  // namespace

BuildResult checkJstLimits(const WriterInput& in) {
    const T_dbReport& r = *in.report;
    const LangStruct& lang = *in.lang;
    if (in.satDB->count > kMaxSatellites) return BuildResult::fail(lang.msgJstMaxSat);
    // The table count is checked too: its records are what fills the block.
    if (r.transponders > kMaxTransponders || in.tpDB->count > kMaxTransponders)
        return BuildResult::fail(lang.msgJstMaxTp);
    if (uint64_t{r.tvChannels} + r.tvFake > kMaxTv) return BuildResult::fail(lang.msgJstMaxTv);
    if (r.radioChannels > kMaxRadio) return BuildResult::fail(lang.msgJstMaxRadio);
    if (in.cfg->listType != 2 && r.favGroups > kMaxFavGroups)
        return BuildResult::fail(lang.msgJstMaxFavGrp);
    return {};
}

BuildResult buildJstImage(const WriterInput& in, int family, std::string* image,
                          std::vector<std::string>* notes) {
    Builder b(in, image, notes);
    return b.run(family);
}

SingleFileFormat jstFileFormat(int family) {
    return binFileFormat(family == kFamilyJS1 ? "DMlistPvr-JS1-%04d%02d%02d.bin"
                                              : "DMlistPvr-ST1-%04d%02d%02d.bin");
}

uint32_t WriteST1JS1(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    // The limits come first, before the window is greyed or the bar reset.
    if (BuildResult lim = checkJstLimits(writerInput(p, VaTime{})); !lim.ok)
        return refuseWriterJob(p, lim.message);
    const int fileType = p->cfg.fileType;
    SingleFileFormat f = jstFileFormat(fileType == kFamilyJS1 ? kFamilyJS1 : kFamilyST1);
    f.build = [p, fileType](const WriterInput& in, std::string* image) {
        std::vector<std::string> notes;
        BuildResult r = buildJstImage(in, fileType, image, &notes);
        // One box for everything that was written absent.
        if (r.ok) warnRecords(p, "Some values cannot be written in the JST format:", notes, 10);
        return r;
    };
    return runSingleFileJob(p, f);
}
