// Link integrity of all_channel.dat on large generated tables, read back
// from the file bytes alone.
#include <map>
#include <set>

#include "azboxTestDb.h"

namespace {

struct TpNode {
    uint32_t T, link1, link2;
    std::vector<uint32_t> chAddr;  // its channel nodes
};

// Walks the node section by its counts. A channel's address is the
// transponder's first-channel field, then link 1 of the node before it;
// addresses must rise through the file, and the walk must end on the last
// channel field and at the end of the file.
::testing::AssertionResult readNodes(const std::string& f, std::vector<TpNode>* tps,
                                     std::map<uint32_t, size_t>* chAt) {
    size_t off = kAzAllChannelFixed + kAzHeadSize;
    uint32_t lastAddr = 0;
    for (uint32_t i = 0, n = le16(f, 1595990); i < n; ++i) {
        if (off + kAzTpNodeSize > f.size()) return ::testing::AssertionFailure() << "tp node " << i << " cut off";
        TpNode t{le32(f, off + 80) - 0x1C, le32(f, off), le32(f, off + 4), {}};
        const uint32_t k = le16(f, off + 302), count = le16(f, off + 322), last = le32(f, off + 332);
        uint32_t addr = le32(f, off + 328);
        if (count == 0 && (addr != t.T || last != t.T)) return ::testing::AssertionFailure() << "empty tp " << i;
        for (off += kAzTpNodeSize; t.chAddr.size() < count; off += kAzChNodeSize) {
            if (off + kAzChNodeSize > f.size() || addr <= lastAddr || le16(f, off + 198) != k)
                return ::testing::AssertionFailure() << "channel node at " << off;
            (*chAt)[lastAddr = addr] = off;
            t.chAddr.push_back(addr);
            addr = le32(f, off);
        }
        if (count && t.chAddr.back() != last) return ::testing::AssertionFailure() << "last channel of tp " << i;
        tps->push_back(t);
    }
    if (off != f.size()) return ::testing::AssertionFailure() << "size " << f.size() << ", nodes end at " << off;
    return ::testing::AssertionSuccess();
}

void checkLinks(const std::string& f, const AzDb& db, uint32_t expectChannels) {
    std::vector<TpNode> tps;
    std::map<uint32_t, size_t> chAt;
    ASSERT_TRUE(readNodes(f, &tps, &chAt));
    ASSERT_EQ(chAt.size(), expectChannels);
    const uint32_t T1 = le32(f, kAzAllChannelFixed), chainStart = T1 + 0x124;
    ASSERT_EQ(T1, tps[0].T);
    uint32_t chain = chainStart;  // the last channel written before
    for (size_t i = 0; i < tps.size(); ++i) {
        const TpNode& t = tps[i];
        ASSERT_EQ(t.link1, i + 1 < tps.size() ? tps[i + 1].T : t.T) << "tp " << i;
        ASSERT_EQ(t.link2, i == 0 ? T1 - 0x70 : tps[i - 1].T) << "tp " << i;
        for (size_t j = 0; j < t.chAddr.size(); ++j) {
            const uint32_t l1 = le32(f, chAt[t.chAddr[j]]), l2 = le32(f, chAt[t.chAddr[j]] + 4);
            ASSERT_TRUE(chAt.count(l1) || l1 == kAzOnlyChannelLink || l1 == chainStart) << "tp " << i;
            ASSERT_EQ(l2, j == 0 ? chain : t.chAddr[j - 1]) << "tp " << i;
        }
        if (!t.chAddr.empty()) chain = t.chAddr.back();
    }
    // Every reference lands on a channel node with the same tuning; the
    // all-channel table reaches each channel once, by its record number.
    auto refs = [&](size_t table, uint32_t count) {
        std::set<uint32_t> seen;
        for (uint32_t r = 0; r < count; ++r) {
            const size_t rec = table + 24 * r;
            auto node = chAt.find(le32(f, rec + 20));
            ASSERT_TRUE(node != chAt.end()) << "record " << r << " of table " << table;
            ASSERT_EQ(le16(f, node->second + 138), le16(f, rec + 14));
            ASSERT_EQ(le32(f, node->second + 120), le32(f, rec + 8));
            ASSERT_EQ(le16(f, node->second + 130), le16(f, rec + 18));
            if (table == 275632) {
                ASSERT_EQ(le16(f, rec + 2), r + 1);
                ASSERT_STREQ(f.c_str() + node->second + 9, db.chs->ch[r + 1].ch_name);
                ASSERT_TRUE(seen.insert(node->first).second);
            }
        }
    };
    ASSERT_EQ(le16(f, 635632), expectChannels);
    refs(275632, expectChannels);
    refs(635636, le16(f, 875636));
    refs(875640, le16(f, 995640));
    for (uint32_t g = 0; g < kAzFavGroups; ++g) refs(995644 + g * 4800, le16(f, 1235644 + 2 * g));
}

TEST(AzboxLinks, GeneratedTablesLinkUpFromTheBytesAlone) {
    // 430 transponders with 15000 of 19999 channels fill the buffer; so do
    // all 4999 transponders with 2900 channels (most of them empty).
    struct Shape { uint32_t tps, chs, written; int list; };
    for (Shape s : {Shape{430, 19999, 15000, 0}, Shape{4999, 2900, 2900, 1}}) {
        SCOPED_TRACE(std::to_string(s.tps) + " transponders");
        auto db = std::make_unique<AzDb>();
        db->cfg.listType = s.list;
        generate(*db, 240, s.tps, s.chs);
        for (int g = 1; g <= 30; ++g) {  // three groups overflow
            db->fav(g, ("Fav " + std::to_string(g)).c_str());
            for (uint32_t r = 0; r < (g % 10 ? 20u : 450u); ++r) db->link(g, (g * 37 + r * 101) % s.chs + 1);
        }
        std::string f;
        ASSERT_TRUE(checkAzbox(db->in()).ok);
        ASSERT_TRUE(buildAzboxAllChannel(db->in(), db->lists(), &f).ok);
        checkLinks(f, *db, s.written);
        // Every fifth channel is radio: 12000 TV channels fill the TV table.
        EXPECT_EQ(le16(f, 875636), std::min(s.written - s.written / 5, kAzMaxTv));
        EXPECT_EQ(le16(f, 995640), s.written / 5);
        EXPECT_EQ(le16(f, 275618), 33u);
    }
}

TEST(AzboxLinks, FullCapacityIsRefusedNotOverrun) {
    auto db = std::make_unique<AzDb>();
    generate(*db, 240, 4999, 19999);
    // 1595992 + 304 + 4999 * 528 + 15000 * 200 bytes.
    const std::string text = "Too many transponders and channels for AZBox format. "
                             "(all_channel.dat: 7235768 bytes, 4823449 max)";
    EXPECT_EQ(checkAzbox(db->in()).message, text);
    std::string f = "untouched";
    EXPECT_EQ(buildAzboxAllChannel(db->in(), db->lists(), &f).message, text);
    EXPECT_EQ(f, "untouched");
    EXPECT_TRUE(buildAzboxDvbs(db->in(), &f).ok);
    EXPECT_EQ(f.size(), 128u + 240 * 124 + 4999 * 36);
}

}  // namespace
