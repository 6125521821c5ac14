#include <gtest/gtest.h>

#include "jstFixture.h"

using namespace jst;

namespace {

// Three satellites, three transponders, two TV channels around one radio
// channel and a few favourite links; every expected byte below is worked
// out from the record layouts.
void fillSample(JstData& d) {
    T_dbSat& s1 = d.addSat(130, 130, "Hot Bird 13E");
    s1.lnbType = 1;  // universal: tone ignored, bit 18 set
    s1.freqLo = 3;   // 9750
    s1.freqHi = 6;   // 10600
    s1.tone22k = 1;
    s1.out12V = 1;
    s1.switchType = 2;  // Switch 1.0 and 1.1: port switch11 + 1, bit 2
    s1.switch11 = 5;
    s1.diseqc = 1;
    s1.positionerId = 7;  // not written: a switch is set
    T_dbSat& s2 = d.addSat(192, 3550, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    s2.freqLo = 0;  // 5150
    s2.freqHi = 9;  // 11475
    s2.power = 3;
    s2.tone22k = 1;
    s2.diseqc = 1;
    s2.positionerId = 63;
    T_dbSat& s3 = d.addSat(235, 1800, "C");
    s3.lnbType = 2;
    s3.freqLo = 1;  // 5700
    s3.freqHi = 2;  // 5750
    s3.power = 1;
    s3.switchType = 1;
    s3.switch10 = 2;

    T_dbTp& t1 = d.addTp(192, 10, 11778);
    t1.polarity = 0, t1.sr = 27500, t1.fec = 4;
    T_dbTp& t2 = d.addTp(130, 10, 10992);
    t2.polarity = 1, t2.sr = 22000, t2.fec = 8;
    T_dbTp& t3 = d.addTp(130, 11, 12000);
    t3.polarity = 2, t3.sr = 30000, t3.fec = 6;

    T_dbCh& a = d.addCh(0, 130, 11, "Channel One Long Name");
    std::snprintf(a.sid, sizeof a.sid, "1A2B");
    std::snprintf(a.pcr_pid, sizeof a.pcr_pid, "FFFF");
    std::snprintf(a.vpid, sizeof a.vpid, "00A0");
    std::snprintf(a.txt_pid, sizeof a.txt_pid, "0020");
    a.subtitle = 1, a.locked = 1, a.dupdpid = 1, a.scrambled = 1;
    d.addAudio(a, "0101", 2, 0, 1);
    appendCas(&a, 0), appendCas(&a, 5), appendCas(&a, 20);

    T_dbCh& r = d.addCh(1, 130, 10, "Radio");
    std::snprintf(r.sid, sizeof r.sid, "0064");
    std::snprintf(r.pmt_pid, sizeof r.pmt_pid, "0100");
    std::snprintf(r.pcr_pid, sizeof r.pcr_pid, "0101");
    std::snprintf(r.vpid, sizeof r.vpid, "FFFF");
    d.addAudio(r, "0102", 8, 1, 1);
    d.addAudio(r, "2000", 1, 0, 0);  // not below 0x2000: unusable

    T_dbCh& b = d.addCh(0, 192, 10, "@ News @");
    std::snprintf(b.sid, sizeof b.sid, "FFFF");
    b.dupdname = 1, b.skip = 1;
    appendCas(&b, 1);  // not scrambled: no CAS bits
    for (int i = 0; i < 3; ++i) d.addAudio(b, "0200", 1, 0, 0);
    d.ch->ch[3].fake = 1;
    --d.report.tvChannels, ++d.report.tvFake;

    d.addFavLink(130, 11, "1A2B", 1);
    d.addFavLink(130, 11, "1A2B", 4);
    d.addFavLink(130, 11, "1A2C", 2);  // other service
    d.addFavLink(192, 11, "1A2B", 3);  // other satellite
    d.addFavLink(130, 10, "0064", 16);
    d.addFavLink(130, 10, "0064", 8);  // group 8 has no bit
    d.report.favGroups = 5;
}

}  // namespace

TEST(JstImage, GoldenLayoutFromHandBuiltTables) {
    JstData d;
    fillSample(d);
    std::string img;
    std::vector<std::string> notes;
    BuildResult r = d.build(&img, kFamilyST1, &notes);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(img.size(), 336000u);

    // Header.
    EXPECT_EQ(img.substr(0, 50), std::string("WCXT57" "51CHAN0006" "202403050709" "CHANNEL") +
                                     std::string(15, '\0'));
    EXPECT_EQ(img.substr(50, 12), "Dalmero Team");
    EXPECT_TRUE(allBytes(img, 62, 66, 0));

    // Satellites.
    EXPECT_EQ(hexAt(img, 128, 12), "db 81 03 00 84 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 140, 20), "82 00 00 00 82 00 00 00 81 96 02 00 16 26 00 00 34 00 04 04");
    EXPECT_EQ(img.substr(160, 24), std::string("Hot Bird 13E") + std::string(12, '\0'));
    EXPECT_EQ(hexAt(img, 184, 20), "de 0d 00 00 ce ff 00 00 30 cd 02 00 1e 14 00 30 00 fc 02 00");
    EXPECT_EQ(img.substr(204, 24), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(hexAt(img, 228, 20), "08 07 00 00 08 07 00 00 62 67 01 00 44 16 00 10 18 00 00 00");
    EXPECT_EQ(img.substr(248, 24), std::string("C") + std::string(23, '\0'));
    EXPECT_TRUE(allBytes(img, 272, 8320 - 272, 0xFF));

    // Transponders.
    EXPECT_EQ(hexAt(img, 8320, 12), "db 81 03 00 30 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8332, 16), "01 00 00 00 02 2e 00 00 6c 6b 10 05 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8348, 16), "00 00 00 00 f0 2a 00 00 f0 55 20 04 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8364, 16), "00 00 00 00 e0 2e 00 00 30 75 00 03 00 00 00 00");
    EXPECT_TRUE(allBytes(img, 8380, 73856 - 8380, 0xFF));

    // TV: the two ch_type 0 records in table order, the marker included.
    EXPECT_EQ(hexAt(img, 73856, 12), "db 81 02 00 58 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 73868, 18), "02 00 2b 1a ff ff ff 1f a0 00 20 40 01 41 ff 1f 0d 7f");
    EXPECT_EQ(img.substr(73886, 14), "Channel One Lo");
    EXPECT_EQ(hexAt(img, 73900, 12), "00 00 00 00 1d a0 00 ff 00 16 08 00");
    EXPECT_EQ(hexAt(img, 73912, 18), "00 00 ff ff ff ff 00 00 00 00 ff 1f ff 1f ff 1f 7f 7f");
    EXPECT_EQ(img.substr(73930, 14), std::string("@ News @") + std::string(6, '\0'));
    EXPECT_EQ(hexAt(img, 73944, 12), "00 00 00 00 02 00 00 ff 10 06 00 00");
    EXPECT_TRUE(allBytes(img, 73956, 270464 - 73956, 0xFF));

    // Radio.
    EXPECT_EQ(hexAt(img, 270464, 12), "db 81 01 00 2c 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 270476, 18), "01 00 64 00 00 01 01 01 ff 1f ff 1f 02 61 ff 1f 01 7f");
    EXPECT_EQ(img.substr(270494, 14), std::string("Radio") + std::string(9, '\0'));
    EXPECT_EQ(hexAt(img, 270508, 12), "00 00 00 00 00 00 02 ff 00 06 00 04");
    EXPECT_TRUE(allBytes(img, 270520, 331904 - 270520, 0xFF));

    // Favourites: a fixed block.
    EXPECT_EQ(hexAt(img, 331904, 12), "db 81 50 00 c0 0d 00 00 00 00 00 00");
    EXPECT_TRUE(allBytes(img, 331916, 3520, 0));
    EXPECT_TRUE(allBytes(img, 335436, 564, 0xFF));
}

TEST(JstImage, FamiliesDifferOnlyInTheirTwoHeaderBytesAndEmptyDataKeepsTheSize) {
    JstData d;
    fillSample(d);
    std::string st1, js1;
    ASSERT_TRUE(d.build(&st1, kFamilyST1).ok);
    ASSERT_TRUE(d.build(&js1, kFamilyJS1).ok);
    ASSERT_EQ(js1.size(), st1.size());
    EXPECT_EQ(js1.substr(4, 2), "5S");
    js1[5] = '7';
    EXPECT_EQ(js1, st1);

    BuildResult bad = d.build(&js1, 5);
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(js1.empty());

    JstData empty;
    std::string img;
    ASSERT_TRUE(empty.build(&img).ok);
    ASSERT_EQ(img.size(), 336000u);
    EXPECT_EQ(hexAt(img, 128, 6), "db 81 00 00 00 00");
    EXPECT_TRUE(allBytes(img, 140, 8192 - 12, 0xFF));
    EXPECT_EQ(hexAt(img, 73856, 6), "db 81 00 00 00 00");
}
