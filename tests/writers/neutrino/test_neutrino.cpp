#include "tests/readback/neutrinoReader.h"
#include "tests/writers/vdr/vdrTables.h"
#include "writers/neutrino/neutrino.h"

namespace {

using vdrtables::fillBouquets;

ListFiles build(const Tables& t) {
    ListFiles files;
    const BuildResult r = buildNeutrino(
        t.input(), [&](OutFile&& f) { return files.emplace(f.name, std::move(f.bytes)).second; },
        [](int) {});
    EXPECT_TRUE(r.ok) << r.message;
    return files;
}

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit api=\"4\">\n";

}  // namespace

// East and west, DVB-S and both DVB-S2 modulations, a marker, XML's own
// characters in a name, a locked channel, a Cyrillic radio and a channel
// met again in a later bouquet: one service, an entry in both bouquets.
TEST(NeutrinoList, ServicesAndBouquetsInTheListsOrder) {
    Tables t;
    fillBouquets(t);
    T_dbCh& sky = t.chDB->ch[3];
    copyText(sky.ch_name, "Sky \"News\" & <Sport>");
    sky.locked = 1;
    copyText(t.chDB->ch[2].pmt_pid, "0064");  // Das Erste HD: PIDs to start with
    t.satDB->sat[1].switchType = 1, t.satDB->sat[1].switch10 = 2;
    const ListFiles files = build(t);
    EXPECT_EQ(files.at("services.xml"),
              std::string(kHead) +
                  "\t<sat name=\"Astra 19.2E\" position=\"192\" diseqc=\"2\" uncommited=\"-1\">\n"
                  "\t\t<TS id=\"0441\" on=\"0001\" frq=\"11494000\" inv=\"2\" sr=\"22000000\" "
                  "fec=\"2\" pol=\"0\" mod=\"9\" sys=\"1\">\n"
                  "\t\t\t<S i=\"283d\" n=\"Das Erste HD\" v=\"13ed\" a=\"13ee\" p=\"13ed\" "
                  "pmt=\"64\" tx=\"13f0\" t=\"19\" vt=\"1\" s=\"0\" num=\"1\"/>\n"
                  "\t\t</TS>\n"
                  "\t\t<TS id=\"0442\" on=\"0001\" frq=\"12188000\" inv=\"2\" sr=\"27500000\" "
                  "fec=\"3\" pol=\"1\" mod=\"0\" sys=\"0\">\n"
                  "\t\t\t<S i=\"0064\" n=\"Sky &quot;News&quot; &amp; &lt;Sport&gt;\" t=\"1\" "
                  "vt=\"0\" s=\"1\" num=\"2\"/>\n"
                  "\t\t</TS>\n"
                  "\t</sat>\n"
                  "\t<sat name=\"Тор 0.8W\" position=\"-8\" diseqc=\"-1\" uncommited=\"-1\">\n"
                  "\t\t<TS id=\"0010\" on=\"0046\" frq=\"10872000\" inv=\"2\" sr=\"27500000\" "
                  "fec=\"11\" pol=\"2\" mod=\"0\" sys=\"1\">\n"
                  "\t\t\t<S i=\"0abc\" n=\"Радио Maria\" t=\"2\" vt=\"0\" s=\"0\" num=\"1\"/>\n"
                  "\t\t</TS>\n"
                  "\t</sat>\n"
                  "</zapit>\n");
    EXPECT_EQ(
        files.at("ubouquets.xml"),
        std::string(kHead) +
            "\t<Bouquet name=\"ARD 19.2E\">\n"
            "\t\t<S i=\"283d\" t=\"441\" on=\"1\" s=\"192\" frq=\"11494\" n=\"Das Erste HD\"/>\n"
            "\t</Bouquet>\n"
            "\t<Bouquet name=\"Sky 19.2E\">\n"
            "\t\t<S i=\"64\" t=\"442\" on=\"1\" s=\"192\" frq=\"12188\" "
            "n=\"Sky &quot;News&quot; &amp; &lt;Sport&gt;\" l=\"1\"/>\n"
            "\t\t<S i=\"283d\" t=\"441\" on=\"1\" s=\"192\" frq=\"11494\" n=\"Das Erste HD\"/>\n"
            "\t</Bouquet>\n"
            "\t<Bouquet name=\"Radio 0.8W\">\n"
            "\t\t<S i=\"abc\" t=\"10\" on=\"46\" s=\"-8\" frq=\"10872\" n=\"Радио Maria\"/>\n"
            "\t</Bouquet>\n"
            "</zapit>\n");
    EXPECT_EQ(files.at("bouquets.xml"), std::string(kHead) + "</zapit>\n");
    EXPECT_TRUE(readsBack(readNeutrino(files).faults));
}

// Names are any bytes in the tables: what is no XML character never
// reaches the file. A channel without a tunable transponder is left out
// together with its entry.
TEST(NeutrinoList, OddNamesStayWellFormedAndUntunableChannelsAreLeftOut) {
    Tables t;
    fillBouquets(t);
    copyText(t.chDB->ch[2].ch_name, "Bad\x01\xFF\xEF\xBF\xBEname\x7F");
    t.tpDB->tp[2].polarity = 7;  // Sky's transponder
    const ListFiles files = build(t);
    const NeutrinoRead back = readNeutrino(files);
    EXPECT_TRUE(readsBack(back.faults));
    EXPECT_EQ(back.services, 2u);
    ASSERT_EQ(back.bouquets.size(), 3u);
    EXPECT_EQ(back.bouquets[0].second[0], "Bad \xEF\xBF\xBD\xEF\xBF\xBDname ");
    EXPECT_EQ(back.bouquets[1].second.size(), 1u);  // Sky gone, Das Erste HD again
}

// Each virtual satellite of list types 1 and 2 has its own copy of a
// transponder: the receiver gets it once, with every service on it.
TEST(NeutrinoList, VirtualSatellitesAreTheBouquetsOfOneTransponder) {
    for (int listType : {1, 2}) {
        Tables t;
        vdrtables::fillVirtualSatellites(t, listType);
        const NeutrinoRead back = readNeutrino(build(t));
        EXPECT_TRUE(readsBack(back.faults)) << "list type " << listType;
        EXPECT_EQ(back.transponders, 1u);
        EXPECT_EQ(back.services, 2u);
        ASSERT_EQ(back.bouquets.size(), 2u);
        EXPECT_EQ(back.bouquets[0].first, "News 19.2E");
        EXPECT_EQ(back.bouquets[1].second.size(), 2u);
    }
}

TEST(NeutrinoJob, WritesTheFolderWithItsLog) {
    Job j;
    fillBouquets(j);
    j.cfg.fileType = 9;
    j.cfg.logFile = 1;
    j.target(j.tmp.path.string());
    EXPECT_EQ(WriteNeutrino(j.req()), 0u);
    const fs::path folder = j.tmp.path / "DalmeroListNeutrino_2024-03-07_09-05";
    ListFiles files;
    for (const char* name : {"services.xml", "ubouquets.xml", "bouquets.xml"})
        files[name] = fileText(folder / name);
    EXPECT_EQ(files, build(j));
    EXPECT_NE(fileText(folder / "Velartis.log").find(" Тор 0.8W"), std::string::npos);
    EXPECT_EQ(j.boxes(),
              (std::vector<std::string>{"Message|info|The file was written correctly."}));
}
