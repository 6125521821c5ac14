#include "tests/writers/enigma/enigmaFixture.h"
#include "writers/enigma/enigmaCommon.h"

namespace {
const std::vector<std::string> kGoldenE1 = {
    "services",
    "services.locked",
    "satellites.xml",
    "userbouquet.dbe00.tv",
    "userbouquet.dbe01.tv",
    "userbouquet.dbe00.radio",
    "userbouquet.dbe02.tv",
    "userbouquet.dbe01.radio",
    "userbouquet.dbe02.radio",
    "userbouquet.dbe03.tv",
    "bouquets",
    "userbouquets.tv.epl",
    "userbouquets.radio.epl",
};
}  // namespace

TEST(Enigma1Golden, SmallListMatchesHandWrittenFiles) {
    ListFixture f;
    f.fillMode0();
    f.cfg->e1Type = 0;
    Collected out;
    ASSERT_TRUE(buildE1(f.input(), out.sink(), out.progress()).ok);
    EXPECT_EQ(out.names, kGoldenE1);
    for (const std::string& name : kGoldenE1)
        EXPECT_EQ(out.files[name], golden("mode0/e1/" + name)) << name;
    EXPECT_EQ(out.milestones, (std::vector<int>{20, 25, 35, 60, 70, 80, 90}));
}

TEST(Enigma1Golden, BouquetsFileIgnoresListTypeAndNumbersEveryBouquet) {
    ListFixture f;
    f.fillMode0();
    f.cfg->e1Type = 1;
    Collected out;
    ASSERT_TRUE(buildE1(f.input(), out.sink(), out.progress()).ok);
    EXPECT_EQ(out.names, (std::vector<std::string>{"services", "services.locked", "satellites.xml",
                                                   "userbouquet.dbe00.tv", "userbouquet.dbe01.tv",
                                                   "userbouquet.dbe00.radio", "bouquets",
                                                   "userbouquets.tv.epl",
                                                   "userbouquets.radio.epl"}));
    EXPECT_EQ(out.files["bouquets"], golden("mode0/e1/bouquets"));

    // A report that counted fewer bouquets than the list holds still gives
    // distinct negative ids.
    f.report.bouquets = 1;
    std::string b = buildE1Bouquets(f.input());
    EXPECT_NE(b.find("bouquets\n-3\n001 "), std::string::npos);
    EXPECT_NE(b.find("/\n-1\n003 "), std::string::npos);
    EXPECT_EQ(b.find("--"), std::string::npos);

    // No channel: no bouquet block at all.
    ListFixture empty;
    EXPECT_EQ(buildE1Bouquets(empty.input()),
              "eDVB bouquets /2/\nbouquets\nend\n" + productionLine(empty.input()) + "\n");
}

TEST(Enigma1Golden, IndexNumbersPastNinetyNineTakeThreeDigits) {
    std::string epl = buildBouquetIndex(EnigmaDialect::E1, true, 101);
    const std::string last =
        "#SERVICE: 4097:7:0:dbe100:0:0:0:0:0:0:/var/tuxbox/config/enigma/userbouquet.dbe100.tv\n"
        "#TYPE 16385\n"
        "/var/tuxbox/config/enigma/userbouquet.dbe100.tv\n";
    ASSERT_GE(epl.size(), last.size());
    EXPECT_EQ(epl.substr(epl.size() - last.size()), last);
    EXPECT_EQ(enigma::userBouquetName(false, 100), "userbouquet.dbe100.radio");
}

TEST(Enigma1Job, WarnsAboveTenThousandChannelsAndStillSucceeds) {
    for (unsigned extra : {0u, 1u}) {
        TempDir tmp;
        JobFixture j;
        j.fillMode0();
        // TV, markers and radio together: 10000, then 10001.
        j.report.tvChannels = kE1ChannelWarning - j.report.tvFake - j.report.radioChannels + extra;
        j.ui.answerFolder(tmp.path.string());
        EXPECT_EQ(WriteE1(&j.param), 0u);
        std::vector<std::string> captions;
        for (auto& b : j.ui.boxes) captions.push_back(b.caption);
        if (extra == 0) {
            EXPECT_EQ(captions, (std::vector<std::string>{"Message"}));
        } else {
            ASSERT_EQ(captions, (std::vector<std::string>{"Warning", "Message"}));
            EXPECT_EQ(j.ui.boxes[0].text,
                      "This list contains more than 10000 channels.\r\n"
                      "Check that your STB supports this condition.");
            EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconWarning});
        }
        fs::path folder = tmp.path / "DalmeroListE1_2024-03-07_09-05";
        std::string services;
        ASSERT_TRUE(readFileWhole((folder / "services").string(), &services));
        EXPECT_EQ(services, golden("mode0/e1/services"));
        EXPECT_TRUE(fs::exists(folder / "userbouquets.radio.epl"));
        EXPECT_EQ(j.ui.statusLog[1].back(), "The file was written correctly.");
    }
}

TEST(Enigma1Job, SecondRunOfTheMinuteDropsTheEarlierIndexes) {
    TempDir tmp;
    JobFixture j;
    j.fillMode0();
    j.cfg->e1Type = 0;
    j.ui.answerFolder(tmp.path.string());
    ASSERT_EQ(WriteE1(&j.param), 0u);
    fs::path folder = tmp.path / "DalmeroListE1_2024-03-07_09-05";
    ASSERT_TRUE(fs::exists(folder / "userbouquets.tv.epl"));

    // Same minute, only the radio-only bouquet left: no TV index may stay
    // behind pointing at files of the first run.
    j.chDB->count = 0;
    j.favDB->count = 0;
    j.chFavDB->count = 0;
    j.addCh(130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A");
    j.ui.answerFolder(tmp.path.string());
    ASSERT_EQ(WriteE1(&j.param), 0u);
    EXPECT_FALSE(fs::exists(folder / "userbouquets.tv.epl"));
    EXPECT_FALSE(fs::exists(folder / "userbouquet.dbe03.tv"));
    EXPECT_TRUE(fs::exists(folder / "userbouquet.dbe00.radio"));
    EXPECT_TRUE(fs::exists(folder / "userbouquets.radio.epl"));
}
