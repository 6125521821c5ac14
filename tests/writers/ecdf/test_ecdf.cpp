#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <unistd.h>

#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "platform/memoryPlatform.h"
#include "writers/ecdf/ecdf.h"

namespace {

std::string hx(const char* s) {
    std::string out;
    while (*s) {
        if (*s == ' ') {
            ++s;
            continue;
        }
        out.push_back(static_cast<char>(std::stoi(std::string(s, 2), nullptr, 16)));
        s += 2;
    }
    return out;
}
std::string txt(const std::string& s, size_t width) {
    return s + std::string(width - s.size(), '\0');
}

// Bitwise CRC-16/ARC, independent of the table the writer uses.
unsigned arc(const std::string& s) {
    unsigned r = 0;
    for (unsigned char c : s) {
        r ^= c;
        for (int k = 0; k < 8; ++k) r = r & 1 ? (r >> 1) ^ 0xA001 : r >> 1;
    }
    return r;
}

struct Db {
    std::unique_ptr<T_dbSatTable> sat = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tp = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> ch = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> fav = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> link = std::make_unique<T_dbChFavTable>();
    T_cfgStruct cfg{};
    LangStruct lang = *langTable(kLangEnglish);
    T_dbReport report{};

    WriterInput in() {
        WriterInput w{};
        w.cfg = &cfg, w.lang = &lang, w.satDB = sat.get(), w.tpDB = tp.get(), w.chDB = ch.get();
        w.favDB = fav.get(), w.chFavDB = link.get(), w.report = &report;
        return w;
    }
    T_dbSat& addSat(int id, int pos, const char* name) {
        T_dbSat& s = *appendSat(sat.get());
        s.sat_id = s.realSatId = id, s.position = pos;
        copyText(s.satName, name);
        return s;
    }
    T_dbTp& addTp(int satId, int stp, int freq) {
        T_dbTp& t = *appendTp(tp.get());
        t.sat_id = t.realSatId = satId, t.stp_id = stp, t.frequency = freq, t.sr = 27500;
        copyText(t.nid, "0001"), copyText(t.tid, "0002");
        return t;
    }
    T_dbCh& addCh(int type, int satId, int stp, const char* sid, const char* name) {
        T_dbCh& c = *appendCh(ch.get());
        c.ch_type = type, c.sat_id = c.realSatId = satId, c.stp_id = stp, c.groupId = 5;
        copyText(c.sid, sid), copyText(c.ch_name, name);
        copyText(c.pmt_pid, "0100"), copyText(c.vpid, "0200"), copyText(c.pcr_pid, "0200");
        copyText(appendAudio(&c)->apid, "0300");
        return c;
    }
    T_dbFav& addFav(int id, const char* name) {
        T_dbFav& f = *appendFav(fav.get());
        f.fav_id = id;
        copyText(f.fav_name, name);
        return f;
    }
    void addLink(int favId, uint32_t chSlot) {
        const T_dbCh& c = ch->ch[chSlot];
        T_dbChFav& l = *appendChFav(link.get());
        l.sat_id = c.sat_id, l.stp_id = c.stp_id, l.groupId = c.groupId, l.ch_type = c.ch_type;
        l.fav_id = favId, l.chIndex = static_cast<int>(chSlot) - 1;
        copyText(l.sid, c.sid);
    }
    BuildResult build(std::string* image, int family = kEcdfFamilySB5,
                      std::vector<std::string>* skipped = nullptr) {
        return buildEcdfImage(in(), family, image, skipped);
    }
};

// Two satellites, two transponders, TV / radio / TV in chDB order, one group.
void fillSmall(Db& db) {
    T_dbSat& astra = db.addSat(192, 192, "Astra");
    astra.freqLo = 3, astra.freqHi = 6, astra.switchType = 1, astra.switch10 = 2;
    T_dbSat& hot = db.addSat(130, 130, "Hotbird");
    hot.freqLo = 3, hot.freqHi = 7, hot.tone22k = 1, hot.diseqc = 2;
    T_dbTp& t1 = db.addTp(192, 1, 10714);
    t1.sr = 22000, t1.polarity = 1, t1.fec = 7, t1.modulation = 2, t1.pilot = 1;
    copyText(t1.tid, "0437");
    T_dbTp& t2 = db.addTp(130, 7, 11766);
    t2.polarity = 2, t2.fec = 3, t2.modulation = 1;
    copyText(t2.nid, "013E"), copyText(t2.tid, "1A2B");
    T_dbCh& rai1 = db.addCh(0, 130, 7, "0D49", "Rai 1");
    copyText(rai1.pmt_pid, "0102"), copyText(rai1.audio[1].apid, "028A");
    rai1.scrambled = 1, appendCas(&rai1, 1), appendCas(&rai1, 9);
    T_dbCh& radio = db.addCh(1, 130, 7, "0E00", "Radio 1");
    copyText(radio.pmt_pid, "0110"), copyText(radio.vpid, "1FFF"), copyText(radio.pcr_pid, "0111");
    copyText(radio.audio[1].apid, "0112"), radio.locked = 1;
    T_dbCh& rai2 = db.addCh(0, 130, 7, "0D4A", "Rai 2");
    copyText(rai2.pmt_pid, "0103"), copyText(rai2.vpid, "0210"), copyText(rai2.pcr_pid, "0210");
    copyText(rai2.audio[1].apid, "028B"), rai2.cas[1] = 2;  // stale entry behind casCount 0
    db.addFav(3, "Sport");
    db.addLink(3, 3), db.addLink(3, 2);
}

std::string favBlanks(int from) {
    std::string s;
    for (int g = from; g <= 8; ++g) s += txt("FAV " + std::to_string(g), 24) + hx("00000000");
    return s;
}

TEST(EcdfImage, GoldenSmallList) {
    Db db;
    fillSmall(db);
    std::string image;
    ASSERT_TRUE(db.build(&image).ok);

    const std::string body =
        hx("04 20 98 76 10 00 00 00 00 00 10 00 00 00 02 46") +
        hx("D0 00000014 0020 03E8 1388 0008 0064") + std::string(10, '\0') +
        hx("E0 00000069 02") + hx("01 00C0") + txt("Astra", 44) + hx("01 00 03 0000") +
        hx("01 0082") + txt("Hotbird", 44) + hx("02 01 06 0000") +
        hx("E1 00000022 0002") + hx("0001 0437 29DA 55F0 00 00 00 02 01 000000") +
        hx("013E 1A2B 2DF6 6B6C 01 03 01 01 00 000000") +
        hx("E2 00000088 0002") +
        hx("0001 0D49") + txt("Rai 1", 24) + hx("0102 0200 028A 0200 00 01 00 09 00000000") +
        hx("0001 0D4A") + txt("Rai 2", 24) + hx("0103 0210 028B 0210 00 00 00 00 00000000") +
        hx("0001") + hx("0001 0E00") + txt("Radio 1", 24) +
        hx("0110 1FFF 0112 0111 00 00 01 00 00000000") +
        hx("E3 000000EE") + txt("Sport", 24) + hx("0001 0001 0000000000 0001 0001 0000000000") +
        favBlanks(2) + hx("F0 00000011 07") + std::string(16, '\0');
    unsigned crc = arc(body), sum = 0;
    const std::string full = body + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF);
    for (unsigned char c : full) sum += c;
    ASSERT_EQ(full.size(), 0x256u);
    const std::string header =
        hx("55AA55AA 0002") + static_cast<char>(sum >> 8 & 0xFF) + static_cast<char>(sum & 0xFF) +
        hx("85934294 00000256 00021600 0011239F 07F0D241 00000000 AC845180 00000000 04000000"
           "88591480 16000000 16000000 01000000 00000000");
    EXPECT_EQ(image.substr(0, 64), header);
    EXPECT_EQ(image.substr(64), full);
}

TEST(EcdfImage, FamiliesDifferOnlyInTheirHeaderConstants) {
    Db db;
    fillSmall(db);
    std::string sb5, s2;
    ASSERT_TRUE(db.build(&sb5, kEcdfFamilySB5).ok);
    ASSERT_TRUE(db.build(&s2, kEcdfFamilyS2HD).ok);
    ASSERT_EQ(sb5.size(), s2.size());
    EXPECT_EQ(s2.substr(0, 32), hx("55AA55AA 0003") + sb5.substr(6, 2) + hx("858F3DE0") +
                                    sb5.substr(12, 4) + hx("00010000 0011103F 06F2D241 0000F0F3"));
    EXPECT_EQ(s2.substr(32, 32), hx("00000000 00000000 E8000000 32000000 48528584 01000000 "
                                    "00000000 0200A584"));
    EXPECT_EQ(sb5.substr(64), s2.substr(64));
    EXPECT_FALSE(db.build(&s2, 6).ok);
}

TEST(EcdfImage, LimitsRefuseExactlyAsSpecified) {
    Db db;
    for (int s = 1; s <= 32; ++s) db.addSat(s, s, "S");
    for (int t = 1; t <= 1000; ++t) db.addTp(1 + t % 32, t, 10000 + t);
    for (int c = 1; c <= 5000; ++c) {
        int t = 1 + (c - 1) % 1000;
        db.addCh(c % 7 == 0, 1 + t % 32, t, "0001", "C");
    }
    for (int g = 1; g <= 8; ++g) db.addFav(g, "G");
    for (uint32_t c = 1; c <= 200; ++c) db.addLink(2, c);  // about 171 TV and 29 radio
    std::string image;
    BuildResult r = db.build(&image);
    EXPECT_EQ(r.message, db.lang.msgEcdfMaxFavCh);  // a group over 100 TV links

    db.link->count = 0;
    for (uint32_t c = 1, tv = 0, radio = 0; c <= 5000; ++c) {
        bool isTv = db.ch->ch[c].ch_type == 0;
        if (isTv ? tv++ < 100 : radio++ < 100) db.addLink(4, c);
    }
    std::vector<std::string> skipped;
    r = db.build(&image, kEcdfFamilySB5, &skipped);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(image.size(), 64u + 16 + 25 + 5 + 1 + 52 * 32 + 5 + 2 + 16 * 1000 + 5 + 4 +
                                44 * 5000 + 5 + 224 + 7 * 200 + 22 + 2);
    db.addLink(4, 1);  // the 101st TV link
    EXPECT_EQ(db.build(&image).message, db.lang.msgEcdfMaxFavCh);
    db.link->count -= 1;

    db.addFav(9, "Ninth");
    db.addLink(9, 1);
    EXPECT_EQ(db.build(&image).message, db.lang.msgEcdfMaxFavGrp);
    db.cfg.listType = 2;
    ASSERT_TRUE(db.build(&image).ok);
    EXPECT_EQ(image.find("Ninth"), std::string::npos);
    // The section length counts the entries written, not the ninth group's.
    const size_t fav = 64 + 16 + 25 + 5 + 1 + 52 * 32 + 5 + 2 + 16 * 1000 + 5 + 4 + 44 * 5000;
    EXPECT_EQ(image.substr(fav, 5), hx("E3 00000658"));
    db.fav->count = 8, db.link->count -= 1;

    db.addCh(0, 1, 1, "0001", "X");
    EXPECT_EQ(db.build(&image).message,
              "Excessive number of channels for the format ECDF. (5000 max)");
    db.addTp(1, 1001, 12000);
    EXPECT_EQ(db.build(&image).message,
              "Excessive number of transponders for the format ECDF. (1000 max)");
    db.addSat(33, 33, "S");
    EXPECT_EQ(db.build(&image).message, "Excessive number of satellites for ECDF format. (32 max)");
}

TEST(EcdfImage, WideValuesWrapAndRecordsWithoutCodeAreLeftOut) {
    Db db;
    fillSmall(db);
    std::string image;
    db.sat->sat[2].diseqc = 4;
    BuildResult r = db.build(&image);
    EXPECT_EQ(r.message, "Satellite 2 (Hotbird): DiSEqC mode 4 is unknown.");
    db.sat->sat[2].diseqc = 3;
    db.sat->sat[1].position = -50;  // kept modulo 2^16

    db.tp->tp[1].polarity = 4;  // no code: transponder 1 left out, tp 2 moves to 0
    db.tp->tp[2].frequency = 70000;
    copyText(db.tp->tp[2].nid, "7"), copyText(db.tp->tp[2].tid, "01A2B3");
    appendCas(&db.ch->ch[3], 40), appendCas(&db.ch->ch[3], 10);  // 40 has no bit
    T_dbCh& lost = db.addCh(0, 130, 99, "0D4B", "Lost");  // no such transponder
    lost.audioCount = 0;
    T_dbCh& mute = db.addCh(1, 130, 7, "0E01", "Mute");
    mute.audioCount = 0;
    copyText(mute.audio[1].apid, "ZZ");  // stale track that must not be read
    db.addLink(3, 4);
    std::vector<std::string> skipped;
    ASSERT_TRUE(db.build(&image, kEcdfFamilySB5, &skipped).ok);
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "Transponder 1 (10714 MHz): polarisation code 4 is unknown; left out.",
                           "Channel 4 (Lost): its transponder 99 is not in the list; left out.",
                           "Favourite group 1 (Sport), link 3 (sid 0D4B): its channel is not among "
                           "the TV channels; left out."}));
    EXPECT_EQ(image.substr(64 + 48, 2), hx("FFCE"));
    size_t tp = 64 + 16 + 25 + 110;
    EXPECT_EQ(image.substr(tp, 23),
              hx("E1 00000012 0001 0007 01A2 1170 6B6C 01 03 01 01 00 000000"));
    size_t ch = tp + 23;
    const std::string channelsAndFavourites =
              hx("E2 000000B4 0002") + hx("0000 0D49") + txt("Rai 1", 24) +
                  hx("0102 0200 028A 0200 00 01 00 09 00000000") + hx("0000 0D4A") +
                  txt("Rai 2", 24) + hx("0103 0210 028B 0210 00 00 00 40 00000000") +
                  hx("0002 0000 0E00") + txt("Radio 1", 24) +
                  hx("0110 1FFF 0112 0111 00 00 01 00 00000000") + hx("0000 0E01") +
                  txt("Mute", 24) + hx("0100 0200 0000 0200 00 00 00 00 00000000") +
                  hx("E3 000000EE") + txt("Sport", 24) +
                  hx("0001 0001 0000000000 0001 0001 0000000000") + favBlanks(2).substr(0, 4);
    EXPECT_EQ(image.substr(ch, channelsAndFavourites.size()), channelsAndFavourites);

    db.tp->tp[1].frequency = 11000;
    for (int p = 0; p < 4; ++p) {
        db.tp->tp[1].polarity = p;
        ASSERT_TRUE(db.build(&image).ok);
        EXPECT_EQ(image[tp + 7 + 8], p % 2 ? 0 : 1) << p;
    }
}

// Notes whether the window was greyed when each box came up.
struct GreyingPlatform : MemoryPlatform {
    std::vector<bool> greyedAtBox;
    void onMessageBox(const MessageBoxCall&) override {
        greyedAtBox.push_back(!find("hGenerate")->enabled);
    }
};

struct JobRig : Db {
    GreyingPlatform ui;
    T_Widget widget{};
    T_idxCat cat{};
    T_idxFav favP{};
    T_idxFavI favI{};
    T_idxBouI bouI{};
    T_FnPARAM p{};
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ecdf_job_" + std::to_string(::getpid()));
    JobRig() {
        createWidgetHandles(&widget, &ui);
        ui.setClock({2024, 3, 5, 21, 7, 9});
        std::filesystem::create_directories(dir);
        p.cfgParam = &cfg, p.MsgLang = &lang, p.satDB = sat.get(), p.tpDB = tp.get();
        p.chDB = ch.get(), p.favDB = fav.get(), p.chFavDB = link.get(), p.Report = &report;
        p.Widget = &widget, p.catParam = &cat, p.favParam = &favP, p.favIParam = &favI;
        p.bouIParam = &bouI;
    }
    ~JobRig() { std::filesystem::remove_all(dir); }
};

TEST(EcdfJob, WritesTheImageUnderItsDefaultNameOrStopsWithTheLimitBox) {
    JobRig rig;
    fillSmall(rig);
    rig.sat->sat[1].switchType = 2;
    rig.ch->ch[2].ch_type = 3;
    rig.cfg.fileType = kEcdfFamilyS2HD;
    rig.ui.answerSave(rig.dir.string());
    ASSERT_EQ(WriteSB5S2HD(&rig.p), 0u);
    EXPECT_EQ(rig.ui.lastDefaultName, "DMlistS2-HD-20240305.bin");
    std::string expected, written;
    ASSERT_TRUE(buildEcdfImage(rig.in(), kEcdfFamilyS2HD, &expected).ok);
    ASSERT_TRUE(readFileWhole((rig.dir / "DMlistS2-HD-20240305.bin").string(), &written));
    EXPECT_EQ(written, expected);
    ASSERT_EQ(rig.ui.boxes.size(), 3u);
    EXPECT_EQ(rig.ui.boxes[0].text,
              "Switch 1.0/1.1 is not supported. Will use the Switch 1.0 port.");
    EXPECT_EQ(rig.ui.boxes[0].flags, kMbIconInformation);
    EXPECT_EQ(rig.ui.statusLog[1].front(), rig.ui.boxes[0].text);
    EXPECT_EQ(rig.ui.boxes[1].text,
              "Some records cannot be written in the ECDF format:\n"
              "Channel 2 (Radio 1): type 3 is neither TV nor radio; left out.");
    EXPECT_EQ(rig.ui.boxes[1].caption, "Warning");
    EXPECT_EQ(rig.ui.boxes[2].text, "The file was written correctly.");
    EXPECT_EQ(rig.ui.greyedAtBox, (std::vector<bool>{false, true, true}));

    rig.cfg.fileType = kEcdfFamilySB5;
    rig.sat->sat[1].switchType = 0;
    for (int s = 0; s < 31; ++s) rig.addSat(500 + s, 0, "More");
    rig.ui.answerSave(rig.dir.string());
    ASSERT_EQ(WriteSB5S2HD(&rig.p), 1u);
    ASSERT_EQ(rig.ui.boxes.size(), 4u);
    EXPECT_EQ(rig.ui.boxes[3].text, "Excessive number of satellites for ECDF format. (32 max)");
    EXPECT_EQ(rig.ui.boxes[3].caption, " Error");
    EXPECT_EQ(rig.ui.boxes[3].flags, kMbIconError);
    EXPECT_FALSE(rig.ui.greyedAtBox[3]);  // the limits come before greying
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "DMlistSB5-20240305.bin"));
    EXPECT_TRUE(rig.ui.find("hGenerate")->enabled);
}

}  // namespace
