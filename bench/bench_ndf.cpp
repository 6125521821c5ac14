// Time to build the NDF image of the largest list the format takes: 64
// satellites, every transponder and channel slot of the channel database,
// 16 favourite groups holding every favourite link slot. The figure is the
// median of many builds, with the fastest and the slowest.
//
//   bench_ndf
#include <cstdio>
#include <string>

#include "bench/benchStats.h"

#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/ndf/ndf.h"

namespace {

void fill() {
    resetChannelDb(&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report);
    for (unsigned s = 1; s <= kNdfSatSlots; ++s) {
        T_dbSat& sat = *appendSat(&satDB);
        sat.sat_id = sat.realSatId = static_cast<int32_t>(s);
        std::snprintf(sat.satName, sizeof sat.satName, "Satellite %u", s);
        sat.position = static_cast<int32_t>(s * 50);
        sat.lnbType = 1, sat.freqLo = 3, sat.freqHi = 6, sat.switchType = 2;
        sat.switch10 = s % 4, sat.switch11 = s / 4 % 16, sat.power = 3;
    }
    while (T_dbTp* tp = appendTp(&tpDB)) {
        uint32_t i = tpDB.count;
        tp->sat_id = tp->realSatId = static_cast<int32_t>(i % kNdfSatSlots + 1);
        tp->stp_id = static_cast<int32_t>(i);
        tp->frequency = static_cast<int32_t>(10700 + i % 2000);
        tp->sr = 27500, tp->fec = 3, tp->modulation = 2, tp->polarity = i % 2;
        copyText(tp->nid, "013E");
        std::snprintf(tp->tid, sizeof tp->tid, "%04X", i);
    }
    while (T_dbCh* ch = appendCh(&chDB)) {
        uint32_t i = chDB.count;
        const T_dbTp& tp = tpDB.tp[i % tpDB.count + 1];
        ch->sat_id = ch->realSatId = tp.sat_id;
        ch->stp_id = tp.stp_id;
        ch->ch_type = i % 5 == 0;
        std::snprintf(ch->ch_name, sizeof ch->ch_name, "Channel number %05u", i);
        std::snprintf(ch->sid, sizeof ch->sid, "%04X", i);
        copyText(ch->pmt_pid, "0100");
        copyText(ch->pcr_pid, "0200");
        copyText(ch->vpid, "0200");
        copyText(ch->txt_pid, "0240");
        ch->subtitle = i % 2, ch->scrambled = i % 3 == 0;
        for (int a = 0; a < 3; ++a) {
            T_dbAudio& au = *appendAudio(ch);
            std::snprintf(au.apid, sizeof au.apid, "%04X", 0x280 + a);
            au.lang_id = a + 1, au.ac3 = a == 2;
        }
        appendCas(ch, 1);
        appendCas(ch, 5);
    }
    for (unsigned g = 1; g <= kNdfFavSlots; ++g) {
        T_dbFav& f = *appendFav(&favDB);
        f.fav_id = static_cast<int32_t>(g);
        std::snprintf(f.fav_name, sizeof f.fav_name, "Favourites %u", g);
    }
    while (T_dbChFav* l = appendChFav(&chFavDB)) {
        l->fav_id = static_cast<int32_t>(chFavDB.count % kNdfFavSlots + 1);
        l->chIndex = static_cast<int32_t>(chFavDB.count - 1);
    }
}

}  // namespace

int main() {
    fill();
    static T_cfgStruct cfg{};
    static T_idxBouI bouI{};
    static T_idxFavI favI{};
    static T_idxNat nat{};
    LangStruct lang = *langTable(kLangEnglish);
    WriterInput in{&cfg,  &bouI, &favI,  &nat,     &lang,   &satDB,
                   &tpDB, &chDB, &favDB, &chFavDB, &Report, VaTime{2024, 3, 7, 12, 0, 0}};

    std::string image;
    std::vector<std::string> skipped;
    BuildResult r = buildNdfImage(in, &image, &skipped);
    if (!r.ok || !skipped.empty()) {
        std::fprintf(stderr, "bench list not accepted: %s (%zu left out)\n", r.message.c_str(),
                     skipped.size());
        return 1;
    }

    BenchTiming t = benchRuns(101, [&] { buildNdfImage(in, &image); });
    const double channels = chDB.count;
    std::printf(
        "NDF image: %u satellites, %u transponders, %u channels, %u favourite links, "
        "%zu bytes\n",
        satDB.count, tpDB.count, chDB.count, chFavDB.count, image.size());
    std::printf("build: %s\n", benchMs(t).c_str());
    std::printf("at the median: %.0f channels per second, %.1f ns per channel\n",
                channels / t.median, t.median / channels * 1e9);

    // A job hands the format a copy of the tables with the names spelled in
    // Windows-1252: all Latin here, then a quarter in other scripts.
    LatinTables keep;
    const BenchTiming latin = benchRuns(21, [&] { withLatinNames(in, &keep); });
    static const char* const others[] = {"\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 \xD0\xA2\xD0\x91",
                                         "\xCE\x95\xCE\xA1\xCE\xA4 \xCE\x9D\xCE\xAD\xCE\xB1",
                                         "\xE4\xB8\xAD\xE5\xA4\xAE\xE7\x94\xB5\xE8\xA7\x86",
                                         "Radyo \xC5\x9Eim\xC5\x9F"
                                         "ek"};
    for (uint32_t i = 1; i <= chDB.count; i += 4)
        std::snprintf(chDB.ch[i].ch_name, sizeof chDB.ch[i].ch_name, "%s %u", others[i / 4 % 4], i);
    const BenchTiming mixed = benchRuns(21, [&] { withLatinNames(in, &keep); });
    std::printf("names spelled for the format (copy of the tables): %s all Latin\n",
                benchMs(latin).c_str());
    std::printf("  %s with %u names in other scripts\n", benchMs(mixed).c_str(),
                spelledNameCount(in));
    return 0;
}
