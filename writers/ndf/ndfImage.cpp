#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "config/textFunc.h"
#include "writers/common/byteImage.h"
#include "writers/common/ids.h"
#include "writers/ndf/ndf.h"

namespace {

// The LNB oscillator of a freqLo / freqHi index, in MHz.
constexpr uint16_t kLnbMHz[10] = {5150, 5700, 5750, 9750, 10000, 10050, 10600, 10750, 11200, 11475};
// LNB code of a single LNB by freqLo; 0 for the indexes without one.
constexpr uint8_t kSingleLnbCode[10] = {0x01, 0x00, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
// Switch and modulation codes: 0, 1 and 2 become 0, 1 and 3.
constexpr uint8_t kTwoBitCode[3] = {0, 1, 3};

constexpr size_t kTailSize = 4;  // "END" and the check byte

// The 16-bit value of an id or PID text of at least four hexadecimal
// digits, read as every writer reads an id; false for any other text.
template <size_t N>
bool hex16(const char (&s)[N], uint16_t* value) {
    if (idHexDigits(s) < 4) return false;
    *value = idValue16(s);
    return true;
}

bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// A name: its length byte, then its characters.
void putName(ByteImage& r, const char* s, size_t len) {
    r.add8(static_cast<unsigned>(len));
    r.append(s, len);
}

class NdfBuilder {
public:
    NdfBuilder(const WriterInput& in, std::string* image, std::vector<std::string>* skipped)
        : in_(in),
          image_(image),
          img_(image, ByteOrder::little, kNdfImageSize - kTailSize),
          skipped_(skipped) {}

    BuildResult run() {
        image_->clear();
        BuildResult r = checkLimits();
        if (r.ok) r = header();
        if (r.ok) r = dishes();
        if (r.ok) r = satellites();
        if (r.ok) r = transponders();
        if (r.ok) r = channels();
        if (r.ok) r = favourites();
        if (!r.ok) {
            image_->clear();
            return r;
        }
        // The tail always has its room: every other part kept clear of it.
        img_.setLimit(kNdfImageSize);
        img_.append("END", 3);
        img_.put32(4, static_cast<uint32_t>(img_.size() + 1));
        unsigned char sum = static_cast<unsigned char>(checksum8(
            reinterpret_cast<const unsigned char*>(img_.data()), static_cast<int>(img_.size())));
        img_.add8(static_cast<unsigned char>(sum + 1));
        if (img_.broken()) {
            image_->clear();
            return tooLarge();
        }
        return {};
    }

private:
    BuildResult tooLarge() const {
        return BuildResult::fail(strFormat(
            "The NDF list does not fit the format: its file would be larger than %zu bytes.",
            kNdfImageSize));
    }

    void skip(std::string line) {
        if (skipped_) skipped_->push_back(std::move(line));
    }

    BuildResult checkLimits() {
        const T_dbSatTable& sats = *in_.satDB;
        if (in_.report->fakeSatellites > kNdfMaxFakeSat || sats.count > kNdfSatSlots)
            return BuildResult::fail(fieldText(in_.lang->msgNdfMaxSat));
        if (in_.favDB->count > kNdfFavSlots)
            return BuildResult::fail(strFormat(
                "Excessive number of favorite groups for the format NDF. (%u max)", kNdfFavSlots));
        // Counts beyond their tables would be read outside them.
        if (in_.tpDB->count >= kTpDbSlots || in_.chDB->count >= kChDbSlots ||
            in_.chFavDB->count >= kChFavDbSlots)
            return BuildResult::fail(
                "The channel data are damaged (a table count beyond its "
                "capacity); no NDF list was built.");
        return {};
    }

    BuildResult header() {
        const VaTime& t = in_.start;
        if (!inRange(t.year, 1872, 1872 + 255) || !inRange(t.month, 1, 12) ||
            !inRange(t.day, 1, 31))
            return BuildResult::fail(
                strFormat("The date %04d-%02d-%02d cannot be written in an NDF "
                          "file.",
                          t.year, t.month, t.day));
        // The size field (bytes 4 to 7) is filled in when the image is complete.
        const uint8_t head[17] = {'N',
                                  'D',
                                  'F',
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0x01,
                                  static_cast<uint8_t>(t.year - 1872),
                                  static_cast<uint8_t>(t.month),
                                  static_cast<uint8_t>(t.day),
                                  0x0C,
                                  0,
                                  0,
                                  0,
                                  kNdfSatSlots};
        img_.append(head, sizeof head);
        return {};
    }

    // A dish value outside the range that has bits in the record.
    BuildResult badSat(uint32_t i, const char* what, int32_t v, int lo, int hi) const {
        return BuildResult::fail(
            strFormat("Satellite %u \"%s\": %s %d is outside %d to %d; no NDF list was built.", i,
                      fieldText(in_.satDB->sat[i].satName).c_str(), what, v, lo, hi));
    }

    BuildResult dishes() {
        const T_dbSatTable& sats = *in_.satDB;
        for (uint32_t i = 1; i <= sats.count; ++i) {
            const T_dbSat& s = sats.sat[i];
            struct {
                const char* what;
                int32_t v;
                int lo, hi;
            } checks[] = {{"diseqc", s.diseqc, 0, 3},
                          {"switch type", s.switchType, 0, 2},
                          {"12V output", s.out12V, 0, 1},
                          {"22kHz tone", s.tone22k, 0, 1},
                          {"power", s.power, 0, 3},
                          {"switch 1.1 port", s.switch11, 0, 15},
                          {"switch 1.0 port", s.switch10, 0, 3},
                          {"LNB type", s.lnbType, 0, 2},
                          {"LNB freq. LO", s.freqLo, 0, 9},
                          {"LNB freq. Hi", s.freqHi, 0, 9}};
            for (const auto& c : checks)
                if (!inRange(c.v, c.lo, c.hi)) return badSat(i, c.what, c.v, c.lo, c.hi);
            ByteImage r = record();
            r.add8(static_cast<unsigned>(s.diseqc << 2 | kTwoBitCode[s.switchType]));
            r.add8(static_cast<unsigned>(s.out12V << 3 | s.tone22k << 2 | s.power));
            r.add8(static_cast<unsigned>(s.switch11 << 4 | s.switch10));
            uint8_t lnb = 0x80;
            if (s.lnbType == 1)
                lnb = s.freqLo == 3 && s.freqHi == 6   ? 0x41
                      : s.freqLo == 3 && s.freqHi == 7 ? 0x42
                                                       : 0x40;
            else if (s.lnbType == 0)
                lnb = kSingleLnbCode[s.freqLo];
            r.add8(lnb);
            r.add16(kLnbMHz[s.freqLo]);
            r.add16(kLnbMHz[s.freqHi]);
            putRecord();
        }
        static const uint8_t filler[8] = {0x00, 0x03, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00};
        for (uint32_t i = sats.count; i < kNdfSatSlots; ++i) img_.append(filler, sizeof filler);
        return {};
    }

    BuildResult satellites() {
        const T_dbSatTable& sats = *in_.satDB;
        uint8_t slots = kNdfSatSlots;
        img_.add8(slots);
        for (uint32_t i = 1; i <= sats.count; ++i) {
            const T_dbSat& s = sats.sat[i];
            if (!inRange(s.position, 0, 0xFFFF))
                return badSat(i, "position", s.position, 0, 0xFFFF);
            ByteImage r = record();
            putName(r, s.satName, strnlen(s.satName, sizeof s.satName));
            r.add16(static_cast<unsigned>(s.position));
            // Ids go up to 999; the byte keeps the low part.
            r.add8(static_cast<unsigned>(s.positionerId) & 0xFF);
            r.add8(i - 1);
            putRecord();
        }
        for (uint32_t k = sats.count; k < kNdfSatSlots; ++k) {
            const uint8_t filler[5] = {0, 0, 0, 0, static_cast<uint8_t>(k)};
            img_.append(filler, sizeof filler);
        }
        return {};
    }

    // Index of the first satellite with this sat_id, or -1.
    int satIndex(int32_t satId) const {
        for (uint32_t i = 1; i <= in_.satDB->count; ++i)
            if (in_.satDB->sat[i].sat_id == satId) return static_cast<int>(i - 1);
        return -1;
    }

    static uint64_t tpKey(int32_t satId, int32_t stpId) {
        return static_cast<uint64_t>(static_cast<uint32_t>(satId)) << 32 |
               static_cast<uint32_t>(stpId);
    }

    // The transponder record, or the reason it is left out.
    const char* composeTp(const T_dbTp& t, int sat, ByteImage* r) const {
        uint16_t nid, tid;
        if (sat < 0) return "its satellite is not in the list";
        if (!inRange(t.frequency, 0, 0xFFFF)) return "frequency outside 0 to 65535";
        if (!inRange(t.sr, 0, 0xFFFF)) return "symbol rate outside 0 to 65535";
        if (!inRange(t.fec, 0, 9)) return "FEC code outside 0 to 9";
        if (!inRange(t.modulation, 0, 2)) return "modulation code outside 0 to 2";
        if (!inRange(t.polarity, 0, 3)) return "polarity code outside 0 to 3";
        if (!inRange(t.pilot, 0, 0xFFFF)) return "pilot outside 0 to 65535";
        if (!hex16(t.nid, &nid)) return "network id is not at least four hexadecimal digits";
        if (!hex16(t.tid, &tid))
            return "transport stream id is not at least four hexadecimal digits";
        r->add16(static_cast<unsigned>(t.frequency));
        r->add16(static_cast<unsigned>(t.sr));
        r->add8(static_cast<unsigned>(t.fec << 4 | kTwoBitCode[t.modulation] << 2 | t.polarity));
        r->add8(0);
        r->add8(static_cast<unsigned>(sat));
        r->add16(nid);
        r->add16(tid);
        r->add16(nid);
        r->add16(static_cast<unsigned>(t.pilot));
        r->add32(0x80000000u);
        return nullptr;
    }

    BuildResult transponders() {
        const T_dbTpTable& tps = *in_.tpDB;
        tpOut_.assign(tps.count + 1, -1);
        tpFirst_.clear();
        tpFirst_.reserve(tps.count);
        size_t countAt = img_.size();
        if (!img_.add16(0)) return tooLarge();
        unsigned written = 0;
        for (uint32_t i = 1; i <= tps.count; ++i) {
            const T_dbTp& t = tps.tp[i];
            tpFirst_.emplace(tpKey(t.sat_id, t.stp_id), i);
            ByteImage r = record();
            if (const char* why = composeTp(t, satIndex(t.sat_id), &r)) {
                skip(strFormat("Transponder %u (satellite %d, %d MHz): %s; left out.", i, t.sat_id,
                               t.frequency, why));
                continue;
            }
            if (!putRecord()) return tooLarge();
            tpOut_[i] = static_cast<int>(written++);
        }
        putCount(countAt, written);
        return {};
    }

    // The channel record, or the reason it is left out.
    const char* composeCh(const T_dbCh& c, ByteImage* r) {
        auto tp = tpFirst_.find(tpKey(c.sat_id, c.stp_id));
        if (tp == tpFirst_.end()) return "its transponder is not in the list";
        int tpIndex = tpOut_[tp->second];
        if (tpIndex < 0) return "its transponder was left out";
        uint16_t sid, pmt, pcr, vpid, txt = 0;
        if (!hex16(c.sid, &sid)) return "service id is not at least four hexadecimal digits";
        if (!hex16(c.pmt_pid, &pmt) || !hex16(c.pcr_pid, &pcr) || !hex16(c.vpid, &vpid))
            return "a PID is not at least four hexadecimal digits";
        if (c.audioCount >= static_cast<uint32_t>(kAudioSlots))
            return "more audio tracks than the table holds";
        if (c.casCount >= static_cast<uint32_t>(kCasSlots))
            return "more CAS ids than the table holds";
        bool teletext = c.ch_type == 0 && std::strncmp(c.txt_pid, "0000", sizeof c.txt_pid) != 0;
        if (teletext && !hex16(c.txt_pid, &txt))
            return "teletext PID is not at least four hexadecimal digits";
        uint32_t mask = 0;
        for (uint32_t k = 1; k <= c.casCount; ++k) {
            if (!inRange(c.cas[k], 0, 31)) return "CAS id outside 0 to 31";
            mask |= 1u << c.cas[k];
        }
        for (uint32_t k = 1; k <= c.audioCount; ++k) {
            const T_dbAudio& a = c.audio[k];
            uint16_t apid;
            if (!hex16(a.apid, &apid)) return "audio PID is not at least four hexadecimal digits";
        }

        putName(*r, c.ch_name, strnlen(c.ch_name, sizeof c.ch_name));
        r->add16(sid);
        r->add16(pmt);
        r->add16(pcr);
        r->add16(0xFF01);
        r->add16(vpid);
        r->add8(c.audioCount);
        for (uint32_t k = 1; k <= c.audioCount; ++k)
            r->add8(static_cast<unsigned>(c.audio[k].lang_id) & 0xFF);
        for (uint32_t k = 1; k <= c.audioCount; ++k) {
            const T_dbAudio& a = c.audio[k];
            unsigned type = a.dts && !a.ac3 ? 2 : !a.dts && a.ac3 ? 4 : a.dts && a.ac3 ? 6 : 0;
            uint16_t apid = 0;
            hex16(a.apid, &apid);
            // The type takes the top digit's place: it is not written.
            r->add8(apid & 0xFF);
            r->add8(type << 4 | (apid >> 8 & 0x0F));
        }
        if (teletext) {
            r->add16(0xFF01);
            // Subtitles are marked by a 4 in place of the top digit.
            r->add16(c.subtitle ? ((txt & 0x0FFFu) | 0x4000u) : txt);
        } else {
            r->add8(0x00);
        }
        r->add32(mask);
        r->add8((c.dupdsid ? 0x80u : 0) | (c.dupdname ? 0x40u : 0) | (c.dupdpid ? 0x20u : 0) |
                (c.ch_type ? 0x10u : 0) | (c.skip ? 0x04u : 0) | (c.locked ? 0x02u : 0) |
                (c.scrambled ? 0x01u : 0));
        r->add8(0x00);
        r->add16(static_cast<unsigned>(tpIndex));
        return nullptr;
    }

    BuildResult channels() {
        const T_dbChTable& chs = *in_.chDB;
        chOut_.assign(chs.count + 1, -1);
        size_t countAt = img_.size();
        if (!img_.add16(0)) return tooLarge();
        unsigned written = 0;
        for (uint32_t i = 1; i <= chs.count; ++i) {
            const T_dbCh& c = chs.ch[i];
            ByteImage r = record();
            if (const char* why = composeCh(c, &r)) {
                skip(strFormat("Channel %u \"%s\" (satellite %d, transponder %d): %s; left out.", i,
                               fieldText(c.ch_name).c_str(), c.sat_id, c.stp_id, why));
                continue;
            }
            if (!putRecord()) return tooLarge();
            chOut_[i] = static_cast<int>(written++);
        }
        putCount(countAt, written);
        return {};
    }

    BuildResult favourites() {
        const T_dbFavTable& favs = *in_.favDB;
        const T_dbChFavTable& links = *in_.chFavDB;
        uint8_t slots = kNdfFavSlots;
        if (!img_.add8(slots)) return tooLarge();
        for (uint32_t g = 1; g <= kNdfFavSlots; ++g) {
            char filler[8];
            const char* name = filler;
            size_t len;
            if (g <= favs.count) {
                name = favs.fav[g].fav_name;
                len = strnlen(name, sizeof favs.fav[g].fav_name);
            } else {
                len = static_cast<size_t>(std::snprintf(filler, sizeof filler, "FAV %02u", g));
            }
            ByteImage r = record();
            putName(r, name, len);
            size_t countAt = img_.size() + rec_.size();
            r.add16(0);
            if (!putRecord()) return tooLarge();
            unsigned m = 0;
            for (uint32_t k = 1; g <= favs.count && k <= links.count; ++k) {
                const T_dbChFav& l = links.chFav[k];
                if (l.fav_id != favs.fav[g].fav_id) continue;
                int32_t ch = l.chIndex;
                int out = ch >= 0 && static_cast<uint32_t>(ch) < in_.chDB->count
                              ? chOut_[static_cast<size_t>(ch) + 1]
                              : -1;
                if (out < 0) {
                    skip(strFormat(
                        "Favourite group \"%s\": link %u to channel index %d, which is not "
                        "in the list; left out.",
                        fieldText(favs.fav[g].fav_name).c_str(), k, ch));
                    continue;
                }
                if (!img_.add16(static_cast<uint32_t>(out))) return tooLarge();
                ++m;
            }
            putCount(countAt, m);
            if (!img_.add16(0)) return tooLarge();
        }
        return {};
    }

    void putCount(size_t at, unsigned v) { img_.put16(at, v); }

    // One record is composed apart and goes into the image whole, so that a
    // record left out half-way leaves nothing behind.
    ByteImage record() {
        rec_.clear();
        return ByteImage(&rec_, ByteOrder::little, kRecordMax);
    }
    bool putRecord() { return img_.append(rec_.data(), rec_.size()); }

    static constexpr size_t kRecordMax = 160;
    const WriterInput& in_;
    std::string* image_;
    ByteImage img_;
    std::string rec_;
    std::vector<std::string>* skipped_;
    std::vector<int> tpOut_;  // written index by tpDB slot, -1 when left out
    std::vector<int> chOut_;  // written index by chDB slot, -1 when left out
    std::unordered_map<uint64_t, uint32_t> tpFirst_;  // (sat_id, stp_id) -> first tpDB slot
};

}  // namespace

BuildResult buildNdfImage(const WriterInput& in, std::string* image,
                          std::vector<std::string>* skipped) {
    return NdfBuilder(in, image, skipped).run();
}

BuildResult buildNdfImage(const WriterInput& in, std::string* image) {
    return buildNdfImage(in, image, nullptr);
}

std::string ndfSkippedHeading(size_t count) {
    return strFormat("%zu records do not fit the NDF format and were left out:", count);
}
