#pragma once
// Hand-built channel tables for the NDF tests, and the small list whose
// file bytes the golden test spells out.
#include <memory>

#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/ndf/ndf.h"

struct NdfTables {
    std::unique_ptr<T_dbSatTable> sat = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tp = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> ch = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> fav = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> chFav = std::make_unique<T_dbChFavTable>();
    T_dbReport report{};
    LangStruct lang = *langTable(kLangEnglish);
    T_cfgStruct cfg{};
    T_idxBouI bouI{};
    T_idxFavI favI{};
    T_idxNat nat{};
    VaTime start{2024, 3, 7, 21, 5, 9};

    WriterInput input() const {
        return {&cfg,     &bouI,    &favI,     &nat,        &lang,   sat.get(),
                tp.get(), ch.get(), fav.get(), chFav.get(), &report, start};
    }
    // Universal 9750/10600 LNB, everything else off.
    T_dbSat& addSat(int32_t id, const char* name, int32_t position) {
        T_dbSat& s = *appendSat(sat.get());
        s.sat_id = s.realSatId = id, s.position = position;
        s.lnbType = 1, s.freqLo = 3, s.freqHi = 6;
        copyText(s.satName, name);
        return s;
    }
    T_dbTp& addTp(int32_t satId, int32_t stpId, int32_t freq, const char* nid = "0001",
                  const char* tid = "0001") {
        T_dbTp& t = *appendTp(tp.get());
        t.sat_id = t.realSatId = satId, t.stp_id = stpId, t.frequency = freq, t.sr = 27500;
        copyText(t.nid, nid);
        copyText(t.tid, tid);
        return t;
    }
    // A TV channel with the given PIDs (pmt, pcr, video, teletext).
    T_dbCh& addCh(int32_t satId, int32_t stpId, const char* name, const char* sid,
                  const char* pmt = "0000", const char* pcr = "0000", const char* vpid = "0000",
                  const char* txt = "0000") {
        T_dbCh& c = *appendCh(ch.get());
        c.sat_id = c.realSatId = satId, c.stp_id = stpId;
        copyText(c.ch_name, name);
        copyText(c.sid, sid);
        copyText(c.pmt_pid, pmt);
        copyText(c.pcr_pid, pcr);
        copyText(c.vpid, vpid);
        copyText(c.txt_pid, txt);
        return c;
    }
    static void addAudio(T_dbCh& c, const char* apid, int32_t lang, int32_t dts, int32_t ac3) {
        T_dbAudio& a = *appendAudio(&c);
        copyText(a.apid, apid);
        a.lang_id = lang, a.dts = dts, a.ac3 = ac3;
    }
    void addFav(int32_t id, const char* name) {
        T_dbFav& f = *appendFav(fav.get());
        f.fav_id = id;
        copyText(f.fav_name, name);
    }
    void addLink(int32_t favId, int32_t chIndex) {
        T_dbChFav& l = *appendChFav(chFav.get());
        l.fav_id = favId, l.chIndex = chIndex;
    }
};

// Two satellites, three transponders, a marker channel, an HD TV channel
// with AC-3, teletext, subtitles and CAS, a radio and an SD TV channel,
// two favourite groups.
inline void fillGoldenTables(NdfTables& t) {
    T_dbSat& hb = t.addSat(130, "Hot Bird", 130);
    hb.diseqc = 1, hb.switchType = 2, hb.tone22k = 1, hb.power = 3;
    hb.switch11 = 5, hb.switch10 = 2, hb.positionerId = 263;  // written as its low byte, 07
    T_dbSat& as = t.addSat(192, "Astra", 192);
    as.lnbType = 0, as.freqLo = 7, as.freqHi = 9;
    as.switchType = 1, as.out12V = 1, as.power = 1, as.switch10 = 3;

    T_dbTp& t1 = t.addTp(130, 1, 11766, "013E", "1A2B");
    t1.fec = 3, t1.modulation = 2, t1.polarity = 1, t1.pilot = 1;
    T_dbTp& t2 = t.addTp(130, 2, 12111, "013e", "00A1B2");
    t2.sr = 29900, t2.fec = 9;
    T_dbTp& t3 = t.addTp(192, 1051, 10744, "0001", "0401");
    t3.sr = 22000, t3.fec = 5, t3.modulation = 1, t3.polarity = 3, t3.pilot = 2;

    T_dbCh& marker = t.addCh(130, 1, "@ Sky @", "FFFF");
    marker.fake = 1, marker.skip = 1, marker.dupdname = 1;
    T_dbCh& rai = t.addCh(130, 2, "Rai 1 HD", "0DEE", "0102", "0200", "0200", "1240");
    rai.hd = 1, rai.subtitle = 1, rai.scrambled = 1, rai.locked = 1, rai.dupdsid = 1;
    // The first hex digit of a PID beside a type nibble is not written:
    // these come out as 0284 and 0240; language 260 as its low byte 04.
    NdfTables::addAudio(rai, "1284", 23, 0, 1);
    NdfTables::addAudio(rai, "028E", 260, 0, 0);
    appendCas(&rai, 1);
    appendCas(&rai, 5);
    // A radio channel's teletext PID is never written.
    T_dbCh& radio = t.addCh(192, 1051, "Radio 2", "1F41", "0064", "1FFF", "0000", "0300");
    radio.ch_type = 1, radio.dupdpid = 1;
    NdfTables::addAudio(radio, "0A21", 9, 1, 1);
    T_dbCh& arte = t.addCh(192, 1051, "Arte", "2B66", "00A0", "00A1", "00A1", "10A3");
    NdfTables::addAudio(arte, "00A2", 2, 1, 0);
    appendCas(&arte, 0);
    appendCas(&arte, 31);

    t.addFav(7, "Sport");
    t.addFav(9, "Musica");
    t.addLink(7, 3);
    t.addLink(9, 2);
    t.addLink(8, 0);  // a group that is not in the list
    t.addLink(7, 1);
}
