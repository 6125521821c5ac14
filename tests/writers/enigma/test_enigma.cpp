#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "config/codepage.h"
#include "tests/readback/enigmaReader.h"
#include "tests/readback/lamedb5Reader.h"
#include "tests/writers/writerFixture.h"
#include "writers/enigma/enigma.h"
#include "writers/enigma/enigmaCommon.h"

namespace {

using Names = std::vector<std::string>;

// Enigma records carry the physical satellite's name and location, and the
// bouquet or group they belong to (a virtual satellite's id is real * 1000 + group).
T_dbSat& sat(Tables& t, int real, const char* name, const char* phys, const char* loc, int pos,
             int group = 0) {
    T_dbSat& s = t.addSat(group ? real * 1000 + group : real, name, pos);
    s.realSatId = real, s.groupId = group;
    copyText(s.sat_name, phys), copyText(s.location, loc);
    return s;
}
T_dbTp& tp(Tables& t, int real, int stp, int freq, int pol, int sr, int fec, int mod,
           const char* nid, const char* tid, int pilot = 0, int group = 0) {
    T_dbTp& r = t.addTp(group ? real * 1000 + group : real, stp, freq, pol, nid, tid);
    r.realSatId = real, r.groupId = group, r.sr = sr, r.fec = fec, r.modulation = mod;
    r.pilot = pilot;
    return r;
}
T_dbCh& ch(Tables& t, int real, int stp, int group, const char* groupName, int type,
           const char* name, const char* sid, int cat = 1, const char* vpid = "0000",
           const char* pcr = "0000", const char* txt = "0000") {
    T_dbCh& c = t.addCh(type, real, stp, name, sid);
    c.groupId = c.bou_id = group, c.cat_id = cat;
    copyText(c.groupName, groupName), copyText(c.vpid, vpid), copyText(c.pcr_pid, pcr);
    copyText(c.txt_pid, txt);
    return c;
}
void marker(Tables& t, int real, int stp, int group, const char* groupName) {
    T_dbCh& c = ch(t, real, stp, group, groupName, 0,
                   ("@ " + std::string(groupName) + " @").c_str(), "FFFF", 0);
    c.fake = 1, c.skip = 1, c.dupdname = 1;
    --t.report.tvChannels, ++t.report.tvFake;
}
void link(Tables& t, int fav, int real, int stp, const char* sid, int type) {
    T_dbChFav& l = t.addLink(fav, 0);
    l.sat_id = l.realSatId = real, l.stp_id = stp, l.ch_type = type;
    copyText(l.sid, sid);
}

// Two satellites, a transponder no channel uses, three bouquets with
// markers (one radio only), an HD and an adult channel, two favourite
// groups spread over both satellites.
void fillMode0(Tables& t) {
    sat(t, 130, "Hot Bird", "Hot Bird", "13.0E", 130);
    sat(t, 50, "Amos", "Amos", "5.0W", 3550);
    tp(t, 130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44");
    tp(t, 130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2);
    tp(t, 130, 3, 12111, 2, 22000, 9, 0, "00FF", "0005");
    tp(t, 50, 1, 11140, 3, 30000, 2, 1, "0C1A", "04d2", 1);
    marker(t, 130, 1, 10, "Sky Italia");
    Tables::addAudio(
        ch(t, 130, 1, 10, "Sky Italia", 0, "Sky Uno", "0D49", 1, "0200", "0200", "0240"), "028A");
    T_dbCh& hd = ch(t, 130, 2, 10, "Sky Italia", 0, "Sky Cinema HD", "2EE3", 9, "0201", "0201");
    hd.hd = 1;
    Tables::addAudio(hd, "0292", 0, 0, 1);
    Tables::addAudio(ch(t, 130, 2, 10, "Sky Italia", 1, "Radio Uno", "0E10", 5, "0000", "0301"),
                     "0301");
    marker(t, 130, 1, 20, "Rai");
    ch(t, 130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A", 19);
    marker(t, 50, 1, 30, "Yes");
    Tables::addAudio(ch(t, 50, 1, 30, "Yes", 0, "Yes TV", "0001", 2, "0100", "0100"), "0101");
    t.addFav(5, "Cinema");
    t.addFav(7, "Musica");
    link(t, 5, 130, 1, "0D49", 0), link(t, 5, 130, 2, "2EE3", 0), link(t, 7, 130, 2, "0E10", 1);
    link(t, 7, 130, 1, "0D5A", 1), link(t, 5, 50, 1, "0001", 0), link(t, 7, 50, 1, "0001", 0);
    t.report.satellites = 2, t.report.transponders = t.tpDB->count, t.report.bouquets = 3;
    t.report.favGroups = 2, t.report.favChannels = 6;
}

// The files a builder emits, in order.
struct Collected {
    Names names;
    std::map<std::string, std::string> files;
    std::vector<int> milestones;
    Collected(BuildResult (*build)(const WriterInput&, const OutFileSink&,
                                   const std::function<void(int)>&),
              const WriterInput& in) {
        ok = build(
                 in,
                 [this](OutFile&& f) {
                     names.push_back(f.name);
                     files[f.name] = std::move(f.bytes);
                     return true;
                 },
                 [this](int pos) { milestones.push_back(pos); })
                 .ok;
    }
    bool ok;
    // "name #NAME line" of the user bouquet files, in writing order.
    Names bouquetNames() {
        Names v;
        for (const std::string& n : names)
            if (n.rfind("userbouquet.", 0) == 0)
                v.push_back(n + " " + files[n].substr(0, files[n].find('\n')));
        return v;
    }
};

std::string golden(const std::string& rel) {
    std::string s;
    EXPECT_TRUE(readFileWhole(std::string(VA_TEST_DATA) + "/enigma/mode0/" + rel, &s)) << rel;
    return s;
}

size_t occurrences(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = s.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
}

// Names separated by spaces.
Names split(const std::string& text) {
    Names v;
    std::istringstream in(text);
    for (std::string w; in >> w;) v.push_back(w);
    return v;
}
const std::string kBouquetFiles =
    "userbouquet.dbe00.tv userbouquet.dbe01.tv userbouquet.dbe00.radio userbouquet.dbe02.tv "
    "userbouquet.dbe01.radio userbouquet.dbe02.radio userbouquet.dbe03.tv ";
const Names kGoldenE1 = split("services services.locked satellites.xml " + kBouquetFiles +
                              "bouquets userbouquets.tv.epl userbouquets.radio.epl");
const Names kGoldenE2 =
    split("lamedb blacklist satellites.xml " + kBouquetFiles + "bouquets.tv bouquets.radio");

}  // namespace

TEST(EnigmaGolden, SmallListMatchesHandWrittenFiles) {
    Tables t;
    fillMode0(t);
    for (auto [build, dir, expected] :
         {std::tuple{&buildE1, "e1/", &kGoldenE1}, std::tuple{&buildE2, "e2/", &kGoldenE2}}) {
        Collected out(build, t.input());
        ASSERT_TRUE(out.ok);
        EXPECT_EQ(out.names, *expected);
        for (const std::string& name : *expected)
            EXPECT_EQ(out.files[name], golden(dir + name)) << dir << name;
        EXPECT_EQ(out.milestones, (std::vector<int>{20, 25, 35, 60, 70, 80, 90}));
    }
}

TEST(Enigma1, BouquetsFileIgnoresListTypeAndNumbersEveryBouquet) {
    Tables t;
    fillMode0(t);
    t.cfg.e1Type = 1;
    Collected out(&buildE1, t.input());
    EXPECT_EQ(out.names, split("services services.locked satellites.xml userbouquet.dbe00.tv "
                               "userbouquet.dbe01.tv userbouquet.dbe00.radio bouquets "
                               "userbouquets.tv.epl userbouquets.radio.epl"));
    EXPECT_EQ(out.files["bouquets"], golden("e1/bouquets"));

    // A report that counted fewer bouquets than the list holds still gives
    // distinct negative ids.
    t.report.bouquets = 1;
    std::string b = buildE1Bouquets(t.input());
    EXPECT_NE(b.find("bouquets\n-3\n001 "), std::string::npos);
    EXPECT_NE(b.find("/\n-1\n003 "), std::string::npos);
    EXPECT_EQ(b.find("--"), std::string::npos);
    Tables empty;  // no channel: no bouquet block at all
    EXPECT_EQ(buildE1Bouquets(empty.input()),
              "eDVB bouquets /2/\nbouquets\nend\n" + productionLine(empty.input()) + "\n");

    // Index numbers past 99 take three digits.
    std::string epl = buildBouquetIndex(EnigmaDialect::E1, true, 101);
    const std::string last =
        "#SERVICE: 4097:7:0:dbe100:0:0:0:0:0:0:/var/tuxbox/config/enigma/userbouquet.dbe100.tv\n"
        "#TYPE 16385\n"
        "/var/tuxbox/config/enigma/userbouquet.dbe100.tv\n";
    ASSERT_GE(epl.size(), last.size());
    EXPECT_EQ(epl.substr(epl.size() - last.size()), last);
    EXPECT_EQ(enigma::userBouquetName(false, 100), "userbouquet.dbe100.radio");
}

TEST(Enigma1, JobWarnsAboveTenThousandChannelsAndARerunDropsTheEarlierIndexes) {
    const std::string written = "Message|info|The file was written correctly.";
    for (unsigned extra : {0u, 1u}) {
        Job j;
        fillMode0(j);
        // TV, markers and radio together: 10000, then 10001.
        j.report.tvChannels = kE1ChannelWarning - j.report.tvFake - j.report.radioChannels + extra;
        j.target(j.tmp.path.string());
        EXPECT_EQ(WriteE1(j.req()), 0u);
        const Names warned = {
            "Warning|warning|This list contains more than 10000 channels.\r\n"
            "Check that your STB supports this condition.",
            written};
        EXPECT_EQ(j.boxes(), extra == 0 ? Names{written} : warned);
        fs::path folder = j.tmp.path / "DalmeroListE1_2024-03-07_09-05";
        EXPECT_EQ(fileText(folder / "services"), golden("e1/services"));
        ASSERT_TRUE(fs::exists(folder / "userbouquets.tv.epl"));
        if (extra == 0) continue;

        // Same minute, only the radio-only bouquet left: no TV index may stay
        // behind pointing at files of the first run.
        j.chDB->count = j.favDB->count = j.chFavDB->count = 0;
        ch(j, 130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A");
        j.target(j.tmp.path.string());
        ASSERT_EQ(WriteE1(j.req()), 0u);
        EXPECT_FALSE(fs::exists(folder / "userbouquets.tv.epl"));
        EXPECT_FALSE(fs::exists(folder / "userbouquet.dbe03.tv"));
        EXPECT_TRUE(fs::exists(folder / "userbouquet.dbe00.radio"));
        EXPECT_TRUE(fs::exists(folder / "userbouquets.radio.epl"));
    }
}

TEST(Enigma2, ListTypeChoosesFavouritesOrBouquets) {
    Tables t;
    fillMode0(t);
    // Favourites only: their files keep the first numbers, no bouquet file.
    t.cfg.e2Type = 1;
    Collected fav(&buildE2, t.input());
    EXPECT_EQ(fav.names,
              split("lamedb blacklist satellites.xml userbouquet.dbe00.tv userbouquet.dbe01.tv "
                    "userbouquet.dbe00.radio bouquets.tv bouquets.radio"));
    EXPECT_EQ(fav.files["userbouquet.dbe01.tv"], golden("e2/userbouquet.dbe01.tv"));

    // Bouquets only: numbering starts at 0; the radio-only bouquet gets no
    // TV file and no TV index line.
    t.cfg.e2Type = 2;
    Collected bou(&buildE2, t.input());
    EXPECT_EQ(bou.names,
              split("lamedb blacklist satellites.xml userbouquet.dbe00.tv userbouquet.dbe00.radio "
                    "userbouquet.dbe01.radio userbouquet.dbe01.tv bouquets.tv bouquets.radio"));
    EXPECT_EQ(bou.files["userbouquet.dbe00.tv"], golden("e2/userbouquet.dbe02.tv"));
    EXPECT_EQ(bou.files["userbouquet.dbe01.radio"], golden("e2/userbouquet.dbe02.radio"));
    EXPECT_EQ(bou.files["bouquets.tv"],
              "#NAME Dalmero - bouquets (TV)\n"
              "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe00.tv\n"
              "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe01.tv\n");

    // A list without TV writes no TV index at all.
    Tables radio;
    sat(radio, 130, "Hot Bird", "Hot Bird", "13.0E", 130);
    tp(radio, 130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44");
    ch(radio, 130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A");
    Collected r(&buildE2, radio.input());
    EXPECT_EQ(r.names,
              split("lamedb blacklist satellites.xml userbouquet.dbe00.radio bouquets.radio"));
    EXPECT_EQ(r.files["blacklist"], "");
}

namespace {
// Writes the text to a file and asks xmllint about it.
struct XmlFile {
    TempDir dir;
    std::string path;
    explicit XmlFile(const std::string& text) : path((dir.path / "satellites.xml").string()) {
        EXPECT_TRUE(writeFileWhole(path, text, nullptr));
    }
    bool wellFormed() const {
        std::string out;
        return readback::run("xmllint --noout '" + path + "' 2>&1", &out);
    }
    std::string xpath(const std::string& expr) const {
        std::string out;
        if (!readback::run("xmllint --xpath '" + expr + "' '" + path + "' 2>/dev/null", &out))
            return "?";
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }
};
}  // namespace

TEST(Enigma2, SatellitesXmlIsWellFormedWithMarkupInNamesAndWithoutTransponders) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed (package libxml2-utils)";
    Tables odd;
    sat(odd, 130, "Sport & <News> \"HD\"", "Hot Bird", "13.0E", 130, 20);
    tp(odd, 130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 20);
    // A transponder whose satellite is not in the table is left out rather
    // than filed under another satellite.
    tp(odd, 99, 1, 11000, 1, 27500, 3, 0, "013E", "2F44");
    XmlFile oddXml(buildSatellitesXml(odd.input()));
    EXPECT_TRUE(oddXml.wellFormed());
    EXPECT_EQ(oddXml.xpath("string(/satellites/sat/@name)"), "Sport & <News> \"HD\" 13.0E");
    EXPECT_EQ(oddXml.xpath("count(//transponder)"), "1");
    Tables empty;
    XmlFile emptyXml(buildSatellitesXml(empty.input()));
    EXPECT_TRUE(emptyXml.wellFormed());
    EXPECT_EQ(emptyXml.xpath("count(//sat)"), "0");
}

TEST(EnigmaText, NamesGoOutInUtf8OrOnRequestSpelledInWindows1252) {
    // Names as the tables keep them, in UTF-8: Latin-1 letters, the euro,
    // Greek, Turkish, Ukrainian, and a full field of 24 Chinese characters.
    Tables t;
    const std::string deg = "42.0\xC2\260E", uml = "\xC3\226ffentlich-Rechtliche";
    sat(t, 420, "T\xC3\xBCrksat \xE2\x82\xAC \xCE\xA9", "T\xC3\xBCrksat", deg.c_str(), 420);
    tp(t, 420, 1, 11000, 0, 27500, 3, 0, "0001", "0001");
    std::string cjk;
    for (int i = 0; i < 24; ++i) cjk += "\xE4\xB8\xAD";
    ch(t, 420, 1, 10, uml.c_str(), 0, cjk.c_str(), "0101", 9);
    ch(t, 420, 1, 10, uml.c_str(), 0,
       "Radyo \xC5\x9Eim\xC5\x9F"
       "ek",
       "0102");
    ch(t, 420, 1, 10, uml.c_str(), 0, "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 TV", "0103");
    t.addFav(5, "\xCE\xA3\xCF\x80\xCE\xBF\xCF\x81 \xE2\x82\xAC");
    link(t, 5, 420, 1, "0102", 0);
    ASSERT_EQ(std::string(t.chDB->ch[1].ch_name), cjk);  // the field holds 24 of them

    std::map<std::string, Names> wanted = {
        {"lamedb",
         {"\n" + cjk + "\n",
          "\nRadyo \xC5\x9Eim\xC5\x9F"
          "ek\n",
          "\n\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 TV\n", ",p:" + uml + "\n"}},
        {"userbouquet.dbe00.tv", {"#NAME \xCE\xA3\xCF\x80\xCE\xBF\xCF\x81 \xE2\x82\xAC\n"}},
        {"userbouquet.dbe01.tv", {"#NAME " + uml + " " + deg + "\n"}},
        // ISO-8859-1, as the file says: what it lacks as references.
        {"satellites.xml", {"<sat name=\"T\xFCrksat &#x20AC; &#x3A9; 42.0\260E\" "}}};
    Collected e2(&buildE2, t.input());
    ASSERT_TRUE(e2.ok);
    for (const auto& [name, parts] : wanted)
        for (const std::string& part : parts)
            EXPECT_NE(e2.files[name].find(part), std::string::npos) << name << ": " << part;
    for (const auto& [name, bytes] : e2.files) {
        if (name != "satellites.xml") {
            EXPECT_TRUE(isValidUtf8(bytes)) << name;
        }
    }
    for (unsigned char c : e2.files["satellites.xml"]) EXPECT_FALSE(c >= 0x80 && c < 0xA0);
    if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
        EXPECT_EQ(XmlFile(e2.files["satellites.xml"]).xpath("string(/satellites/sat/@name)"),
                  "T\xC3\xBCrksat \xE2\x82\xAC \xCE\xA9 " + deg);
    }
    Collected e1(&buildE1, t.input());
    EXPECT_NE(e1.files["bouquets"].find("\n001 " + uml + " " + deg + "\n"), std::string::npos);
    EXPECT_NE(e1.files["services"].find(",p:" + uml + "\n"), std::string::npos);
    EXPECT_NE(e1.files["services"].find("\n" + cjk + "\n"), std::string::npos);

    // Windows-1252 on request: the frame hands the writer spelled names.
    // Four names and the satellite's are spelled; the bouquet is Latin-1.
    EXPECT_EQ(spelledNameCount(t.input()), 5u);
    t.cfg.enigmaCp1252 = 1;
    LatinTables keep;
    Collected cp(&buildE2, withLatinNames(t.input(), &keep));
    const std::string& lamedb = cp.files["lamedb"];
    EXPECT_NE(lamedb.find("\nRadyo Simsek\n"), std::string::npos);
    EXPECT_NE(lamedb.find("\nKyyiv TV\n"), std::string::npos);
    EXPECT_NE(lamedb.find("\nzhong zhong"), std::string::npos);
    EXPECT_NE(lamedb.find(",p:\326ffentlich-Rechtliche\n"), std::string::npos);
    EXPECT_NE(cp.files["userbouquet.dbe00.tv"].find("#NAME Spor \x80\n"), std::string::npos);
    EXPECT_NE(cp.files["satellites.xml"].find("<sat name=\"T\xFCrksat \x80 O 42.0\260E\""),
              std::string::npos);
    for (const auto& [name, bytes] : cp.files)
        EXPECT_EQ(bytes.find('?', bytes.find("?>") + 2), std::string::npos) << name;
    // A spelled name is cut to the characters its field held.
    EXPECT_EQ(std::string(keep.ch->ch[1].ch_name).size(), kChNameChars);
}

TEST(Enigma2, Lamedb5OnRequestSaysWhatLamedbSaysAndChangesNothingElse) {
    // Beside the small list: a name with quotes and a comma, a Cyrillic
    // one, and a provider with a comma, which both lists cut alike.
    Tables t;
    fillMode0(t);
    ch(t, 130, 1, 20, "Rai", 0, "Rai \"Uno\", HD", "0D4B", 1, "0202", "0202");
    Tables::addAudio(ch(t, 50, 1, 30, "Yes, Israel", 0, "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 TV",
                        "0002", 1, "0110", "0111", "0112"),
                     "0113", 0, 0, 1);
    Collected off(&buildE2, t.input());
    t.cfg.enigmaLamedb5 = 1;
    Collected on(&buildE2, t.input());
    ASSERT_TRUE(off.ok && on.ok);
    Names withL5 = off.names;
    withL5.insert(withL5.begin() + 1, "lamedb5");
    EXPECT_EQ(std::count(off.names.begin(), off.names.end(), "lamedb5"), 0);
    EXPECT_EQ(on.names, withL5);
    for (const std::string& name : off.names) EXPECT_EQ(on.files[name], off.files[name]) << name;
    EXPECT_EQ(on.milestones, off.milestones);

    for (bool cp1252 : {false, true}) {
        t.cfg.enigmaCp1252 = cp1252;
        LatinTables keep;
        Collected c(&buildE2, cp1252 ? withLatinNames(t.input(), &keep) : t.input());
        E2ServiceDb v4, v5;
        ASSERT_TRUE(readsBack(readLamedb(c.files["lamedb"], &v4)));
        ASSERT_TRUE(readsBack(readLamedb5(c.files["lamedb5"], &v5)));
        EXPECT_EQ(v4.transponders.size(), 3u);  // the unused one in neither
        ASSERT_EQ(v4.services.size(), 7u);
        quotesAsLamedb5(&v4);
        EXPECT_EQ(v5, v4) << cp1252;
        const E2Service& quoted = v5.services[5];
        EXPECT_EQ(quoted.name, "Rai 'Uno', HD");
        EXPECT_EQ(quoted.provider, "Rai");
        const E2Service& kyiv = v5.services[6];
        EXPECT_EQ(kyiv.name, cp1252 ? "Kyyiv TV" : "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 TV");
        EXPECT_EQ(kyiv.provider, "Yes");
        EXPECT_EQ(kyiv.cache, (std::vector<std::pair<int, uint32_t>>{
                                  {0, 0x110}, {2, 0x112}, {3, 0x111}, {4, 0x113}}));
        // DVB-S2 with its pilot; 5.0W as -50.
        EXPECT_EQ(v5.transponders[1].tuning,
                  (std::array<long, 11>{11747000, 27500000, 1, 15, 130, 2, 0, 1, 2, 0, 2}));
        EXPECT_EQ(v5.transponders[2].tuning[4], -50);
    }
}

TEST(Enigma2, BouquetsAsSatellitesShareOneElementPerPhysicalSatellite) {
    // Bouquets as satellites: each bouquet is a virtual satellite; the
    // transponders of one physical satellite stay under one element, and a
    // transponder two bouquets share is listed once per record.
    Tables t;
    sat(t, 130, "Sky Italia 13.0E", "Hot Bird", "13.0E", 130, 10);
    sat(t, 130, "Sport & News 13.0E", "Hot Bird", "13.0E", 130, 20);
    sat(t, 50, "Yes 5.0W", "Amos", "5.0W", 3550, 30);
    tp(t, 130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 10);
    tp(t, 130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2, 10);
    tp(t, 130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44", 0, 20);
    tp(t, 50, 1, 11140, 3, 30000, 2, 1, "0C1A", "04d2", 1, 30);
    ch(t, 130, 1, 10, "Sky Italia", 0, "Sky Uno", "0D49");
    ch(t, 130, 2, 10, "Sky Italia", 0, "Sky Cinema HD", "2EE3");
    ch(t, 50, 1, 10, "Sky Italia", 0, "Sky Sat", "0AAA");  // same bouquet, other satellite
    ch(t, 130, 2, 10, "Sky Italia", 1, "Radio Uno", "0E10");
    ch(t, 130, 1, 20, "Sport & News", 0, "Sport 1", "0D50");
    ch(t, 50, 1, 30, "Yes", 0, "Yes TV", "0001");
    t.cfg.e2Type = 2;
    Collected c(&buildE2, t.input());
    EXPECT_EQ(c.bouquetNames(), (Names{"userbouquet.dbe00.tv #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe01.tv #NAME Sky Italia 5.0W",
                                       "userbouquet.dbe00.radio #NAME Sky Italia 13.0E",
                                       "userbouquet.dbe02.tv #NAME Sport & News 13.0E",
                                       "userbouquet.dbe03.tv #NAME Yes 5.0W"}));
    const std::string& xml = c.files["satellites.xml"];
    // A name that holds its position already is not followed by it again.
    EXPECT_NE(xml.find("<sat name=\"Sky Italia 13.0E\" flags=\"0\" position=\"130\">"),
              std::string::npos);
    EXPECT_NE(xml.find("<sat name=\"Yes 5.0W\" flags=\"0\" position=\"-50\">"), std::string::npos);
    EXPECT_EQ(xml.find("Sport &"), std::string::npos);
    EXPECT_EQ(occurrences(xml, "<sat "), 2u);
    EXPECT_EQ(occurrences(xml, "<transponder "), 4u);
    EXPECT_EQ(occurrences(c.files["lamedb"], "008229df:2f44:013e\n"), 2u);
}

TEST(Enigma2, FullListIsWrittenWhole) {
    // Every table at capacity: far past the 1 MiB a fixed buffer would hold.
    Tables t;
    for (int s = 1; s <= 253; ++s) sat(t, s, "Sat", "Sat", "1.0E", s * 10 % 3600);
    for (int k = 1; k < static_cast<int>(kTpDbSlots); ++k)
        tp(t, k % 253 + 1, k, 10700 + k % 2000, k % 4, 27500, k % 10, k % 3, "013E", "2F44");
    for (int c = 1; c < static_cast<int>(kChDbSlots); ++c) {
        int k = c % 4999 + 1;
        char sid[8];
        std::snprintf(sid, sizeof sid, "%04X", c);
        Tables::addAudio(ch(t, k % 253 + 1, k, c / 50, "Bouquet Name Long", c % 5 == 0,
                            "Channel Name", sid, c % 20, "0200", "0200", "0240"),
                         "028A", 0, 0, c % 2);
    }
    WriterInput in = t.input();
    std::string lamedb = buildServiceList(in, EnigmaDialect::E2);
    EXPECT_GT(lamedb.size(), 1048576u);
    EXPECT_EQ(occurrences(lamedb, ",p:Bouquet Name Long\n"), kChDbSlots - 1);
    std::string tail = "end\n" + productionLine(in) + "\n";
    ASSERT_GE(lamedb.size(), tail.size());
    EXPECT_EQ(lamedb.substr(lamedb.size() - tail.size()), tail);

    t.cfg.e2Type = 2;
    Collected c(&buildE2, in);
    ASSERT_TRUE(c.ok);
    size_t lines = 0;
    for (auto& [name, bytes] : c.files)
        if (name.rfind("userbouquet.", 0) == 0) lines += occurrences(bytes, "#SERVICE 1:0:");
    EXPECT_EQ(lines, kChDbSlots - 1);
}
