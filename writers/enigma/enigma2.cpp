// Enigma2: lamedb (and lamedb5 when asked for), blacklist, satellites.xml, the numbered user
// bouquets and the two bouquet indexes.
#include "config/textFunc.h"
#include "writers/enigma/enigma.h"
#include "writers/enigma/enigmaCommon.h"

#include <cstdio>
#include <cstring>

BuildResult buildE2(const WriterInput& in, const OutFileSink& emit,
                    const std::function<void(int)>& milestone) {
    const BuildResult stopped = BuildResult::fail({}, false);
    const EnigmaDialect d = EnigmaDialect::E2;
    if (!emit(OutFile{"lamedb", buildServiceList(in, d)})) return stopped;
    if (in.cfg && in.cfg->enigmaLamedb5 && !emit(OutFile{"lamedb5", buildLamedb5(in)}))
        return stopped;
    milestone(20);
    if (!emit(OutFile{"blacklist", buildParentalList(in, d)})) return stopped;
    milestone(25);
    if (!emit(OutFile{"satellites.xml", buildSatellitesXml(in)})) return stopped;
    milestone(35);
    UserBouquetCounters c;
    const int type = in.cfg->e2Type;
    if ((type == 0 || type == 1) && !buildFavouriteBouquets(in, d, &c, emit)) return stopped;
    milestone(60);
    if ((type == 0 || type == 2) && !buildBouquetBouquets(in, d, &c, emit)) return stopped;
    milestone(70);
    if (c.tv > 0 && !emit(OutFile{"bouquets.tv", buildBouquetIndex(d, true, c.tv)})) return stopped;
    milestone(80);
    if (c.radio > 0 && !emit(OutFile{"bouquets.radio", buildBouquetIndex(d, false, c.radio)}))
        return stopped;
    milestone(90);
    return {};
}

FolderFormat enigma2Format() {
    FolderFormat f;
    f.folderPrefix = kE2FolderPrefix;
    f.build = buildE2;
    f.lastMilestone = 90;
    f.utf8Names = enigma::enigmaUtf8Names;
    return f;
}

uint32_t WriteE2(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    return runFolderJob(p, enigma2Format());
}
