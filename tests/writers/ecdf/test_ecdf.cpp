#include "tests/readback/ecdfReader.h"
#include "tests/writers/writerFixture.h"
#include "writers/ecdf/ecdf.h"

namespace {

// ECDF channels carry a group and a set of PIDs and one audio track.
T_dbCh& ch(Tables& t, int type, int satId, int stp, const char* sid, const char* name) {
    T_dbCh& c = t.addCh(type, satId, stp, name, sid);
    c.groupId = 5;
    copyText(c.pmt_pid, "0100"), copyText(c.vpid, "0200"), copyText(c.pcr_pid, "0200");
    Tables::addAudio(c, "0300");
    return c;
}
// A favourite entry of the channel in slot chSlot.
void link(Tables& t, int favId, uint32_t chSlot) {
    const T_dbCh& c = t.chDB->ch[chSlot];
    T_dbChFav& l = t.addLink(favId, static_cast<int>(chSlot) - 1);
    l.sat_id = c.sat_id, l.stp_id = c.stp_id, l.groupId = c.groupId, l.ch_type = c.ch_type;
    copyText(l.sid, c.sid);
}
BuildResult build(const Tables& t, std::string* image, int family = kEcdfFamilySB5,
                  std::vector<std::string>* skipped = nullptr) {
    return buildEcdfImage(t.input(), family, image, skipped);
}

// Two satellites, two transponders, TV / radio / TV in chDB order, one group.
void fillSmall(Tables& db) {
    T_dbSat& astra = db.addSat(192, "Astra", 192);
    astra.freqLo = 3, astra.freqHi = 6, astra.switchType = 1, astra.switch10 = 2;
    T_dbSat& hot = db.addSat(130, "Hotbird", 130);
    hot.freqLo = 3, hot.freqHi = 7, hot.tone22k = 1, hot.diseqc = 2;
    T_dbTp& t1 = db.addTp(192, 1, 10714);
    t1.sr = 22000, t1.polarity = 1, t1.fec = 7, t1.modulation = 2, t1.pilot = 1;
    copyText(t1.tid, "0437");
    T_dbTp& t2 = db.addTp(130, 7, 11766);
    t2.polarity = 2, t2.fec = 3, t2.modulation = 1;
    copyText(t2.nid, "013E"), copyText(t2.tid, "1A2B");
    T_dbCh& rai1 = ch(db, 0, 130, 7, "0D49", "Rai 1");
    copyText(rai1.pmt_pid, "0102"), copyText(rai1.audio[1].apid, "028A");
    rai1.scrambled = 1, appendCas(&rai1, 1), appendCas(&rai1, 9);
    T_dbCh& radio = ch(db, 1, 130, 7, "0E00", "Radio 1");
    copyText(radio.pmt_pid, "0110"), copyText(radio.vpid, "1FFF"), copyText(radio.pcr_pid, "0111");
    copyText(radio.audio[1].apid, "0112"), radio.locked = 1;
    T_dbCh& rai2 = ch(db, 0, 130, 7, "0D4A", "Rai 2");
    copyText(rai2.pmt_pid, "0103"), copyText(rai2.vpid, "0210"), copyText(rai2.pcr_pid, "0210");
    copyText(rai2.audio[1].apid, "028B"), rai2.cas[1] = 2;  // stale entry behind casCount 0
    db.addFav(3, "Sport");
    link(db, 3, 3), link(db, 3, 2);
}

std::string favBlanks(int from) {
    std::string s;
    for (int g = from; g <= 8; ++g) s += bytes("'FAV " + std::to_string(g) + "' z19 00000000");
    return s;
}

TEST(EcdfImage, GoldenSmallListInBothFamilies) {
    Tables db;
    fillSmall(db);
    std::string image;
    ASSERT_TRUE(build(db, &image).ok);

    const std::string body =
        bytes(
            "04 20 98 76 10 00 00 00 00 00 10 00 00 00 02 46  D0 00000014 0020 03E8 1388 0008 0064 "
            "z10 "
            "E0 00000069 02  01 00C0 'Astra' z39 01 00 03 0000  01 0082 'Hotbird' z37 02 01 06 "
            "0000 "
            "E1 00000022 0002  0001 0437 29DA 55F0 00 00 00 02 01 000000 "
            "013E 1A2B 2DF6 6B6C 01 03 01 01 00 000000 "
            "E2 00000088 0002  0001 0D49 'Rai 1' z19 0102 0200 028A 0200 00 01 00 09 00000000 "
            "0001 0D4A 'Rai 2' z19 0103 0210 028B 0210 00 00 00 00 00000000 "
            "0001  0001 0E00 'Radio 1' z17 0110 1FFF 0112 0111 00 00 01 00 00000000 "
            "E3 000000EE 'Sport' z19 0001 0001 0000000000 0001 0001 0000000000") +
        favBlanks(2) + bytes("F0 00000011 07 z16");
    unsigned crc = readbackCrc16(body), sum = 0;
    const std::string full = body + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF);
    for (unsigned char c : full) sum += c;
    ASSERT_EQ(full.size(), 0x256u);
    const std::string header =
        bytes("55AA55AA 0002") + static_cast<char>(sum >> 8 & 0xFF) +
        static_cast<char>(sum & 0xFF) +
        bytes(
            "85934294 00000256 00021600 0011239F 07F0D241 00000000 AC845180 00000000 04000000"
            "88591480 16000000 16000000 01000000 00000000");
    EXPECT_EQ(image.substr(0, 64), header);
    EXPECT_EQ(image.substr(64), full);
    EXPECT_TRUE(readsBack(readEcdf(image).faults));

    // S2 HD differs only in the header constants; an unknown family gets nothing.
    const std::string& sb5 = image;
    std::string s2;
    ASSERT_TRUE(build(db, &s2, kEcdfFamilyS2HD).ok);
    ASSERT_EQ(sb5.size(), s2.size());
    EXPECT_EQ(s2.substr(0, 32), bytes("55AA55AA 0003") + sb5.substr(6, 2) + bytes("858F3DE0") +
                                    sb5.substr(12, 4) +
                                    bytes("00010000 0011103F 06F2D241 0000F0F3"));
    EXPECT_EQ(s2.substr(32, 32), bytes("00000000 00000000 E8000000 32000000 48528584 01000000 "
                                       "00000000 0200A584"));
    EXPECT_EQ(sb5.substr(64), s2.substr(64));
    EXPECT_FALSE(build(db, &s2, 6).ok);
}

TEST(EcdfImage, LimitsRefuseOneBeyondEachCapacity) {
    Tables db;
    for (int s = 1; s <= 32; ++s) db.addSat(s, "S", s);
    for (int t = 1; t <= 1000; ++t) db.addTp(1 + t % 32, t, 10000 + t);
    for (int c = 1; c <= 5000; ++c) {
        int t = 1 + (c - 1) % 1000;
        ch(db, c % 7 == 0, 1 + t % 32, t, "0001", "C");
    }
    for (int g = 1; g <= 8; ++g) db.addFav(g, "G");
    for (uint32_t c = 1; c <= 200; ++c) link(db, 2, c);  // about 171 TV and 29 radio
    std::string image;
    EXPECT_EQ(build(db, &image).message, db.lang.msgEcdfMaxFavCh);  // a group over 100 TV links

    db.chFavDB->count = 0;
    for (uint32_t c = 1, tv = 0, radio = 0; c <= 5000; ++c) {
        bool isTv = db.chDB->ch[c].ch_type == 0;
        if (isTv ? tv++ < 100 : radio++ < 100) link(db, 4, c);
    }
    std::vector<std::string> skipped;
    BuildResult r = build(db, &image, kEcdfFamilySB5, &skipped);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(image.size(), 64u + 16 + 25 + 5 + 1 + 52 * 32 + 5 + 2 + 16 * 1000 + 5 + 4 +
                                44 * 5000 + 5 + 224 + 7 * 200 + 22 + 2);
    link(db, 4, 1);  // the 101st TV link
    EXPECT_EQ(build(db, &image).message, db.lang.msgEcdfMaxFavCh);
    db.chFavDB->count -= 1;

    db.addFav(9, "Ninth");
    link(db, 9, 1);
    EXPECT_EQ(build(db, &image).message, db.lang.msgEcdfMaxFavGrp);
    db.cfg.listType = 2;
    ASSERT_TRUE(build(db, &image).ok);
    EXPECT_EQ(image.find("Ninth"), std::string::npos);
    // The section length counts the entries written, not the ninth group's.
    const size_t fav = 64 + 16 + 25 + 5 + 1 + 52 * 32 + 5 + 2 + 16 * 1000 + 5 + 4 + 44 * 5000;
    EXPECT_EQ(image.substr(fav, 5), bytes("E3 00000658"));
    db.favDB->count = 8, db.chFavDB->count -= 1;

    ch(db, 0, 1, 1, "0001", "X");
    EXPECT_EQ(build(db, &image).message,
              "Excessive number of channels for the format ECDF. (5000 max)");
    db.addTp(1, 1001, 12000);
    EXPECT_EQ(build(db, &image).message,
              "Excessive number of transponders for the format ECDF. (1000 max)");
    db.addSat(33, "S", 33);
    EXPECT_EQ(build(db, &image).message,
              "Excessive number of satellites for ECDF format. (32 max)");
}

TEST(EcdfImage, WideValuesWrapAndRecordsWithoutCodeAreLeftOut) {
    Tables db;
    fillSmall(db);
    std::string image;
    db.satDB->sat[2].diseqc = 4;
    EXPECT_EQ(build(db, &image).message, "Satellite 2 (Hotbird): DiSEqC mode 4 is unknown.");
    db.satDB->sat[2].diseqc = 3;
    db.satDB->sat[1].position = -50;  // kept modulo 2^16

    db.tpDB->tp[1].polarity = 4;  // no code: transponder 1 left out, tp 2 moves to 0
    db.tpDB->tp[2].frequency = 70000;
    copyText(db.tpDB->tp[2].nid, "7"), copyText(db.tpDB->tp[2].tid, "01A2B3");
    appendCas(&db.chDB->ch[3], 40), appendCas(&db.chDB->ch[3], 10);  // 40 has no bit
    ch(db, 0, 130, 99, "0D4B", "Lost").audioCount = 0;               // no such transponder
    T_dbCh& mute = ch(db, 1, 130, 7, "0E01", "Mute");
    mute.audioCount = 0;
    copyText(mute.audio[1].apid, "ZZ");  // stale track that must not be read
    link(db, 3, 4);
    std::vector<std::string> skipped;
    ASSERT_TRUE(build(db, &image, kEcdfFamilySB5, &skipped).ok);
    EXPECT_TRUE(readsBack(readEcdf(image).faults));
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "Transponder 1 (10714 MHz): polarisation code 4 is unknown; left out.",
                           "Channel 4 (Lost): its transponder 99 is not in the list; left out.",
                           "Favourite group 1 (Sport), link 3 (sid 0D4B): its channel is not among "
                           "the TV channels; left out."}));
    EXPECT_EQ(image.substr(64 + 48, 2), bytes("FFCE"));
    size_t tp = 64 + 16 + 25 + 110;
    EXPECT_EQ(image.substr(tp, 23),
              bytes("E1 00000012 0001 0007 1A2B 1170 6B6C 01 03 01 01 00 000000"));
    const std::string channelsAndFavourites = bytes(
        "E2 000000B4 0002  0000 0D49 'Rai 1' z19 0102 0200 028A 0200 00 01 00 09 00000000 "
        "0000 0D4A 'Rai 2' z19 0103 0210 028B 0210 00 00 00 40 00000000 "
        "0002  0000 0E00 'Radio 1' z17 0110 1FFF 0112 0111 00 00 01 00 00000000 "
        "0000 0E01 'Mute' z20 0100 0200 0000 0200 00 00 00 00 00000000 "
        "E3 000000EE 'Sport' z19 0001 0001 0000000000 0001 0001 0000000000 'FAV '");
    EXPECT_EQ(image.substr(tp + 23, channelsAndFavourites.size()), channelsAndFavourites);

    // Polarisation codes 0 and 2 are written as 1, 1 and 3 as 0.
    db.tpDB->tp[1].frequency = 11000;
    for (int p = 0; p < 4; ++p) {
        db.tpDB->tp[1].polarity = p;
        ASSERT_TRUE(build(db, &image).ok);
        EXPECT_EQ(image[tp + 7 + 8], p % 2 ? 0 : 1) << p;
    }
}

TEST(EcdfJob, WritesTheImageUnderItsDefaultNameOrStopsWithTheLimitBox) {
    Job j;
    fillSmall(j);
    j.satDB->sat[1].switchType = 2;
    j.chDB->ch[2].ch_type = 3;
    j.cfg.fileType = kEcdfFamilyS2HD;
    j.saveInto(j.tmp.path);
    ASSERT_EQ(WriteSB5S2HD(j.req()), 0u);
    std::string expected;
    ASSERT_TRUE(buildEcdfImage(j.input(), kEcdfFamilyS2HD, &expected).ok);
    EXPECT_EQ(fileText(j.tmp.path / "DMlistS2-HD-20240307.bin"), expected);
    const std::string sw = "Switch 1.0/1.1 is not supported. Will use the Switch 1.0 port.";
    EXPECT_EQ(j.boxes(), (std::vector<std::string>{
                             "Warning|warning|" + sw,
                             "Warning|warning|Some records cannot be written in the ECDF format:\n"
                             "Channel 2 (Radio 1): type 3 is neither TV nor radio; left out.",
                             "Message|info|The file was written correctly."}));
    EXPECT_EQ(j.ui.statusLog[0].front() + "|" + j.ui.statusLog[1].front(), "Warning|" + sw);
    EXPECT_EQ(j.ui.greyedAtBox, (std::vector<bool>{false, true, true}));

    // The warning is no error: the only error status is the one that failed
    // the job.
    {
        FaultHook full([](const std::string&, size_t) { return false; });
        j.ui.statusLog[0].clear(), j.ui.statusLog[1].clear();
        j.saveInto(j.tmp.path);
        ASSERT_EQ(WriteSB5S2HD(j.req()), 1u);
        ASSERT_EQ(std::count(j.ui.statusLog[0].begin(), j.ui.statusLog[0].end(), " Error"), 1);
        EXPECT_NE(j.ui.statusLog[1].back().find("No space left on device"), std::string::npos);
        j.ui.boxes.clear();
    }

    j.cfg.fileType = kEcdfFamilySB5;
    j.satDB->sat[1].switchType = 0;
    for (int s = 0; s < 31; ++s) j.addSat(500 + s, "More", 0);
    j.saveInto(j.tmp.path);
    ASSERT_EQ(WriteSB5S2HD(j.req()), 1u);
    ASSERT_EQ(j.boxes().size(), 1u);
    EXPECT_EQ(j.boxes()[0],
              " Error|error|Excessive number of satellites for ECDF format. (32 max)");
    EXPECT_FALSE(j.ui.greyedAtBox.back());  // the limits come before greying
    EXPECT_FALSE(fs::exists(j.tmp.path / "DMlistSB5-20240307.bin"));
    EXPECT_TRUE(j.restored());
}

}  // namespace
