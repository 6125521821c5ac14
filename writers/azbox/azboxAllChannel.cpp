#include <cstdio>

#include "writers/azbox/azboxPlan.h"

#include <cstring>
#include <string>

#include "config/unicodeText.h"

using namespace azbox;

namespace {

// Offsets of the fixed part of all_channel.dat.
constexpr size_t kBouTable = 12, kBouCount = 208012;
constexpr size_t kCatTable = 208014, kCatCount = 239214;
constexpr size_t kNatTable = 239216, kNatCount = 270416;
constexpr size_t kFavTable = 270418, kFavCount = 275618;
constexpr size_t kMarker = 275620;
constexpr size_t kAllTable = 275632, kAllCount = 635632;
constexpr size_t kTvTable = 635636, kTvCount = 875636;
constexpr size_t kRadioTable = 875640, kRadioCount = 995640;
constexpr size_t kFavBlocks = 995644, kFavSizes = 1235644;
constexpr size_t kAllTable2 = 1235744;
constexpr size_t kTpCount = 1595990;
constexpr size_t kNameRec = 104, kNameWidth = 98, kRefRec = 24;
constexpr uint32_t kBouSlotsFile = 2000, kCatSlotsFile = 300, kNatSlotsFile = 300;

struct AllChannel {
    const WriterInput& in;
    const Plan& pl;
    ByteImage& b;

    // Name record; returns the length of the name. The records keep names
    // in UTF-8, the file holds them spelled in Windows-1252, cut to the
    // characters of the configuration's field.
    size_t name(size_t rec, int32_t id, const char* text, size_t size,
                size_t chars = kCfgNameChars) {
        b.put16(rec + 2, static_cast<uint32_t>(id));
        const std::string latin = toCp1252Latin(std::string_view(text, strnlen(text, size)));
        const std::string cut = latin.substr(0, chars);
        size_t n = b.text(rec + 6, cut.c_str(), cut.size() + 1, kNameWidth);
        b.put8(rec + 4, static_cast<unsigned char>(n));
        return n;
    }

    void nameTables(const AzboxLists& lists) {
        uint32_t nBou = lists.bou ? lists.bou->count : 0;
        if (nBou > kBouSlots) nBou = kBouSlots;
        if (nBou > kBouSlotsFile) nBou = kBouSlotsFile;
        for (uint32_t i = 0; i < nBou; ++i) {
            const T_bouRec& r = lists.bou->bou[i];
            size_t rec = kBouTable + i * kNameRec;
            size_t n = name(rec, r.bouId, r.bouName, sizeof r.bouName);
            if (i == 0 && n + 4 < kNameWidth) {
                // The program's signature hides behind the first bouquet name.
                char sig[kNameWidth + 1];
                std::snprintf(sig, sizeof sig, "%.*s by Dalmero Team",
                              static_cast<int>(strnlen(in.cfg->appName, sizeof in.cfg->appName)),
                              in.cfg->appName);
                b.text(rec + 6 + n + 4, sig, sizeof sig, kNameWidth - n - 4);
            }
        }
        b.put16(kBouCount, nBou);

        uint32_t nCat = lists.cat ? lists.cat->count : 0;
        if (nCat > kCatSlots) nCat = kCatSlots;
        if (nCat > kCatSlotsFile) nCat = kCatSlotsFile;
        for (uint32_t i = 0; i < nCat; ++i) {
            const T_catRec& r = lists.cat->cat[i];
            name(kCatTable + i * kNameRec, r.catId, r.catName, sizeof r.catName);
        }
        b.put16(kCatCount, nCat);

        // Nations are kept from index 1.
        uint32_t nNat = in.nat ? in.nat->count : 0;
        if (nNat > kNatSlots - 1) nNat = kNatSlots - 1;
        if (nNat > kNatSlotsFile) nNat = kNatSlotsFile;
        for (uint32_t i = 0; i < nNat; ++i) {
            const T_natRec& r = in.nat->nat[i + 1];
            name(kNatTable + i * kNameRec, r.natId, r.natName, sizeof r.natName, kCfgNationChars);
        }
        b.put16(kNatCount, nNat);

        for (size_t i = 0; i < pl.favGroups.size(); ++i) {
            const FavGroup& g = pl.favGroups[i];
            name(kFavTable + i * kNameRec, g.id, g.name.c_str(), g.name.size());
        }
        b.put16(kFavCount, static_cast<uint32_t>(pl.favGroups.size()));
        putBytes(b, kMarker, {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0});
    }

    void ref(size_t rec, uint32_t running, uint32_t m, bool tuningPol) {
        const T_dbCh& c = in.chDB->ch[m];
        const uint32_t k = pl.tpOfCh[m];
        const T_dbTp& t = in.tpDB->tp[k];
        b.put16(rec + 2, running);
        b.put16(rec + 6, pl.satRef(pl.satOfTp[k], c.sat_id, in.cfg->listType));
        b.put32(rec + 8, frequency(t));
        b.put8(rec + 12, tuningPol ? polTuning(t.polarity) : polNode(t.polarity));
        b.put16(rec + 14, idValue16(c.sid));
        b.put16(rec + 16, idValue16(t.nid));
        b.put16(rec + 18, idValue16(t.tid));
        b.put32(rec + 20, pl.A[m]);
    }

    void channelTables() {
        uint32_t all = 0, tv = 0, radio = 0;
        for (uint32_t m = 1; m <= pl.nCh; ++m) {
            if (!pl.tpOfCh[m]) continue;
            ref(kAllTable + all++ * kRefRec, m, m, false);
            // Marker channels have ch_type 0 and count as TV here.
            if (in.chDB->ch[m].ch_type == 0) {
                if (tv < kAzMaxTv) ++tv, ref(kTvTable + (tv - 1) * kRefRec, tv, m, true);
            } else if (radio < kAzMaxRadio) {
                ++radio, ref(kRadioTable + (radio - 1) * kRefRec, radio, m, true);
            }
        }
        b.put16(kAllCount, all);
        b.put16(kTvCount, tv);
        b.put16(kRadioCount, radio);

        for (size_t g = 0; g < pl.favGroups.size(); ++g) {
            const std::vector<uint32_t>& chs = pl.favGroups[g].channels;
            size_t block = kFavBlocks + g * kAzFavBlock * kRefRec;
            for (size_t r = 0; r < chs.size(); ++r)
                ref(block + r * kRefRec, static_cast<uint32_t>(r + 1), chs[r], false);
            b.put16(kFavSizes + 2 * g, static_cast<uint32_t>(chs.size()));
        }
        b.copy(kAllTable2, kAllTable, kAllCount + 4 - kAllTable);
    }

    void tpNode(size_t p, uint32_t k, uint32_t link1, uint32_t link2, uint32_t firstCh,
                uint32_t lastCh, uint32_t nCh) {
        const T_dbTp& t = in.tpDB->tp[k];
        const uint32_t s = pl.satOfTp[k];
        const uint32_t T = pl.T[k];
        b.put32(p + 0, link1);
        b.put32(p + 4, link2);
        b.put16(p + 8, pl.satRef(s, t.sat_id, in.cfg->listType));
        b.put16(p + 10, idValue16(t.nid));
        putSatName(b, p + 12, in, in.satDB->sat[s]);
        putBytes(b, p + 76, {0x01, 0, 0, 0});
        b.put32(p + 80, T + 0x1C);
        b.put32(p + 84, T + 0x1C);
        b.put16(p + 302, k);
        b.put32(p + 304, pl.V[k]);
        b.put32(p + 308, T + 0x1C);
        b.put16(p + 312, idValue16(t.tid));
        b.put32(p + 316, frequency(t));
        b.put8(p + 320, polNode(t.polarity));
        b.put16(p + 322, nCh);
        b.put32(p + 328, firstCh);
        b.put32(p + 332, lastCh);
        b.put32(p + 448, frequency(t));
        b.put8(p + 468, polNode(t.polarity));
        b.put16(p + 526, k);
    }

    void chNode(size_t p, uint32_t m, uint32_t link1, uint32_t link2) {
        const T_dbCh& c = in.chDB->ch[m];
        const uint32_t k = pl.tpOfCh[m];
        const T_dbTp& t = in.tpDB->tp[k];
        b.put32(p + 0, link1);
        b.put32(p + 4, link2);
        b.put16(p + 106, static_cast<uint32_t>(b.text(p + 9, c.ch_name, 97)));
        b.put16(p + 110, static_cast<uint32_t>(c.nat_id));
        b.put16(p + 112, static_cast<uint32_t>(in.cfg->listType == 2 ? c.bou_id : c.groupId));
        b.put16(p + 114, 0xFFFF);
        b.put16(p + 116, pl.satRef(pl.satOfTp[k], c.sat_id, in.cfg->listType));
        b.put32(p + 120, frequency(t));
        putBytes(b, p + 128, {static_cast<unsigned char>(c.ch_type == 0 ? 0x01 : 0x02), 0x01});
        b.put16(p + 130, idValue16(t.tid));
        b.put16(p + 136, idValue16(t.nid));
        b.put16(p + 138, idValue16(c.sid));
        b.put8(p + 140, polNode(t.polarity));
        b.put16(p + 142, idValue16(c.pmt_pid));
        b.put16(p + 144, idValue16(c.pcr_pid));
        b.put8(p + 146, c.hd == 1 ? 0x1B : 0x02);
        b.put16(p + 148, idValue16(c.vpid));
        b.put16(p + 150, 0xFFFF);
        const T_dbAudio& a = c.audio[1];
        if (c.audioCount != 0) {
            // Any non-zero flag marks the track.
            b.put8(p + 152, a.ac3 ? 0x81 : a.dts ? 0x82 : 0x04);
            b.put16(p + 154, idValue16(a.apid));
        }
        b.put16(p + 156, 0xFFFF);
        b.text(p + 158, a.lang_name, 3);
        const bool teletext =
            c.ch_type == 0 && std::strncmp(c.txt_pid, "0000", sizeof c.txt_pid) != 0;
        if (teletext) b.put16(p + 164, idValue16(c.txt_pid));
        b.put16(p + 166, 0xFFFF);
        b.put16(p + 172, 0xFFFF);
        b.put16(p + 178, 0xFFFF);
        if (teletext) b.put8(p + 180, 0x01);
        b.put8(p + 184, (c.locked == 1 ? 0x02u : 0u) | (c.scrambled == 1 ? 0x04u : 0u) |
                            (c.fake == 1 || c.skip == 1 ? 0x08u : 0u) | (c.hd == 1 ? 0x40u : 0u));
        b.put16(p + 188, idValue16(c.txt_pid));
        b.put8(p + 192, c.subtitle == 1 ? 1 : 0);
        b.put16(p + 198, k);
    }

    void nodes() {
        b.put16(kTpCount, static_cast<uint32_t>(pl.chain.size()));
        if (pl.chain.empty()) return;
        size_t p = kAzAllChannelFixed;
        const uint32_t T1 = pl.T[pl.chain[0]];
        b.put32(p + 0, T1);
        b.put32(p + 4, T1 - 0x70);
        b.put32(p + 80, T1 - 0x54);
        b.put32(p + 84, T1 - 0x54);
        p += kAzHeadSize;

        // The chain value links each transponder's channels to those of the
        // transponder before it.
        uint32_t chainValue = T1 + 0x124;
        const size_t n = pl.chain.size();
        for (size_t i = 0; i < n; ++i) {
            const uint32_t k = pl.chain[i];
            const uint32_t begin = pl.chBegin[i], end = pl.chBegin[i + 1];
            // The last node links to itself; an empty transponder names
            // itself as its first and last channel.
            const uint32_t link1 = i + 1 < n ? pl.T[pl.chain[i + 1]] : pl.T[k];
            const uint32_t link2 = i == 0 ? T1 - 0x70 : pl.T[pl.chain[i - 1]];
            const uint32_t firstCh = begin < end ? pl.A[pl.members[begin]] : pl.T[k];
            const uint32_t lastCh = begin < end ? pl.A[pl.members[end - 1]] : pl.T[k];
            tpNode(p, k, link1, link2, firstCh, lastCh, end - begin);
            p += kAzTpNodeSize;

            uint32_t previous = 0;
            for (uint32_t j = begin; j < end; ++j, p += kAzChNodeSize) {
                const uint32_t m = pl.members[j];
                const uint32_t next = j + 1 < end ? pl.A[pl.members[j + 1]] : 0;
                if (end - begin == 1) {
                    chNode(p, m, kAzOnlyChannelLink, chainValue);
                    chainValue = pl.A[m];
                } else if (j == begin) {
                    chNode(p, m, next, chainValue);
                    previous = pl.A[m];
                } else if (j + 1 < end) {
                    chNode(p, m, next, previous);
                    previous = pl.A[m];
                } else {
                    chNode(p, m, chainValue, previous);
                    chainValue = pl.A[m];
                }
            }
        }
    }
};

}  // namespace

BuildResult buildAzboxAllChannel(const WriterInput& in, const AzboxLists& lists, std::string* out) {
    Plan pl;
    makePlan(in, &pl, nullptr);
    if (pl.allChannelSize > kAzAllChannelMax)
        return BuildResult::fail(allChannelTooLarge(pl.allChannelSize));
    out->assign(pl.allChannelSize, '\0');
    ByteImage img(out, ByteOrder::little);
    AllChannel f{in, pl, img};
    putBytes(img, 0, {0x09, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00});
    f.nameTables(lists);
    f.channelTables();
    f.nodes();
    return imageResult(img, out, "all_channel.dat");
}
