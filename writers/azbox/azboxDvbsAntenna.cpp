#include "writers/azbox/azboxPlan.h"

using namespace azbox;

BuildResult buildAzboxDvbs(const WriterInput& in, std::string* out) {
    Plan pl;
    makePlan(in, &pl, nullptr);
    if (pl.dvbsSize > kAzDvbsMax) return BuildResult::fail(dvbsTooLarge(pl.dvbsSize));
    out->assign(pl.dvbsSize, '\0');
    ByteImage b(out, ByteOrder::little);
    b.put16(0, pl.nSat);
    b.put8(100, 0x02);
    size_t p = 128;
    static const unsigned char kModulation[3][2] = {{0x00, 0x01}, {0x01, 0x01}, {0x01, 0x02}};
    for (uint32_t s = 1; s <= pl.nSat; ++s) {
        const T_dbSat& sat = in.satDB->sat[s];
        const std::vector<uint32_t>& tps = pl.tpLists[pl.firstSat[s]];
        const uint32_t pos = position(sat);
        b.put8(p + 8, pl.satRef(s, sat.sat_id, in.cfg->listType));
        putSatName(b, p + 9, in, sat);
        b.put16(p + 76, static_cast<uint32_t>(tps.size()));
        b.put8(p + 96, 0x02);
        putBytes(b, p + 106, {0x01, 0x00});
        b.put32(p + 108, pos);
        p += 124;
        for (uint32_t k : tps) {
            const T_dbTp& t = in.tpDB->tp[k];
            b.put32(p + 8, frequency(t));
            b.put16(p + 12, idValue16(t.nid));
            b.put16(p + 14, idValue16(t.tid));
            b.put8(p + 16, 0x02);
            b.put32(p + 20, symbolRate(t));
            // The plan left out every code without a byte here.
            b.put8(p + 24, static_cast<uint32_t>(t.fec));
            b.put8(p + 25, polTuning(t.polarity));
            b.put8(p + 27, static_cast<uint32_t>(t.pilot));
            b.put32(p + 28, pos);
            b.bytes(p + 33, kModulation[t.modulation], 2);
            p += 36;
        }
    }
    return imageResult(b, out, "DVBS.dat");
}

BuildResult buildAzboxAntennaList(const WriterInput& in, std::string* out) {
    Plan pl;
    makePlan(in, &pl, nullptr);
    if (!pl.refusal.empty()) return BuildResult::fail(pl.refusal);
    out->assign(kAzAntennaSize, '\0');
    ByteImage b(out, ByteOrder::little);
    const T_cfgStruct& cfg = *in.cfg;
    uint32_t lon = static_cast<uint32_t>(cfg.lonDeg * 10 + cfg.lonDec);
    if (cfg.lonWE == 0) lon = 65536 - lon;
    b.put16(0, lon);
    b.put16(2, static_cast<uint32_t>(cfg.latDeg * 10 + cfg.latDec));
    putBytes(b, 16, {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0xB6, 0, 0x01, 0, 0, 0, 0, 0});
    size_t p = 36;
    for (uint32_t n = 0; n < 256; ++n, p += 32) {
        b.put16(p, n);
        putBytes(b, p + 24, {0xBA, 0x04, 0, 0, 0x01, 0, 0, 0});
        if (pl.slotSat[n] == 0) {
            putBytes(b, p + 8, {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x01});
            continue;
        }
        const T_dbSat& s = in.satDB->sat[pl.slotSat[n]];
        b.put32(p + 8, static_cast<uint32_t>(s.lnbType));
        b.put8(p + 12, 0x01);
        b.put8(p + 16, s.power == 0 ? 0 : 1);
        b.put8(p + 17, static_cast<uint32_t>(s.tone22k));
        b.put8(p + 18, static_cast<uint32_t>(s.out12V));
        uint32_t sw = 0;
        if (s.switchType == 1) sw = static_cast<uint32_t>(s.switch10 + 1);
        if (s.switchType == 2) sw = static_cast<uint32_t>(s.switch10 * 16 + s.switch11);
        b.put8(p + 19, sw);
        static const uint32_t kDiseqc[4] = {0x00, 0x01, 0x02, 0x02};
        b.put8(p + 20, kDiseqc[s.diseqc] | (s.switchType == 2 ? 0x10u : 0u));
        b.put16(p + 22, static_cast<uint32_t>(s.positionerId));
    }
    return imageResult(b, out, "antenna_list.dat");
}
