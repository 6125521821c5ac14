// Builds the Enigma2 and Enigma1 lists from tables filled to capacity (the
// formats have no limits of their own below the tables') and writes their
// thousands of files as the folder job does. Medians with min-max.
//
//   bench_enigma [FOLDER]   (FOLDER: where to write, default the temporary folder)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/benchStats.h"
#include "config/cfgTypes.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/enigma/enigma.h"

namespace {

// 253 satellites with 19 or 20 transponders each, 19999 channels in
// bouquets of 40 (TV first, then radio), 49 favourite groups of 408 links.
void fillFull() {
    resetChannelDb(&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report);
    for (int s = 1; s <= 253; ++s) {
        T_dbSat* sat = appendSat(&satDB);
        sat->sat_id = sat->realSatId = s;
        std::snprintf(sat->satName, sizeof sat->satName, "Satellite %d", s);
        copyText(sat->sat_name, sat->satName);
        std::snprintf(sat->location, sizeof sat->location, "%d.%dE", s / 10, s % 10);
        sat->position = (s * 14) % 3600;
    }
    for (int t = 1; t < static_cast<int>(kTpDbSlots); ++t) {
        T_dbTp* tp = appendTp(&tpDB);
        tp->realSatId = tp->sat_id = (t - 1) % 253 + 1;
        tp->stp_id = t;
        tp->frequency = 10700 + (t * 37) % 2050;
        tp->polarity = t % 2;
        tp->sr = 27500;
        tp->fec = t % 10;
        tp->modulation = t % 3;
        tp->pilot = 2;
        std::snprintf(tp->nid, sizeof tp->nid, "%04X", 0x13E + t % 7);
        std::snprintf(tp->tid, sizeof tp->tid, "%04X", t);
    }
    // Channels of one satellite stay together, as the download keeps them.
    const int perSat = 79;
    for (int c = 1; c < static_cast<int>(kChDbSlots); ++c) {
        int s = std::min((c - 1) / perSat + 1, 253);
        int k = (c - 1) % perSat;
        int t = s + 253 * (k % 19);  // a transponder of satellite s
        T_dbCh* ch = appendCh(&chDB);
        ch->realSatId = ch->sat_id = s;
        ch->stp_id = t;
        ch->groupId = ch->bou_id = 1000 + s * 4 + k / 40;
        std::snprintf(ch->groupName, sizeof ch->groupName, "Bouquet %d", ch->groupId);
        ch->cat_id = c % 20;
        ch->ch_type = (k % 40) >= 32 ? 1 : 0;
        std::snprintf(ch->ch_name, sizeof ch->ch_name, "Channel number %d", c);
        std::snprintf(ch->sid, sizeof ch->sid, "%04X", c);
        copyText(ch->vpid, ch->ch_type ? "0000" : "0200");
        copyText(ch->pmt_pid, "0100");
        copyText(ch->pcr_pid, "0200");
        copyText(ch->txt_pid, "0240");
        T_dbAudio* a = appendAudio(ch);
        copyText(a->apid, "028A");
        a->ac3 = c % 7 == 0;
        if (ch->ch_type == 0)
            ++Report.tvChannels;
        else
            ++Report.radioChannels;
    }
    for (int g = 1; g < static_cast<int>(kFavDbSlots); ++g) {
        T_dbFav* f = appendFav(&favDB);
        f->fav_id = g;
        std::snprintf(f->fav_name, sizeof f->fav_name, "Favourites %d", g);
    }
    for (int i = 1; i < static_cast<int>(kChFavDbSlots); ++i) {
        const T_dbCh& ch = chDB.ch[i];
        T_dbChFav* e = appendChFav(&chFavDB);
        e->fav_id = (i - 1) % 49 + 1;
        e->realSatId = e->sat_id = ch.realSatId;
        e->stp_id = ch.stp_id;
        e->groupId = ch.groupId;
        copyText(e->sid, ch.sid);
        e->ch_type = ch.ch_type;
        e->chIndex = i - 1;
    }
    Report.satellites = satDB.count;
    Report.transponders = tpDB.count;
    Report.bouquets = 253 * 2;
    Report.favGroups = favDB.count;
    Report.favChannels = chFavDB.count;
}

struct Built {
    std::vector<OutFile> files;
    size_t bytes = 0;
    bool ok = false;
};

Built build(const WriterInput& in, bool e2) {
    Built b;
    auto sink = [&b](OutFile&& f) {
        b.bytes += f.bytes.size();
        b.files.push_back(std::move(f));
        return true;
    };
    auto none = [](int) {};
    BuildResult r = e2 ? buildE2(in, sink, none) : buildE1(in, sink, none);
    b.ok = r.ok;
    if (!r.ok) std::fprintf(stderr, "build failed: %s\n", r.message.c_str());
    return b;
}

Built timeBuild(const char* name, const WriterInput& in, bool e2) {
    Built b;
    BenchTiming t = benchRuns(15, [&] { b = build(in, e2); });
    std::printf("%s: %zu files, %zu bytes\n", name, b.files.size(), b.bytes);
    std::printf("  build in memory: %s, %.0f channels/s at the median\n", benchMs(t).c_str(),
                chDB.count / t.median);
    return b;
}

// The files written as the folder job writes them: each straight into a
// new folder of its own (the job's staging folder), one flush of that
// folder at the end. Beside it the file system's floor: the same files by
// plain open/write/close into a new folder, with the same single flush.
void timeWrite(const char* name, const Built& b, const std::string& dir) {
    // A new folder for each run, as each job makes one, made outside the
    // timing; all are removed at the end (removing one while the next is
    // written would time the file system's deletion too).
    int run = 0;
    std::string into;
    auto fresh = [&] {
        into = dir + "/" + name + std::to_string(run++);
        std::filesystem::create_directories(into);
    };
    bool ok = true;
    fresh();
    BenchTiming job = benchRuns(
        7,
        [&] {
            for (const OutFile& f : b.files)
                ok = writeNewFile(into + "/" + f.name, f.bytes, nullptr) && ok;
            ok = syncFolder(into, nullptr) && ok;
        },
        fresh);
    BenchTiming plain = benchRuns(
        7,
        [&] {
            for (const OutFile& f : b.files) {
                int fd = ::open((into + "/" + f.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd < 0 || ::write(fd, f.bytes.data(), f.bytes.size()) !=
                                  static_cast<ssize_t>(f.bytes.size()))
                    ok = false;
                if (fd >= 0) ::close(fd);
            }
            ok = syncFolder(into, nullptr) && ok;
        },
        fresh);
    if (!ok) std::printf("  a write failed\n");
    std::printf("  write %zu files and flush once, as the job: %s\n", b.files.size(),
                benchMs(job).c_str());
    std::printf("  plain open/write/close of the same files, one flush: %s (job/plain %.2f)\n",
                benchMs(plain).c_str(), job.median / plain.median);
}

}  // namespace

int main(int argc, char** argv) {
    initAppIdentity(&cfgParam);
    cfgParam.e1Type = 0;
    cfgParam.e2Type = 0;
    setLang(&MsgLang, kLangEnglish);
    fillFull();
    std::printf("tables: %u satellites, %u transponders, %u channels, %u groups, %u links\n",
                satDB.count, tpDB.count, chDB.count, favDB.count, chFavDB.count);
    WriterInput in{&cfgParam, &bouIParam, &favIParam, &natParam,
                   &MsgLang,  &satDB,     &tpDB,      &chDB,
                   &favDB,    &chFavDB,   &Report,    VaTime{2024, 3, 7, 9, 5, 2}};

    std::string tmpl =
        ((argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
         "va-bench-XXXXXX")
            .string();
    std::string dir = mkdtemp(tmpl.data());
    Built e2 = timeBuild("Enigma2", in, true);
    Built e1 = timeBuild("Enigma1", in, false);
    if (!e2.ok || !e1.ok) return 1;
    timeWrite("Enigma2", e2, dir);
    timeWrite("Enigma1", e1, dir);
    std::filesystem::remove_all(dir);
    return 0;
}
