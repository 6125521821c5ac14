// The three AZbox files of small hand-built tables against bytes worked out
// by hand from the layouts (tests/data/azbox/*.hex).
#include "azboxTestDb.h"

namespace {

// Two satellites, three transponders, a TV, a radio, an HD channel and a
// bouquet marker, one favourite group.
std::unique_ptr<AzDb> smallTables() {
    auto db = std::make_unique<AzDb>();
    db->cfg.latDeg = 45, db->cfg.latDec = 4, db->cfg.lonDeg = 9, db->cfg.lonDec = 2, db->cfg.lonWE = 1;
    db->bou.bou[0] = {7, "Sky Italia", 39, "Italia"};
    db->bou.bou[1] = {300, "Tivu", 39, "Italia"};
    db->bou.count = 2;
    db->cat.cat[0] = {3, "Sport"};
    db->cat.count = 1;
    db->nat.nat[1] = {39, "Italia"};
    db->nat.count = 1;

    T_dbSat& hb = db->sat(130, "Hot Bird", 130);
    copyText(hb.location, "13.0E");
    hb.power = 3, hb.out12V = 1, hb.switchType = 2, hb.switch10 = 1, hb.switch11 = 2;
    hb.diseqc = 3, hb.positionerId = 5;
    copyText(db->sat(360, "Thor", 3550).location, "0.8W");

    T_dbTp& t1 = db->tp(130, 11, 11766, 0, "013E", "1A2B");
    t1.fec = 3, t1.modulation = 1, t1.pilot = 1;
    T_dbTp& t2 = db->tp(130, 12, 12380, 3, "013E", "0457");
    t2.sr = 29900, t2.fec = 9, t2.modulation = 2;
    db->tp(360, 1, 10971, 2, "0046", "0010").fec = 2;

    T_dbCh& c1 = db->ch(130, 11, "Rai 1", 0, "0D49");
    copyText(c1.vpid, "00A0"), copyText(c1.pmt_pid, "0102"), copyText(c1.pcr_pid, "00A0");
    copyText(c1.txt_pid, "00A1");
    c1.audioCount = 1, copyText(c1.audio[1].apid, "00A2"), copyText(c1.audio[1].lang_name, "ita");
    c1.nat_id = 39, c1.groupId = 7, c1.bou_id = 70, c1.subtitle = 1;
    T_dbCh& c2 = db->ch(130, 11, "Radio 1", 1, "0D50");
    copyText(c2.pmt_pid, "0110"), copyText(c2.pcr_pid, "0111");
    c2.audioCount = 1, copyText(c2.audio[1].apid, "0112"), copyText(c2.audio[1].lang_name, "ita");
    c2.audio[1].ac3 = 1, c2.nat_id = 39, c2.groupId = 7, c2.locked = 1;
    T_dbCh& c3 = db->ch(130, 12, "Sport HD", 0, "2EE0");
    copyText(c3.vpid, "1FFF"), copyText(c3.pmt_pid, "0064"), copyText(c3.pcr_pid, "1FFF");
    c3.hd = 1, c3.scrambled = 1, c3.nat_id = 39, c3.groupId = 300, c3.bou_id = 301;
    T_dbCh& c4 = db->ch(360, 1, "@ Tivu @", 0, "FFFF");
    c4.fake = 1, c4.skip = 1, c4.groupId = 300, c4.bou_id = 300;

    db->fav(5, "Sport HD");
    db->link(5, 3);
    db->link(5, 1);
    return db;
}

TEST(AzboxImages, SmallTablesGiveTheHandDerivedFiles) {
    auto db = smallTables();
    std::string all, dvbs, antenna;
    ASSERT_TRUE(buildAzboxAllChannel(db->in(), db->lists(), &all).ok);
    EXPECT_TRUE(matchesHex(all, loadHex("all_channel_small.hex"), true));

    ASSERT_TRUE(buildAzboxDvbs(db->in(), &dvbs).ok);
    EXPECT_TRUE(matchesHex(dvbs, loadHex("dvbs_small.hex"), true));

    ASSERT_TRUE(buildAzboxAntennaList(db->in(), &antenna).ok);
    ASSERT_EQ(antenna.size(), kAzAntennaSize);
    EXPECT_TRUE(matchesHex(antenna, loadHex("antenna_small.hex"), false));
    // Satellite 360 has no slot in list type 0: every slot but 130 is empty.
    for (unsigned n = 1; n < 256; ++n) {
        if (n == 130) continue;
        std::string expect = antenna.substr(36, 32);
        expect[0] = static_cast<char>(n);
        ASSERT_EQ(antenna.substr(36 + 32 * n, 32), expect) << "slot " << n;
    }
    EXPECT_TRUE(antenna.substr(36 + 8192) == std::string(24576, '\0'));
}

TEST(AzboxImages, VirtualSatellitesUsePositionsLocationsAndBouquets) {
    auto db = smallTables();
    db->cfg.listType = 2;
    std::string all, dvbs, antenna;
    ASSERT_TRUE(buildAzboxAllChannel(db->in(), db->lists(), &all).ok);
    ASSERT_TRUE(buildAzboxDvbs(db->in(), &dvbs).ok);
    ASSERT_TRUE(buildAzboxAntennaList(db->in(), &antenna).ok);
    const size_t tp1 = 1596296, ch1 = tp1 + 528, tp3 = 1597952;
    EXPECT_EQ(le16(all, 275632 + 6), 1u);  // reference: satellite record 1
    EXPECT_EQ(le16(all, 275632 + 3 * 24 + 6), 2u);
    EXPECT_EQ(le16(all, tp3 + 8), 2u);
    EXPECT_EQ(all.substr(tp1 + 12, 16), std::string("Hot Bird 13.0E\0\0", 16));
    EXPECT_EQ(le16(all, ch1 + 112), 70u);  // bou_id instead of groupId
    EXPECT_EQ(le16(all, ch1 + 116), 1u);
    EXPECT_EQ(dvbs[128 + 8], 1);
    EXPECT_EQ(dvbs[324 + 8], 2);
    // Slots by position: 1 and 2 hold the two dish set-ups, 130 is empty.
    EXPECT_EQ(antenna[36 + 32 * 1 + 19], 0x12);
    EXPECT_EQ(le32(antenna, 36 + 32 * 2 + 8), 1u);
    EXPECT_EQ(antenna.substr(36 + 32 * 130 + 2, 30), antenna.substr(36 + 2, 30));
}

TEST(AzboxImages, EmptyTablesAndSitePosition) {
    AzDb db;
    db.cfg.lonDeg = 5, db.cfg.lonDec = 5, db.cfg.lonWE = 0;
    std::string all, dvbs, antenna;
    // Header and marker only: no signature without a bouquet, no groups.
    ASSERT_TRUE(buildAzboxAllChannel(db.in(), db.lists(), &all).ok);
    HexFixture f{kAzAllChannelFixed, {{0, std::string("\x09\0\xFF\0\xFF\xFF\0\x01\x01\0\0\0", 12)},
                                      {275620, std::string("\x01\0\0\0\0\0\0\0\0\0\x01\0", 12)}}};
    EXPECT_TRUE(matchesHex(all, f, true));
    ASSERT_TRUE(buildAzboxDvbs(db.in(), &dvbs).ok);
    EXPECT_EQ(dvbs, std::string(100, '\0') + '\x02' + std::string(27, '\0'));
    ASSERT_TRUE(buildAzboxAntennaList(db.in(), &antenna).ok);
    EXPECT_EQ(le16(antenna, 0), 65481u);  // 5.5 W
    db.cfg.lonWE = 1;
    ASSERT_TRUE(buildAzboxAntennaList(db.in(), &antenna).ok);
    EXPECT_EQ(le16(antenna, 0), 55u);
}

}  // namespace
