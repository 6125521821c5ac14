// One transponder, one id: a transport stream id of six digits must be
// named by the same 16 bits in every list file of every format, or the
// receiver cannot link services to transponders and bouquets to services.
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "tests/writers/writerFixture.h"
#include "writers/azbox/azbox.h"
#include "writers/ecdf/ecdf.h"
#include "writers/enigma/enigma.h"
#include "writers/ndf/ndf.h"

namespace {

using Pairs = std::map<unsigned long, std::set<unsigned long>>;  // namespace -> tids

unsigned long hex(const std::string& s) { return std::stoul(s, nullptr, 16); }

// Every (namespace, tid) pair that a line of an Enigma file names.
Pairs idsOf(const std::string& file) {
    static const std::regex tpKey("([0-9a-f]{8}):([0-9a-f]{4}):[0-9a-f]{4}");
    static const std::regex serviceKey(
        "[0-9A-Fa-f]+:([0-9A-F]{8}):([0-9A-Fa-f]+):[0-9A-Fa-f]+:[12]:0");
    static const std::regex ref(
        "(?:#SERVICE:? )?1:0:[12]:[0-9A-Fa-f]+:([0-9A-Fa-f]+):[0-9A-Fa-f]+:([0-9A-Fa-f]+):0:0:0:");
    static const std::regex e1Bouquet("[0-9a-f]{4}:([0-9a-f]{8}):([0-9a-f]{4}):[0-9a-f]{4}:[12]");
    Pairs p;
    std::istringstream in(file);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, tpKey) || std::regex_match(line, m, serviceKey) ||
            std::regex_match(line, m, e1Bouquet))
            p[hex(m[1])].insert(hex(m[2]));
        else if (std::regex_match(line, m, ref))
            p[hex(m[2])].insert(hex(m[1]));
    }
    return p;
}

uint32_t le16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
uint32_t be16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) << 8 | static_cast<unsigned char>(s[at + 1]);
}

}  // namespace

TEST(IdsAcrossWriters, ASixDigitTidIsOneIdInEveryFile) {
    Tables t;
    T_dbSat& s = t.addSat(130, "Hot Bird", 130);
    copyText(s.sat_name, "Hot Bird"), copyText(s.location, "13.0E");
    // With and without a leading zero: 1A2B and 1F40.
    t.addTp(130, 1, 11747, 0, "013E", "01A2B3");
    t.addTp(130, 2, 10719, 1, "013E", "1F40A0");
    const unsigned long ns1 = 130ul * 65536 + 11747, ns2 = 130ul * 65536 + 10719;
    const Pairs expected = {{ns1, {0x1A2B}}, {ns2, {0x1F40}}};
    struct {
        int type, stp;
        const char* sid;
        int cat;
    } chans[] = {{0, 1, "2EE3", 9}, {1, 2, "0E10", 19}, {0, 2, "0D49", 1}};
    for (auto& c : chans) {
        T_dbCh& ch = t.addCh(c.type, 130, c.stp, "Channel", c.sid);
        ch.groupId = ch.bou_id = 10, ch.cat_id = c.cat;
        copyText(ch.groupName, "Sky");
    }
    t.addFav(5, "Cinema");
    for (int i : {0, 1, 2}) {
        T_dbChFav& l = t.addLink(5, i);
        l.sat_id = l.realSatId = 130, l.stp_id = chans[i].stp, l.ch_type = chans[i].type;
        copyText(l.sid, chans[i].sid);
    }
    t.report.bouquets = 1, t.report.favGroups = 1, t.report.favChannels = 3;

    for (auto build : {&buildE1, &buildE2}) {
        std::map<std::string, std::string> files;
        ASSERT_TRUE(build(
                        t.input(),
                        [&](OutFile&& f) {
                            files[f.name] = std::move(f.bytes);
                            return true;
                        },
                        [](int) {})
                        .ok);
        size_t checked = 0;
        for (const auto& [name, bytes] : files) {
            const Pairs p = idsOf(bytes);
            for (const auto& [ns, tids] : p) {
                ASSERT_TRUE(expected.count(ns)) << name << ":\n" << bytes;
                EXPECT_EQ(tids, expected.at(ns)) << name << ":\n" << bytes;
            }
            checked += !p.empty();
        }
        // Every file but satellites.xml and the two indexes names services.
        EXPECT_EQ(checked, files.size() - 3);
        EXPECT_EQ(idsOf(files[build == &buildE1 ? "services" : "lamedb"]), expected);
    }

    // The binary formats take the same 16 bits.
    std::string ndf, dvbs, all, ecdf;
    ASSERT_TRUE(buildNdfImage(t.input(), &ndf).ok);
    const size_t ndfTp = 17 + 64 * 8 + 1 + (1 + 8 + 4) + 63 * 5 + 2;
    EXPECT_EQ(le16(ndf, ndfTp + 9), 0x1A2Bu);
    EXPECT_EQ(le16(ndf, ndfTp + 19 + 9), 0x1F40u);
    ASSERT_TRUE(buildAzboxDvbs(t.input(), &dvbs).ok);
    EXPECT_EQ(le16(dvbs, 128 + 124 + 14), 0x1A2Bu);
    EXPECT_EQ(le16(dvbs, 128 + 124 + 36 + 14), 0x1F40u);
    ASSERT_TRUE(buildAzboxAllChannel(t.input(), AzboxLists{nullptr, nullptr}, &all).ok);
    EXPECT_EQ(le16(all, 275632 + 18), 0x1A2Bu);
    EXPECT_EQ(le16(all, 275632 + 24 + 18), 0x1F40u);
    ASSERT_TRUE(buildEcdfImage(t.input(), kEcdfFamilySB5, &ecdf).ok);
    const size_t ecdfTp = 64 + 16 + 25 + (5 + 1 + 52) + 5 + 2;
    EXPECT_EQ(be16(ecdf, ecdfTp + 2), 0x1A2Bu);
    EXPECT_EQ(be16(ecdf, ecdfTp + 16 + 2), 0x1F40u);
}
