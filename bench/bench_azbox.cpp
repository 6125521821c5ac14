// Build time of the three AZbox files on large in-memory channel tables.
// Prints the time per build and the channels built per second.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "config/lang.h"
#include "config/textFunc.h"
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
        c.ch_type = m % 5 == 0 ? 1 : 0;
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

void run(const char* label, uint32_t nSat, uint32_t nTp, uint32_t nCh, int rounds) {
    auto t = generate(nSat, nTp, nCh);
    const WriterInput in = t->in();
    const AzboxLists lists{&t->bou, &t->cat};
    std::string all, dvbs, antenna;
    size_t bytes = 0;
    bool refused = false;
    std::string why;
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        BuildResult check = checkAzbox(in);
        BuildResult a = buildAzboxAllChannel(in, lists, &all);
        BuildResult d = buildAzboxDvbs(in, &dvbs);
        BuildResult n = buildAzboxAntennaList(in, &antenna);
        refused = !check.ok || !a.ok;
        if (refused) why = check.ok ? a.message : check.message;
        if (!d.ok || !n.ok)
            std::printf("  unexpected refusal: %s%s\n", d.message.c_str(), n.message.c_str());
        bytes = (a.ok ? all.size() : 0) + dvbs.size() + antenna.size();
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const uint32_t written = nCh < kAzMaxChannels ? nCh : kAzMaxChannels;
    const double perBuild = secs / rounds;
    std::printf(
        "%-28s %3u sat %4u tp %5u ch (%5u written): %7.3f ms per build, %6.2f M channels/s, "
        "%zu bytes%s\n",
        label, nSat, nTp, nCh, written, perBuild * 1e3, written / perBuild / 1e6, bytes,
        refused ? " (all_channel.dat refused)" : "");
    if (refused) std::printf("  %s\n", why.c_str());
}

}  // namespace

int main() {
    std::printf("AZbox: precheck + all_channel.dat + DVBS.dat + antenna_list.dat per build\n");
    run("largest with 15000 channels", 240, 430, 19999, 50);
    run("all transponders", 240, 4999, 2900, 50);
    run("full capacity", 240, 4999, 19999, 50);
    return 0;
}
