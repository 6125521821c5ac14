#include <functional>

#include "tests/readback/jstReader.h"
#include "tests/writers/writerFixture.h"
#include "writers/jst/jst.h"

using namespace jst;

namespace {

// Bytes as "82 00 1f", to compare with layouts worked out by hand.
std::string hexAt(const std::string& img, size_t off, size_t n) {
    std::string out;
    char b[4];
    for (size_t i = off; i < off + n && i < img.size(); ++i) {
        std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(img[i]));
        out += (out.empty() ? "" : " ") + std::string(b);
    }
    return out;
}
bool allBytes(const std::string& img, size_t off, size_t end, unsigned char v) {
    return end <= img.size() &&
           img.find_first_not_of(static_cast<char>(v), off) >= std::min(end, img.size());
}

BuildResult build(const Tables& t, std::string* image, int family = kFamilyST1,
                  std::vector<std::string>* notes = nullptr) {
    return buildJstImage(t.input(), family, image, notes);
}
std::string outcome(const Tables& t) {
    std::string img;
    BuildResult r = build(t, &img);
    EXPECT_EQ(img.size(), r.ok ? kImageSize : 0u);
    return r.ok ? "ok" : r.message;
}
void favLink(Tables& t, int satId, int stpId, const char* sid, int favId) {
    T_dbChFav& l = t.addLink(favId, 0);
    l.sat_id = l.realSatId = satId, l.stp_id = stpId;
    copyText(l.sid, sid);
}

// Every expected byte of the golden test is worked out from the layouts.
void fillSample(Tables& d) {
    T_dbSat& s1 = d.addSat(130, "Hot Bird 13E", 130);  // universal LNB, switch 1.1 port 6
    s1.lnbType = 1, s1.freqLo = 3, s1.freqHi = 6, s1.tone22k = 1, s1.out12V = 1;
    s1.switchType = 2, s1.switch11 = 5, s1.diseqc = 1, s1.positionerId = 7;
    T_dbSat& s2 = d.addSat(192, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 3550);  // positioner 63
    s2.freqLo = 0, s2.freqHi = 9, s2.power = 3, s2.tone22k = 1, s2.diseqc = 1, s2.positionerId = 63;
    T_dbSat& s3 = d.addSat(235, "C", 1800);  // switch 1.0 port 3
    s3.lnbType = 2, s3.freqLo = 1, s3.freqHi = 2, s3.power = 1, s3.switchType = 1, s3.switch10 = 2;

    d.addTp(192, 10, 11778, 0).fec = 4;
    T_dbTp& t2 = d.addTp(130, 10, 10992, 1);
    t2.sr = 22000, t2.fec = 8;
    T_dbTp& t3 = d.addTp(130, 11, 12000, 2);
    t3.sr = 30000, t3.fec = 6;

    T_dbCh& a = d.addCh(0, 130, 11, "Channel One Long Name", "1A2B");
    copyText(a.pcr_pid, "FFFF"), copyText(a.vpid, "00A0"), copyText(a.txt_pid, "0020");
    a.subtitle = 1, a.locked = 1, a.dupdpid = 1, a.scrambled = 1;
    Tables::addAudio(a, "0101", 2, 0, 1);
    appendCas(&a, 0), appendCas(&a, 5), appendCas(&a, 20);

    T_dbCh& r = d.addCh(1, 130, 10, "Radio", "0064");
    copyText(r.pmt_pid, "0100"), copyText(r.pcr_pid, "0101"), copyText(r.vpid, "FFFF");
    Tables::addAudio(r, "0102", 8, 1, 1);
    Tables::addAudio(r, "2000", 1, 0, 0);  // not below 0x2000: unusable

    T_dbCh& b = d.addCh(0, 192, 10, "@ News @", "FFFF");
    b.dupdname = 1, b.skip = 1;
    appendCas(&b, 1);  // not scrambled: no CAS bits
    for (int i = 0; i < 3; ++i) Tables::addAudio(b, "0200", 1);

    favLink(d, 130, 11, "1A2B", 1), favLink(d, 130, 11, "1A2B", 4);
    favLink(d, 130, 11, "1A2C", 2), favLink(d, 192, 11, "1A2B", 3);   // other channels
    favLink(d, 130, 10, "0064", 16), favLink(d, 130, 10, "0064", 8);  // 8 has no bit
    d.report.favGroups = 5;
}

}  // namespace

TEST(JstImage, GoldenLayoutFromHandBuiltTables) {
    Tables d;
    fillSample(d);
    std::string img;
    std::vector<std::string> notes;
    ASSERT_TRUE(build(d, &img, kFamilyST1, &notes).ok);
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(img.size(), 336000u);
    EXPECT_TRUE(readsBack(readJst(img).faults));

    EXPECT_EQ(img.substr(0, 62), std::string("WCXT57"
                                             "51CHAN0006"
                                             "202403070905"
                                             "CHANNEL") +
                                     std::string(15, '\0') + "Dalmero Team");
    EXPECT_TRUE(allBytes(img, 62, 128, 0));

    EXPECT_EQ(hexAt(img, 128, 12), "db 81 03 00 84 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 140, 20), "82 00 00 00 82 00 00 00 81 96 02 00 16 26 00 00 34 00 04 04");
    EXPECT_EQ(img.substr(160, 24), std::string("Hot Bird 13E") + std::string(12, '\0'));
    EXPECT_EQ(hexAt(img, 184, 20), "de 0d 00 00 ce ff 00 00 30 cd 02 00 1e 14 00 30 00 fc 02 00");
    EXPECT_EQ(img.substr(204, 24), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(hexAt(img, 228, 21),
              "08 07 00 00 08 07 00 00 62 67 01 00 44 16 00 10 18 00 00 00 43");
    EXPECT_TRUE(allBytes(img, 249, 272, 0) && allBytes(img, 272, 8320, 0xFF));

    EXPECT_EQ(hexAt(img, 8320, 12), "db 81 03 00 30 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8332, 16), "01 00 00 00 02 2e 00 00 6c 6b 10 05 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8348, 16), "00 00 00 00 f0 2a 00 00 f0 55 20 04 00 00 00 00");
    EXPECT_EQ(hexAt(img, 8364, 16), "00 00 00 00 e0 2e 00 00 30 75 00 03 00 00 00 00");
    EXPECT_TRUE(allBytes(img, 8380, 73856, 0xFF));

    // TV records are the ch_type 0 records in table order, radio the others.
    EXPECT_EQ(hexAt(img, 73856, 12), "db 81 02 00 58 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 73868, 18), "02 00 2b 1a ff ff ff 1f a0 00 20 40 01 41 ff 1f 0d 7f");
    EXPECT_EQ(img.substr(73886, 14), "Channel One Lo");
    EXPECT_EQ(hexAt(img, 73900, 12), "00 00 00 00 1d a0 00 ff 00 16 08 00");
    EXPECT_EQ(hexAt(img, 73912, 18), "00 00 ff ff ff ff 00 00 00 00 ff 1f ff 1f ff 1f 7f 7f");
    EXPECT_EQ(img.substr(73930, 14), std::string("@ News @") + std::string(6, '\0'));
    EXPECT_EQ(hexAt(img, 73944, 12), "00 00 00 00 02 00 00 ff 10 06 00 00");
    EXPECT_TRUE(allBytes(img, 73956, 270464, 0xFF));

    EXPECT_EQ(hexAt(img, 270464, 12), "db 81 01 00 2c 00 00 00 00 00 00 00");
    EXPECT_EQ(hexAt(img, 270476, 18), "01 00 64 00 00 01 01 01 ff 1f ff 1f 02 61 ff 1f 01 7f");
    EXPECT_EQ(img.substr(270494, 14), std::string("Radio") + std::string(9, '\0'));
    EXPECT_EQ(hexAt(img, 270508, 12), "00 00 00 00 00 00 02 ff 00 06 00 04");
    EXPECT_TRUE(allBytes(img, 270520, 331904, 0xFF));

    EXPECT_EQ(hexAt(img, 331904, 12), "db 81 50 00 c0 0d 00 00 00 00 00 00");
    EXPECT_TRUE(allBytes(img, 331916, 335436, 0) && allBytes(img, 335436, 336000, 0xFF));

    // Pvr-JS1 differs in bytes 4-5 only; an unknown family gets no image.
    std::string js1;
    ASSERT_TRUE(build(d, &js1, kFamilyJS1).ok);
    EXPECT_EQ(js1.substr(4, 2), "5S");
    js1[5] = '7';
    EXPECT_EQ(js1, img);
    EXPECT_FALSE(build(d, &js1, 5).ok);
    EXPECT_TRUE(js1.empty());
}

TEST(JstImage, LimitsRefuseOneAboveTheirMaximumInOrder) {
    const char* favMsg = "Excessive number of favorite groups for the format JST. (16 max)";
    Tables d;
    for (int i = 1; i <= 64; ++i) d.addSat(i, "S", 10 * i);
    for (int i = 0; i < 2040; ++i) d.addTp(1, i, 10700 + i);
    for (int i = 0; i < 4199; ++i) d.addCh(0, 1, 0, "T");
    for (int i = 0; i < 719; ++i) d.addCh(1, 1, 0, "R");
    d.report.favGroups = 16;
    // 4199 x 44 = 184756 = 0x2D1B4 record bytes: the 16-bit field keeps the low part.
    std::string img;
    ASSERT_TRUE(build(d, &img).ok);
    EXPECT_EQ(hexAt(img, kTvOffset, 6), "db 81 67 10 b4 d1");
    EXPECT_TRUE(allBytes(img, kTvOffset + 12 + 184756, kRadioOffset, 0xFF));

    d.report.favGroups = 17;
    EXPECT_EQ(outcome(d), favMsg);
    d.cfg.listType = 1;
    EXPECT_EQ(outcome(d), favMsg);
    d.cfg.listType = 2;  // groups are satellites there
    EXPECT_EQ(outcome(d), "ok");
    d.addCh(1, 1, 0, "R");
    EXPECT_EQ(outcome(d), "Excessive number of RADIO channels for the format JST. (719 max)");
    d.report.tvFake = 1;
    EXPECT_EQ(outcome(d), "Excessive number of TV channels for the format JST. (4199 max)");
    d.report.transponders = 2041;
    EXPECT_EQ(outcome(d), "Excessive number of transponders for the format JST. (2040 max)");
    d.addSat(65, "S", 650);
    EXPECT_EQ(outcome(d), "Excessive number of satellites for JST format. (64 max)");
}

TEST(JstImage, ListsTheFormatCannotHoldAreRefusedNamingTheRecord) {
    const std::vector<std::pair<std::function<void(Tables&)>, std::string>> cases = {
        {[](Tables& d) { d.satDB->sat[1].lnbType = 3; },
         "Satellite 1 \"S\": LNB type 3 has no JST code."},
        {[](Tables& d) { d.satDB->sat[1].switchType = 1, d.satDB->sat[1].switch10 = 31; },
         "Satellite 1 \"S\": switch port 31 does not fit the JST dish word."},
        {[](Tables& d) { d.tpDB->tp[1].sat_id = 999; },
         "Transponder 1 (11000 MHz): its satellite 999 is not in the list."},
        {[](Tables& d) { d.tpDB->tp[1].polarity = 4; },
         "Transponder 1 (11000 MHz): polarity 4 has no JST code."},
        {[](Tables& d) {  // the table is held to the limit as well as the counter
             for (int i = 2; i <= 2041; ++i) d.addTp(1, i, 11000);
             d.report.transponders = 1;
         },
         "Excessive number of transponders for the format JST. (2040 max)"},
        {[](Tables& d) { d.chDB->ch[2].stp_id = 7; },
         "Channel 2 \"C\": its transponder 7 of satellite 1 is not in the list."},
        {[](Tables& d) { copyText(d.chDB->ch[1].vpid, "12G4"); },
         "Channel 1 \"C\": the video PID is not four hexadecimal digits."},
        {[](Tables& d) { d.chDB->ch[2].ch_type = 2; },
         "The radio channel count (1) does not match the channel table (radio records: 0)."},
    };
    for (const auto& [spoil, expected] : cases) {
        Tables d;
        d.addSat(1, "S", 10);
        d.addTp(1, 1, 11000);
        d.addCh(0, 1, 1, "C"), d.addCh(1, 1, 1, "C");
        ASSERT_EQ(outcome(d), "ok");
        spoil(d);
        EXPECT_EQ(outcome(d), expected);
    }
}

TEST(JstImage, FieldsWithAnAbsentFormAreWrittenAbsentWithANote) {
    Tables d;
    d.addSat(1, "S", 10);
    d.addTp(1, 1, 11000);
    T_dbCh* c = d.chDB->ch;
    for (int i = 0; i < 4; ++i) d.addCh(0, 1, 1, "C");
    copyText(c[1].txt_pid, "1000");           // no room beside the teletext type nibble
    Tables::addAudio(c[2], "1100", 3, 0, 1);  // the AC-3 nibble takes the top digit's place
    c[3].scrambled = 1, appendCas(&c[3], -3), appendCas(&c[3], 9);
    Tables::addAudio(c[4], "1100", 3, 0, 0);  // untyped: keeps its own top digit
    c[4].locked = 5;                          // flags are yes/no
    std::string img;
    std::vector<std::string> notes;
    ASSERT_TRUE(build(d, &img, kFamilyST1, &notes).ok);
    EXPECT_TRUE(readsBack(readJst(img).faults));
    auto rec = [](int i) { return kTvOffset + kFrameSize + i * kChRecord; };
    EXPECT_EQ(hexAt(img, rec(0) + 10, 2), "ff 1f");
    EXPECT_EQ(hexAt(img, rec(1) + 12, 6), "00 41 ff 1f 11 7f");
    EXPECT_EQ(hexAt(img, rec(2) + 36, 2), "08 40");
    EXPECT_EQ(hexAt(img, rec(3) + 12, 6), "00 11 ff 1f 11 7f");
    EXPECT_EQ(hexAt(img, rec(3) + 36, 2), "01 00");
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "Channel 1 \"C\": teletext PID 0x1000 does not fit the JST teletext word; "
                         "written without teletext.",
                         "Channel 3 \"C\": CAS id -3 has no JST flag; left out."}));
}

TEST(JstJob, WritesTheImageWithItsLogAfterOneWarningOrStopsBeforeTheSaveDialog) {
    // A teletext PID that does not fit is listed in one warning, before the save.
    Job j;
    j.cfg.fileType = kFamilyJS1, j.cfg.logFile = 1;
    j.addSat(130, "Hot Bird", 130);
    j.addTp(130, 1, 11000);
    for (int i = 0; i < 12; ++i) copyText(j.addCh(0, 130, 1, "C").txt_pid, "1FFE");
    j.saveInto(j.tmp.path);  // a folder: the default name is used
    ASSERT_EQ(WriteST1JS1(j.req()), 0u);
    std::string js1;
    ASSERT_TRUE(build(j, &js1, kFamilyJS1).ok);
    EXPECT_EQ(fileText(j.tmp.path / "DMlistPvr-JS1-20240307.bin"), js1);
    EXPECT_TRUE(fs::exists(j.tmp.path / "DMlistPvr-JS1-20240307.log"));
    const auto boxes = j.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].rfind("Warning|warning|", 0), 0u);
    EXPECT_NE(boxes[0].find("Channel 10 \"C\": teletext PID 0x1FFE"), std::string::npos);
    EXPECT_EQ(boxes[0].find("Channel 11"), std::string::npos);
    EXPECT_NE(boxes[0].find("\n... and 2 more."), std::string::npos);
    EXPECT_EQ(boxes[1], "Message|info|The file was written correctly.");

    Job k;
    k.cfg.fileType = kFamilyST1;
    k.report.radioChannels = 720;
    EXPECT_EQ(WriteST1JS1(k.req()), 1u);
    EXPECT_TRUE(k.ui.generateSteps.empty()) << "the limits come before the bar is reset";
    const std::string msg = "Excessive number of RADIO channels for the format JST. (719 max)";
    EXPECT_EQ(k.boxes(), (std::vector<std::string>{" Error|error|" + msg}));
    EXPECT_EQ(k.status(1), msg);
    EXPECT_TRUE(k.restored());
    // No destination, no file.
    k.report.radioChannels = 0;
    k.target("");
    EXPECT_EQ(WriteST1JS1(k.req()), 1u);
    EXPECT_TRUE(fs::is_empty(k.tmp.path));
}
