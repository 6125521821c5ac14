// The readers on downloaded lists: every list mode, and velartis_wide at each format's limits.
#include <initializer_list>
#include <memory>
#include <vector>

#include "channels/dbTypes.h"
#include "download/download.h"
#include "tests/download/jobGlobals.h"
#include "tests/readback/lists.h"
#include "tests/readback/lamedb5Reader.h"
#include "tests/readback/vdrRoundTrip.h"
#include "tests/writers/writerFixture.h"

namespace {

struct Download {
    const char* db;
    std::vector<int> sats;
    int list = 0;
    int chFake = 0;
    int maxBou = 0, maxTv = 0, maxRadio = 0;
    std::vector<int> skipFavs = {};  // favourite groups left out
};

// Runs the download job of the list mode into the channel tables, with a
// universal LNB on DiSEqC ports 1 to 4 and every filter open.
void download(const Download& d) {
    RecordingEvents ui;
    resetJobGlobals();
    cfgParam.listType = d.list, cfgParam.chFake = d.chFake;
    cfgParam.maxBou = d.maxBou, cfgParam.maxCTv = d.maxTv, cfgParam.maxCRa = d.maxRadio;
    cfgParam.latDeg = 45, cfgParam.lonDeg = 9;
    for (int id : d.sats)
        satParam.sat[++satParam.count] =
            T_satRec{id,      "Sat",        1, 1, 3, 6, 0, 0, 0, 1, 0, id % 4, 0, 0, 0, 1, "111",
                     "11111", "11111111111"};
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 19}) catParam.cat[catParam.count++].catId = id;
    for (int id : d.skipFavs) favIParam.fav[++favIParam.count].favId = id;
    const T_dbConnOverride conn{"127.0.0.1", "vauser", "vapass1", d.db, "", VA_TEST_DB_PORT, false};
    auto p = globalRequest(&ui, conn);
    JobFn job = d.list == 1 ? DownloadDataBSat : d.list == 2 ? DownloadDataFSat : DownloadDataCh;
    ASSERT_EQ(job(p.get()), kDownloadOk) << d.db << " mode " << d.list << ": " << ui.shown[1];
}

// Each format builds from the tables and reads back; gives the lists.
std::map<ListFormat, ListFiles> expectReadsBack(std::initializer_list<ListFormat> formats) {
    const auto p = globalRequest(nullptr);
    std::map<ListFormat, ListFiles> lists;
    for (ListFormat f : formats) {
        const BuildResult r =
            buildList(f, writerInput(p.get(), kClock), {&bouParam, &catParam}, &lists[f]);
        EXPECT_TRUE(r.ok) << formatName(f) << ": " << r.message;
        if (r.ok) {
            EXPECT_TRUE(readsBack(readList(f, lists[f]))) << formatName(f);
        }
        // Enigma2's lamedb5, asked for, says what its lamedb says.
        if (r.ok && f == ListFormat::E2) {
            E2ServiceDb v4, v5;
            EXPECT_TRUE(readsBack(readLamedb(lists[f]["lamedb"], &v4)));
            EXPECT_TRUE(readsBack(readLamedb5(buildLamedb5(writerInput(p.get(), kClock)), &v5)));
            quotesAsLamedb5(&v4);
            EXPECT_EQ(v5, v4);
        }
        // The VDR list also goes back through the program's own importer.
        if (r.ok && f == ListFormat::Vdr) {
            EXPECT_TRUE(readsBack(vdrRoundTrip(writerInput(p.get(), kClock), lists[f]["image"])));
        }
    }
    return lists;
}

// Bouquet markers on in mode 0, where they exist.
const Download kFixtureMode[] = {
    {.db = "velartis", .sats = {192, 130, 300, 1000}, .list = 0, .chFake = 1},
    {.db = "velartis", .sats = {192, 130, 300, 1000}, .list = 1},
    {.db = "velartis", .sats = {192, 130, 300, 1000}, .list = 2}};

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

}  // namespace

TEST(ServerReadback, EveryListModeReadsBackInEveryFormat) {
    for (const Download& d : kFixtureMode) {
        SCOPED_TRACE("mode " + std::to_string(d.list));
        ASSERT_NO_FATAL_FAILURE(download(d));
        ASSERT_GT(chDB.count, 5u);
        expectReadsBack({ListFormat::E2, ListFormat::E1, ListFormat::Ndf, ListFormat::Sb5,
                         ListFormat::S2hd, ListFormat::St1, ListFormat::Js1, ListFormat::Azbox,
                         ListFormat::Vdr, ListFormat::Neutrino});
    }
}

// The channel tables full: 160 satellites, 4999 transponders, 19999
// channels; Enigma and VDR have no limit below that.
TEST(LimitReadback, EnigmaAtTheTableCapacity) {
    ASSERT_NO_FATAL_FAILURE(download({.db = "velartis_wide", .sats = range(1, 160)}));
    EXPECT_EQ(tpDB.count, kTpDbSlots - 1);
    EXPECT_EQ(chDB.count, kChDbSlots - 1);
    expectReadsBack({ListFormat::E2, ListFormat::E1, ListFormat::Vdr, ListFormat::Neutrino});
}

// JST: 64 satellites, 2023 of 2040 transponders, 4199 TV and 719 radio
// channels, 16 favourite groups; NDF: its 64 satellites and 16 groups.
TEST(LimitReadback, JstAndNdfAtSixtyFourSatellites) {
    ASSERT_NO_FATAL_FAILURE(download({.db = "velartis_wide",
                                      .sats = range(1, 64),
                                      .maxTv = 4199,
                                      .maxRadio = 719,
                                      .skipFavs = range(17, 50)}));
    EXPECT_EQ(satDB.count, 64u);
    EXPECT_EQ(tpDB.count, 2023u);
    EXPECT_EQ(Report.tvChannels, 4199u);
    EXPECT_EQ(Report.radioChannels, 719u);
    EXPECT_EQ(favDB.count, 16u);
    expectReadsBack({ListFormat::St1, ListFormat::Js1, ListFormat::Ndf});
}

// SB-5 / S2 HD: 32 satellites, 992 of 1000 transponders, 5000 channels,
// 8 favourite groups.
TEST(LimitReadback, EcdfAtThirtyTwoSatellitesAndFiveThousandChannels) {
    ASSERT_NO_FATAL_FAILURE(download({.db = "velartis_wide",
                                      .sats = range(129, 160),
                                      .maxTv = 4000,
                                      .maxRadio = 1000,
                                      .skipFavs = range(9, 50)}));
    EXPECT_EQ(satDB.count, 32u);
    EXPECT_EQ(tpDB.count, 992u);
    EXPECT_EQ(chDB.count, 5000u);
    EXPECT_EQ(favDB.count, 8u);
    expectReadsBack({ListFormat::Sb5, ListFormat::S2hd});
}

// AZbox: all_channel.dat 9 bytes short of its 4823449 (64 satellites,
// 2023 transponders, 10795 channels), 49 favourite groups.
TEST(LimitReadback, AzboxAtItsFileSize) {
    ASSERT_NO_FATAL_FAILURE(
        download({.db = "velartis_wide", .sats = range(1, 64), .maxTv = 8700, .maxRadio = 2095}));
    EXPECT_EQ(chDB.count, 10795u);
    EXPECT_EQ(favDB.count, kFavDbSlots - 1);
    EXPECT_EQ(expectReadsBack({ListFormat::Azbox})[ListFormat::Azbox]["all_channel.dat"].size(),
              4823440u);
}

// Bouquets as satellites: NDF at its 60 virtual satellites.
TEST(LimitReadback, NdfAtSixtyVirtualSatellites) {
    ASSERT_NO_FATAL_FAILURE(download({.db = "velartis_wide",
                                      .sats = range(1, 64),
                                      .list = 1,
                                      .maxBou = 60,
                                      .skipFavs = range(17, 50)}));
    EXPECT_EQ(Report.fakeSatellites, 60u);
    expectReadsBack({ListFormat::Ndf, ListFormat::E2, ListFormat::E1});
}
