// Favourite groups, records the format cannot hold, dish set-ups without a
// code.
#include "azboxTestDb.h"

namespace {

constexpr size_t kFavNames = 270418, kFavCount = 275618, kBlocks = 995644, kSizes = 1235644;

std::string nameAt(const std::string& f, uint32_t rec) {
    return f.substr(kFavNames + 104 * rec + 6, f[kFavNames + 104 * rec + 4]);
}
uint32_t grpSize(const std::string& f, uint32_t group) { return le16(f, kSizes + 2 * group); }
uint32_t sidAt(const std::string& f, uint32_t group, uint32_t r) { return le16(f, kBlocks + group * 4800 + r * 24 + 14); }

TEST(AzboxFavourites, GroupsOverTwoHundredChannelsSpillIntoBGroups) {
    AzDb db;
    generate(db, 1, 10, 1000);  // sid = channel record
    db.fav(1, "News");
    db.fav(2, "Film");
    for (uint32_t m = 1; m <= 450; ++m) db.link(1, m);
    for (uint32_t m = 901; m <= 910; ++m) db.link(2, m);
    std::string f;
    ASSERT_TRUE(buildAzboxAllChannel(db.in(), db.lists(), &f).ok);
    EXPECT_EQ(le16(f, kFavCount), 3u);
    EXPECT_EQ(nameAt(f, 2), "News-B");
    EXPECT_EQ(le16(f, kFavNames + 104 * 2 + 2), 101u);
    for (uint32_t g : {0, 1, 2, 3}) EXPECT_EQ(grpSize(f, g), (std::vector<uint32_t>{200, 10, 200, 0}[g]));
    EXPECT_EQ(sidAt(f, 0, 199), 200u);
    EXPECT_EQ(sidAt(f, 1, 0), 901u);
    // Ranks 201..400 numbered from 1 again; 401..450 are nowhere.
    EXPECT_EQ(le16(f, kBlocks + 2 * 4800 + 2), 1u);
    EXPECT_EQ(sidAt(f, 2, 0), 201u);
    EXPECT_EQ(sidAt(f, 2, 199), 400u);

    // 26 groups of which 25 overflow need 51 records: no B group at all.
    // 20 groups of which 14 overflow: all 14 get one.
    for (auto [groups, overflowing] : {std::pair{26u, 25u}, std::pair{20u, 14u}}) {
        AzDb many;
        generate(many, 1, 10, 1000);
        for (uint32_t g = 1; g <= groups; ++g) {
            many.fav(int(g), ("G" + std::to_string(g)).c_str());
            for (uint32_t r = 0; r < (g <= overflowing ? 201u : 3u); ++r) many.link(int(g), (r + g) % 1000 + 1);
        }
        ASSERT_TRUE(buildAzboxAllChannel(many.in(), many.lists(), &f).ok);
        const bool bGroups = groups + overflowing <= 50;
        EXPECT_EQ(le16(f, kFavCount), bGroups ? groups + overflowing : groups);
        EXPECT_EQ(grpSize(f, 0), 200u);
        EXPECT_EQ(grpSize(f, groups - 1), 3u);
        EXPECT_EQ(grpSize(f, groups), bGroups ? 1u : 0u);
        if (bGroups) {
            EXPECT_EQ(nameAt(f, groups + overflowing - 1), "G14-B");
        }
    }
}

TEST(AzboxFaults, RecordsWithoutPlaceAreLeftOutAndNamed) {
    AzDb db;
    db.sat(1, "Hot Bird", 130);
    db.tp(1, 1, 11000, 0, "0001", "7");       // short tid: 0007
    db.tp(1, 2, 11100, 7);                    // polarity without a code
    db.tp(9, 3, 11200, 0);                    // satellite 9 is not in the list
    db.tp(1, 4, 11300, 1, "0001", "01A2B3");  // long tid: its first four digits
    db.ch(1, 1, "Good", 0, "0001");
    db.ch(1, 99, "No tp", 0, "0002");
    db.ch(1, 2, "On bad tp", 0, "0003");
    db.ch(1, 1, "Data", 2, "0004");
    db.ch(1, 4, "Radio", 1, "0005");
    db.fav(5, "Mixed");
    db.link(5, 2), db.link(5, 5), db.link(5, 50000);
    std::vector<std::string> skipped;
    ASSERT_TRUE(checkAzbox(db.in(), &skipped).ok);
    ASSERT_EQ(skipped.size(), 6u);
    EXPECT_EQ(skipped[0], "Transponder 2 (satellite 1, 11100 MHz): polarity code outside 0 to 3; left out.");
    EXPECT_EQ(skipped[1], "Transponder 3 (satellite 9, 11200 MHz): its satellite is not in the list; left out.");
    EXPECT_EQ(skipped[2], "Channel 2 \"No tp\" (satellite 1, transponder 99): its transponder is not in the list; left out.");
    EXPECT_EQ(skipped[3], "Channel 3 \"On bad tp\" (satellite 1, transponder 2): its transponder was left out; left out.");
    EXPECT_EQ(skipped[4], "Channel 4 \"Data\" (satellite 1, transponder 1): channel type 2 is neither TV (0) nor radio (1); left out.");
    EXPECT_EQ(skipped[5], "Favourite link 3 (group 5): channel index 49999 is not in the channel list; left out.");
    EXPECT_EQ(azboxSkippedText(skipped, 1),
              "6 records do not fit the AZBox format and were left out:\n" + skipped[0] + "\n... and 5 more.");

    std::string f, dvbs;
    ASSERT_TRUE(buildAzboxAllChannel(db.in(), db.lists(), &f).ok);
    EXPECT_EQ(f.size(), kAzAllChannelFixed + kAzHeadSize + 2 * kAzTpNodeSize + 2 * kAzChNodeSize);
    EXPECT_EQ(le16(f, 1595990), 2u);
    EXPECT_EQ(le16(f, 635632), 2u);
    EXPECT_EQ(le16(f, 275632 + 24 + 2), 5u);  // running number stays the record number
    EXPECT_EQ(grpSize(f, 0), 1u);
    EXPECT_EQ(sidAt(f, 0, 0), 5u);
    ASSERT_TRUE(buildAzboxDvbs(db.in(), &dvbs).ok);
    ASSERT_EQ(dvbs.size(), 128u + 124 + 2 * 36);
    EXPECT_EQ(le16(dvbs, 128 + 76), 2u);
    EXPECT_EQ(le16(dvbs, 252 + 14), 0x0007u);
    EXPECT_EQ(le16(dvbs, 288 + 14), 0x01A2u);
}

TEST(AzboxFaults, LoneTransponderRepeatedSatelliteAndDishCodes) {
    AzDb db;
    db.sat(7, "Astra", 192);
    db.sat(7, "Astra again", 192).lnbType = 9;  // its slot is taken by the first
    db.sat(300, "No slot", 10).lnbType = 3;     // list type 0: no slot above 255
    db.tp(7, 1, 11000, 0);
    db.ch(7, 1, "Only", 0, "0001");
    std::string f, antenna;
    ASSERT_TRUE(checkAzbox(db.in()).ok);
    ASSERT_TRUE(buildAzboxAllChannel(db.in(), db.lists(), &f).ok);
    ASSERT_EQ(f.size(), kAzAllChannelFixed + kAzHeadSize + kAzTpNodeSize + kAzChNodeSize);
    const size_t tp = kAzAllChannelFixed + kAzHeadSize;
    EXPECT_EQ(le32(f, tp), le32(f, tp + 80) - 0x1C);  // no second transponder: links to itself
    EXPECT_EQ(le32(f, tp + kAzTpNodeSize), kAzOnlyChannelLink);
    ASSERT_TRUE(buildAzboxDvbs(db.in(), &f).ok);
    EXPECT_EQ(f.size(), 128u + 3 * 124 + 2 * 36);  // both records of satellite 7 list it
    ASSERT_TRUE(buildAzboxAntennaList(db.in(), &antenna).ok);
    EXPECT_EQ(le32(antenna, 36 + 32 * 7 + 8), 1u);

    db.sat(1, "Hot Bird", 130).switchType = 2;
    db.sats->sat[4].switch11 = 16;
    const char* text = "Satellite 4 \"Hot Bird\": switch 1.1 port 16 outside 0 to 15; no AZBox antenna record for it.";
    EXPECT_EQ(checkAzbox(db.in()).message, text);
    antenna.clear();
    EXPECT_EQ(buildAzboxAntennaList(db.in(), &antenna).message, text);
    EXPECT_TRUE(antenna.empty());
}

}  // namespace
