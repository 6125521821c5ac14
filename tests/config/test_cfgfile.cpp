#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "config/cfgFile.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"

namespace fs = std::filesystem;

namespace {

using Records = T_cfgRecords;

// Numbers joined by blanks, to compare many fields in one go.
std::string join(std::initializer_list<long> v) {
    std::string t;
    for (long x : v) t += std::to_string(x) + " ";
    return t;
}

class CfgFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("va_cfg_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        setLang(&MsgLang, kLangEnglish);
        master = std::string(VA_TEST_DATA) + "/config/master.vac";
    }
    void TearDown() override {
        setWriteFaultHook(nullptr);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    bool load(Records& r, const std::string& user, const std::string& masterPath = "") {
        return loadCfgFrom((masterPath.empty() ? master : masterPath).c_str(), user.c_str(), &r.cfg,
                           &r.sat, &r.bou, &r.bouI, &r.cat, &r.fav, &r.favI, &r.nat);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = (dir / name).string();
        std::string err;
        EXPECT_TRUE(writeFileWhole(path, text, &err, false)) << err;
        return path;
    }
    bool save(Records& r, const std::string& path) {
        char file[kPathMax];
        std::snprintf(file, sizeof file, "%s", path.c_str());
        return saveCfg(file, &r.cfg, &r.sat, &r.favI, &r.bouI);
    }
    static std::string userHead() {
        return "LANG=2\r\nLIST=0\r\nFILE=2\r\nCHFAKE=0\r\nLOGFILE=0\r\nLAT=45.4\r\nLONG=09.1\r\n"
               "LONGWE=1\r\nE1TYPE=0\r\nE2TYPE=0\r\nMAXBOU=000\r\nMAXCTV=00000\r\nMAXCRA=00000\r\n"
               "GHD=1\r\nG3D=1\r\nGRAD=1\r\nGTP=0\r\n";
    }
    fs::path dir;
    std::string master;
};

TEST_F(CfgFileTest, RoundTripKeepsRecordsAndBytes) {
    std::string golden;
    ASSERT_TRUE(readFileWhole(std::string(VA_TEST_DATA) + "/config/user.cfg", &golden));
    Records a;
    ASSERT_TRUE(load(a, std::string(VA_TEST_DATA) + "/config/user.cfg")) << lastCfgError();

    // Master list: index 0 tables, [NAT] from 1, reading stops at [/NAT].
    EXPECT_EQ(join({a.cat.count, a.cat.cat[3].catId, a.bou.count, a.fav.count, a.fav.fav[0].favOn,
                    a.nat.count, a.nat.nat[1].natId}),
              "4 4 3 3 1 3 1 ");
    EXPECT_STREQ(a.cat.cat[3].catName, "Music");
    EXPECT_STREQ(a.bou.bou[1].bouNation, "\xC3\x96sterreich");  // kept as UTF-8
    EXPECT_STREQ(a.nat.nat[3].natName, "Nederland");

    // Keys, and the satellite fields in file order (a swap in both reading and
    // writing would still round-trip).
    const T_cfgStruct& c = a.cfg;
    EXPECT_EQ(join({c.lang, c.listType, c.fileType, c.latDeg, c.latDec, c.lonDeg, c.lonDec, c.lonWE,
                    c.maxBou, c.maxCTv, c.maxCRa, c.gTP}),
              "1 2 6 45 4 9 1 1 5 150 12345 1 ");
    ASSERT_EQ(a.sat.count, 2u);
    const T_satRec& s = a.sat.sat[2];
    EXPECT_EQ(join({s.satId, s.switchType, s.switch10, s.switch11, s.diseqc, s.positionerId}),
              "130 2 3 15 3 999 ");
    EXPECT_STREQ(s.satName,
                 "Hot Bird 13.0\xC2\xB0"
                 "E");
    EXPECT_EQ(
        std::string(a.sat.sat[1].radioFilter) + a.sat.sat[1].tvFilter + a.sat.sat[1].catFilter,
        "101111011011");
    EXPECT_EQ(join({a.favI.count, a.favI.fav[1].favId, a.bouI.count, a.bouI.bou[2].bouId}),
              "1 2 2 12 ");
    // Connection values come from the built-in hexadecimal texts.
    EXPECT_STREQ(a.cfg.dbHost, "127.0.0.1");
    EXPECT_STREQ(a.cfg.dbName, "velartis");

    std::string out = (dir / "saved.cfg").string();
    ASSERT_TRUE(save(a, out));
    std::string saved;
    ASSERT_TRUE(readFileWhole(out, &saved));
    EXPECT_EQ(saved, golden);

    Records b;
    ASSERT_TRUE(load(b, out));
    EXPECT_EQ(std::memcmp(&a.sat, &b.sat, sizeof a.sat), 0);
    EXPECT_EQ(std::memcmp(&a.favI, &b.favI, sizeof a.favI), 0);
    EXPECT_EQ(std::memcmp(&a.bouI, &b.bouI, sizeof a.bouI), 0);
    EXPECT_EQ(std::memcmp(&a.cfg, &b.cfg, sizeof a.cfg), 0);

    // A name that fills its field without a NUL is written as far as the field goes.
    // A name Windows-1252 lacks makes the file UTF-8 after a byte order
    // mark; it loads back the same, and without it the file is as before.
    Records g = a;
    copyText(g.bouI.bou[1].bouName, "\xCE\x95\xCE\xA1\xCE\xA4 \xC3\x96");
    const std::string utf8File = (dir / "greek.cfg").string();
    ASSERT_TRUE(save(g, utf8File));
    std::string utf8Bytes;
    ASSERT_TRUE(readFileWhole(utf8File, &utf8Bytes));
    EXPECT_EQ(utf8Bytes.rfind("\xEF\xBB\xBF# Dalmero Team\r\n", 0), 0u);
    EXPECT_NE(utf8Bytes.find("#\xCE\x95\xCE\xA1\xCE\xA4 \xC3\x96#"), std::string::npos);
    Records h;
    ASSERT_TRUE(load(h, utf8File)) << lastCfgError();
    EXPECT_STREQ(h.bouI.bou[1].bouName, g.bouI.bou[1].bouName);
    EXPECT_STREQ(h.sat.sat[2].satName, g.sat.sat[2].satName);

    std::memset(a.sat.sat[1].satName, 'X', sizeof a.sat.sat[1].satName);
    std::string text = composeCfg(&a.cfg, &a.sat, &a.favI, &a.bouI);
    EXPECT_NE(text.find("\r\n192#" + std::string(sizeof a.sat.sat[1].satName, 'X') + "#1#"),
              std::string::npos);
}

TEST_F(CfgFileTest, ReaderTolerance) {
    // LF only, blanks in keys, one-digit degrees, keys after [/SAT], comments
    // inside sections, no [BOUI].
    std::string text =
        "LANG = 3\nLAT=5.3\nMAXCTV=123\n[SAT]\n; comment\n\n"
        "7#My  Sat#1#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n[/SAT]\nLONG= 12.7\nGRAD=0\n"
        "[FAVI]\n# skipped\n3#Radio Hits#\n[/FAVI]\n";
    Records r;
    r.cfg.maxBou = 42;  // a key the file lacks keeps its value
    ASSERT_TRUE(load(r, write("tolerant.cfg", text))) << lastCfgError();
    const T_cfgStruct& c = r.cfg;
    EXPECT_EQ(join({c.lang, c.latDeg, c.latDec, c.maxCTv, c.lonDeg, c.lonDec, c.gRad, c.maxBou,
                    r.sat.count, r.favI.count, r.bouI.count}),
              "3 5 3 123 12 7 0 42 1 1 0 ");
    EXPECT_STREQ(r.sat.sat[1].satName, "My  Sat");  // blanks inside names stay

    // CR-only line ends, blanks around numeric fields, Windows-1252 names, a
    // DOS end-of-file mark.
    text =
        "LANG=2\rLIST=1\r[SAT]\r 7 #Astra 19.2\xB0"
        "E# 1#1 #0#0#0#0#0#0#0#0#0#12\t#0#0#"
        "111#11111#1111#\r[/SAT]\r[BOUI]\r11#ORF#2#\xD6sterreich#\r[/BOUI]\r\x1A";
    ASSERT_TRUE(load(r, write("cr.cfg", text))) << lastCfgError();
    EXPECT_EQ(join({r.cfg.listType, r.sat.count, r.sat.sat[1].satId, r.sat.sat[1].lnbType,
                    r.sat.sat[1].positionerId}),
              "1 1 7 1 12 ");
    EXPECT_STREQ(r.sat.sat[1].satName,
                 "Astra 19.2\xC2\xB0"
                 "E");
    EXPECT_STREQ(r.bouI.bou[1].bouNation, "\xC3\x96sterreich");

    // The dish may be anywhere up to the pole and half way round.
    ASSERT_TRUE(load(r, write("far.cfg", "LAT=90\nLONG=179.9\n"))) << lastCfgError();
    EXPECT_EQ(r.cfg.latDeg * 10 + r.cfg.latDec, 900);
    EXPECT_EQ(r.cfg.lonDeg * 10 + r.cfg.lonDec, 1799);
}

// Each class of plainly corrupt file is refused, naming the file, the line
// and the reason, before anything is taken from it as a good list.
TEST_F(CfgFileTest, CorruptClassesNameFileLineAndReason) {
    const std::string sat = "192#A#1#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#1111#\n";
    auto utf16 = [](const std::string& t) {
        std::string u;
        for (char c : t) u += std::string(1, c) + '\0';
        return u;
    };
    struct Case {
        const char* name;
        std::string user, master;  // an empty master: the good one
        std::string where, reason;
    } cases[] = {
        {"png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "", "line 2",
         "control byte 0x1A"},
        {"garbage", "LANG=2\n\x01\x02\x03\xFF\xFE\n", "", "line 2", "control byte 0x01"},
        {"utf16bom", "\xFF\xFE" + utf16(userHead()), "", "line 1", "UTF-16"},
        {"utf16", utf16(userHead()), "", "line 1", "NUL byte at column 2"},
        {"nul", userHead() + "[SAT]\n" + std::string("192#A\0#1#\n", 10), "", "line 19",
         "NUL byte at column 6"},
        {"noheader", userHead() + sat + "[/SAT]\n", "", "line 18.", "outside any section"},
        {"cut", userHead() + "\n[SAT]\n" + sat + "193" + sat.substr(3), "",
         "line 19, section [SAT]", "no closing [/SAT]"},
        {"cutline", userHead() + "\n[SAT]\n" + sat + sat.substr(0, 20), "",
         "line 21, section [SAT]", "fewer than 19 fields"},
        {"cutfavi", "[FAVI]\n2#Kids#\n", "", "line 1, section [FAVI]", "no closing [/FAVI]"},
        {"emptyfield", "[SAT]\n192#A#1#1#3##3#0#0#1#0#0#0#0#0#1#111#11111#1111#\n[/SAT]\n", "",
         "line 2", "Field 6 (freqHi) is not a number"},
        {"filter", "[SAT]\n192#A#1#1#3#6#3#0#0#1#0#0#0#0#0#1#1x1#11111#1111#\n[/SAT]\n", "",
         "line 2", "Field 17 (radioFilter)"},
        {"keyvalue", "LANG=2\nLIST=x\n", "", "line 2.", "LIST is not a number"},
        {"empty", "", "", "line 0.", "no key and no section"},
        {"prose", "just some text\n", "", "line 1.", "no key and no section"},
        {"bouid", "[BOUI]\n11#ORF#two#Austria#\n[/BOUI]\n", "", "line 2, section [BOUI]",
         "Field 3 (bouNatId) is not a number"},
        // The master list: the same classes.
        {"m-garbage", userHead(), "[CAT]\n1#A\x7F#\n[/CAT]\n", "line 2", "control byte 0x7F"},
        {"m-noheader", userHead(), "[CAT]\n1#A#\n[/CAT]\n2#News#\n", "line 4",
         "outside any section"},
        {"m-cut", userHead(), "[NAT]\n1#Italia#\n", "line 1, section [NAT]", "no closing [/NAT]"},
        {"m-id", userHead(), "[BOU]\n10#Sky#1#Italia#\n1O#Sky2#1#Italia#\n[/BOU]\n",
         "line 3, section [BOU]", "Field 1 (bouId) is not a number"},
        {"m-empty", userHead(), "\n", "line 1.", "no section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string user = write(std::string(c.name) + ".cfg", c.user);
        std::string masterPath =
            c.master.empty() ? master : write(std::string(c.name) + ".vac", c.master);
        Records r;
        EXPECT_FALSE(load(r, user, masterPath));
        EXPECT_STREQ(lastCfgErrorCaption(), "Corrupted Config File");
        const std::string& t = lastCfgError();
        std::string file = c.master.empty() ? user : masterPath;
        EXPECT_EQ(t.rfind("Error in " + file + ", " + c.where, 0), 0u) << t;
        EXPECT_NE(t.find(c.reason), std::string::npos) << t;
    }
}

// Every numeric field is checked against the values its record allows.
TEST_F(CfgFileTest, NumbersOutsideTheirRangeAreRefused) {
    const char* names[] = {"satId",    "",         "selected", "lnbType",      "freqLo",
                           "freqHi",   "power",    "tone22k",  "out12V",       "switchType",
                           "switch10", "switch11", "diseqc",   "positionerId", "skew",
                           "feedTp"};
    const int hi[] = {2147483647, 0, 1, 2, 9, 9, 3, 1, 1, 2, 3, 15, 3, 999, 1, 1};
    auto satLine = [](int field, const std::string& value) {
        std::string line;
        for (int i = 0; i < 16; ++i)
            line += (i == field ? value : i == 1 ? std::string("Sat") : std::string("0")) + "#";
        return "[SAT]\n" + line + "111#11111#1111#\n[/SAT]\n";
    };
    Records r;
    for (int f = 0; f < 16; ++f) {
        if (f == 1) continue;
        SCOPED_TRACE(names[f]);
        ASSERT_TRUE(load(r, write("max.cfg", satLine(f, std::to_string(hi[f]))))) << lastCfgError();
        EXPECT_FALSE(load(r, write("over.cfg", satLine(f, std::to_string(hi[f] + 1LL)))));
        EXPECT_NE(lastCfgError().find("Field " + std::to_string(f + 1) + " (" + names[f] + ") is " +
                                      std::to_string(hi[f] + 1LL) + "; it must be 0 to " +
                                      std::to_string(hi[f])),
                  std::string::npos)
            << lastCfgError();
        EXPECT_FALSE(load(r, write("neg.cfg", satLine(f, "-1"))));
        EXPECT_NE(lastCfgError().find("is -1"), std::string::npos);
    }
    // Keys, each one past its values, and the exclusions and master ids.
    struct Case {
        std::string user, master, reason;
    } cases[] = {
        {"LIST=3\n", "", "LIST is 3"},
        {"FILE=10\n", "", "FILE is 10"},
        {"FILE=100\n", "", "FILE has more than 2 digits"},
        {"CHFAKE=2\n", "", "CHFAKE is 2"},
        {"LONGWE=2\n", "", "LONGWE is 2"},
        {"E1TYPE=3\n", "", "E1TYPE is 3"},
        {"GHD=2\n", "", "GHD is 2"},
        {"MAXBOU=1000\n", "", "MAXBOU has more than 3 digits"},
        {"MAXCTV=123456\n", "", "MAXCTV has more than 5 digits"},
        {"LAT=123.4\n", "", "LAT has more than 2 digits"},
        {"LAT=90.1\n", "", "LAT is 90.1; it must be 0 to 90.0 degrees"},
        {"LONG=180.1\n", "", "LONG is 180.1; it must be 0 to 180.0 degrees"},
        {"LONG=1234\n", "", "LONG has more than 3 digits"},
        // Junk after a number, a misspelt key, a key or a satellite twice.
        {"LANG=2;junk\n", "", "LANG is not a number: \"2;junk\""},
        {"LONG=99.9x\n", "", "LONG is not a number of degrees"},
        {"LAT=45.45\n", "", "LAT is not a number of degrees"},
        {"MAXBUO=5\n", "", "line 1.\nUnknown key MAXBUO."},
        {"LANG=2\nLIST=1\n\nLANG=3\n", "", "line 4.\nLANG is given twice (first on line 1)"},
        {"[SAT]\n7#A#0#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n"
         "8#B#0#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n"
         "7#A#1#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n[/SAT]\n",
         "", "line 4, section [SAT].\nThe satellite 7 is given twice (first on line 2)"},
        {"[FAVI]\n2147483648#Kids#\n[/FAVI]\n", "", "Field 1 (favId) is 2147483648"},
        {"[BOUI]\n11#ORF#-2#Austria#\n[/BOUI]\n", "", "Field 3 (bouNatId) is -2"},
        {"LANG=2\n", "[CAT]\n99999999999999999999#A#\n[/CAT]\n",
         "Field 1 (catId) is 99999999999999999999; it"},
        {"LANG=2\n", "[NAT]\n-1#X#\n[/NAT]\n", "Field 1 (natId) is -1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user + c.master);
        std::string m = c.master.empty() ? master : write("m.vac", c.master);
        EXPECT_FALSE(load(r, write("key.cfg", c.user), m));
        EXPECT_NE(lastCfgError().find(c.reason), std::string::npos) << lastCfgError();
    }
}

// A file past 4 MiB is refused without reading it whole, also one without end.
TEST_F(CfgFileTest, OversizedFilesAreRefused) {
    std::string good;
    ASSERT_TRUE(readFileWhole(std::string(VA_TEST_DATA) + "/config/user.cfg", &good));
    std::string pad = "; " + std::string(1021, 'x') + "\r\n";  // 1 KiB a line
    std::string big = good;
    while (big.size() + pad.size() <= kMaxCfgBytes) big += pad;
    big.append(kMaxCfgBytes - big.size(), ';');
    Records r;
    ASSERT_TRUE(load(r, write("limit.cfg", big))) << lastCfgError();  // exactly at the bound
    EXPECT_EQ(r.sat.count, 2u);
    big += "\n";
    const std::string path = write("big.cfg", big);
    EXPECT_FALSE(load(r, path));
    EXPECT_EQ(lastCfgError(), "Error in " + path +
                                  ".\nThe file is larger than 4194304 bytes (4 MiB): it is no "
                                  "configuration file.\n\nDownload a new cfg file.");
    // A device without end is no file at all; it is not read.
    EXPECT_FALSE(load(r, std::string(VA_TEST_DATA) + "/config/user.cfg", "/dev/zero"));
    EXPECT_EQ(lastCfgError(),
              "Unable to open configuration file.\n/dev/zero: it is not a regular file");
    // The in-memory entry applies the same bound.
    EXPECT_FALSE(loadCfgFromText(std::string(4 << 20, ';') + ";", good, &r));
}

// Lines of any length are read whole; messages give real line numbers.
TEST_F(CfgFileTest, LongLinesAreReadWhole) {
    const std::string sat =
        "192#" + std::string(250, 'N') + "#1#1#3#6#3#0#0#1#0#0#0#0#0#1#1111111#11111#1111#\n";
    std::string text = "; " + std::string(300, 'c') + "\n[SAT]\n# " + std::string(300, 'c') + "\n" +
                       sat + "[/SAT]\n";
    Records r;
    ASSERT_TRUE(load(r, write("long.cfg", text))) << lastCfgError();
    ASSERT_EQ(r.sat.count, 1u);
    EXPECT_EQ(r.sat.sat[1].freqHi, 6);
    // Over-long names and filters are cut at their fields, never written past them.
    EXPECT_EQ(std::strlen(r.sat.sat[1].satName), 31u);
    EXPECT_STREQ(r.sat.sat[1].radioFilter, "111");

    text = "; " + std::string(300, 'c') + "\n[SAT]\n# " + std::string(300, 'c') + "\n" + sat +
           "5#B#1#\n[/SAT]\n";
    EXPECT_FALSE(load(r, write("longbad.cfg", text)));
    EXPECT_NE(lastCfgError().find(", line 5, section [SAT].\nThe line has fewer than 19 fields."),
              std::string::npos)
        << lastCfgError();

    // The same from memory, as the fuzz target loads it.
    std::string m;
    ASSERT_TRUE(readFileWhole(master, &m));
    EXPECT_FALSE(loadCfgFromText(m, text, &r, "m.vac", "u.cfg"));
    EXPECT_EQ(lastCfgError().rfind("Error in u.cfg, line 5", 0), 0u) << lastCfgError();
}

TEST_F(CfgFileTest, CorruptFilesAreRefusedWithTheirMessages) {
    Records r;
    // One category too many on the second satellite: named by its sat_id.
    std::string text = userHead() +
                       "[SAT]\n1#A#1#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n"
                       "2#B#1#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#11111#\n[/SAT]\n";
    EXPECT_FALSE(load(r, write("cat.cfg", text)));
    EXPECT_STREQ(lastCfgErrorCaption(), "Corrupted Config File");
    EXPECT_EQ(lastCfgError(),
              "Error in sat_id 2.\nWrong category number.\nAttempded 4 found 5\n\n"
              "Download a new cfg file.");
    EXPECT_EQ(r.sat.count, 2u);  // what was read stays

    // More satellites than the table holds.
    std::string many = "[SAT]\n";
    for (int i = 1; i <= 254; ++i)
        many += std::to_string(i) + "#S#1#0#0#0#0#0#0#0#0#0#0#0#0#0#111#11111#1111#\n";
    EXPECT_FALSE(load(r, write("many.cfg", many + "[/SAT]\n")));
    EXPECT_NE(lastCfgError().find("More than 253"), std::string::npos);
    EXPECT_EQ(r.sat.count, 253u);
}

TEST_F(CfgFileTest, FailedSaveKeepsTheOldFile) {
    Records r;
    ASSERT_TRUE(load(r, std::string(VA_TEST_DATA) + "/config/user.cfg"));
    std::string path = write("keep.cfg", "old contents\r\n");

    setWriteFaultHook([](const std::string&, size_t) { return false; });
    EXPECT_FALSE(save(r, path));
    setWriteFaultHook(nullptr);
    std::string now;
    ASSERT_TRUE(readFileWhole(path, &now));
    EXPECT_EQ(now, "old contents\r\n");
    EXPECT_NE(lastCfgError().find(path), std::string::npos) << lastCfgError();
    EXPECT_STREQ(lastCfgErrorCaption(), "Application Error");
    for (auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find("tmp"), std::string::npos);

    // A folder that cannot be written (root ignores permissions, so use a
    // folder that does not exist).
    EXPECT_FALSE(save(r, (dir / "missing" / "x.cfg").string()));
}

// The master list is found in the working folder, however deep it lies.
TEST_F(CfgFileTest, MasterListOfADeepWorkingFolder) {
    fs::path deep = dir;
    while (deep.string().size() < 300) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    fs::copy_file(master, deep / "VAconfig.vac");
    fs::path before = fs::current_path();
    fs::current_path(deep);
    Records r;
    bool ok = loadCfg((std::string(VA_TEST_DATA) + "/config/user.cfg").c_str(), &r.cfg, &r.sat,
                      &r.bou, &r.bouI, &r.cat, &r.fav, &r.favI, &r.nat);
    fs::current_path(before);
    EXPECT_TRUE(ok) << lastCfgError();
    EXPECT_EQ(r.cat.count, 4u);
}

// The shipped files load, and saving the user file gives back its bytes.
TEST_F(CfgFileTest, ShippedFilesRoundTrip) {
    std::string shipped = std::string(VA_SOURCE_DIR) + "/data/Default.cfg";
    Records r;
    ASSERT_TRUE(load(r, shipped, std::string(VA_SOURCE_DIR) + "/data/VAconfig.vac"))
        << lastCfgError();
    EXPECT_GE(r.sat.count, 4u);
    EXPECT_GT(r.cat.count, 0u);
    for (uint32_t i = 1; i <= r.sat.count; ++i)
        EXPECT_EQ(std::strlen(r.sat.sat[i].catFilter), r.cat.count);
    std::string out = (dir / "shipped.cfg").string();
    ASSERT_TRUE(save(r, out));
    std::string a, b;
    ASSERT_TRUE(readFileWhole(shipped, &a));
    ASSERT_TRUE(readFileWhole(out, &b));
    EXPECT_EQ(a, b);
}
}  // namespace
