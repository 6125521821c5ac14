#include "writers/azbox/azboxPlan.h"

using namespace azbox;

BuildResult buildAzboxDvbs(const WriterInput& in, std::string* out) {
    Plan pl;
    makePlan(in, &pl, nullptr);
    if (pl.dvbsSize > kAzDvbsMax) return BuildResult::fail(dvbsTooLarge(pl.dvbsSize));
    out->assign(pl.dvbsSize, '\0');
    unsigned char* p = reinterpret_cast<unsigned char*>(out->data());
    put16(p, pl.nSat);
    p[100] = 0x02;
    p += 128;
    static const unsigned char kModulation[3][2] = {{0x00, 0x01}, {0x01, 0x01}, {0x01, 0x02}};
    for (uint32_t s = 1; s <= pl.nSat; ++s) {
        const T_dbSat& sat = in.satDB->sat[s];
        const std::vector<uint32_t>& tps = pl.tpLists[pl.firstSat[s]];
        const uint32_t pos = position(sat);
        p[8] = static_cast<unsigned char>(pl.satRef(s, sat.sat_id, in.cfg->listType));
        putSatName(p + 9, in, sat);
        put16(p + 76, static_cast<uint32_t>(tps.size()));
        p[96] = 0x02;
        putBytes(p + 106, {0x01, 0x00});
        put32(p + 108, pos);
        p += 124;
        for (uint32_t k : tps) {
            const T_dbTp& t = in.tpDB->tp[k];
            put32(p + 8, frequency(t));
            put16(p + 12, hex16(t.nid));
            put16(p + 14, hex16(t.tid));
            p[16] = 0x02;
            put32(p + 20, symbolRate(t));
            // The plan left out every code without a byte here.
            p[24] = static_cast<unsigned char>(t.fec);
            p[25] = polTuning(t.polarity);
            p[27] = static_cast<unsigned char>(t.pilot);
            put32(p + 28, pos);
            p[33] = kModulation[t.modulation][0];
            p[34] = kModulation[t.modulation][1];
            p += 36;
        }
    }
    return {};
}

BuildResult buildAzboxAntennaList(const WriterInput& in, std::string* out) {
    Plan pl;
    makePlan(in, &pl, nullptr);
    if (!pl.refusal.empty()) return BuildResult::fail(pl.refusal);
    out->assign(kAzAntennaSize, '\0');
    unsigned char* p = reinterpret_cast<unsigned char*>(out->data());
    const T_cfgStruct& cfg = *in.cfg;
    uint32_t lon = static_cast<uint32_t>(cfg.lonDeg * 10 + cfg.lonDec);
    if (cfg.lonWE == 0) lon = 65536 - lon;
    put16(p, lon);
    put16(p + 2, static_cast<uint32_t>(cfg.latDeg * 10 + cfg.latDec));
    putBytes(p + 16, {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0xB6, 0, 0x01, 0, 0, 0, 0, 0});
    p += 36;
    for (uint32_t n = 0; n < 256; ++n, p += 32) {
        put16(p, n);
        putBytes(p + 24, {0xBA, 0x04, 0, 0, 0x01, 0, 0, 0});
        if (pl.slotSat[n] == 0) {
            putBytes(p + 8, {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x01});
            continue;
        }
        const T_dbSat& s = in.satDB->sat[pl.slotSat[n]];
        put32(p + 8, static_cast<uint32_t>(s.lnbType));
        p[12] = 0x01;
        p[16] = s.power == 0 ? 0 : 1;
        p[17] = static_cast<unsigned char>(s.tone22k);
        p[18] = static_cast<unsigned char>(s.out12V);
        unsigned char sw = 0;
        if (s.switchType == 1) sw = static_cast<unsigned char>(s.switch10 + 1);
        if (s.switchType == 2) sw = static_cast<unsigned char>(s.switch10 * 16 + s.switch11);
        p[19] = sw;
        static const unsigned char kDiseqc[4] = {0x00, 0x01, 0x02, 0x02};
        p[20] = static_cast<unsigned char>(kDiseqc[s.diseqc] | (s.switchType == 2 ? 0x10 : 0));
        put16(p + 22, static_cast<uint32_t>(s.positionerId));
    }
    return {};
}
