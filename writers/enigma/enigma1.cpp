// Enigma1: services, services.locked, satellites.xml, the numbered user
// bouquets, the bouquets file and the two .epl indexes.
#include <cstdio>
#include <cstring>

#include "config/textFunc.h"
#include "writers/enigma/enigmaCommon.h"

using namespace enigma;

std::string buildE1Bouquets(const WriterInput& in) {
    EnigmaIndex ix(in);
    const uint32_t nc = chCount(in);
    auto newRun = [&](const T_dbCh& ch, bool inRun, int32_t group, int32_t sat) {
        return !inRun || ch.groupId != group || ch.realSatId != sat;
    };
    // Ids count down to -1 from the number of bouquets; a report that
    // counted fewer bouquets than there are runs must not give an id of 0
    // or a positive one twice.
    int64_t runs = 0;
    {
        bool inRun = false;
        int32_t group = 0, sat = 0;
        for (uint32_t i = 1; i <= nc; ++i) {
            const T_dbCh& ch = in.chDB->ch[i];
            if (ch.fake != 0) continue;
            if (newRun(ch, inRun, group, sat)) ++runs;
            inRun = true;
            group = ch.groupId;
            sat = ch.realSatId;
        }
    }
    int64_t id = in.report->bouquets;
    if (id < runs) id = runs;

    std::string s;
    s.reserve(32 * nc + 256);
    s += "eDVB bouquets /2/\nbouquets\n";
    int number = 0;
    bool inRun = false;
    int32_t group = 0, sat = 0;
    for (uint32_t i = 1; i <= nc; ++i) {
        const T_dbCh& ch = in.chDB->ch[i];
        if (ch.fake != 0) continue;
        if (newRun(ch, inRun, group, sat)) {
            if (inRun) s += "/\n";
            ++number;
            s += '-';
            putDec(s, id--);
            s += '\n';
            const T_dbSat* st = ix.sat(ch.realSatId);
            appendFormat(s, "%03d ", number);
            putText(s, ch.groupName);
            s += ' ';
            if (st) putText(s, st->location);
            s += '\n';
            inRun = true;
            group = ch.groupId;
            sat = ch.realSatId;
        }
        const T_dbTp* t = ix.tp(ch.realSatId, ch.stp_id);
        putHex(s, idValue16(ch.sid), 4, false);
        s += ':';
        putHex(s, ix.nameSpace(t), 8, false);
        s += ':';
        putHex(s, t ? idValue16(t->tid) : 0, 4, false);
        s += ':';
        putHex(s, t ? idValue16(t->nid) : 0, 4, false);
        s += ch.ch_type == 0 ? ":1\n" : ":2\n";
    }
    if (inRun) s += "/\n";
    s += "end\n";
    s += productionLine(in);
    s += '\n';
    return s;
}

BuildResult buildE1(const WriterInput& in, const OutFileSink& emit,
                    const std::function<void(int)>& milestone) {
    const BuildResult stopped = BuildResult::fail({}, false);
    const EnigmaDialect d = EnigmaDialect::E1;
    if (!emit(OutFile{"services", buildServiceList(in, d)})) return stopped;
    milestone(20);
    if (!emit(OutFile{"services.locked", buildParentalList(in, d)})) return stopped;
    milestone(25);
    if (!emit(OutFile{"satellites.xml", buildSatellitesXml(in)})) return stopped;
    milestone(35);
    UserBouquetCounters c;
    const int type = in.cfg->e1Type;
    if ((type == 0 || type == 1) && !buildFavouriteBouquets(in, d, &c, emit)) return stopped;
    milestone(60);
    if ((type == 0 || type == 2) && !buildBouquetBouquets(in, d, &c, emit)) return stopped;
    milestone(70);
    if (!emit(OutFile{"bouquets", buildE1Bouquets(in)})) return stopped;
    if (c.tv > 0 && !emit(OutFile{"userbouquets.tv.epl", buildBouquetIndex(d, true, c.tv)}))
        return stopped;
    milestone(80);
    if (c.radio > 0 &&
        !emit(OutFile{"userbouquets.radio.epl", buildBouquetIndex(d, false, c.radio)}))
        return stopped;
    milestone(90);
    return {};
}

FolderFormat enigma1Format() {
    FolderFormat f;
    f.folderPrefix = kE1FolderPrefix;
    f.build = buildE1;
    f.lastMilestone = 90;
    f.utf8Names = enigma::enigmaUtf8Names;
    f.beforeSuccess = [](const WriterInput& in, JobEvents& ev) {
        const T_dbReport& r = *in.report;
        uint64_t channels = uint64_t{r.tvChannels} + r.tvFake + r.radioChannels;
        if (channels > kE1ChannelWarning)
            ev.message(in.lang->msgManyChannels, in.lang->msgWarning, kMbIconWarning);
    };
    return f;
}

uint32_t WriteE1(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    return runFolderJob(p, enigma1Format());
}
