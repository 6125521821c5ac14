// The edits document and its application to a download's tables: every
// edit lands where it says, the tables keep what the writers rely on (one
// run per bouquet, favourite links on their channels, counters that agree),
// and what cannot apply is reported and kept.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "channels/dbTypes.h"
#include "config/textFunc.h"
#include "edits/edits.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

TEST(EditsDoc, ReadsWhatItWritesKeepsCommentsAndUnknownLinesAndNamesTheBadLine) {
    const std::string text =
        "# my list\n"
        "order \"Sport \\\"1\\\"\" 19.2E:0001:0437:6D66 \"Das Erste\" 0.8W:0046:0003:0FA1 "
        "\"NRK1\"\n"
        "rename 13.0E:013E:3070:0001 \"Rai 1\" to \"Rai Uno \xC3\xA8\"\n"
        "rename-bouquet \"News\" to \"Nachrichten\"\n"
        "hide 19.2E:0001:0437:6D66 \"Das Erste\"\n"
        "hide 19.2E:0001:0437:6D66 \"Das Erste\" in \"Sport\"\n"
        "copy 19.2E:0001:0437:6D66 \"Das Erste\" to \"News\"\n"
        "move 19.2E:0001:0437:6D66 \"Das Erste\" from \"A\" to \"B\"\n"
        "bouquet \"Mine\" 19.2E:0001:0437:6D66 \"Das Erste\"\n"
        "lock 19.2E:0001:0437:6D66 \"Das Erste\" off\n"
        "lock-bouquet \"Adult\" on\n"
        "favourite 19.2E:0001:0437:6D66 \"Das Erste\" to \"Fav\"\n"
        "\n"
        "colour 19.2E:0001:0437:6D66 \"Das Erste\" red\n";
    T_editsDoc doc;
    std::string err;
    ASSERT_TRUE(parseEdits(text, &doc, &err)) << err;
    EXPECT_EQ(formatEdits(doc), text);
    ASSERT_EQ(doc.edits.size(), 14u);
    EXPECT_EQ(doc.edits[1].bouquet, "Sport \"1\"");
    EXPECT_EQ(doc.edits[1].channels[1].position, 3592);
    EXPECT_EQ(doc.edits[1].channels[1].sid, 0xFA1u);
    EXPECT_EQ(doc.edits[2].name, "Rai Uno \xC3\xA8");
    EXPECT_FALSE(doc.edits[9].on);
    EXPECT_EQ(doc.edits[13].kind, EditKind::kUnknown);

    // A malformed line of a known kind: its number and what was wanted;
    // nothing is half read.
    const struct {
        const char* text;
        const char* why;
    } bad[] = {
        {"order \"A\"\n", "line 1: order: expected at least one channel"},
        {"# ok\nrename 19.2E:1:2 \"X\" to \"Y\"\n", "line 2: rename: expected a channel key"},
        {"hide 19.2E:0001:0437:6D66 \"Das Erste\" from \"B\"\n", "line 1: hide: expected the end"},
        {"lock 19.2E:0001:0437:6D66 \"X\" maybe\n", "line 1: lock: expected on or off"},
        {"copy 19.2E:0001:0437:6D66 \"X to \"B\"\n", "expected 'to'"},
        {"rename-bouquet \"A\" to \"B\n", "line 1: a name is not closed"},
    };
    for (const auto& b : bad) {
        T_editsDoc d = doc;
        EXPECT_FALSE(parseEdits(b.text, &d, &err)) << b.text;
        EXPECT_THAT(err, HasSubstr(b.why)) << b.text;
        EXPECT_EQ(d.edits.size(), 14u);
    }
    EXPECT_EQ(editsPathFor("/home/u/.config/velartis/Default.cfg"),
              "/home/u/.config/velartis/Default.edits");
}

// Tables as a download of list type 0 (markers on) or 1 leaves them.
struct Tables {
    std::unique_ptr<T_dbSatTable> sat = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tp = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> ch = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> fav = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> chFav = std::make_unique<T_dbChFavTable>();
    std::unique_ptr<T_dbReport> report = std::make_unique<T_dbReport>();
    int type;

    explicit Tables(int listType) : type(listType) {}
    T_channelTables db() const {
        return {sat.get(), tp.get(), ch.get(), fav.get(), chFav.get(), report.get()};
    }
    int32_t satId(int32_t real, int32_t group) const { return type ? real * 1000 + group : real; }
    // The tables start zeroed: each helper sets only what the edits read.
    void addSat(int32_t real, int position, int32_t group = 0, const char* name = "") {
        T_dbSat& s = sat->sat[++sat->count];
        s.sat_id = satId(real, group), s.realSatId = real, s.position = position, s.groupId = group;
        copyText(s.satName, name), copyText(s.location, "19.2E");
    }
    void addTp(int32_t real, int32_t stp, const char* tid, int32_t group = 0) {
        T_dbTp& t = tp->tp[++tp->count];
        t.sat_id = satId(real, group), t.realSatId = real, t.stp_id = stp, t.groupId = group;
        copyText(t.nid, "0001"), copyText(t.tid, tid);
    }
    void addCh(int32_t real, int32_t stp, int32_t group, const char* bouquet, const char* name,
               const char* sid, int fake = 0, int radio = 0) {
        T_dbCh& c = ch->ch[++ch->count];
        c.fake = fake, c.sat_id = satId(real, group), c.realSatId = real, c.stp_id = stp;
        c.groupId = c.bou_id = group, c.ch_type = radio;
        copyText(c.groupName, bouquet), copyText(c.ch_name, name), copyText(c.sid, sid);
    }
    void addFav(int32_t id, const char* name) {
        T_dbFav& f = fav->fav[++fav->count];
        f.fav_id = id;
        copyText(f.fav_name, name);
    }
    void link(uint32_t row, int32_t favId) {
        const T_dbCh& c = ch->ch[row];
        T_dbChFav& f = chFav->chFav[++chFav->count];
        f.sat_id = c.sat_id, f.realSatId = c.realSatId, f.stp_id = c.stp_id, f.groupId = c.groupId;
        f.fav_id = favId, f.chIndex = static_cast<int32_t>(row - 1);
        copyText(f.sid, c.sid);
    }
    // "Bouquet/Channel" per row, markers as "Bouquet/@".
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (uint32_t i = 1; i <= ch->count; ++i) {
            const T_dbCh& c = ch->ch[i];
            out.push_back(fieldText(c.groupName) + "/" + (c.fake ? "@" : fieldText(c.ch_name)));
        }
        return out;
    }
    // Each link as "group: the channel its index points at".
    std::vector<std::string> links() const {
        std::vector<std::string> out;
        for (uint32_t i = 1; i <= chFav->count; ++i) {
            const T_dbChFav& f = chFav->chFav[i];
            const T_dbCh& c = ch->ch[f.chIndex + 1];
            EXPECT_EQ(fieldText(c.sid), fieldText(f.sid));
            EXPECT_EQ(c.sat_id, f.sat_id);
            out.push_back(std::to_string(f.fav_id) + ": " + fieldText(c.ch_name));
        }
        return out;
    }
};

T_editsDoc doc(const std::string& text) {
    T_editsDoc d;
    std::string err;
    EXPECT_TRUE(parseEdits(text, &d, &err)) << err;
    return d;
}

// Two satellites; Astra has News (A, B, C) and Sport (D, E), Hot Bird a
// News of its own (F); B and E are favourites.
Tables bouquetsAsChannels() {
    Tables t(0);
    t.addSat(192, 192);
    t.addSat(130, 130);
    t.addTp(192, 1, "0437");
    t.addTp(192, 2, "0441");
    t.addTp(130, 7, "3070");
    t.addCh(192, 1, 10, "News", "@ News @", "FFFF", 1);
    t.addCh(192, 1, 10, "News", "A", "0001");
    t.addCh(192, 1, 10, "News", "B", "0002");
    t.addCh(192, 2, 10, "News", "C", "0003");
    t.addCh(192, 2, 11, "Sport", "@ Sport @", "FFFF", 1);
    t.addCh(192, 2, 11, "Sport", "D", "0004");
    t.addCh(192, 2, 11, "Sport", "E", "0005", 0, 1);
    t.addCh(130, 7, 12, "News", "@ News @", "FFFF", 1);
    t.addCh(130, 7, 12, "News", "F", "0006");
    t.addFav(1, "Fav");
    t.link(3, 1);
    t.link(7, 1);
    return t;
}

const std::string A = "19.2E:0001:0437:0001 \"A\"", B = "19.2E:0001:0437:0002 \"B\"",
                  C = "19.2E:0001:0441:0003 \"C\"", D = "19.2E:0001:0441:0004 \"D\"",
                  E = "19.2E:0001:0441:0005 \"E\"", F = "13.0E:0001:3070:0006 \"F\"";

TEST(EditsApply, EachEditLandsWhereItSaysAndTheTablesStayWhole) {
    Tables t = bouquetsAsChannels();
    const T_editsReport r = applyEdits(
        doc("order \"News\" " + C + " " + A + "\n" +                        // C, A first; B after
            "rename " + B + " to \"A name far longer than its field\"\n" +  // cut to 24
            "hide " + D + " in \"Sport\"\n" +                               // Sport: E
            "copy " + A + " to \"Sport\"\n" +                               // Sport: E, A
            "move " + C + " from \"News\" to \"Sport\"\n" +  // News: A, B; Sport: E, A, C
            "bouquet \"Mine\" " + E + " " + F + "\n" +       // one on each satellite
            "lock " + E + " on\n" +                          //
            "favourite " + A + " to \"New group\"\n" +       //
            "rename-bouquet \"Sport\" to \"Sports\"\n" +     //
            "hide 19.2E:0001:0437:0999 \"Gone\"\n" +         // matches nothing
            "copy " + F + " to \"Sports\"\n" +               // not on Hot Bird: refused
            "colour " + A + " red\n"),                       // a later version's
        t.db(), 0);
    EXPECT_EQ(r.applied, 9u);
    EXPECT_THAT(r.unmatched, ElementsAre("hide 19.2E:0001:0437:0999 \"Gone\""));
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_THAT(r.refused[0], HasSubstr("no bouquet \"Sports\" on the channel's satellite"));
    ASSERT_EQ(r.cut.size(), 1u);
    EXPECT_THAT(r.cut[0], HasSubstr(" \xE2\x86\x92 \"A name far longer than i\""));
    EXPECT_EQ(r.unknown.size(), 1u);

    EXPECT_THAT(t.rows(), ElementsAre("News/@", "News/A", "News/A name far longer than i",
                                      "Sports/@", "Sports/E", "Sports/A", "Sports/C", "Mine/@",
                                      "Mine/E", "News/@", "News/F", "Mine/@", "Mine/F"));
    // The new bouquets: a group of their own on each satellite, after it.
    EXPECT_EQ(t.ch->ch[8].groupId, t.ch->ch[9].groupId);
    EXPECT_NE(t.ch->ch[8].groupId, 11);
    EXPECT_EQ(t.ch->ch[12].realSatId, 130);
    EXPECT_EQ(fieldText(t.ch->ch[4].ch_name), "@ Sports @");
    EXPECT_EQ(t.ch->ch[5].locked, 1);
    EXPECT_EQ(t.ch->ch[9].locked, 1);  // the copy of E in Mine: the same channel
    // The links follow their channels; the new group has its own.
    EXPECT_THAT(t.links(), ElementsAre("1: A name far longer than i", "1: E", "2: A"));
    EXPECT_EQ(fieldText(t.fav->fav[2].fav_name), "New group");
    // The counters agree with the tables.
    EXPECT_EQ(t.report->tvChannels + t.report->tvFake + t.report->radioChannels, t.ch->count);
    EXPECT_EQ(t.report->tvFake, 5u);
    EXPECT_EQ(t.report->radioChannels, 2u);
    EXPECT_EQ(t.report->bouquets, 5u);
    EXPECT_EQ(t.report->favChannels, 3u);

    // The same document again on a fresh download gives the same tables.
    Tables again = bouquetsAsChannels();
    applyEdits(doc(formatEdits(doc("order \"News\" " + C + " " + A + "\n"))), again.db(), 0);
    EXPECT_THAT(again.rows(), ElementsAre("News/@", "News/C", "News/A", "News/B", "Sport/@",
                                          "Sport/D", "Sport/E", "News/@", "News/F"));

    // A channel whose ids changed is still found by its name; hiding a
    // bouquet's last channel takes its marker too.
    Tables renamed = bouquetsAsChannels();
    applyEdits(doc("hide 19.2E:0001:0437:0777 \"D\"\nhide " + E + "\n"), renamed.db(), 0);
    EXPECT_THAT(renamed.rows(),
                ElementsAre("News/@", "News/A", "News/B", "News/C", "News/@", "News/F"));
    EXPECT_THAT(renamed.links(), ElementsAre("1: B"));  // E's link went with it
}

TEST(EditsApply, AVirtualSatelliteGetsItsTranspondersAndAFullTableRefuses) {
    // List type 1: each bouquet a satellite of its own with its transponders.
    Tables t(1);
    t.addSat(192, 192, 10, "News 19.2E");
    t.addSat(192, 192, 11, "Sport 19.2E");
    t.addTp(192, 1, "0437", 10);
    t.addTp(192, 2, "0441", 11);
    t.addCh(192, 1, 10, "News", "A", "0001");
    t.addCh(192, 2, 11, "Sport", "D", "0004");
    const T_editsReport r =
        applyEdits(doc("copy " + A + " to \"Sport\"\nbouquet \"Mine\" " + D + "\nhide " + D +
                       " in \"Sport\"\nrename-bouquet \"News\" to \"Headlines\"\n"),
                   t.db(), 1);
    EXPECT_EQ(r.applied, 4u);
    EXPECT_THAT(t.rows(), ElementsAre("Headlines/A", "Sport/A", "Mine/D"));
    // Sport kept A and got A's transponder; Mine is a satellite of its own.
    ASSERT_EQ(t.sat->count, 3u);
    EXPECT_EQ(fieldText(t.sat->sat[1].satName), "Headlines 19.2E");
    EXPECT_EQ(fieldText(t.sat->sat[3].satName), "Mine 19.2E");
    EXPECT_EQ(t.ch->ch[3].sat_id, t.sat->sat[3].sat_id);
    auto hasTp = [&](int32_t satId, int32_t stp) {
        for (uint32_t i = 1; i <= t.tp->count; ++i)
            if (t.tp->tp[i].sat_id == satId && t.tp->tp[i].stp_id == stp) return true;
        return false;
    };
    EXPECT_TRUE(hasTp(t.sat->sat[2].sat_id, 1));
    EXPECT_TRUE(hasTp(t.sat->sat[3].sat_id, 2));
    EXPECT_EQ(t.report->fakeSatellites, 3u);

    // A full channel table: the copy is refused, nothing else is dropped.
    Tables full = bouquetsAsChannels();
    const T_dbCh last = full.ch->ch[full.ch->count];
    while (full.ch->count < kChDbSlots - 1) full.ch->ch[++full.ch->count] = last;
    const uint32_t before = full.ch->count;
    const T_editsReport f = applyEdits(doc("copy " + A + " to \"Sport\"\n"), full.db(), 0);
    ASSERT_EQ(f.refused.size(), 1u);
    EXPECT_THAT(f.refused[0], HasSubstr("the channel table is full"));
    EXPECT_EQ(full.ch->count, before);
}

}  // namespace
