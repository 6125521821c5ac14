// JST image build time at the format's own limits: 64 satellites, 2040
// transponders, 4199 TV and 719 radio channels, 16 favourite groups with
// every channel in two. The figure is the median of many builds, with the
// fastest and the slowest.
//
//   bench_jst
#include <cstdio>

#include "bench/benchStats.h"

#include "config/lang.h"
#include "writers/jst/jst.h"

namespace {

constexpr int kTv = 4199;

void fill() {
    resetChannelDb(&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report);
    for (int s = 1; s <= 64; ++s) {
        T_dbSat* sat = appendSat(&satDB);
        sat->sat_id = sat->realSatId = s, sat->position = 50 * s, sat->lnbType = 1;
        sat->freqLo = 3, sat->freqHi = 6, sat->switchType = 2, sat->switch11 = s % 16;
        std::snprintf(sat->satName, sizeof sat->satName, "Satellite %d", s);
    }
    for (int t = 1; t <= 2040; ++t) {
        T_dbTp* tp = appendTp(&tpDB);
        tp->sat_id = tp->realSatId = 1 + t % 64, tp->stp_id = t, tp->frequency = 10700 + t;
        tp->sr = 27500, tp->polarity = t % 2, tp->fec = t % 9;
    }
    Report.transponders = tpDB.count;
    for (int c = 1; c <= kTv + 719; ++c) {
        int t = 1 + (c * 7) % 2040;
        T_dbCh* ch = appendCh(&chDB);
        ch->ch_type = c > kTv, ch->sat_id = ch->realSatId = 1 + t % 64, ch->stp_id = t;
        std::snprintf(ch->ch_name, sizeof ch->ch_name, "Channel number %d", c);
        std::snprintf(ch->sid, sizeof ch->sid, "%04X", c);
        std::snprintf(ch->vpid, sizeof ch->vpid, "%04X", 0x100 + c % 0xE00);
        std::snprintf(ch->pmt_pid, sizeof ch->pmt_pid, "%04X", 0x20 + c % 0xF00);
        std::snprintf(ch->pcr_pid, sizeof ch->pcr_pid, "%04X", 0x100 + c % 0xE00);
        std::snprintf(ch->txt_pid, sizeof ch->txt_pid, "%04X", 0x30 + c % 0xF00);
        ch->scrambled = c % 2, ch->subtitle = c % 3 == 0, ch->locked = c % 7 == 0;
        for (int a = 0; a < 2; ++a) {
            T_dbAudio* au = appendAudio(ch);
            std::snprintf(au->apid, sizeof au->apid, "%04X", 0x200 + c % 0xD00 + a);
            au->lang_id = (c + a) % 24, au->ac3 = a, au->dts = c % 5 == 0;
        }
        for (int k = 0; k < 4; ++k) appendCas(ch, (c + k) % 20);
        for (int g = 0; g < 2; ++g) {
            T_dbChFav* l = appendChFav(&chFavDB);
            l->sat_id = ch->sat_id, l->stp_id = ch->stp_id, l->fav_id = 1 + (c + g * 5) % 16;
            std::snprintf(l->sid, sizeof l->sid, "%s", ch->sid);
        }
        if (ch->ch_type == 0)
            ++Report.tvChannels;
        else
            ++Report.radioChannels;
    }
    Report.favGroups = 16;
    Report.favChannels = chFavDB.count;
}

}  // namespace

int main() {
    fill();
    T_cfgStruct cfg{};
    WriterInput in{};
    in.cfg = &cfg;
    in.lang = langTable(kLangEnglish);
    in.satDB = &satDB, in.tpDB = &tpDB, in.chDB = &chDB, in.favDB = &favDB;
    in.chFavDB = &chFavDB, in.report = &Report;
    in.start = VaTime{2024, 3, 5, 7, 9, 41};

    std::string image;
    std::vector<std::string> notes;
    BuildResult r = buildJstImage(in, jst::kFamilyST1, &image, &notes);
    if (!r.ok || !notes.empty()) {
        std::printf("build failed: %s (%zu notes)\n", r.message.c_str(), notes.size());
        return 1;
    }
    BenchTiming t = benchRuns(101, [&] { buildJstImage(in, jst::kFamilyST1, &image); });
    double perImage = t.median;
    double channels = chDB.count;
    std::printf("JST image, %u satellites, %u transponders, %u TV + %u radio channels, %u links\n",
                satDB.count, tpDB.count, Report.tvChannels, Report.radioChannels, chFavDB.count);
    std::printf("  %zu bytes: %s per image; at the median %.1f ns per channel, %.2f million "
                "channels/s\n",
                image.size(), benchMs(t).c_str(), perImage * 1e9 / channels,
                channels / perImage / 1e6);
    return 0;
}
