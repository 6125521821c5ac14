#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "ndfFixture.h"

namespace {

// "4E 44" gives those bytes; 'text' between quotes gives its characters.
std::string hex(const std::string& spec) {
    std::string out;
    std::istringstream in(spec);
    std::string tok;
    while (in >> tok) {
        if (tok.front() == '\'') {
            while (tok.size() < 2 || tok.back() != '\'') {
                std::string more;
                in >> more;
                tok += " " + more;
            }
            out += tok.substr(1, tok.size() - 2);
        } else {
            out += static_cast<char>(std::stoi(tok, nullptr, 16));
        }
    }
    return out;
}
std::string times(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

std::string build(const NdfTables& t, std::vector<std::string>* skipped = nullptr) {
    std::string image;
    BuildResult r = buildNdfImage(t.input(), &image, skipped);
    EXPECT_TRUE(r.ok) << r.message;
    return image;
}
std::string refusal(const NdfTables& t) {
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
    NdfTables t;
    fillGoldenTables(t);
    const std::string image = build(t);

    const std::string header = hex("4E 44 46 00 D6 04 00 00 01 98 03 07 0C 00 00 00 40");
    // Hot Bird: DiSEqC 1.2, switch 1.0/1.1 on ports 3 and 6, 22 kHz, power
    // auto, universal 9750/10600. Astra: single 10750 (Hi 11475), switch
    // 1.0 port 4, 12 V, 13 V.
    const std::string dishes = hex("07 07 52 41 16 26 68 29  01 09 03 06 FE 29 D3 2C") +
                               times(hex("00 03 00 41 00 00 00 00"), 62);
    std::string sats = hex("40 08 'Hot Bird' 82 00 07 00  05 'Astra' C0 00 00 01");
    for (int k = 2; k < 64; ++k) sats += hex("00 00 00 00") + static_cast<char>(k);
    const std::string tps =
        hex("03 00"
            " F6 2D 6C 6B 3D 00 00 3E 01 2B 1A 3E 01 01 00 00 00 00 80"
            " 4F 2F CC 74 90 00 00 3E 01 A1 00 3E 01 00 00 00 00 00 80"
            " F8 29 F0 55 57 00 01 01 00 01 04 01 00 02 00 00 00 00 80");
    const std::string chans =
        hex("04 00"
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
    std::string favs = hex("10 05 'Sport' 02 00 03 00 01 00 00 00  06 'Musica' 01 00 02 00 00 00");
    for (int k = 3; k <= 16; ++k) {
        char name[8];
        std::snprintf(name, sizeof name, "FAV %02d", k);
        favs += hex("06") + name + hex("00 00 00 00");
    }
    const std::string body = header + dishes + sats + tps + chans + favs + "END";
    ASSERT_EQ(image.size(), 1238u);  // D6 04 at offset 4
    ASSERT_EQ(body.size() + 1, image.size());

    // Part by part, so that a failure points at its record.
    size_t off = 0;
    for (const std::string* part :
         std::initializer_list<const std::string*>{&header, &dishes, &sats, &tps, &chans, &favs}) {
        EXPECT_EQ(image.substr(off, part->size()), *part) << "part at offset " << off;
        off += part->size();
    }
    unsigned sum = 1;
    for (unsigned char b : body) sum += b;
    EXPECT_EQ(static_cast<unsigned char>(image.back()), sum % 256);
}

TEST(NdfImage, LimitsRefuseWithTheirTexts) {
    const std::string maxSat = "Too many satellites for NDF format. (61 max)";
    NdfTables t;
    t.report.fakeSatellites = 60;
    for (int g = 1; g <= 16; ++g) t.addFav(g, "G");
    EXPECT_EQ(build(t).size(), tpOffset(0) + 2 + 2 + 1 + 16 * 6 + 4) << "16 groups, no filler";
    t.report.fakeSatellites = 61;
    EXPECT_EQ(refusal(t), maxSat);
    t.lang = *langTable(kLangGerman);
    EXPECT_EQ(refusal(t), "Zu viele Satelliten f\xFCr NDF-Format. (61 max)");

    // Bouquets as channels: 64 satellites fill the tables, a 65th would
    // write more records than the count byte declares.
    NdfTables real;
    for (int s = 1; s <= 64; ++s) real.addSat(s, "S", s);
    EXPECT_EQ(build(real).size(), tpOffset(64) + 2 + 2 + 1 + 16 * 11 + 4);
    real.addSat(65, "S", 65);
    EXPECT_EQ(refusal(real), maxSat);

    NdfTables favs;
    for (int g = 1; g <= 17; ++g) favs.addFav(g, "G");
    EXPECT_EQ(refusal(favs), "Excessive number of favorite groups for the format NDF. (16 max)");

    NdfTables damaged;
    damaged.ch->count = kChDbSlots;
    EXPECT_NE(refusal(damaged).find("damaged"), std::string::npos);

    // 135-byte channel records up to the last one that fits into 2 MiB.
    NdfTables big;
    big.addSat(1, "S", 10);
    big.addTp(1, 1, 11000);
    const size_t fixed = tpOffset(1) + 2 + 19 + 2 + 1 + 16 * 11 + 4;
    const size_t fit = (kNdfImageSize - fixed) / 135;
    for (size_t i = 0; i <= fit; ++i) {
        T_dbCh& c =
            big.addCh(1, 1, "Channel name of 24 chars", "0001", "0000", "0000", "0000", "0100");
        for (int a = 0; a < 29; ++a) NdfTables::addAudio(c, "0101", 1, 0, 0);
    }
    EXPECT_NE(refusal(big).find("larger than 2097152 bytes"), std::string::npos);
    --big.ch->count;
    std::string image;
    ASSERT_TRUE(buildNdfImage(big.input(), &image).ok);
    EXPECT_EQ(image.size(), fixed + fit * 135);
    EXPECT_LE(image.capacity(), kNdfImageSize) << "the image never outgrows the format";
}

TEST(NdfImage, DishValuesWithoutCodesRefuseTheListNamingTheSatellite) {
    struct Case {
        void (*spoil)(T_dbSat&);
        const char* reason;
    } cases[] = {
        {[](T_dbSat& s) { s.switch10 = 4; }, "switch 1.0 port 4 is outside 0 to 3"},
        {[](T_dbSat& s) { s.diseqc = 4; }, "diseqc 4 is outside 0 to 3"},
        {[](T_dbSat& s) { s.freqHi = 10; }, "LNB freq. Hi 10 is outside 0 to 9"},
        {[](T_dbSat& s) { s.position = -50; }, "position -50 is outside 0 to 65535"},
    };
    for (const Case& c : cases) {
        NdfTables t;
        t.addSat(1, "Good", 10);
        c.spoil(t.addSat(2, "Thor", 3590));
        std::string msg = refusal(t);
        EXPECT_EQ(msg.find("Satellite 2 \"Thor\": "), 0u) << msg;
        EXPECT_NE(msg.find(c.reason), std::string::npos) << msg;
    }
    // The LNB codes that the golden list does not show.
    NdfTables t;
    t.addSat(1, "U", 0).freqHi = 7;  // universal 9750/10750
    t.addSat(2, "V", 0).freqLo = 0;  // universal, another pair
    t.addSat(3, "O", 0).lnbType = 2;
    T_dbSat& single = t.addSat(4, "S", 0);
    single.lnbType = 0, single.freqLo = 1;  // a single oscillator without a code
    const std::string image = build(t);
    EXPECT_EQ(std::string({image[20], image[28], image[36], image[44]}), hex("42 40 80 00"));
}

TEST(NdfImage, UnwritableRecordsAreLeftOutAndLaterIndexesClose) {
    NdfTables t;
    t.addSat(1, "S", 10);
    t.addTp(1, 1, 70000);           // frequency beyond 16 bits
    t.addTp(9, 2, 11100);           // satellite not in the list
    t.addTp(1, 3, 11200, "01");     // network id too short
    t.addTp(1, 4, 11300).fec = 10;  // FEC without a code
    t.addTp(1, 5, 11400);           // written as transponder 0
    t.addCh(1, 5, "Keep0", "0001");
    t.addCh(1, 1, "OnBadTp", "0002");
    appendCas(&t.addCh(1, 5, "Cas32", "0003"), 32);
    t.addCh(1, 7, "NoTp", "0007");
    t.addCh(1, 5, "BadSid", "00G8");
    t.addCh(1, 5, "Audio30", "0009").audioCount = 30;
    t.addCh(1, 5, "Keep1", "000A");
    t.addFav(1, "F");
    t.addLink(1, 6);   // Keep1
    t.addLink(1, 2);   // Cas32, left out
    t.addLink(1, 0);   // Keep0
    t.addLink(1, 40);  // beyond the channels

    std::vector<std::string> skipped;
    const std::string image = build(t, &skipped);
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

    const size_t tps = tpOffset(1);
    EXPECT_EQ(image.substr(tps, 4), hex("01 00 88 2C"));  // one record, 11400 MHz
    const size_t chs = tps + 2 + 19, rec = 26;
    EXPECT_EQ(image.substr(chs, 2), hex("02 00"));
    EXPECT_EQ(image.substr(chs + 2 + rec - 2, 2), hex("00 00")) << "on transponder 0";
    EXPECT_EQ(image.substr(chs + 2 + rec, 6), "\x05Keep1");
    // Keep1 and Keep0 at their written places 1 and 0.
    EXPECT_EQ(image.substr(chs + 2 + 2 * rec + 3, 8), hex("02 00 01 00 00 00 00 00"));

    const std::string note = ndfSkippedText(skipped, 2);
    EXPECT_EQ(note.rfind("11 records", 0), 0u) << note;
    EXPECT_NE(note.find("and 9 more."), std::string::npos) << note;
}
