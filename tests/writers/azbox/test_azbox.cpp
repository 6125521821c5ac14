// The AZbox files: hand-derived images, link integrity of all_channel.dat,
// favourite groups, records without a place, and the job.
#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "tests/readback/azboxReader.h"
#include "tests/writers/writerFixture.h"
#include "writers/azbox/azbox.h"

namespace {

uint32_t le16(const std::string& b, size_t off) {
    return static_cast<unsigned char>(b[off]) | static_cast<unsigned char>(b[off + 1]) << 8;
}
uint32_t le32(const std::string& b, size_t off) { return le16(b, off) | le16(b, off + 2) << 16; }
std::string hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

// AZbox satellites default to a universal LNB; favourites link channels by
// record number.
AzboxLists lists(const Tables& t) { return {&t.bou, &t.cat}; }
T_dbSat& sat(Tables& t, int id, const char* name, int position) {
    T_dbSat& s = t.addSat(id, name, position);
    s.lnbType = 1;
    return s;
}
void link(Tables& t, int favId, uint32_t chRecord) {
    t.addLink(favId, static_cast<int>(chRecord) - 1);
}
// The three files, which must build.
std::string allChannel(const Tables& t) {
    std::string f;
    EXPECT_TRUE(buildAzboxAllChannel(t.input(), lists(t), &f).ok);
    return f;
}
std::string dvbsOf(const Tables& t) {
    std::string f;
    EXPECT_TRUE(buildAzboxDvbs(t.input(), &f).ok);
    return f;
}
std::string antennaOf(const Tables& t) {
    std::string f;
    EXPECT_TRUE(buildAzboxAntennaList(t.input(), &f).ok);
    return f;
}

// Transponders spread evenly over the satellites, channels evenly over the
// transponders (fewer channels than transponders leave some empty), every
// fifth channel radio, sid = record number.
void generate(Tables& db, uint32_t nSat, uint32_t nTp, uint32_t nCh) {
    for (uint32_t s = 1; s <= nSat; ++s)
        sat(db, int(s), ("Sat " + std::to_string(s)).c_str(), int(10 * s));
    for (uint32_t k = 1; k <= nTp; ++k) {
        T_dbTp& t = db.addTp(int((k - 1) * nSat / nTp + 1), int(k), int(10700 + k % 2000),
                             int(k % 4), hex4(k).c_str(), hex4(k * 7).c_str());
        t.fec = int(k % 10), t.modulation = int(k % 3);
    }
    for (uint32_t m = 1; m <= nCh; ++m) {
        const T_dbTp& t = db.tpDB->tp[(m - 1) * nTp / nCh + 1];
        db.addCh(m % 5 == 0, t.sat_id, t.stp_id, ("Ch " + std::to_string(m)).c_str(),
                 hex4(m).c_str());
    }
}

// A hand-written hex fixture: "size N", "@N" (a chunk at decimal offset N),
// "zN" (N zero bytes), "text" and hex bytes; '#' starts a comment.
struct HexFixture {
    size_t size = 0;
    std::vector<std::pair<size_t, std::string>> chunks;
};

HexFixture loadHex(const std::string& name) {
    HexFixture f;
    std::ifstream file(std::string(VA_TEST_DATA) + "/azbox/" + name);
    EXPECT_TRUE(file) << name;
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find('#'));
        const size_t at = line.find_first_not_of(' ');
        if (line.rfind("size", 0) == 0) {
            f.size = std::stoul(line.substr(4));
        } else if (at != std::string::npos && line[at] == '@') {
            size_t n, off = std::stoul(line.substr(at + 1), &n);
            f.chunks.emplace_back(off, bytes(line.substr(at + 1 + n)));
        } else if (!f.chunks.empty()) {
            f.chunks.back().second += bytes(line);
        }
    }
    return f;
}

// The chunks are in the image, without overlapping; with zeroElsewhere
// every other byte is zero.
::testing::AssertionResult matchesHex(const std::string& img, const HexFixture& f,
                                      bool zeroElsewhere) {
    if (f.size && img.size() != f.size)
        return ::testing::AssertionFailure() << "size " << img.size();
    std::vector<bool> covered(img.size(), false);
    for (const auto& [off, bytes] : f.chunks)
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (off + i >= img.size() || covered[off + i] || img[off + i] != bytes[i])
                return ::testing::AssertionFailure()
                       << "at byte " << off + i << " (chunk @" << off << ")";
            covered[off + i] = true;
        }
    for (size_t i = 0; zeroElsewhere && i < img.size(); ++i)
        if (!covered[i] && img[i] != 0)
            return ::testing::AssertionFailure() << "byte " << i << " not zero";
    return ::testing::AssertionSuccess();
}

// Two satellites, three transponders, a TV, a radio, an HD channel and a
// bouquet marker, one favourite group.
void fillSmall(Tables& db) {
    db.cfg.latDeg = 45, db.cfg.latDec = 4, db.cfg.lonDeg = 9, db.cfg.lonDec = 2, db.cfg.lonWE = 1;
    db.bou.bou[0] = {7, "Sky Italia", 39, "Italia"};
    db.bou.bou[1] = {300, "Tivu", 39, "Italia"};
    db.bou.count = 2;
    db.cat.cat[0] = {3, "Sport"};
    db.cat.count = 1;
    db.nat.nat[1] = {39, "Italia"};
    db.nat.count = 1;

    T_dbSat& hb = sat(db, 130, "Hot Bird", 130);
    copyText(hb.location, "13.0E");
    hb.power = 3, hb.out12V = 1, hb.switchType = 2, hb.switch10 = 1, hb.switch11 = 2;
    hb.diseqc = 3, hb.positionerId = 5;
    copyText(sat(db, 360, "Thor", 3550).location, "0.8W");

    T_dbTp& t1 = db.addTp(130, 11, 11766, 0, "013E", "1A2B");
    t1.fec = 3, t1.modulation = 1, t1.pilot = 1;
    T_dbTp& t2 = db.addTp(130, 12, 12380, 3, "013E", "0457");
    t2.sr = 29900, t2.fec = 9, t2.modulation = 2;
    db.addTp(360, 1, 10971, 2, "0046", "0010").fec = 2;

    T_dbCh& c1 = db.addCh(0, 130, 11, "Rai 1", "0D49");
    copyText(c1.vpid, "00A0"), copyText(c1.pmt_pid, "0102"), copyText(c1.pcr_pid, "00A0");
    copyText(c1.txt_pid, "00A1");
    copyText(Tables::addAudio(c1, "00A2").lang_name, "ita");
    c1.nat_id = 39, c1.groupId = 7, c1.bou_id = 70, c1.subtitle = 1;
    T_dbCh& c2 = db.addCh(1, 130, 11, "Radio 1", "0D50");
    copyText(c2.pmt_pid, "0110"), copyText(c2.pcr_pid, "0111");
    copyText(Tables::addAudio(c2, "0112", 0, 0, 1).lang_name, "ita");
    c2.nat_id = 39, c2.groupId = 7, c2.locked = 1;
    T_dbCh& c3 = db.addCh(0, 130, 12, "Sport HD", "2EE0");
    copyText(c3.vpid, "1FFF"), copyText(c3.pmt_pid, "0064"), copyText(c3.pcr_pid, "1FFF");
    c3.hd = 1, c3.scrambled = 1, c3.nat_id = 39, c3.groupId = 300, c3.bou_id = 301;
    T_dbCh& c4 = db.addCh(0, 360, 1, "@ Tivu @", "FFFF");
    c4.fake = 1, c4.skip = 1, c4.groupId = 300, c4.bou_id = 300;

    db.addFav(5, "Sport HD");
    link(db, 5, 3), link(db, 5, 1);
}

}  // namespace

// The three files of small hand-built tables against bytes worked out by
// hand from the layouts (tests/data/azbox/*.hex).
TEST(AzboxImages, SmallTablesGiveTheHandDerivedFiles) {
    Tables db;
    fillSmall(db);
    EXPECT_TRUE(matchesHex(allChannel(db), loadHex("all_channel_small.hex"), true));
    EXPECT_TRUE(matchesHex(dvbsOf(db), loadHex("dvbs_small.hex"), true));
    const std::string antenna = antennaOf(db);
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
    Tables db;
    fillSmall(db);
    db.cfg.listType = 2;
    const std::string all = allChannel(db), dvbs = dvbsOf(db), antenna = antennaOf(db);
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
    Tables db;
    db.cfg.lonDeg = 5, db.cfg.lonDec = 5, db.cfg.lonWE = 0;
    // Header and marker only: no signature without a bouquet, no groups.
    HexFixture f{kAzAllChannelFixed,
                 {{0, std::string("\x09\0\xFF\0\xFF\xFF\0\x01\x01\0\0\0", 12)},
                  {275620, std::string("\x01\0\0\0\0\0\0\0\0\0\x01\0", 12)}}};
    EXPECT_TRUE(matchesHex(allChannel(db), f, true));
    EXPECT_EQ(dvbsOf(db), std::string(100, '\0') + '\x02' + std::string(27, '\0'));
    EXPECT_EQ(le16(antennaOf(db), 0), 65481u);  // 5.5 W
    db.cfg.lonWE = 1;
    EXPECT_EQ(le16(antennaOf(db), 0), 55u);
}

// Link integrity of all_channel.dat on large generated tables, read back
// from the file bytes alone.
TEST(AzboxLinks, GeneratedTablesLinkUpFromTheBytesAlone) {
    // 430 transponders with 15000 of 19999 channels fill the buffer; so do
    // all 4999 transponders with 2900 channels (most of them empty).
    struct Shape {
        uint32_t tps, chs, written;
        int list;
    };
    for (Shape s : {Shape{430, 19999, 15000, 0}, Shape{4999, 2900, 2900, 1}}) {
        SCOPED_TRACE(std::to_string(s.tps) + " transponders");
        Tables db;
        db.cfg.listType = s.list;
        generate(db, 240, s.tps, s.chs);
        for (int g = 1; g <= 30; ++g) {  // three groups overflow
            db.addFav(g, ("Fav " + std::to_string(g)).c_str());
            for (uint32_t r = 0; r < (g % 10 ? 20u : 450u); ++r)
                link(db, g, (g * 37 + r * 101) % s.chs + 1);
        }
        ASSERT_TRUE(checkAzbox(db.input()).ok);
        const std::string f = allChannel(db);
        AzboxRead r;
        readAzboxAllChannel(f, &r);
        ASSERT_TRUE(readsBack(r.faults));
        ASSERT_EQ(r.channels, s.written);
        for (uint32_t i = 0; i < s.written;
             ++i)  // record i + 1 of the all-channel table is channel i + 1
            ASSERT_STREQ(f.c_str() + r.nodeAt[le32(f, 275632 + 24 * i + 20)] + 9,
                         db.chDB->ch[i + 1].ch_name);
        // Every fifth channel is radio: 12000 TV channels fill the TV table.
        EXPECT_EQ(le16(f, 875636), std::min(s.written - s.written / 5, kAzMaxTv));
        EXPECT_EQ(le16(f, 995640), s.written / 5);
        EXPECT_EQ(le16(f, 275618), 33u);
    }
}

TEST(AzboxLinks, FullCapacityIsRefusedNotOverrun) {
    Tables db;
    generate(db, 240, 4999, 19999);
    // 1595992 + 304 + 4999 * 528 + 15000 * 200 bytes.
    const std::string text =
        "Too many transponders and channels for AZBox format. "
        "(all_channel.dat: 7235768 bytes, 4823449 max)";
    EXPECT_EQ(checkAzbox(db.input()).message, text);
    std::string f = "untouched";
    EXPECT_EQ(buildAzboxAllChannel(db.input(), lists(db), &f).message, text);
    EXPECT_EQ(f, "untouched");
    EXPECT_TRUE(buildAzboxDvbs(db.input(), &f).ok);
    EXPECT_EQ(f.size(), 128u + 240 * 124 + 4999 * 36);
}

namespace {
constexpr size_t kFavNames = 270418, kFavCount = 275618, kBlocks = 995644, kSizes = 1235644;
std::string nameAt(const std::string& f, uint32_t rec) {
    return f.substr(kFavNames + 104 * rec + 6, f[kFavNames + 104 * rec + 4]);
}
uint32_t grpSize(const std::string& f, uint32_t group) { return le16(f, kSizes + 2 * group); }
uint32_t sidAt(const std::string& f, uint32_t group, uint32_t r) {
    return le16(f, kBlocks + group * 4800 + r * 24 + 14);
}
}  // namespace

TEST(AzboxFavourites, GroupsOverTwoHundredChannelsSpillIntoBGroups) {
    Tables db;
    generate(db, 1, 10, 1000);  // sid = channel record
    db.addFav(1, "News");
    db.addFav(2, "Film");
    for (uint32_t m = 1; m <= 450; ++m) link(db, 1, m);
    for (uint32_t m = 901; m <= 910; ++m) link(db, 2, m);
    std::string f = allChannel(db);
    EXPECT_EQ(le16(f, kFavCount), 3u);
    EXPECT_EQ(nameAt(f, 2), "News-B");
    EXPECT_EQ(le16(f, kFavNames + 104 * 2 + 2), 101u);
    for (uint32_t g : {0, 1, 2, 3})
        EXPECT_EQ(grpSize(f, g), (std::vector<uint32_t>{200, 10, 200, 0}[g]));
    EXPECT_EQ(sidAt(f, 0, 199), 200u);
    EXPECT_EQ(sidAt(f, 1, 0), 901u);
    // Ranks 201..400 numbered from 1 again; 401..450 are nowhere.
    EXPECT_EQ(le16(f, kBlocks + 2 * 4800 + 2), 1u);
    EXPECT_EQ(sidAt(f, 2, 0), 201u);
    EXPECT_EQ(sidAt(f, 2, 199), 400u);

    // 26 groups of which 25 overflow need 51 records: no B group at all.
    // 20 groups of which 14 overflow: all 14 get one.
    for (auto [groups, overflowing] : {std::pair{26u, 25u}, std::pair{20u, 14u}}) {
        Tables many;
        generate(many, 1, 10, 1000);
        for (uint32_t g = 1; g <= groups; ++g) {
            many.addFav(int(g), ("G" + std::to_string(g)).c_str());
            for (uint32_t r = 0; r < (g <= overflowing ? 201u : 3u); ++r)
                link(many, int(g), (r + g) % 1000 + 1);
        }
        f = allChannel(many);
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
    Tables db;
    sat(db, 1, "Hot Bird", 130);
    db.addTp(1, 1, 11000, 0, "0001", "7");       // short tid: 0007
    db.addTp(1, 2, 11100, 7);                    // polarity without a code
    db.addTp(9, 3, 11200, 0);                    // satellite 9 is not in the list
    db.addTp(1, 4, 11300, 1, "0001", "01A2B3");  // long tid: its first four significant digits
    db.addCh(0, 1, 1, "Good", "0001");
    db.addCh(0, 1, 99, "No tp", "0002");
    db.addCh(0, 1, 2, "On bad tp", "0003");
    db.addCh(2, 1, 1, "Data", "0004");
    db.addCh(1, 1, 4, "Radio", "0005");
    db.addFav(5, "Mixed");
    link(db, 5, 2), link(db, 5, 5), link(db, 5, 50000);
    std::vector<std::string> skipped;
    ASSERT_TRUE(checkAzbox(db.input(), &skipped).ok);
    EXPECT_EQ(
        skipped,
        (std::vector<std::string>{
            "Transponder 2 (satellite 1, 11100 MHz): polarity code outside 0 to 3; left out.",
            "Transponder 3 (satellite 9, 11200 MHz): its satellite is not in the list; left out.",
            "Channel 2 \"No tp\" (satellite 1, transponder 99): its transponder is not in the "
            "list; left out.",
            "Channel 3 \"On bad tp\" (satellite 1, transponder 2): its transponder was left out; "
            "left out.",
            "Channel 4 \"Data\" (satellite 1, transponder 1): channel type 2 is neither TV (0) nor "
            "radio (1); left out.",
            "Favourite link 3 (group 5): channel index 49999 is not in the channel list; left "
            "out."}));
    EXPECT_EQ(recordListText(azboxSkippedHeading(skipped.size()), skipped, 1),
              "6 records do not fit the AZBox format and were left out:\n" + skipped[0] +
                  "\n... and 5 more.");

    const std::string f = allChannel(db), dvbs = dvbsOf(db);
    EXPECT_EQ(f.size(), kAzAllChannelFixed + kAzHeadSize + 2 * kAzTpNodeSize + 2 * kAzChNodeSize);
    EXPECT_EQ(le16(f, 1595990), 2u);
    EXPECT_EQ(le16(f, 635632), 2u);
    EXPECT_EQ(le16(f, 275632 + 24 + 2), 5u);  // running number stays the record number
    EXPECT_EQ(grpSize(f, 0), 1u);
    EXPECT_EQ(sidAt(f, 0, 0), 5u);
    ASSERT_EQ(dvbs.size(), 128u + 124 + 2 * 36);
    EXPECT_EQ(le16(dvbs, 128 + 76), 2u);
    EXPECT_EQ(le16(dvbs, 252 + 14), 0x0007u);
    EXPECT_EQ(le16(dvbs, 288 + 14), 0x1A2Bu);
}

TEST(AzboxFaults, LoneTransponderRepeatedSatelliteAndDishCodes) {
    Tables db;
    sat(db, 7, "Astra", 192);
    sat(db, 7, "Astra again", 192).lnbType = 9;  // its slot is taken by the first
    sat(db, 300, "No slot", 10).lnbType = 3;     // list type 0: no slot above 255
    db.addTp(7, 1, 11000, 0);
    db.addCh(0, 7, 1, "Only", "0001");
    ASSERT_TRUE(checkAzbox(db.input()).ok);
    const std::string f = allChannel(db);
    ASSERT_EQ(f.size(), kAzAllChannelFixed + kAzHeadSize + kAzTpNodeSize + kAzChNodeSize);
    const size_t tp = kAzAllChannelFixed + kAzHeadSize;
    EXPECT_EQ(le32(f, tp), le32(f, tp + 80) - 0x1C);  // no second transponder: links to itself
    EXPECT_EQ(le32(f, tp + kAzTpNodeSize), kAzOnlyChannelLink);
    EXPECT_EQ(dvbsOf(db).size(), 128u + 3 * 124 + 2 * 36);  // both records of satellite 7 list it
    EXPECT_EQ(le32(antennaOf(db), 36 + 32 * 7 + 8), 1u);

    sat(db, 1, "Hot Bird", 130).switchType = 2;
    db.satDB->sat[4].switch11 = 16;
    const char* text =
        "Satellite 4 \"Hot Bird\": switch 1.1 port 16 outside 0 to 15; no AZBox antenna record for "
        "it.";
    EXPECT_EQ(checkAzbox(db.input()).message, text);
    std::string antenna;
    EXPECT_EQ(buildAzboxAntennaList(db.input(), &antenna).message, text);
    EXPECT_TRUE(antenna.empty());
}

// The job with its events recorded: folder, files, limits.
TEST(AzboxJob, WarnsInTheCheckThenWritesTheThreeFilesWholeIntoTheDatedFolder) {
    Job job;
    generate(job, 3, 6, 20);
    job.cfg.logFile = 1;
    job.addCh(0, 1, 99, "Lost", "0099");
    const fs::path folder = job.tmp.path / "DalmeroListAZbox_2024-03-07_09-05";
    // The channel left out is named by the check before the folder is
    // chosen, which neither greys nor writes.
    job.req()->checkOnly = true;
    ASSERT_EQ(WriteAZbox(&job.param), 0u);
    ASSERT_EQ(job.boxes().size(), 1u);
    EXPECT_NE(job.boxes()[0].find("Channel 21 \"Lost\""), std::string::npos);
    EXPECT_EQ(job.ui.starts, 0);
    EXPECT_TRUE(fs::is_empty(job.tmp.path));
    // The job itself says it again unless the check has.
    job.param.checkOnly = false;
    job.target(job.tmp.path.string());
    ASSERT_EQ(WriteAZbox(job.req()), 0u);
    ASSERT_EQ(job.boxes().size(), 3u);
    EXPECT_EQ(job.boxes()[1], job.boxes()[0]);
    EXPECT_TRUE(fileText(folder / "all_channel.dat") == allChannel(job));
    EXPECT_TRUE(fileText(folder / "DVBS.dat") == dvbsOf(job));
    EXPECT_TRUE(fileText(folder / "antenna_list.dat") == antennaOf(job));
    EXPECT_TRUE(fs::exists(folder / "Velartis.log"));
    EXPECT_EQ(job.boxes()[2], "Message|info|The file was written correctly.");

    // Without a log the rerun replaces the folder whole: the old log goes.
    job.cfg.logFile = 0;
    job.req()->warned = true;
    EXPECT_EQ(WriteAZbox(&job.param), 0u);
    EXPECT_EQ(job.boxes().size(), 4u);
    EXPECT_FALSE(fs::exists(folder / "Velartis.log"));
}

TEST(AzboxJob, SatelliteLimitStopsBeforeTheFolderBrowser) {
    for (uint32_t sats : {241u, 240u}) {
        Job job;
        generate(job, 3, 6, 20);
        job.report.fakeSatellites = sats;
        job.req()->checkOnly = true;
        EXPECT_EQ(WriteAZbox(&job.param), sats == 240 ? 0u : 1u);
        EXPECT_EQ(job.boxes(), sats == 240 ? std::vector<std::string>{}
                                           : std::vector<std::string>{
                                                 " Error|error|Too many satellites for AZBox "
                                                 "format. (240 max)"});
        EXPECT_TRUE(fs::is_empty(job.tmp.path));
        EXPECT_EQ(job.ui.starts, 0);
    }
}
