#pragma once
// Hand-built and generated channel tables for the AZbox tests, and the
// reader of the hand-written hex fixtures.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/azbox/azbox.h"

struct AzDb {
    T_cfgStruct cfg{};
    T_idxBou bou{};
    T_idxCat cat{};
    T_idxNat nat{};
    T_idxBouI bouI{};
    T_idxFavI favI{};
    LangStruct lang = *langTable(kLangEnglish);
    std::unique_ptr<T_dbSatTable> sats = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tps = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> chs = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> favs = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> links = std::make_unique<T_dbChFavTable>();
    T_dbReport report{};

    AzDb() { copyText(cfg.appName, "Velartis"); }
    WriterInput in() const {
        return {&cfg, &bouI, &favI, &nat, &lang, sats.get(), tps.get(), chs.get(), favs.get(),
                links.get(), &report, VaTime{}};
    }
    AzboxLists lists() const { return {&bou, &cat}; }

    T_dbSat& sat(int id, const char* name, int position) {
        T_dbSat& s = *appendSat(sats.get());
        s.sat_id = id, s.position = position, s.lnbType = 1;
        copyText(s.satName, name);
        return s;
    }
    T_dbTp& tp(int satId, int stpId, int freq, int pol, const char* nid = "0001", const char* tid = "0001") {
        T_dbTp& t = *appendTp(tps.get());
        t.sat_id = satId, t.stp_id = stpId, t.frequency = freq, t.polarity = pol, t.sr = 27500;
        copyText(t.nid, nid), copyText(t.tid, tid);
        return t;
    }
    T_dbCh& ch(int satId, int stpId, const char* name, int type, const char* sid) {
        T_dbCh& c = *appendCh(chs.get());
        c.sat_id = satId, c.stp_id = stpId, c.ch_type = type;
        copyText(c.ch_name, name), copyText(c.sid, sid);
        for (char* pid : {c.vpid, c.pmt_pid, c.pcr_pid, c.txt_pid}) copyText(pid, 5, "0000");
        return c;
    }
    void fav(int id, const char* name) {
        T_dbFav& f = *appendFav(favs.get());
        f.fav_id = id;
        copyText(f.fav_name, name);
    }
    void link(int favId, uint32_t chRecord) {
        T_dbChFav& l = *appendChFav(links.get());
        l.fav_id = favId, l.chIndex = static_cast<int32_t>(chRecord) - 1;
    }
};

inline std::string hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

// Transponders spread evenly over the satellites, channels evenly over the
// transponders (fewer channels than transponders leave some empty), every
// fifth channel radio, sid = record number.
inline void generate(AzDb& db, uint32_t nSat, uint32_t nTp, uint32_t nCh) {
    for (uint32_t s = 1; s <= nSat; ++s) db.sat(int(s), ("Sat " + std::to_string(s)).c_str(), int(10 * s));
    for (uint32_t k = 1; k <= nTp; ++k) {
        T_dbTp& t = db.tp(int((k - 1) * nSat / nTp + 1), int(k), int(10700 + k % 2000), int(k % 4),
                          hex4(k).c_str(), hex4(k * 7).c_str());
        t.fec = int(k % 10), t.modulation = int(k % 3);
    }
    for (uint32_t m = 1; m <= nCh; ++m) {
        const T_dbTp& t = db.tps->tp[(m - 1) * nTp / nCh + 1];
        db.ch(t.sat_id, t.stp_id, ("Ch " + std::to_string(m)).c_str(), m % 5 == 0, hex4(m).c_str());
    }
}

// A hand-written hex fixture: "size N", "@N" (a chunk at decimal offset N),
// "zN" (N zero bytes), "text" and hex bytes; '#' starts a comment.
struct HexFixture {
    size_t size = 0;
    std::vector<std::pair<size_t, std::string>> chunks;
};

inline HexFixture loadHex(const std::string& name) {
    HexFixture f;
    std::ifstream file(std::string(VA_TEST_DATA) + "/azbox/" + name);
    EXPECT_TRUE(file) << name;
    std::string line;
    while (std::getline(file, line)) {
        line = line.substr(0, line.find('#'));
        for (size_t i = line.find_first_not_of(' '); i < line.size(); i = line.find_first_not_of(' ', i)) {
            size_t end = line[i] == '"' ? line.find('"', i + 1) + 1 : line.find(' ', i);
            std::string tok = line.substr(i, end - i);
            i = end;
            if (tok[0] == '"') f.chunks.back().second += tok.substr(1, tok.size() - 2);
            else if (tok[0] == '@') f.chunks.emplace_back(std::stoul(tok.substr(1)), "");
            else if (tok[0] == 'z') f.chunks.back().second.append(std::stoul(tok.substr(1)), '\0');
            else if (tok == "size") f.size = std::stoul(line.substr(end));
            else if (!f.chunks.empty()) f.chunks.back().second += char(std::stoul(tok, nullptr, 16));
        }
    }
    return f;
}

// The chunks are in the image, without overlapping; with zeroElsewhere
// every other byte is zero.
inline ::testing::AssertionResult matchesHex(const std::string& img, const HexFixture& f, bool zeroElsewhere) {
    if (f.size && img.size() != f.size) return ::testing::AssertionFailure() << "size " << img.size();
    std::vector<bool> covered(img.size(), false);
    for (const auto& [off, bytes] : f.chunks)
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (off + i >= img.size() || covered[off + i] || img[off + i] != bytes[i])
                return ::testing::AssertionFailure() << "at byte " << off + i << " (chunk @" << off << ")";
            covered[off + i] = true;
        }
    for (size_t i = 0; zeroElsewhere && i < img.size(); ++i)
        if (!covered[i] && img[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " not zero";
    return ::testing::AssertionSuccess();
}

inline uint32_t le16(const std::string& b, size_t off) {
    return static_cast<unsigned char>(b[off]) | static_cast<unsigned char>(b[off + 1]) << 8;
}
inline uint32_t le32(const std::string& b, size_t off) { return le16(b, off) | le16(b, off + 2) << 16; }
