#include <cstdio>
#include <cstdlib>
#include <optional>

#include "tests/writers/enigma/enigmaFixture.h"

namespace {

std::vector<std::string> kGoldenE2 = {
    "lamedb",
    "blacklist",
    "satellites.xml",
    "userbouquet.dbe00.tv",
    "userbouquet.dbe01.tv",
    "userbouquet.dbe00.radio",
    "userbouquet.dbe02.tv",
    "userbouquet.dbe01.radio",
    "userbouquet.dbe02.radio",
    "userbouquet.dbe03.tv",
    "bouquets.tv",
    "bouquets.radio",
};

// First line of a text.
std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// Output of a shell command, or nullopt when it failed.
std::optional<std::string> run(const std::string& cmd) {
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return std::nullopt;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    int rc = pclose(f);
    if (rc != 0) return std::nullopt;
    return out;
}

bool haveXmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

// Writes the text to a file and asks xmllint about it.
struct XmlFile {
    TempDir dir;
    std::string path;
    explicit XmlFile(const std::string& text) : path((dir.path / "satellites.xml").string()) {
        EXPECT_TRUE(writeFileWhole(path, text, nullptr));
    }
    bool wellFormed() const { return run("xmllint --noout '" + path + "' 2>&1").has_value(); }
    std::string xpath(const std::string& expr) const {
        std::string v =
            run("xmllint --xpath '" + expr + "' '" + path + "' 2>/dev/null").value_or("?");
        while (!v.empty() && v.back() == '\n') v.pop_back();
        return v;
    }
};

}  // namespace

TEST(Enigma2Golden, SmallListMatchesHandWrittenFiles) {
    ListFixture f;
    f.fillMode0();
    f.cfg->e2Type = 0;
    Collected out;
    BuildResult r = buildE2(f.input(), out.sink(), out.progress());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(out.names, kGoldenE2);
    for (const std::string& name : kGoldenE2) EXPECT_EQ(out.files[name], golden("mode0/e2/" + name)) << name;
    EXPECT_EQ(out.milestones, (std::vector<int>{20, 25, 35, 60, 70, 80, 90}));
}

TEST(Enigma2Golden, ListTypeChoosesFavouritesOrBouquets) {
    ListFixture f;
    f.fillMode0();

    // Favourites only: their files keep the first numbers, no bouquet file.
    f.cfg->e2Type = 1;
    Collected fav;
    ASSERT_TRUE(buildE2(f.input(), fav.sink(), fav.progress()).ok);
    EXPECT_EQ(fav.names, (std::vector<std::string>{"lamedb", "blacklist", "satellites.xml",
                                                   "userbouquet.dbe00.tv", "userbouquet.dbe01.tv",
                                                   "userbouquet.dbe00.radio", "bouquets.tv",
                                                   "bouquets.radio"}));
    EXPECT_EQ(fav.files["userbouquet.dbe01.tv"], golden("mode0/e2/userbouquet.dbe01.tv"));
    EXPECT_EQ(fav.files["bouquets.radio"],
              "#NAME Dalmero - bouquets (Radio)\n"
              "#SERVICE: 1:7:2:0:0:0:0:0:0:0:userbouquet.dbe00.radio\n");

    // Bouquets only: numbering starts at 0; the radio-only bouquet gets no
    // TV file and no TV index line.
    f.cfg->e2Type = 2;
    Collected bou;
    ASSERT_TRUE(buildE2(f.input(), bou.sink(), bou.progress()).ok);
    EXPECT_EQ(bou.names, (std::vector<std::string>{"lamedb", "blacklist", "satellites.xml",
                                                   "userbouquet.dbe00.tv", "userbouquet.dbe00.radio",
                                                   "userbouquet.dbe01.radio", "userbouquet.dbe01.tv",
                                                   "bouquets.tv", "bouquets.radio"}));
    EXPECT_EQ(bou.files["userbouquet.dbe00.tv"], golden("mode0/e2/userbouquet.dbe02.tv"));
    EXPECT_EQ(bou.files["userbouquet.dbe01.radio"], golden("mode0/e2/userbouquet.dbe02.radio"));
    EXPECT_EQ(bou.files["bouquets.tv"],
              "#NAME Dalmero - bouquets (TV)\n"
              "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe00.tv\n"
              "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe01.tv\n");

    // A list without TV writes no TV index at all.
    ListFixture radio;
    radio.addSat(130, "Hot Bird", "Hot Bird", "13.0E", 130);
    radio.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44");
    radio.addCh(130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A");
    radio.cfg->e2Type = 0;
    Collected r;
    ASSERT_TRUE(buildE2(radio.input(), r.sink(), r.progress()).ok);
    EXPECT_EQ(r.names, (std::vector<std::string>{"lamedb", "blacklist", "satellites.xml",
                                                 "userbouquet.dbe00.radio", "bouquets.radio"}));
    EXPECT_EQ(r.files["blacklist"], "");
}

TEST(Enigma2SatellitesXml, WellFormedWithSatellitesPositionsAndTransponders) {
    if (!haveXmllint()) GTEST_SKIP() << "xmllint is not installed (package libxml2-utils)";
    ListFixture f;
    f.fillMode0();
    XmlFile xml(buildSatellitesXml(f.input()));
    ASSERT_TRUE(xml.wellFormed());
    EXPECT_EQ(xml.xpath("count(/satellites/sat)"), "2");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[1]/@name)"), "Hot Bird 13.0E");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[1]/@position)"), "130");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[2]/@position)"), "-50");
    // The transponder no channel uses is still listed.
    EXPECT_EQ(xml.xpath("count(/satellites/sat[1]/transponder)"), "3");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[1]/transponder[3]/@frequency)"), "12111000");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[1]/transponder[2]/@fec_inner)"), "15");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[1]/transponder[2]/@system)"), "1");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[2]/transponder[1]/@polarization)"), "2");
    EXPECT_EQ(xml.xpath("string(/satellites/sat[2]/transponder[1]/@symbol_rate)"), "30000000");

    // Names with markup characters, and a list with no transponder at all,
    // still give well-formed files.
    ListFixture odd;
    odd.addSat(130, "Sport & <News> \"HD\"", "Hot Bird", "13.0E", 130, 20);
    odd.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 20);
    // A transponder whose satellite is not in the table is left out rather
    // than filed under another satellite.
    odd.addTp(99, 1, 11000, 1, 27500, 3, 0, "013E", "2F44");
    XmlFile oddXml(buildSatellitesXml(odd.input()));
    EXPECT_TRUE(oddXml.wellFormed());
    EXPECT_EQ(oddXml.xpath("string(/satellites/sat/@name)"), "Sport & <News> \"HD\" 13.0E");
    EXPECT_EQ(oddXml.xpath("count(//transponder)"), "1");
    ListFixture empty;
    XmlFile emptyXml(buildSatellitesXml(empty.input()));
    EXPECT_TRUE(emptyXml.wellFormed());
    EXPECT_EQ(emptyXml.xpath("count(//sat)"), "0");
}

namespace {
// "#NAME" lines of the user bouquet files, in writing order.
std::vector<std::string> bouquetNames(Collected& c) {
    std::vector<std::string> v;
    for (const std::string& n : c.names)
        if (n.rfind("userbouquet.", 0) == 0) v.push_back(n + " " + firstLine(c.files[n]));
    return v;
}
}  // namespace

TEST(Enigma2ListModes, BouquetsAndSatellitesFollowTheDownloadMode) {
    // Bouquets as channels: the physical satellites, one file per bouquet
    // and satellite.
    {
        ListFixture f;
        f.fillMode0();
        f.cfg->e2Type = 2;
        Collected c;
        ASSERT_TRUE(buildE2(f.input(), c.sink(), c.progress()).ok);
        EXPECT_EQ(bouquetNames(c), (std::vector<std::string>{
                                       "userbouquet.dbe00.tv #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe00.radio #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe01.radio #NAME Rai 13.0E",
                                       "userbouquet.dbe01.tv #NAME Yes 5.0W"}));
    }
    // Bouquets as satellites: each bouquet is a virtual satellite; the
    // transponders of one physical satellite stay under one element, and a
    // transponder two bouquets share is listed once per record.
    {
        ListFixture f;
        f.addSat(130, "Sky Italia 13.0E", "Hot Bird", "13.0E", 130, 10);
        f.addSat(130, "Sport & News 13.0E", "Hot Bird", "13.0E", 130, 20);
        f.addSat(50, "Yes 5.0W", "Amos", "5.0W", 3550, 30);
        f.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 10);
        f.addTp(130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2, 10);
        f.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 20);
        f.addTp(50, 1, 11140, 3, 30000, 2, 1, "0C1A", "04d2", 1, 30);
        f.addCh(130, 1, 10, "Sky Italia", 0, "Sky Uno", "0D49");
        f.addCh(130, 2, 10, "Sky Italia", 0, "Sky Cinema HD", "2EE3");
        f.addCh(130, 2, 10, "Sky Italia", 1, "Radio Uno", "0E10");
        f.addCh(130, 1, 20, "Sport & News", 0, "Sport 1", "0D50");
        f.addCh(50, 1, 30, "Yes", 0, "Yes TV", "0001");
        f.cfg->e2Type = 2;
        Collected c;
        ASSERT_TRUE(buildE2(f.input(), c.sink(), c.progress()).ok);
        EXPECT_EQ(bouquetNames(c), (std::vector<std::string>{
                                       "userbouquet.dbe00.tv #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe00.radio #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe01.tv #NAME Sport & News 13.0E",
                                       "userbouquet.dbe02.tv #NAME Yes 5.0W"}));
        const std::string& xml = c.files["satellites.xml"];
        EXPECT_NE(xml.find("<sat name=\"Sky Italia 13.0E 13.0E\" flags=\"0\" position=\"130\">"),
                  std::string::npos);
        EXPECT_NE(xml.find("<sat name=\"Yes 5.0W 5.0W\" flags=\"0\" position=\"-50\">"),
                  std::string::npos);
        EXPECT_EQ(xml.find("Sport &"), std::string::npos);
        size_t sats = 0, tps = 0;
        for (size_t at = 0; (at = xml.find("<sat ", at)) != std::string::npos; ++at) ++sats;
        for (size_t at = 0; (at = xml.find("<transponder ", at)) != std::string::npos; ++at) ++tps;
        EXPECT_EQ(sats, 2u);
        EXPECT_EQ(tps, 4u);
        const std::string& lamedb = c.files["lamedb"];
        size_t first = lamedb.find("008229df:2f44:013e\n");
        ASSERT_NE(first, std::string::npos);
        EXPECT_NE(lamedb.find("008229df:2f44:013e\n", first + 1), std::string::npos);
    }
    // Favourites as satellites: the runs are favourite groups per physical
    // satellite.
    {
        ListFixture f;
        f.addSat(130, "Cinema", "Hot Bird", "13.0E", 130, 5);
        f.addSat(130, "Musica", "Hot Bird", "13.0E", 130, 7);
        f.addSat(50, "Cinema", "Amos", "5.0W", 3550, 5);
        f.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 5);
        f.addTp(130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2, 5);
        f.addTp(130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2, 7);
        f.addTp(50, 1, 11140, 3, 30000, 2, 1, "0C1A", "04d2", 1, 5);
        f.addCh(130, 1, 5, "Cinema", 0, "Sky Uno", "0D49");
        f.addCh(130, 2, 5, "Cinema", 0, "Sky Cinema HD", "2EE3");
        f.addCh(130, 2, 7, "Musica", 1, "Radio Uno", "0E10");
        f.addCh(50, 1, 5, "Cinema", 0, "Yes TV", "0001");
        f.cfg->e2Type = 2;
        Collected c;
        ASSERT_TRUE(buildE2(f.input(), c.sink(), c.progress()).ok);
        EXPECT_EQ(bouquetNames(c), (std::vector<std::string>{
                                       "userbouquet.dbe00.tv #NAME Cinema 13.0E",
                                       "userbouquet.dbe00.radio #NAME Musica 13.0E",
                                       "userbouquet.dbe01.tv #NAME Cinema 5.0W"}));
        EXPECT_EQ(c.files["userbouquet.dbe00.tv"],
                  "#NAME Cinema 13.0E\n"
                  "#SERVICE 1:0:1:d49:2f44:13e:8229df:0:0:0:\n"
                  "#SERVICE 1:0:1:2ee3:1a2b3:13e:822de3:0:0:0:\n");
        const std::string& xml = c.files["satellites.xml"];
        EXPECT_NE(xml.find("<sat name=\"Cinema 13.0E\" flags=\"0\" position=\"130\">"),
                  std::string::npos);
        EXPECT_NE(xml.find("<sat name=\"Cinema 5.0W\" flags=\"0\" position=\"-50\">"),
                  std::string::npos);
    }
}

TEST(Enigma2Capacity, FullListIsWrittenWhole) {
    // Every table at capacity: far past the 1 MiB a fixed buffer would hold.
    ListFixture f;
    for (int s = 1; s <= 253; ++s) f.addSat(s, "Sat", "Sat", "1.0E", s * 10 % 3600);
    for (int t = 1; t < static_cast<int>(kTpDbSlots); ++t)
        f.addTp(t % 253 + 1, t, 10700 + t % 2000, t % 4, 27500, t % 10, t % 3, "013E", "2F44");
    for (int c = 1; c < static_cast<int>(kChDbSlots); ++c) {
        int t = c % 4999 + 1;
        char sid[8];
        std::snprintf(sid, sizeof sid, "%04X", c);
        T_dbCh& ch = f.addCh(t % 253 + 1, t, c / 50, "Bouquet Name Long", c % 5 == 0, "Channel Name",
                             sid, c % 20, "0200", "0200", "0240");
        ListFixture::addAudio(ch, "028A", c % 2);
    }
    WriterInput in = f.input();
    std::string lamedb = buildServiceList(in, EnigmaDialect::E2);
    EXPECT_GT(lamedb.size(), 1048576u);
    size_t services = 0;
    for (size_t at = 0; (at = lamedb.find(",p:Bouquet Name Long\n", at)) != std::string::npos; ++at)
        ++services;
    EXPECT_EQ(services, kChDbSlots - 1);
    std::string tail = "end\n" + productionLine(in) + "\n";
    ASSERT_GE(lamedb.size(), tail.size());
    EXPECT_EQ(lamedb.substr(lamedb.size() - tail.size()), tail);

    f.cfg->e2Type = 2;
    Collected c;
    ASSERT_TRUE(buildE2(in, c.sink(), c.progress()).ok);
    size_t lines = 0;
    for (auto& [name, bytes] : c.files)
        if (name.rfind("userbouquet.", 0) == 0)
            for (size_t at = 0; (at = bytes.find("#SERVICE 1:0:", at)) != std::string::npos; ++at)
                ++lines;
    EXPECT_EQ(lines, kChDbSlots - 1);
}

TEST(Enigma2Job, WritesIntoTheDatedFolderAndClearsAnEarlierRun) {
    TempDir tmp;
    JobFixture j;
    j.addSat(130, "Hot Bird", "Hot Bird", "13.0E", 130);
    j.addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44");
    j.addCh(130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A");
    j.cfg->e2Type = 0;
    j.cfg->logFile = 1;

    // An earlier job of the same minute left a TV index and bouquet.
    fs::path folder = tmp.path / "DalmeroListE2_2024-03-07_09-05";
    fs::create_directory(folder);
    ASSERT_TRUE(writeFileWhole((folder / "bouquets.tv").string(), std::string("old"), nullptr));
    ASSERT_TRUE(writeFileWhole((folder / "userbouquet.dbe07.tv").string(), std::string("old"), nullptr));
    ASSERT_TRUE(writeFileWhole((folder / "notes.txt").string(), std::string("mine"), nullptr));

    j.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(WriteE2(&j.param), 0u);
    EXPECT_FALSE(fs::exists(folder / "bouquets.tv"));
    EXPECT_FALSE(fs::exists(folder / "userbouquet.dbe07.tv"));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
    for (const char* name : {"lamedb", "blacklist", "satellites.xml", "userbouquet.dbe00.radio",
                             "bouquets.radio", "Velartis.log"})
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    std::string lamedb;
    ASSERT_TRUE(readFileWhole((folder / "lamedb").string(), &lamedb));
    EXPECT_EQ(lamedb, buildServiceList(j.input(), EnigmaDialect::E2));
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].text, "The file was written correctly.");
    EXPECT_EQ(j.ui.find("progGen")->pos, 100);
    EXPECT_TRUE(j.ui.find("hDownload")->enabled);
    EXPECT_TRUE(j.ui.find("hGenerate")->enabled);
}
