// Builds the Enigma2 and Enigma1 lists from tables filled to capacity and
// writes them, beside a plain write() of the same number of bytes.
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

#include "config/cfgTypes.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "writers/enigma/enigma.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

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
    if (!r.ok) std::fprintf(stderr, "build failed: %s\n", r.message.c_str());
    return b;
}

double bestOf(int runs, const std::function<void()>& f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto a = Clock::now();
        f();
        best = std::min(best, seconds(a, Clock::now()));
    }
    return best;
}

Built timeBuild(const char* name, const WriterInput& in, bool e2) {
    Built b;
    // Best of several runs: the machine is shared, the best run is the
    // one least disturbed.
    double tBuild = bestOf(15, [&] { b = build(in, e2); });
    std::printf("%s: %zu files, %zu bytes\n", name, b.files.size(), b.bytes);
    std::printf("  build: %.2f ms, %.0f channels/s (target > 1000000)\n", tBuild * 1e3,
                chDB.count / tBuild);
    return b;
}

void timeWrite(const char* name, const Built& b, const std::string& dir) {
    std::printf("%s:\n", name);

    std::string folder = dir + "/" + name;
    std::filesystem::create_directories(folder);
    // As the folder jobs write: temp file + rename each, one flush at the end.
    // Each run gets a new folder, as a job gets its dated one: replacing
    // existing files would measure the file system's rename-over flush.
    int run = 0;
    auto writeAll = [&](bool flush) {
        std::string into = folder + "/run" + std::to_string(run++);
        std::filesystem::create_directories(into);
        for (const OutFile& f : b.files)
            writeFileWhole(into + "/" + f.name, f.bytes, nullptr, /*durable=*/false);
        if (flush) syncFolder(into, nullptr);
    };
    double tNoFlush = bestOf(2, [&] { writeAll(false); });
    double tWrite = bestOf(2, [&] { writeAll(true); });
    std::string all;
    all.reserve(b.bytes);
    for (const OutFile& f : b.files) all += f.bytes;
    const std::string plainPath = dir + "/plain.bin";
    auto plainWrite = [&](const std::string& path, const std::string& bytes) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return;
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::perror("write");
        ::close(fd);
    };
    double tPlain = bestOf(3, [&] { plainWrite(plainPath, all); });
    std::printf(
        "  write all files (temp + rename each, one flush): %.2f ms (%.2f ms without the flush)\n",
        tWrite * 1e3, tNoFlush * 1e3);
    std::printf("  one plain write() of the same %zu bytes:    %.2f ms\n", all.size(),
                tPlain * 1e3);
    std::printf("  ratio: %.1fx (target within 2x)\n", tWrite / tPlain);
    // Where the difference goes: the number of files, and the flush.
    double tFiles = bestOf(3, [&] {
        for (const OutFile& f : b.files) plainWrite(folder + "/" + f.name + ".plain", f.bytes);
    });
    const OutFile& big = b.files.front();
    double tBig = bestOf(3, [&] { writeFileWhole(folder + "/" + big.name, big.bytes, nullptr); });
    double tBigPlain = bestOf(3, [&] { plainWrite(plainPath, big.bytes); });
    std::printf(
        "  the same %zu files by plain open/write/close: %.2f ms (%.1fx); "
        "whole-or-nothing against that: %.1fx (%.1fx without the flush)\n",
        b.files.size(), tFiles * 1e3, tFiles / tPlain, tWrite / tFiles, tNoFlush / tFiles);
    std::printf("  %s alone (%zu bytes): whole-or-nothing %.2f ms, plain write() %.2f ms (%.1fx)\n",
                big.name.c_str(), big.bytes.size(), tBig * 1e3, tBigPlain * 1e3, tBig / tBigPlain);
}

}  // namespace

int main() {
    initAppIdentity(&cfgParam);
    cfgParam.e1Type = 0;
    cfgParam.e2Type = 0;
    setLang(&MsgLang, kLangEnglish, nullptr, nullptr);
    fillFull();
    std::printf("tables: %u satellites, %u transponders, %u channels, %u groups, %u links\n",
                satDB.count, tpDB.count, chDB.count, favDB.count, chFavDB.count);
    WriterInput in{&cfgParam, &bouIParam, &favIParam, &natParam,
                   &MsgLang,  &satDB,     &tpDB,      &chDB,
                   &favDB,    &chFavDB,   &Report,    VaTime{2024, 3, 7, 9, 5, 2}};

    std::string tmpl = (std::filesystem::temp_directory_path() / "va-bench-XXXXXX").string();
    std::string dir = mkdtemp(tmpl.data());
    Built e2 = timeBuild("Enigma2", in, true);
    Built e1 = timeBuild("Enigma1", in, false);
    timeWrite("Enigma2", e2, dir);
    timeWrite("Enigma1", e1, dir);
    std::filesystem::remove_all(dir);
    return 0;
}
