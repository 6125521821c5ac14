#pragma once
// Hand-built tables for the VDR list's tests.
#include "tests/writers/writerFixture.h"

namespace vdrtables {

inline T_dbCh& ch(Tables& t, int type, int satId, int stp, const char* name, const char* sid,
                  int groupId, const char* group, const char* vpid, const char* pcr) {
    T_dbCh& c = t.addCh(type, satId, stp, name, sid);
    c.groupId = groupId;
    copyText(c.groupName, group), copyText(c.vpid, vpid), copyText(c.pcr_pid, pcr);
    return c;
}
inline T_dbAudio& audio(T_dbCh& c, const char* pid, const char* lang, int dts = 0, int ac3 = 0) {
    T_dbAudio& a = Tables::addAudio(c, pid, 0, dts, ac3);
    copyText(a.lang_name, lang);
    return a;
}

// Bouquets on an east and a west satellite: DVB-S, DVB-S2 8PSK with the
// pilot left to the tuner and DVB-S2 QPSK with pilot on; a marker, several
// audio tracks with languages, AC-3 and DTS, CA systems, separators in a
// name, a Cyrillic radio name and a channel met again in a later bouquet.
inline void fillBouquets(Tables& t) {
    copyText(t.addSat(192, "Astra", 192).location, "19.2E");
    T_dbSat& thorSat = t.addSat(3592, "Thor", 3592);
    copyText(thorSat.location, "0.8W"), copyText(thorSat.sat_name, "Тор");
    T_dbTp& hd = t.addTp(192, 1, 11494, 1, "0001", "0441");
    hd.sr = 22000, hd.fec = 2, hd.modulation = 2, hd.pilot = 2;
    t.addTp(192, 2, 12188, 0, "0001", "0442").fec = 3;
    T_dbTp& thor = t.addTp(3592, 1, 10872, 3, "0046", "0010");
    thor.fec = 9, thor.modulation = 1, thor.pilot = 1;

    ch(t, 0, 192, 1, "@ ARD @", "FFFF", 1, "ARD", "0000", "0000").fake = 1;
    T_dbCh& erste = ch(t, 0, 192, 1, "Das Erste HD", "283D", 1, "ARD", "13ED", "13ED");
    erste.hd = 1;
    copyText(erste.txt_pid, "13F0");
    audio(erste, "13EE", "deu"), audio(erste, "13EF", "eng"), audio(erste, "13F2", "deu", 0, 1);
    T_dbCh& sky = ch(t, 0, 192, 2, "Sky: News, Sport; Extra", "0064", 2, "Sky", "00A0", "00A1");
    audio(sky, "0078", ""), audio(sky, "007B", "eng", 1, 0);
    appendCas(&sky, 3), appendCas(&sky, 1), appendCas(&sky, 31);
    ch(t, 0, 192, 1, "Das Erste HD", "283D", 2, "Sky", "13ED", "13ED");
    T_dbCh& radio = ch(t, 1, 3592, 1, "Радио Maria", "0ABC", 3, "Radio", "0000", "0101");
    audio(radio, "0101", "ita");
}

// List type 1 or 2: two virtual satellites of one real one, each with its
// copy of a transponder without NID and TID; the second group holds "Two"
// and then the first's "One" again.
inline void fillVirtualSatellites(Tables& t, int listType) {
    t.cfg.listType = listType;
    for (int g : {1, 2}) {
        T_dbSat& s = t.addSat(192000 + g, g == 1 ? "News 19.2E" : "Favourites", 192);
        s.realSatId = 192, s.groupId = g;
        T_dbTp& tp = t.addTp(192000 + g, 7, 11000, 2, "0000", "0000");
        tp.realSatId = 192, tp.groupId = g;
    }
    for (int g : {1, 2, 2}) {
        const bool one = g == 1 || t.chDB->count == 2;
        T_dbCh& c = t.addCh(0, 192000 + g, 7, one ? "One" : "Two", one ? "0001" : "0002");
        c.realSatId = 192, c.groupId = g;
    }
}

}  // namespace vdrtables
