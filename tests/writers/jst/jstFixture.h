#pragma once
// Small hand-built channel tables for the JST tests.
#include <cstdio>
#include <memory>
#include <string>

#include "config/lang.h"
#include "download/dbTypes.h"
#include "writers/jst/jst.h"

#define VA_SET(field, text) std::snprintf(field, sizeof field, "%s", text)

struct JstData {
    std::unique_ptr<T_dbSatTable> sat = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tp = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> ch = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> fav = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> chFav = std::make_unique<T_dbChFavTable>();
    T_dbReport report{};
    T_cfgStruct cfg{};
    LangStruct lang = *langTable(kLangEnglish);
    VaTime start{2024, 3, 5, 7, 9, 41};

    T_dbSat& addSat(int32_t id, int32_t position, const char* name) {
        T_dbSat& s = *appendSat(sat.get());
        s.sat_id = s.realSatId = id, s.position = position;
        VA_SET(s.satName, name);
        return s;
    }
    T_dbTp& addTp(int32_t satId, int32_t stpId, int32_t freq) {
        T_dbTp& t = *appendTp(tp.get());
        t.sat_id = t.realSatId = satId, t.stp_id = stpId, t.frequency = freq;
        report.transponders = tp->count;
        return t;
    }
    // A channel with valid ids, counted in the report by its type.
    T_dbCh& addCh(int32_t type, int32_t satId, int32_t stpId, const char* name) {
        T_dbCh& c = *appendCh(ch.get());
        c.ch_type = type, c.sat_id = c.realSatId = satId, c.stp_id = stpId;
        VA_SET(c.ch_name, name), VA_SET(c.sid, "0001"), VA_SET(c.pmt_pid, "0000");
        VA_SET(c.pcr_pid, "0000"), VA_SET(c.vpid, "0000"), VA_SET(c.txt_pid, "0000");
        ++(type == 0 ? report.tvChannels : report.radioChannels);
        return c;
    }
    void addAudio(T_dbCh& c, const char* apid, int32_t lang, int32_t dts, int32_t ac3) {
        T_dbAudio& a = *appendAudio(&c);
        VA_SET(a.apid, apid), a.lang_id = lang, a.dts = dts, a.ac3 = ac3;
    }
    void addFavLink(int32_t satId, int32_t stpId, const char* sid, int32_t favId) {
        T_dbChFav& l = *appendChFav(chFav.get());
        l.sat_id = l.realSatId = satId, l.stp_id = stpId, l.fav_id = favId;
        VA_SET(l.sid, sid);
    }

    BuildResult build(std::string* image, int family = jst::kFamilyST1,
                      std::vector<std::string>* notes = nullptr) const {
        WriterInput in{};
        in.cfg = &cfg, in.lang = &lang, in.report = &report, in.start = start;
        in.satDB = sat.get(), in.tpDB = tp.get(), in.chDB = ch.get();
        in.favDB = fav.get(), in.chFavDB = chFav.get();
        return buildJstImage(in, family, image, notes);
    }
};

// Bytes as "82 00 1f", to compare with layouts worked out by hand.
inline std::string hexAt(const std::string& img, size_t off, size_t n) {
    std::string out;
    char b[4];
    for (size_t i = off; i < off + n && i < img.size(); ++i) {
        std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(img[i]));
        out += (out.empty() ? "" : " ") + std::string(b);
    }
    return out;
}

inline bool allBytes(const std::string& img, size_t off, size_t end, unsigned char v) {
    if (end > img.size()) return false;
    for (size_t i = off; i < end; ++i)
        if (static_cast<unsigned char>(img[i]) != v) return false;
    return true;
}
