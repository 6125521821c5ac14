#include <cstdio>

#include "tests/readback/ndfReader.h"
#include "tests/writers/writerFixture.h"
#include "writers/ndf/ndf.h"

namespace {

// Universal 9750/10600 LNB, everything else off.
T_dbSat& sat(Tables& t, int id, const char* name, int position) {
    T_dbSat& s = t.addSat(id, name, position);
    s.lnbType = 1, s.freqLo = 3, s.freqHi = 6;
    return s;
}
// A TV channel with the given PIDs.
T_dbCh& ch(Tables& t, int satId, int stpId, const char* name, const char* sid,
           const char* pmt = "0000", const char* pcr = "0000", const char* vpid = "0000",
           const char* txt = "0000") {
    T_dbCh& c = t.addCh(0, satId, stpId, name, sid);
    copyText(c.pmt_pid, pmt), copyText(c.pcr_pid, pcr), copyText(c.vpid, vpid);
    copyText(c.txt_pid, txt);
    return c;
}

// Two satellites, three transponders, a marker channel, an HD TV channel
// with AC-3, teletext, subtitles and CAS, a radio and an SD TV channel,
// two favourite groups.
void fillGolden(Tables& t) {
    T_dbSat& hb = sat(t, 130, "Hot Bird", 130);
    hb.diseqc = 1, hb.switchType = 2, hb.tone22k = 1, hb.power = 3;
    hb.switch11 = 5, hb.switch10 = 2, hb.positionerId = 263;  // written as its low byte, 07
    T_dbSat& as = sat(t, 192, "Astra", 192);
    as.lnbType = 0, as.freqLo = 7, as.freqHi = 9;
    as.switchType = 1, as.out12V = 1, as.power = 1, as.switch10 = 3;

    T_dbTp& t1 = t.addTp(130, 1, 11766, 1, "013E", "1A2B");
    t1.fec = 3, t1.modulation = 2, t1.pilot = 1;
    T_dbTp& t2 = t.addTp(130, 2, 12111, 0, "013e", "00A1B2");
    t2.sr = 29900, t2.fec = 9;
    T_dbTp& t3 = t.addTp(192, 1051, 10744, 3, "0001", "0401");
    t3.sr = 22000, t3.fec = 5, t3.modulation = 1, t3.pilot = 2;

    T_dbCh& marker = ch(t, 130, 1, "@ Sky @", "FFFF");
    marker.fake = 1, marker.skip = 1, marker.dupdname = 1;
    T_dbCh& rai = ch(t, 130, 2, "Rai 1 HD", "0DEE", "0102", "0200", "0200", "1240");
    rai.hd = 1, rai.subtitle = 1, rai.scrambled = 1, rai.locked = 1, rai.dupdsid = 1;
    // The first hex digit of a PID beside a type nibble is not written:
    // these come out as 0284 and 0240; language 260 as its low byte 04.
    Tables::addAudio(rai, "1284", 23, 0, 1);
    Tables::addAudio(rai, "028E", 260, 0, 0);
    appendCas(&rai, 1), appendCas(&rai, 5);
    // A radio channel's teletext PID is never written.
    T_dbCh& radio = ch(t, 192, 1051, "Radio 2", "1F41", "0064", "1FFF", "0000", "0300");
    radio.ch_type = 1, radio.dupdpid = 1;
    Tables::addAudio(radio, "0A21", 9, 1, 1);
    T_dbCh& arte = ch(t, 192, 1051, "Arte", "2B66", "00A0", "00A1", "00A1", "10A3");
    Tables::addAudio(arte, "00A2", 2, 1, 0);
    appendCas(&arte, 0), appendCas(&arte, 31);

    t.addFav(7, "Sport");
    t.addFav(9, "Musica");
    t.addLink(7, 3), t.addLink(9, 2);
    t.addLink(8, 0);  // a group that is not in the list
    t.addLink(7, 1);
}

std::string build(const Tables& t, std::vector<std::string>* skipped = nullptr) {
    std::string image;
    BuildResult r = buildNdfImage(t.input(), &image, skipped);
    EXPECT_TRUE(r.ok) << r.message;
    return image;
}
std::string refusal(const Tables& t) {
    std::string image = "stale";
    BuildResult r = buildNdfImage(t.input(), &image);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(image.empty()) << "a refused list leaves no image";
    return r.message;
}
// Offset of the transponder count behind n one-letter satellites.
size_t tpOffset(size_t n) { return 17 + 512 + 1 + n * 6 + (64 - n) * 5; }

}  // namespace

TEST(NdfImage, GoldenListMatchesTheLayoutByteForByte) {
    Tables t;
    fillGolden(t);
    const std::string image = build(t);

    const std::string header = bytes("4E 44 46 00 D6 04 00 00 01 98 03 07 0C 00 00 00 40");
    // Hot Bird: DiSEqC 1.2, switch 1.0/1.1 on ports 3 and 6, 22 kHz, power
    // auto, universal 9750/10600. Astra: single 10750 (Hi 11475), switch
    // 1.0 port 4, 12 V, 13 V.
    std::string dishes = bytes("07 07 52 41 16 26 68 29  01 09 03 06 FE 29 D3 2C");
    for (int k = 2; k < 64; ++k) dishes += bytes("00 03 00 41 00 00 00 00");
    std::string sats = bytes("40 08 'Hot Bird' 82 00 07 00  05 'Astra' C0 00 00 01");
    for (int k = 2; k < 64; ++k) sats += bytes("00 00 00 00") + static_cast<char>(k);
    const std::string tps = bytes(
        "03 00"
        " F6 2D 6C 6B 3D 00 00 3E 01 2B 1A 3E 01 01 00 00 00 00 80"
        // tid "00A1B2": its first four significant digits, A1B2
        " 4F 2F CC 74 90 00 00 3E 01 B2 A1 3E 01 00 00 00 00 00 80"
        " F8 29 F0 55 57 00 01 01 00 01 04 01 00 02 00 00 00 00 80");
    const std::string chans = bytes(
        "04 00"
        // marker: no audio, no teletext, no CAS; dupdname and skip
        " 07 '@ Sky @' FF FF 00 00 00 00 01 FF 00 00 00 00 00 00 00 00 44 00 00 00"
        // two tracks (languages 17, 04): AC-3 1284 as 0284, plain 028E;
        // teletext 1240 with subtitles as 4240; CAS 1 and 5; dupdsid,
        // locked, scrambled
        " 08 'Rai 1 HD' EE 0D 02 01 00 02 01 FF 00 02 02 17 04 84 42 8E 02"
        " 01 FF 40 42 22 00 00 00 83 00 01 00"
        // radio: DTS and AC-3 0A21, no teletext byte but 00
        " 07 'Radio 2' 41 1F 64 00 FF 1F 01 FF 00 00 01 09 21 6A 00 00 00 00 00 30 00 02 00"
        // DTS 00A2, teletext 10A3 without subtitles (kept whole), CAS 0 and 31
        " 04 'Arte' 66 2B A0 00 A1 00 01 FF A1 00 01 02 A2 20 01 FF A3 10"
        " 01 00 00 80 00 00 02 00");
    std::string favs =
        bytes("10 05 'Sport' 02 00 03 00 01 00 00 00  06 'Musica' 01 00 02 00 00 00");
    for (int k = 3; k <= 16; ++k) {
        char name[8];
        std::snprintf(name, sizeof name, "FAV %02d", k);
        favs += bytes("06") + name + bytes("00 00 00 00");
    }
    const std::string body = header + dishes + sats + tps + chans + favs + "END";
    ASSERT_EQ(image.size(), 1238u);  // D6 04 at offset 4
    EXPECT_TRUE(readsBack(readNdf(image).faults));
    ASSERT_EQ(body.size() + 1, image.size());

    // Part by part, so that a failure points at its record.
    size_t off = 0;
    for (const std::string& part : {header, dishes, sats, tps, chans, favs}) {
        EXPECT_EQ(image.substr(off, part.size()), part) << "part at offset " << off;
        off += part.size();
    }
    unsigned sum = 1;
    for (unsigned char b : body) sum += b;
    EXPECT_EQ(static_cast<unsigned char>(image.back()), sum % 256);
}

TEST(NdfImage, LimitsRefuseWithTheirTexts) {
    const std::string maxSat = "Too many satellites for NDF format. (61 max)";
    Tables t;
    t.report.fakeSatellites = 60;
    for (int g = 1; g <= 16; ++g) t.addFav(g, "G");
    EXPECT_EQ(build(t).size(), tpOffset(0) + 2 + 2 + 1 + 16 * 6 + 4) << "16 groups, no filler";
    t.report.fakeSatellites = 61;
    EXPECT_EQ(refusal(t), maxSat);
    t.lang = *langTable(kLangGerman);
    EXPECT_EQ(refusal(t), "Zu viele Satelliten f\xFCr NDF-Format. (61 max)");

    // Bouquets as channels: 64 satellites fill the tables, a 65th would
    // write more records than the count byte declares.
    Tables real;
    for (int s = 1; s <= 64; ++s) sat(real, s, "S", s);
    EXPECT_EQ(build(real).size(), tpOffset(64) + 2 + 2 + 1 + 16 * 11 + 4);
    sat(real, 65, "S", 65);
    EXPECT_EQ(refusal(real), maxSat);

    Tables favs;
    for (int g = 1; g <= 17; ++g) favs.addFav(g, "G");
    EXPECT_EQ(refusal(favs), "Excessive number of favorite groups for the format NDF. (16 max)");
    Tables damaged;
    damaged.chDB->count = kChDbSlots;
    EXPECT_NE(refusal(damaged).find("damaged"), std::string::npos);

    // 135-byte channel records up to the last one that fits into 2 MiB.
    Tables big;
    sat(big, 1, "S", 10);
    big.addTp(1, 1, 11000);
    const size_t fixed = tpOffset(1) + 2 + 19 + 2 + 1 + 16 * 11 + 4;
    const size_t fit = (kNdfImageSize - fixed) / 135;
    for (size_t i = 0; i <= fit; ++i) {
        T_dbCh& c =
            ch(big, 1, 1, "Channel name of 24 chars", "0001", "0000", "0000", "0000", "0100");
        for (int a = 0; a < 29; ++a) Tables::addAudio(c, "0101", 1);
    }
    EXPECT_NE(refusal(big).find("larger than 2097152 bytes"), std::string::npos);
    --big.chDB->count;
    std::string image;
    ASSERT_TRUE(buildNdfImage(big.input(), &image).ok);
    EXPECT_EQ(image.size(), fixed + fit * 135);
    EXPECT_TRUE(readsBack(readNdf(image).faults));
    EXPECT_LE(image.capacity(), kNdfImageSize) << "the image never outgrows the format";
}

TEST(NdfImage, DishValuesWithoutCodesRefuseTheListNamingTheSatellite) {
    const std::pair<void (*)(T_dbSat&), const char*> cases[] = {
        {[](T_dbSat& s) { s.switch10 = 4; }, "switch 1.0 port 4 is outside 0 to 3"},
        {[](T_dbSat& s) { s.diseqc = 4; }, "diseqc 4 is outside 0 to 3"},
        {[](T_dbSat& s) { s.freqHi = 10; }, "LNB freq. Hi 10 is outside 0 to 9"},
        {[](T_dbSat& s) { s.position = -50; }, "position -50 is outside 0 to 65535"},
    };
    for (const auto& [spoil, reason] : cases) {
        Tables t;
        sat(t, 1, "Good", 10);
        spoil(sat(t, 2, "Thor", 3590));
        EXPECT_EQ(refusal(t),
                  std::string("Satellite 2 \"Thor\": ") + reason + "; no NDF list was built.");
    }
    // The LNB codes that the golden list does not show.
    Tables t;
    sat(t, 1, "U", 0).freqHi = 7;  // universal 9750/10750
    sat(t, 2, "V", 0).freqLo = 0;  // universal, another pair
    sat(t, 3, "O", 0).lnbType = 2;
    T_dbSat& single = sat(t, 4, "S", 0);
    single.lnbType = 0, single.freqLo = 1;  // a single oscillator without a code
    const std::string image = build(t);
    EXPECT_EQ(std::string({image[20], image[28], image[36], image[44]}), bytes("42 40 80 00"));
}

TEST(NdfImage, UnwritableRecordsAreLeftOutAndLaterIndexesClose) {
    Tables t;
    sat(t, 1, "S", 10);
    t.addTp(1, 1, 70000);           // frequency beyond 16 bits
    t.addTp(9, 2, 11100);           // satellite not in the list
    t.addTp(1, 3, 11200, 0, "01");  // network id too short
    t.addTp(1, 4, 11300).fec = 10;  // FEC without a code
    t.addTp(1, 5, 11400);           // written as transponder 0
    ch(t, 1, 5, "Keep0", "0001");
    ch(t, 1, 1, "OnBadTp", "0002");
    appendCas(&ch(t, 1, 5, "Cas32", "0003"), 32);
    ch(t, 1, 7, "NoTp", "0007");
    ch(t, 1, 5, "BadSid", "00G8");
    ch(t, 1, 5, "Audio30", "0009").audioCount = 30;
    ch(t, 1, 5, "Keep1", "000A");
    t.addFav(1, "F");
    t.addLink(1, 6);   // Keep1
    t.addLink(1, 2);   // Cas32, left out
    t.addLink(1, 0);   // Keep0
    t.addLink(1, 40);  // beyond the channels

    std::vector<std::string> skipped;
    const std::string image = build(t, &skipped);
    EXPECT_TRUE(readsBack(readNdf(image).faults));
    const char* reasons[] = {"Transponder 1 ",
                             "satellite is not in the list",
                             "network id",
                             "FEC",
                             "Channel 2 \"OnBadTp\"",
                             "CAS id",
                             "transponder is not in the list",
                             "service id",
                             "audio tracks",
                             "link 2 to channel index 2",
                             "channel index 40"};
    ASSERT_EQ(skipped.size(), std::size(reasons));
    for (size_t i = 0; i < skipped.size(); ++i)
        EXPECT_NE(skipped[i].find(reasons[i]), std::string::npos) << skipped[i];

    const size_t tps = tpOffset(1), chs = tps + 2 + 19, rec = 26;
    EXPECT_EQ(image.substr(tps, 4), bytes("01 00 88 2C"));  // one record, 11400 MHz
    EXPECT_EQ(image.substr(chs, 2), bytes("02 00"));
    EXPECT_EQ(image.substr(chs + 2 + rec - 2, 2), bytes("00 00")) << "on transponder 0";
    EXPECT_EQ(image.substr(chs + 2 + rec, 6), "\x05Keep1");
    // Keep1 and Keep0 at their written places 1 and 0.
    EXPECT_EQ(image.substr(chs + 2 + 2 * rec + 3, 8), bytes("02 00 01 00 00 00 00 00"));
    const std::string note = recordListText(ndfSkippedHeading(skipped.size()), skipped, 2);
    EXPECT_EQ(note.rfind("11 records", 0), 0u) << note;
    EXPECT_NE(note.find("and 9 more."), std::string::npos) << note;
}

TEST(NdfJob, WritesTheImageUnderTheDefaultNameWithItsLogAfterAWarning) {
    Job j;
    fillGolden(j);
    const fs::path dir = j.tmp.path;
    j.cfg.logFile = 1;
    j.saveInto(dir);  // the folder: the dialog keeps the proposed name
    EXPECT_EQ(WriteNDF(j.req()), 0u);
    EXPECT_EQ(fileText(dir / "DMlistNDF-20240307.ndf"), build(j));
    EXPECT_TRUE(fs::exists(dir / "DMlistNDF-20240307.log"));
    // Nothing was left out, so no warning.
    EXPECT_EQ(j.boxes(),
              (std::vector<std::string>{"Message|info|The file was written correctly."}));

    // A record left out is named in a warning before the rest is written.
    appendCas(&j.chDB->ch[2], 40);
    j.target((dir / "warned.ndf").string());
    EXPECT_EQ(WriteNDF(j.req()), 0u);
    ASSERT_EQ(j.boxes().size(), 3u);
    EXPECT_EQ(j.boxes()[1].rfind("Warning|warning|", 0), 0u);
    EXPECT_NE(j.boxes()[1].find("Channel 2 \"Rai 1 HD\""), std::string::npos) << j.boxes()[1];
    EXPECT_EQ(fileText(dir / "warned.ndf").find("Rai 1 HD"), std::string::npos);
    EXPECT_NE(fileText(dir / "warned.ndf").find("Radio 2"), std::string::npos);
}
