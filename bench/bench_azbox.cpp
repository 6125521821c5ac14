// Build time of the three AZbox files at the format's own limits, on lists
// it writes whole: the most channels it takes (10000 TV and 5000 radio) with
// as many transponders as still fit all_channel.dat, and every transponder
// of the channel database with as many channels as still fit.
//
//   bench_azbox
#include <cstdio>
#include <memory>
#include <string>

#include "config/lang.h"
#include "config/textFunc.h"
#include "bench/benchStats.h"
#include "writers/azbox/azbox.h"

namespace {

struct Tables {
    T_cfgStruct cfg{};
    T_idxBou bou{};
    T_idxCat cat{};
    T_idxNat nat{};
    T_idxBouI bouI{};
    T_idxFavI favI{};
    std::unique_ptr<T_dbSatTable> sats = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tps = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> chs = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> favs = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> links = std::make_unique<T_dbChFavTable>();
    T_dbReport report{};

    WriterInput in() const {
        return WriterInput{&cfg,       &bouI,     &favI,     &nat,       langTable(kLangEnglish),
                           sats.get(), tps.get(), chs.get(), favs.get(), links.get(),
                           &report,    VaTime{}};
    }
};

void hex4(char* dst, size_t size, unsigned v) { std::snprintf(dst, size, "%04X", v & 0xFFFF); }

// Satellites, transponders spread evenly over them, channels spread evenly
// over the transponders, 30 favourite groups of which three overflow.
std::unique_ptr<Tables> generate(uint32_t nSat, uint32_t nTp, uint32_t nCh) {
    auto t = std::make_unique<Tables>();
    copyText(t->cfg.appName, "Velartis");
    for (uint32_t i = 0; i < 300 && i < kBouSlots; ++i) {
        t->bou.bou[i].bouId = static_cast<int>(i + 1);
        std::snprintf(t->bou.bou[i].bouName, sizeof t->bou.bou[i].bouName, "Bouquet %u", i + 1);
        t->bou.count = i + 1;
    }
    for (uint32_t s = 1; s <= nSat; ++s) {
        T_dbSat& r = *appendSat(t->sats.get());
        r.sat_id = static_cast<int>(s);
        std::snprintf(r.satName, sizeof r.satName, "Sat %u", s);
        r.position = static_cast<int>(10 * s);
        r.lnbType = 1;
    }
    for (uint32_t k = 1; k <= nTp; ++k) {
        T_dbTp& r = *appendTp(t->tps.get());
        r.sat_id = static_cast<int>((k - 1) * nSat / nTp + 1);
        r.stp_id = static_cast<int>(k);
        r.frequency = 10700 + static_cast<int>(k % 2000);
        r.polarity = static_cast<int>(k % 4);
        r.sr = 27500;
        r.fec = static_cast<int>(k % 10);
        r.modulation = static_cast<int>(k % 3);
        hex4(r.nid, sizeof r.nid, k);
        hex4(r.tid, sizeof r.tid, k * 7);
    }
    for (uint32_t m = 1; m <= nCh; ++m) {
        const T_dbTp& tp = t->tps->tp[(m - 1) * nTp / nCh + 1];
        T_dbCh& c = *appendCh(t->chs.get());
        c.sat_id = tp.sat_id;
        c.stp_id = tp.stp_id;
        c.ch_type = m % 3 == 0 ? 1 : 0;  // a third radio: 10000 TV and 5000 radio of 15000
        std::snprintf(c.ch_name, sizeof c.ch_name, "Channel %u", m);
        hex4(c.sid, sizeof c.sid, m);
        for (char* pid : {c.vpid, c.pmt_pid, c.pcr_pid, c.txt_pid}) hex4(pid, 5, m + 100);
        c.audioCount = 1;
        hex4(c.audio[1].apid, sizeof c.audio[1].apid, m + 200);
        copyText(c.audio[1].lang_name, "ita");
    }
    for (int g = 1; g <= 30; ++g) {
        T_dbFav& f = *appendFav(t->favs.get());
        f.fav_id = g;
        std::snprintf(f.fav_name, sizeof f.fav_name, "Group %d", g);
        const uint32_t size = g % 10 == 0 ? 450 : 20;
        for (uint32_t r = 0; r < size; ++r) {
            T_dbChFav& l = *appendChFav(t->links.get());
            l.fav_id = g;
            l.chIndex = static_cast<int>((g * 37 + r * 101) % nCh);
        }
    }
    return t;
}

bool run(const char* label, uint32_t nSat, uint32_t nTp, uint32_t nCh) {
    auto t = generate(nSat, nTp, nCh);
    const WriterInput in = t->in();
    const AzboxLists lists{&t->bou, &t->cat};
    std::string all, dvbs, antenna;
    std::vector<std::string> skipped;
    BuildResult check = checkAzbox(in, &skipped);
    if (!check.ok || !skipped.empty()) {
        std::printf("%s: not a list the format takes whole: %s (%zu left out)\n", label,
                    check.message.c_str(), skipped.size());
        return false;
    }
    bool ok = true;
    BenchTiming b = benchRuns(15, [&] {
        ok = checkAzbox(in).ok && buildAzboxAllChannel(in, lists, &all).ok &&
             buildAzboxDvbs(in, &dvbs).ok && buildAzboxAntennaList(in, &antenna).ok && ok;
    });
    if (!ok) {
        std::printf("%s: a build failed\n", label);
        return false;
    }
    std::printf("%-34s %3u sat %4u tp %5u ch, %zu bytes: %s, %.2f M channels/s\n", label, nSat,
                nTp, nCh, all.size() + dvbs.size() + antenna.size(), benchMs(b).c_str(),
                nCh / b.median / 1e6);
    return true;
}

}  // namespace

int main() {
    std::printf("AZbox: check + all_channel.dat + DVBS.dat + antenna_list.dat per build\n");
    bool ok = run("most channels (10000 TV, 5000 radio)", 240, 430, kAzMaxChannels);
    ok = run("every transponder", 240, 4999, 2900) && ok;
    return ok ? 0 : 1;
}
