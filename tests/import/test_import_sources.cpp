// The readers of the import sources and the merge of the configuration
// files, on small hand-written samples.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "import/importCfg.h"
#include "import/importSources.h"
#include "import/importText.h"

namespace {

std::string nums(std::initializer_list<long> v) {
    std::string s;
    for (long n : v) s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

// A model as text: satellites, then each channel as "name: frequency
// polarity fec modulation pilot sr nid/tid | flags category | pcr txt |
// audio | CA systems", then the groups and the notes.
std::string text(const ImportModel& m) {
    std::string out;
    for (const ImpSatellite& s : m.sats)
        out += "sat " + std::to_string(s.position) + " '" + s.name + "'" +
               (s.channels ? " ch" : "") + "\n";
    for (const ImpChannel& c : m.chs) {
        const ImpTransponder& t = m.tps[c.tp];
        out += c.name + ": " + nums({t.frequency, t.polarity, t.fec, t.modulation, t.pilot, t.sr}) +
               " " + std::to_string(t.nid) + "/" + std::to_string(t.tid) + " |";
        for (auto [on, flag] : {std::pair{c.radio, " radio"}, std::pair{c.hd, " hd"},
                                std::pair{c.subtitle, " sub"}, std::pair{c.locked, " locked"}})
            if (on) out += flag;
        out += " " + std::to_string(c.category) + " | " + nums({c.pcr, c.txt}) + " |";
        for (const ImpAudio& a : c.audio)
            out += " " + std::to_string(a.pid) + "=" + a.lang + (a.ac3 ? "/ac3" : "") +
                   (a.dts ? "/dts" : "");
        out += " |";
        for (int k : c.cas) out += " " + std::to_string(k);
        out += "\n";
    }
    for (const auto* gs : {&m.bouquets, &m.favourites})
        for (const ImpGroup& g : *gs) {
            out += (gs == &m.bouquets ? "bouquet " : "favourites ") + g.name + ":";
            for (size_t c : g.channels) out += " " + m.chs[c].name;
            out += "\n";
        }
    const ImportNotes& n = m.notes;
    out += "notes " + nums({static_cast<long>(n.notSatellite), static_cast<long>(n.replacedChars),
                            static_cast<long>(n.otherModulation), static_cast<long>(n.danglingRefs),
                            static_cast<long>(n.otherEntries)});
    for (const std::string& r : n.repeatedChannels) out += "; repeated " + r;
    for (const std::string& u : n.untunable) out += "; untunable " + u;
    return out + "\n";
}

// VDR: group lines, west positions, DVB-S2 with pilot and roll-off, audio
// with languages, Dolby only, radio, two CA systems, names in UTF-8.
TEST(ImportVdr, ReadsTheAwkwardChannels) {
    const std::string conf =
        ":@1 Deutschland\n"
        "Das Erste HD,Erste;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5101=27:5102=deu@3,5103=eng@3;"
        "5106=deu@106:5104;5105=deu:0:10301:1:1019:0\n"
        "arte;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:401+8190=2:402=fra,403=ger:404:0:10302:1:1019:"
        "0\r\n"
        "Dolby Only;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5201=27:0;5206=eng@106,5207=eng@123:0:0:"
        "10303:1:1019:0\n"
        "Bayern 3;ARD:12265:hC34M2S0:S19.2E:27500:0:3001=deu@3:0:0:28400:1:1093:0\n"
        "\n"
        ":Nordic\n"
        "NRK1 Norge "
        "\xCE\xA9;NRK:10872:VC34M2S0:S0.8W:25000:512=2:640=nor:576:1702,0B00,B01:1:70:20:0\n"
        "TV Cin\xC3\xA9ma;Canal:11914:RC910M6O20S1:S19.2E:27500:255=36:256=fra:0:100:10:133:4:0\n"
        "Terra;X:474000:B8C23D0G4M64T8Y0:T:27500:1=2:2=deu:0:0:3:4:5:0\n"
        "Das Erste "
        "HD;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5101=27:5102=deu@3:0:0:10301:1:1019:0\n";
    ImportModel m;
    ImportError err;
    ASSERT_TRUE(readVdr("channels.conf", conf, &m, &err)) << err.text();
    // The cable line passed over, the repeat joined to the first; names
    // kept whole, Greek and é alike.
    EXPECT_EQ(
        text(m),
        "sat 192 '' ch\n"
        "sat 3592 '' ch\n"
        "Das Erste HD: 11494 1 2 2 1 22000 1/1019 | hd sub 0 | 5101 5104 | 5102=deu 5103=eng "
        "5106=deu/ac3 |\n"
        "arte: 11494 1 2 2 1 22000 1/1019 | 0 | 8190 404 | 402=fra 403=ger |\n"
        "Dolby Only: 11494 1 2 2 1 22000 1/1019 | hd 0 | 5201 0 | 5206=eng/ac3 5207=eng/dts |\n"
        "Bayern 3: 12265 1 3 0 0 27500 1/1093 | radio 0 | 3001 0 | 3001=deu |\n"
        "NRK1 Norge \xCE\xA9: 10872 0 3 0 0 25000 70/20 | 0 | 512 576 | 640=nor | 4 5\n"
        "TV Cin\xC3\xA9ma: 11914 2 9 2 2 27500 133/4 | hd 0 | 255 0 | 256=fra | 0\n"
        "bouquet Deutschland: Das Erste HD arte Dolby Only Bayern 3\n"
        "bouquet Nordic: NRK1 Norge \xCE\xA9 TV Cin\xC3\xA9ma Das Erste HD\n"
        "notes 1 0 1 0 0; repeated channels.conf:11 (as channels.conf:2)\n");
}

TEST(ImportVdr, RefusesEachMalformedFieldWithItsLine) {
    const std::string good =
        "Good;P:11494:HC23M5S1:S19.2E:22000:5101=27:5102=deu:5104:0:10301:1:1019:0\n";
    const struct {
        const char* line;
        const char* reason;
    } bad[] = {
        {"X;P:11494:HC23:S19.2E:22000:0:0:0:0:1:1:1", "13 fields"},
        {"X;P:11a94:HC23:S19.2E:22000:0:1:0:0:1:1:1:0", "frequency"},
        {"X;P:11494:HC23Z:S19.2E:22000:0:1:0:0:1:1:1:0", "letter 'Z'"},
        {"X;P:11494:C23:S19.2E:22000:0:1:0:0:1:1:1:0", "polarisation"},
        {"X;P:11494:HC24:S19.2E:22000:0:1:0:0:1:1:1:0", "code rate"},
        {"X;P:11494:HM16:S19.2E:22000:0:1:0:0:1:1:1:0", "modulation"},
        {"X;P:11494:HN2:S19.2E:22000:0:1:0:0:1:1:1:0", "pilot"},
        {"X;P:11494:HO30:S19.2E:22000:0:1:0:0:1:1:1:0", "roll-off"},
        {"X;P:11494:HS2:S19.2E:22000:0:1:0:0:1:1:1:0", "delivery system"},
        {"X;P:11494:H:S19.2X:22000:0:1:0:0:1:1:1:0", "source"},
        {"X;P:11494:H:S190E:22000:0:1:0:0:1:1:1:0", "source"},
        {"X;P:11494:H:S19.2E:22k:0:1:0:0:1:1:1:0", "symbol rate"},
        {"X;P:2000:H:S19.2E:22000:0:1:0:0:1:1:1:0", "not a satellite frequency"},
        {"X;P:22001:H:S19.2E:22000:0:1:0:0:1:1:1:0", "not a satellite frequency"},
        {"X;P:11494:H:S19.2E:180:0:1:0:0:1:1:1:0", "symbol rate 180 is not"},
        {"X;P:11494:H:S19.2E:99999:0:1:0:0:1:1:1:0", "symbol rate 99999 is not"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:0:0:1:1:0", "service id 0"},
        {"X;P:11494:H:S19.2E:22000:9000:1:0:0:1:1:1:0", "video PID"},
        {"X;P:11494:H:S19.2E:22000:100=x:1:0:0:1:1:1:0", "video stream type"},
        {"X;P:11494:H:S19.2E:22000:100:102=de:0:0:1:1:1:0", "audio language"},
        {"X;P:11494:H:S19.2E:22000:100:0;10x:0:0:1:1:1:0", "Dolby PID"},
        {"X;P:11494:H:S19.2E:22000:100:102:70000:0:1:1:1:0", "teletext PID"},
        {"X;P:11494:H:S19.2E:22000:100:102:0;33=d:0:1:1:1:0", "subtitle language"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:XYZ:1:1:1:0", "CA id"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:0:70000:1:1:0", "service id"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:0:1:-1:1:0", "network id"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:0:1:1:1.5:0", "transport stream id"},
        {"X;P:11494:H:S19.2E:22000:100:102:0:0:1:1:1:r", "radio id"},
        {";P:11494:H:S19.2E:22000:100:102:0:0:1:1:1:0", "no name"},
        {":@ Sport", "channel number"},
    };
    for (const auto& b : bad) {
        ImportModel m;
        ImportError err;
        EXPECT_FALSE(readVdr("my.conf", good + b.line + "\n" + good, &m, &err)) << b.line;
        EXPECT_EQ(err.file, "my.conf");
        EXPECT_EQ(err.line, 2u) << b.line;
        EXPECT_NE(err.text().find(b.reason), std::string::npos) << b.line << " -> " << err.text();
    }
    // The reason quotes the line: no terminal control byte reaches the
    // message, and a huge field is cut.
    ImportModel m;
    ImportError err;
    const std::string esc =
        "X;P:11494:H:S19.2E:22000:0:1:0:\x1B]2;owned\x07" + std::string(100000, 'A') + ":1:1:1:0\n";
    EXPECT_FALSE(readVdr("my.conf", esc, &m, &err));
    const std::string text = err.text();
    EXPECT_NE(text.find("CA id '?]2;owned?AAA"), std::string::npos) << text.substr(0, 80);
    EXPECT_LT(text.size(), 400u);
}

const char* const kDvbv5 =
    "# dvbv5-scan\n"
    "[Das Erste HD]\n"
    "\tSERVICE_ID = 10301\n\tNETWORK_ID = 1\n\tTRANSPORT_ID = 1019\n"
    "\tVIDEO_PID = 5101\n\tAUDIO_PID = 5102 5103 5106\n\tPID_06 = 5104\n"
    "\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11494000\n\tPOLARIZATION = HORIZONTAL\n"
    "\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 2/3\n\tMODULATION = PSK/8\n\tPILOT = ON\n"
    "\tROLLOFF = 25\n\tINVERSION = AUTO\n"
    "\n[Radio Bremen]\n"
    "\tSERVICE_ID = 28400\n\tAUDIO_PID = 3001\n\tDELIVERY_SYSTEM = DVBS\n"
    "\tFREQUENCY = 12265000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n"
    "\tINNER_FEC = 3/4\n"
    "\n[CHANNEL]\n"
    "\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 12603000\n\tPOLARIZATION = LEFT\n"
    "\tSYMBOL_RATE = 6111000\n\tINNER_FEC = 9/10\n\tMODULATION = QPSK\n\tINVERSION = AUTO\n"
    "\n[CHANNEL]\n"
    "\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 474000000\n\tBANDWIDTH_HZ = 8000000\n";

// dvbv5: channels and table transponders; the position from the file name.
TEST(ImportDvbv5, ReadsChannelsAndTransponders) {
    ImportModel m;
    ImportError err;
    ASSERT_TRUE(readDvbv5("/scan/Thor-5-0.8W.conf", kDvbv5, SourceOptions{}, &m, &err))
        << err.text();
    EXPECT_EQ(
        text(m),
        "sat 3592 'Thor 5 0.8W' ch\n"
        "Das Erste HD: 11494 1 2 2 1 22000 1/1019 | 0 | 5101 0 | 5102=und 5103=und 5106=und |\n"
        "Radio Bremen: 12265 0 3 0 0 27500 0/0 | radio 0 | 3001 0 | 3001=und |\n"
        "bouquet Thor 5 0.8W: Das Erste HD Radio Bremen\n"
        "notes 1 0 0 0 0\n");
    ASSERT_EQ(m.tps.size(), 3u);
    EXPECT_EQ(nums({m.tps[2].frequency, m.tps[2].polarity, m.tps[2].fec, m.tps[2].modulation,
                    m.tps[2].pilot}),
              "12603 3 9 1 2");  // the table transponder: DVB-S2 QPSK

    // A file name without a position needs --position, which also wins over one.
    ImportModel m2;
    EXPECT_FALSE(readDvbv5("dvb_channel.conf", kDvbv5, SourceOptions{}, &m2, &err));
    EXPECT_NE(err.reason.find("--position"), std::string::npos);
    SourceOptions o;
    o.position = 130;
    o.bouquet = "Meine Liste";
    ASSERT_TRUE(readDvbv5("Thor-5-0.8W", kDvbv5, o, &m2, &err)) << err.text();
    EXPECT_EQ(m2.sats[0].position, 130);
    EXPECT_EQ(m2.sats[0].name, "");
    EXPECT_EQ(m2.bouquets[0].name, "Meine Liste");
}

TEST(ImportDvbv5, RefusesEachMalformedLine) {
    const struct {
        const char* from;
        const char* to;
        int line;
        const char* reason;
    } bad[] = {
        {"FREQUENCY = 11494000", "FREQUENCY = 11x94000", 10, "FREQUENCY"},
        {"FREQUENCY = 11494000", "FREQUENCY = 474000000", 10, "not a satellite frequency"},
        {"POLARIZATION = HORIZONTAL", "POLARIZATION = UP", 11, "POLARIZATION"},
        {"SYMBOL_RATE = 22000000", "SYMBOL_RATE = fast", 12, "SYMBOL_RATE"},
        {"INNER_FEC = 2/3", "INNER_FEC = 7/9", 13, "INNER_FEC"},
        {"MODULATION = PSK/8", "MODULATION = QAM/64", 14, "MODULATION"},
        {"PILOT = ON", "PILOT = MAYBE", 15, "PILOT"},
        {"ROLLOFF = 25", "ROLLOFF = 30", 16, "ROLLOFF"},
        {"SERVICE_ID = 10301", "SERVICE_ID = 70000", 3, "SERVICE_ID"},
        {"SERVICE_ID = 10301", "SERVICE_ID = 0", 3, "SERVICE_ID '0'"},
        {"SYMBOL_RATE = 22000000", "SYMBOL_RATE = 180000", 12, "SYMBOL_RATE 180000 is not"},
        {"SYMBOL_RATE = 22000000", "SYMBOL_RATE = 99999", 12, "SYMBOL_RATE 99999 is not"},
        {"NETWORK_ID = 1", "NETWORK_ID = one", 4, "NETWORK_ID"},
        {"VIDEO_PID = 5101", "VIDEO_PID = 9000", 6, "VIDEO_PID"},
        {"AUDIO_PID = 5102 5103 5106", "AUDIO_PID = 5102 x", 7, "AUDIO_PID"},
        {"PID_06 = 5104", "PID_06 5104", 8, "KEY = value"},
        {"[Radio Bremen]", "[Radio Bremen", 19, "[name]"},
        {"\tDELIVERY_SYSTEM = DVBS\n", "\n", 19, "DELIVERY_SYSTEM"},
    };
    for (const auto& b : bad) {
        std::string text = kDvbv5;
        text.replace(text.find(b.from), std::string(b.from).size(), b.to);
        ImportModel m;
        ImportError err;
        EXPECT_FALSE(readDvbv5("Astra-19.2E", text, SourceOptions{}, &m, &err)) << b.to;
        EXPECT_EQ(err.line, static_cast<uint64_t>(b.line)) << b.to << " -> " << err.text();
        EXPECT_NE(err.text().find(b.reason), std::string::npos) << b.to << " -> " << err.text();
    }
}

// An Enigma2 folder in memory; names in Windows-1252.
std::map<std::string, std::string> enigmaFolder() {
    return {
        {"lamedb",
         "eDVB services /4/\ntransponders\n"
         "0e082a78:0001:0046\n\ts 10872000:25000000:1:3:-8:2:0\n/\n"
         "00c02ce6:03fb:0001\n\ts 11494000:22000000:0:2:192:2:0:1:2:0:1\n/\n"
         "00c0ffff:0002:0002\n\tc 346000:6900000:2:0:0:0\n/\n"
         "end\nservices\n"
         "0001:0e082a78:0001:0046:1:0\nNRK1\np:NRK,c:000200,c:010280,c:030200,C:0b00,C:1702,C:0b01,"
         "f:40\n"
         "283d:00c02ce6:03fb:0001:25:0\nDas Erste "
         "HD\np:ARD,c:0013ed,c:0113ee,c:0413f2,c:0213f0,c:0313ed\n"
         "6ef0:00c02ce6:03fb:0001:2:0\nBayern 3\np:ARD,c:030bb9,c:010bb9\n"
         "0100:00c02ce6:03fb:0001:1:0\nSky Cin\xE9ma\np:,c:0000ff,c:040100\n"
         "0200:00c02ce6:03fb:0001:1:0\nNachtkanal\np:ARD,c:000300,c:030300\n"
         "0300:00c0ffff:0002:0002:1:0\nKabel\np:X\n"
         "end\nProduced with something\n"},
        {"bouquets.tv",
         "#NAME Bouquets (TV)\n"
         "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.favourites.tv\" ORDER BY "
         "bouquet\n"
         "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe01.tv\n"},
        {"userbouquet.favourites.tv",
         "#NAME Favourites (TV)\n#SERVICE 1:0:19:283D:3FB:1:C02CE6:0:0:0:\n#DESCRIPTION Das Erste\n"
         "#SERVICE 4097:0:1:0:0:0:0:0:0:0:http%3a//example:Stream\n"
         "#SERVICE 1:0:1:1:1:46:E082A78:0:0:0:\n#SERVICE 1:0:1:9999:1:46:E082A78:0:0:0:\n"},
        {"userbouquet.dbe01.tv",
         "#NAME ARD 19.2E\n#SERVICE 1:0:1:283d:3fb:1:c02ce6:0:0:0:\n"
         "#SERVICE 1:0:1:200:3fb:1:c02ce6:0:0:0:\n"},
        {"blacklist", "1:0:1:200:3FB:1:C02CE6:0:0:0:\n"},
        {"satellites.xml",
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<satellites>\n"
         "\t<sat name=\"Astra 19.2E 19.2E\" flags=\"0\" position=\"192\">\n"
         "\t\t<transponder frequency=\"11494000\" symbol_rate=\"22000000\" polarization=\"0\" "
         "fec_inner=\"2\" inversion=\"2\" modulation=\"2\" system=\"1\" pilot=\"2\" "
         "rolloff=\"0\"/>\n"
         "\t\t<transponder frequency=\"12603000\" symbol_rate=\"6111000\" polarization=\"1\" "
         "fec_inner=\"3\" inversion=\"2\" modulation=\"1\" system=\"1\" pilot=\"0\" "
         "rolloff=\"0\"/>\n"
         "\t</sat>\n\t<sat name=\"Thor &amp; Co 0.8W\" flags=\"0\" position=\"-8\">\n\t</sat>\n"
         "\t<sat name=\"Hotbird\" flags=\"0\" position=\"130\">\n"
         "\t\t<transponder frequency=\"11034000\" symbol_rate=\"27500000\" polarization=\"1\" "
         "fec_inner=\"3\" inversion=\"2\" modulation=\"0\" "
         "system=\"0\"/>\n\t</sat>\n</satellites>\n"},
    };
}

// Reads the folder in memory; `reads` counts each file's reads.
bool readFolder(const std::map<std::string, std::string>& files, ImportModel* m, ImportError* err,
                std::map<std::string, int>* reads = nullptr) {
    auto file = [&](const std::string& n, std::string* b) {
        if (reads) ++(*reads)[n];
        auto it = files.find(n);
        return it != files.end() && (*b = it->second, true);
    };
    return readEnigma2("e2", file, m, err);
}

TEST(ImportEnigma2, ReadsServicesProvidersUserBouquetsAndBlacklist) {
    ImportModel m;
    ImportError err;
    ASSERT_TRUE(readFolder(enigmaFolder(), &m, &err)) << err.text();
    // Thor at -8; the cable transponder and its service passed over; the
    // transponder satellites.xml adds, the known one not doubled. "ARD
    // 19.2E" restates the provider ARD; the favourites lack the stream and
    // the service lamedb lacks.
    EXPECT_EQ(
        text(m),
        "sat 3592 'Thor & Co' ch\n"
        "sat 192 'Astra 19.2E' ch\n"
        "NRK1: 10872 0 3 0 0 25000 70/1 | 0 | 512 0 | 640=und | 4 5\n"
        "Das Erste HD: 11494 1 2 2 1 22000 1/1019 | hd 0 | 5101 5104 | 5102=und 5106=und/ac3 |\n"
        "Bayern 3: 11494 1 2 2 1 22000 1/1019 | radio 0 | 3001 0 | 3001=und |\n"
        "Sky Cin\xC3\xA9ma: 11494 1 2 2 1 22000 1/1019 | 0 | 0 0 | 256=und/ac3 |\n"
        "Nachtkanal: 11494 1 2 2 1 22000 1/1019 | locked 9 | 768 0 | |\n"
        "bouquet NRK: NRK1\n"
        "bouquet ARD: Das Erste HD Bayern 3 Nachtkanal\n"
        "bouquet Other: Sky Cin\xC3\xA9ma\n"
        "favourites Favourites (TV): Das Erste HD NRK1\n"
        "notes 2 0 0 1 1\n");
    ASSERT_EQ(m.tps.size(), 3u);
    EXPECT_EQ(nums({m.tps[2].frequency, m.tps[2].polarity, m.tps[2].modulation, m.tps[2].pilot}),
              "12603 0 1 0");

    // A user bouquet named again, by either index, is read once: an index of
    // many lines naming one big file does not read it over and over.
    auto files = enigmaFolder();
    files["bouquets.radio"] = files["bouquets.tv"] + files["bouquets.tv"];
    std::map<std::string, int> reads;
    ImportModel again;
    ASSERT_TRUE(readFolder(files, &again, &err, &reads)) << err.text();
    EXPECT_EQ(reads["userbouquet.favourites.tv"], 1);
    EXPECT_EQ(again.favourites.size(), 1u);
    EXPECT_EQ(again.favourites[0].channels, m.favourites[0].channels);
}

// A channel repeated in another file, and a satellites.xml transponder
// that receivers cannot tune, are left out and named, not dropped silently.
TEST(ImportSources, NamesRepeatedChannelsAndUntunableTransponders) {
    const std::string line = "A;P:11494:HC23:S19.2E:22000:101:102:0:0:7:1:1:0\n";
    ImportModel m;
    ImportError err;
    ASSERT_TRUE(readVdr("a.conf", line, &m, &err)) << err.text();
    ASSERT_TRUE(readVdr("b.conf", "#\n" + line, &m, &err)) << err.text();
    EXPECT_EQ(m.chs.size() * 10 + m.tps.size(), 11u);
    EXPECT_EQ(m.notes.repeatedChannels, std::vector<std::string>{"b.conf:2 (as a.conf:1)"});

    auto files = enigmaFolder();
    std::string& xml = files["satellites.xml"];
    xml.replace(xml.find("6111000"), 7, "800000");
    ImportModel e;
    ASSERT_TRUE(readFolder(files, &e, &err)) << err.text();
    EXPECT_EQ(e.tps.size(), 2u);
    ASSERT_EQ(e.notes.untunable.size(), 1u);
    EXPECT_EQ(e.notes.untunable[0].rfind("e2/satellites.xml:5 (symbol_rate 800000", 0), 0u)
        << e.notes.untunable[0];
}

// satellites.xml names lose the location the lists append, in each spelling
// a database's location text gives, but only that of their own position.
TEST(ImportEnigma2, SatelliteNamesLoseTheirAppendedLocation) {
    const struct {
        const char *encoding, *astra, *thor, *astraName, *thorName;
    } cases[] = {
        {"iso-8859-1", "Astra 1KR/1L 19.2\260E", "Thor 0.8\xB0W", "Astra 1KR/1L", "Thor"},
        {"iso-8859-1", "Astra 19.2&#xB0;E", "Thor 0.8\xC2\xB0W", "Astra", "Thor"},
        {"UTF-8", "Astra \xC3\xA9 19.2\xC2\260E", "Thor 0.8W", "Astra \xC3\xA9", "Thor"},
        // Another position's location is part of the name.
        {"iso-8859-1", "Astra 19E", "Thor 0.8\260E", "Astra 19E", "Thor 0.8\xC2\260E"},
    };
    for (const auto& c : cases) {
        auto files = enigmaFolder();
        std::string& xml = files["satellites.xml"];
        xml.replace(xml.find("iso-8859-1"), 10, c.encoding);
        xml.replace(xml.find("Astra 19.2E 19.2E"), 17, c.astra);
        xml.replace(xml.find("Thor &amp; Co 0.8W"), 18, c.thor);
        ImportModel m;
        ImportError err;
        ASSERT_TRUE(readFolder(files, &m, &err)) << err.text();
        EXPECT_EQ(m.sats[1].name, c.astraName) << c.astra;
        EXPECT_EQ(m.sats[0].name, c.thorName) << c.thor;
    }
}

TEST(ImportEnigma2, RefusesMalformedFilesWithTheirLine) {
    const struct {
        const char* file;
        const char* from;
        const char* to;
        const char* where;
        const char* reason;
    } bad[] = {
        {"lamedb", "/4/", "/5/", "lamedb:1:", "version 4"},
        {"lamedb", "22000000:0:2:192", "22000000:7:2:192", "lamedb:7:", "polarisation"},
        {"lamedb", ":192:2:0:1:2:0:1", ":3600:2:0:1:2:0:1", "lamedb:7:", "orbital position"},
        {"lamedb", "0e082a78:0001:0046\n", "0e082a7g:0001:0046\n", "lamedb:3:", "namespace"},
        {"lamedb", "0001:0e082a78:0001:0046:1:0", "0001:0e082a79:0001:0046:1:0",
         "lamedb:14:", "not among"},
        {"lamedb", "c:0113ee", "c:x113ee", "lamedb:19:", "cache entry"},
        {"lamedb", "C:1702", "C:17g2", "lamedb:16:", "CA id"},
        {"lamedb", "c:0113ee", "c:0001fff", "lamedb:19:", "holds no PID"},  // five digits
        {"lamedb", "c:0113ee", "c:01ffff", "lamedb:19:", "holds no PID"},
        {"lamedb", "283d:00c02ce6", "0000:00c02ce6", "lamedb:17:", "service id 0"},
        {"lamedb", "11494000:22000000", "11494000:180000", "lamedb:7:", "symbol rate 180000"},
        {"lamedb", "10872000:25000000", "1872000:25000000", "lamedb:4:", "not a satellite freq"},
        {"userbouquet.favourites.tv",
         "1:0:1:1:1:46:", "1:0:1:10001:1:46:", "favourites.tv:5:", "reference"},
        {"bouquets.tv", "userbouquet.dbe01.tv", "../etc/passwd", "bouquets.tv:3:", "not the name"},
        {"bouquets.tv", "userbouquet.dbe01.tv", "userbouquet.gone.tv",
         "bouquets.tv:", "not in the folder"},
        {"userbouquet.favourites.tv", "#DESCRIPTION Das Erste", "#SERVIC 1:0:1",
         "favourites.tv:3:", "#SERVICE"},
        {"userbouquet.favourites.tv",
         "1:0:1:1:1:46:E082A78:0:0:0:", "1:0:1:1:1:46:", "favourites.tv:5:", "reference"},
        {"blacklist", "1:0:1:200", "1:0:1:2x0", "blacklist:1:", "reference"},
        {"satellites.xml", "frequency=\"12603000\"", "frequency=\"99999999\"",
         "satellites.xml:", "in range"},
        {"satellites.xml", "symbol_rate=\"6111000\"", "symbol_rate=\"0\"",
         "satellites.xml:", "in range"},
    };
    for (const auto& b : bad) {
        auto files = enigmaFolder();
        std::string& t = files[b.file];
        t.replace(t.find(b.from), std::string(b.from).size(), b.to);
        ImportModel m;
        ImportError err;
        EXPECT_FALSE(readFolder(files, &m, &err)) << b.to;
        EXPECT_NE(err.text().find(b.where), std::string::npos) << b.to << " -> " << err.text();
        EXPECT_NE(err.text().find(b.reason), std::string::npos) << b.to << " -> " << err.text();
    }
}

// The files keep every entry and byte they had; the import's entries come
// in under the database's ids, as Windows-1252 with CR LF.
TEST(ImportCfg, MergesWithoutTouchingTheUsersEntries) {
    const std::string master =
        "[CAT]\r\n1#Generalist#\r\n11#Radio#\r\n[/CAT]\r\n\r\n[BOU]\r\n1#ARD#2#Germany#\r\n"
        "7#Canal+ France#3#France#\r\n[/BOU]\r\n\r\n[NAT]\r\n2#Germany#\r\n3#France#\r\n[/NAT]\r\n";
    const std::string user =
        "LANG=2\nLIST=0\n\n[SAT]\n192#Mein "
        "Astra#1#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#01#\n[/SAT]\n\n"
        "[BOUI]\n7#Canal+ France#3#France#\n[/BOUI]\n";
    IdHints h;
    std::string err;
    ASSERT_TRUE(readCfgHints(master, user, &h, &err));
    EXPECT_EQ(h.bouquetIds.at("ARD"), 1);
    EXPECT_TRUE(h.bouquetIdsUsed.count(7));
    EXPECT_EQ(h.nationId, 4);  // no "International" yet

    ImportDbReport r;
    r.sats = {{192, "Astra 19.2E"}, {3592, "Thor \xC3\xA9 #1"}};
    r.bouquets = {{1, "ARD", 2}, {8, "Sky", 4}, {7, "Canal Plus", 3}};
    r.favourites = {{1, "News"}};
    CfgMerge out;
    ASSERT_TRUE(mergeCfg(master, user, r, &out, &err)) << err;
    EXPECT_EQ(
        out.master,
        "[CAT]\r\n1#Generalist#\r\n11#Radio#\r\n[/CAT]\r\n\r\n[FAV]\r\n1#News#\r\n[/FAV]\r\n\r\n"
        "[BOU]\r\n1#ARD#2#Germany#\r\n7#Canal+ France#3#France#\r\n8#Sky#4#International#\r\n"
        "[/BOU]\r\n\r\n[NAT]\r\n2#Germany#\r\n3#France#\r\n4#International#\r\n[/NAT]\r\n");
    EXPECT_EQ(out.user,
              "LANG=2\r\nLIST=0\r\n\r\n[SAT]\r\n192#Mein "
              "Astra#1#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#01#\r\n"
              "3592#Thor \xE9 -1#1#1#3#6#3#0#0#1#1#0#0#0#0#0#111#11111#11#\r\n[/SAT]\r\n\r\n"
              "[BOUI]\r\n7#Canal+ France#3#France#\r\n[/BOUI]\r\n");
    const CfgMerge out0 = out;
    ASSERT_EQ(out.conflicts.size(), 1u);
    EXPECT_NE(out.conflicts[0].find("Canal Plus"), std::string::npos);
    EXPECT_EQ(out.satsAdded, 1u);
    EXPECT_EQ(out.bouquetsAdded, 1u);

    // New files load; a master list that is full refuses the import.
    ASSERT_TRUE(mergeCfg(newMasterText(), newUserText(), r, &out, &err)) << err;
    std::string full = "[CAT]\r\n1#G#\r\n[/CAT]\r\n[BOU]\r\n";
    for (int i = 1; i <= 500; ++i)
        full += std::to_string(i + 100) + "#B" + std::to_string(i) + "#1#N#\r\n";
    full += "[/BOU]\r\n[NAT]\r\n1#N#\r\n[/NAT]\r\n";
    EXPECT_FALSE(mergeCfg(full, newUserText(), r, &out, &err));
    EXPECT_NE(err.find("more bouquets"), std::string::npos) << err;

    // Lone CR line ends and a DOS end-of-file mark: entries still go into
    // their sections, not after [NAT] where loading stops.
    for (const std::string& odd : {[&] {
                                       std::string t = master;
                                       for (size_t at; (at = t.find("\r\n")) != std::string::npos;)
                                           t.erase(at + 1, 1);
                                       return t;
                                   }(),
                                   master + "\x1A"}) {
        IdHints oh;
        ASSERT_TRUE(readCfgHints(odd, user, &oh, &err));
        EXPECT_EQ(oh.bouquetIds.count("ARD"), 1u);
        EXPECT_EQ(oh.nationId, 4);
        CfgMerge o2;
        ASSERT_TRUE(mergeCfg(odd, user, r, &o2, &err)) << err;
        EXPECT_EQ(o2.master, out0.master);
    }
    // A line of blanks in [SAT] is no entry (it read as satellite 0).
    std::string blanks = user;
    blanks.insert(blanks.find("[/SAT]"), "   \n");
    ImportDbReport zero;
    zero.sats = {{0, "Sat 0.0E"}};
    CfgMerge o3;
    ASSERT_TRUE(mergeCfg(master, blanks, zero, &o3, &err)) << err;
    EXPECT_EQ(o3.satsAdded, 1u);
}

}  // namespace
