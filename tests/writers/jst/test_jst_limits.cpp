#include <gtest/gtest.h>

#include <functional>

#include "jstFixture.h"

using namespace jst;

namespace {

// n satellites with one transponder each on satellite 1.
void sats(JstData& d, int n) {
    for (int i = 1; i <= n; ++i) d.addSat(i, 10 * i, "S");
}
void channels(JstData& d, int type, int n) {
    if (d.tp->count == 0) d.addTp(1, 1, 11000);
    for (int i = 0; i < n; ++i) d.addCh(type, 1, 1, "C");
}

std::string buildMessage(const JstData& d) {
    std::string img;
    BuildResult r = d.build(&img);
    if (r.ok) {
        EXPECT_EQ(img.size(), kImageSize);
        return "ok";
    }
    EXPECT_TRUE(img.empty());
    return r.message;
}

}  // namespace

TEST(JstLimits, EachLimitRefusesOneAboveAndAcceptsItsMaximum) {
    const std::string satMsg = "Excessive number of satellites for JST format. (64 max)";
    const std::string tpMsg = "Excessive number of transponders for the format JST. (2040 max)";
    const std::string tvMsg = "Excessive number of TV channels for the format JST. (4199 max)";
    const std::string radioMsg = "Excessive number of RADIO channels for the format JST. (719 max)";
    const std::string favMsg = "Excessive number of favorite groups for the format JST. (16 max)";
    {
        JstData d;
        sats(d, 64);
        EXPECT_EQ(buildMessage(d), "ok");
        d.addSat(65, 650, "S");
        std::string img;
        BuildResult r = d.build(&img);
        EXPECT_EQ(r.message, satMsg);
        EXPECT_TRUE(r.box);
    }
    {
        JstData d;
        sats(d, 1);
        for (int i = 0; i < 2040; ++i) d.addTp(1, i, 10700 + i);
        EXPECT_EQ(buildMessage(d), "ok");
        d.report.transponders = 2041;
        EXPECT_EQ(buildMessage(d), tpMsg);
        // The table itself is held to the limit as well as the counter.
        d.report.transponders = 2040;
        d.addTp(1, 5000, 12000);
        d.report.transponders = 2040;
        EXPECT_EQ(buildMessage(d), tpMsg);
    }
    {
        JstData d;
        d.report.tvChannels = 4000, d.report.tvFake = 200;
        EXPECT_EQ(buildMessage(d), tvMsg);
    }
    {
        JstData d;
        sats(d, 1);
        channels(d, 1, 719);
        EXPECT_EQ(buildMessage(d), "ok");
        channels(d, 1, 1);
        EXPECT_EQ(buildMessage(d), radioMsg);
    }
    {
        JstData d;
        d.report.favGroups = 16;
        EXPECT_EQ(buildMessage(d), "ok");
        d.report.favGroups = 17;
        d.cfg.listType = 0;
        EXPECT_EQ(buildMessage(d), favMsg);
        d.cfg.listType = 1;
        EXPECT_EQ(buildMessage(d), favMsg);
        d.cfg.listType = 2;  // groups are satellites there
        EXPECT_EQ(buildMessage(d), "ok");
    }
    {
        // The first limit in order wins.
        JstData d;
        sats(d, 65);
        d.report.radioChannels = 720;
        d.report.transponders = 3000;
        EXPECT_EQ(buildMessage(d), satMsg);
    }
}

TEST(JstLimits, TvRecordBytesMustFitTheirSixteenBitField) {
    JstData d;
    sats(d, 1);
    channels(d, 0, 1489);  // 65516 bytes
    EXPECT_EQ(buildMessage(d), "ok");
    channels(d, 0, 1);  // 65560 bytes would wrap to 24
    EXPECT_EQ(buildMessage(d),
              "Too many TV channels for the JST block size field: 1490 records need 65560 bytes "
              "(1489 max).");
}

TEST(JstFaults, ListsTheFormatCannotHoldAreRefusedNamingTheRecord) {
    struct Case {
        const char* what;
        std::function<void(JstData&)> spoil;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"lnb type", [](JstData& d) { d.sat->sat[1].lnbType = 3; },
         "Satellite 1 \"S\": LNB type 3 has no JST code."},
        {"frequency index", [](JstData& d) { d.sat->sat[1].freqHi = 10; },
         "Satellite 1 \"S\": high LNB frequency index 10 is not 0 to 9."},
        {"power", [](JstData& d) { d.sat->sat[1].power = 4; },
         "Satellite 1 \"S\": power 4 is not 0 to 3."},
        {"switch port",
         [](JstData& d) { d.sat->sat[1].switchType = 1, d.sat->sat[1].switch10 = 31; },
         "Satellite 1 \"S\": switch port 31 does not fit the JST dish word."},
        {"position", [](JstData& d) { d.sat->sat[1].position = -5; },
         "Satellite 1 \"S\": position -5 does not fit the JST position fields."},
        {"orphan transponder", [](JstData& d) { d.tp->tp[1].sat_id = 999; },
         "Transponder 1 (11000 MHz): its satellite 999 is not in the list."},
        {"polarity", [](JstData& d) { d.tp->tp[1].polarity = 4; },
         "Transponder 1 (11000 MHz): polarity 4 has no JST code."},
        {"symbol rate", [](JstData& d) { d.tp->tp[1].sr = 70000; },
         "Transponder 1 (11000 MHz): symbol rate 70000 does not fit 16 bits."},
        {"orphan channel", [](JstData& d) { d.ch->ch[2].stp_id = 7; },
         "Channel 2 \"C\": its transponder 7 of satellite 1 is not in the list."},
        {"bad id text", [](JstData& d) { std::snprintf(d.ch->ch[1].vpid, 5, "12G4"); },
         "Channel 1 \"C\": the video PID is not four hexadecimal digits."},
        {"counters", [](JstData& d) { ++d.report.radioChannels; },
         "The radio channel count (2) does not match the channel table (radio records: 1)."},
        {"type", [](JstData& d) { d.ch->ch[2].ch_type = 2; },
         "The radio channel count (1) does not match the channel table (radio records: 0)."},
    };
    for (const Case& c : cases) {
        JstData d;
        sats(d, 1);
        channels(d, 0, 1);
        channels(d, 1, 1);
        ASSERT_EQ(buildMessage(d), "ok") << c.what;
        c.spoil(d);
        EXPECT_EQ(buildMessage(d), c.expected) << c.what;
    }
}

TEST(JstFaults, FieldsWithAnAbsentFormAreWrittenAbsentWithANote) {
    JstData d;
    sats(d, 1);
    channels(d, 0, 4);
    T_dbCh* c = d.ch->ch;
    std::snprintf(c[1].txt_pid, 5, "1000");  // 13 bits: no room beside the type nibble
    d.addAudio(c[2], "1100", 3, 0, 1);       // AC-3 marker would hide bit 12
    c[3].scrambled = 1;
    appendCas(&c[3], -3);
    appendCas(&c[3], 9);
    d.addAudio(c[4], "1100", 3, 0, 0);  // untyped: keeps its own top digit
    c[4].locked = 5;                     // flags are yes/no
    std::string img;
    std::vector<std::string> notes;
    ASSERT_TRUE(d.build(&img, kFamilyST1, &notes).ok);
    const size_t rec = kTvOffset + kFrameSize;
    EXPECT_EQ(hexAt(img, rec + 10, 2), "ff 1f");
    EXPECT_EQ(hexAt(img, rec + kChRecord + 12, 6), "ff 1f ff 1f 7f 7f");
    EXPECT_EQ(hexAt(img, rec + 2 * kChRecord + 36, 2), "08 40");  // scrambled + id 9 only
    EXPECT_EQ(hexAt(img, rec + 3 * kChRecord + 12, 6), "00 11 ff 1f 11 7f");
    EXPECT_EQ(hexAt(img, rec + 3 * kChRecord + 36, 2), "01 00");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], "Channel 1 \"C\": teletext PID 0x1000 does not fit the JST teletext word; "
                        "written without teletext.");
    EXPECT_EQ(notes[1], "Channel 2 \"C\": audio PID 0x1100 does not fit beside its track type; "
                        "the track is left out.");
    EXPECT_EQ(notes[2], "Channel 3 \"C\": CAS id -3 has no JST flag; left out.");
}
