// ECDF image build time at the format's own limits: 32 satellites, 1000
// transponders, 5000 channels, 8 favourite groups of 100 TV + 100 radio.
// The figure is the median of many builds, with the fastest and the slowest.
//
//   bench_ecdf
#include <cstdio>

#include "bench/benchStats.h"

#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/ecdf/ecdf.h"

namespace {

void fill() {
    resetChannelDb(&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report);
    for (int s = 1; s <= 32; ++s) {
        T_dbSat* sat = appendSat(&satDB);
        sat->sat_id = sat->realSatId = s, sat->position = 10 * s, sat->freqLo = 3, sat->freqHi = 6;
        std::snprintf(sat->satName, sizeof sat->satName, "Satellite %d", s);
    }
    for (int t = 1; t <= 1000; ++t) {
        T_dbTp* tp = appendTp(&tpDB);
        tp->sat_id = tp->realSatId = 1 + t % 32, tp->stp_id = t, tp->frequency = 10700 + t;
        tp->sr = 27500, tp->polarity = t % 4, tp->fec = t % 8;
        std::snprintf(tp->nid, sizeof tp->nid, "%04X", t);
        std::snprintf(tp->tid, sizeof tp->tid, "%04X", t);
    }
    for (int c = 1; c <= 5000; ++c) {
        int t = 1 + (c - 1) % 1000;
        T_dbCh* ch = appendCh(&chDB);
        ch->ch_type = c % 5 == 0, ch->sat_id = ch->realSatId = 1 + t % 32, ch->stp_id = t;
        ch->groupId = c % 50, ch->scrambled = c % 2;
        std::snprintf(ch->ch_name, sizeof ch->ch_name, "Channel number %d", c);
        std::snprintf(ch->sid, sizeof ch->sid, "%04X", c);
        copyText(ch->pmt_pid, "0100"), copyText(ch->vpid, "0200"), copyText(ch->pcr_pid, "0200");
        copyText(appendAudio(ch)->apid, "0300");
        for (int k = 0; k < c % 4; ++k) appendCas(ch, (c + k) % 12);
        (ch->ch_type == 0 ? Report.tvChannels : Report.radioChannels)++;
    }
    for (int g = 1; g <= 8; ++g) {
        T_dbFav* f = appendFav(&favDB);
        f->fav_id = g;
        std::snprintf(f->fav_name, sizeof f->fav_name, "Group %d", g);
        int tv = 0, radio = 0;
        for (uint32_t c = 1 + g * 300; c <= chDB.count && (tv < 100 || radio < 100); ++c) {
            const T_dbCh& ch = chDB.ch[c];
            int& n = ch.ch_type == 0 ? tv : radio;
            if (n >= 100) continue;
            ++n;
            T_dbChFav* l = appendChFav(&chFavDB);
            l->sat_id = ch.sat_id, l->stp_id = ch.stp_id, l->groupId = ch.groupId;
            l->ch_type = ch.ch_type, l->fav_id = g, l->chIndex = static_cast<int>(c) - 1;
            copyText(l->sid, ch.sid);
        }
    }
}

}  // namespace

int main() {
    fill();
    T_cfgStruct cfg{};
    LangStruct lang = *langTable(kLangEnglish);
    WriterInput in{};
    in.cfg = &cfg, in.lang = &lang, in.satDB = &satDB, in.tpDB = &tpDB, in.chDB = &chDB;
    in.favDB = &favDB, in.chFavDB = &chFavDB, in.report = &Report;

    std::string image;
    std::vector<std::string> skipped;
    BuildResult r = buildEcdfImage(in, kEcdfFamilySB5, &image, &skipped);
    if (!r.ok || !skipped.empty()) {
        std::printf("build failed: %s (%zu left out)\n", r.message.c_str(), skipped.size());
        return 1;
    }
    BenchTiming t = benchRuns(101, [&] { buildEcdfImage(in, kEcdfFamilySB5, &image); });
    double perImage = t.median;
    std::printf("ECDF image: %zu bytes, %u channels, %u favourite links\n", image.size(),
                chDB.count, chFavDB.count);
    std::printf("build: %s per image; at the median %.0f ns per channel, %.2f million "
                "channels/s\n",
                benchMs(t).c_str(), perImage * 1e9 / chDB.count, chDB.count / perImage / 1e6);
    return 0;
}
