#include <gtest/gtest.h>

#include <filesystem>

#include "config/fileIo.h"
#include "jstFixture.h"
#include "platform/memoryPlatform.h"

namespace fs = std::filesystem;

namespace {

// A job parameter record over the fixture's tables and a scripted window.
struct JstJob {
    JstData d;
    MemoryPlatform ui;
    T_Widget w{};
    std::unique_ptr<T_idxCat> cat = std::make_unique<T_idxCat>();
    std::unique_ptr<T_idxFav> fav = std::make_unique<T_idxFav>();
    std::unique_ptr<T_idxFavI> favI = std::make_unique<T_idxFavI>();
    std::unique_ptr<T_idxBou> bou = std::make_unique<T_idxBou>();
    std::unique_ptr<T_idxBouI> bouI = std::make_unique<T_idxBouI>();
    std::unique_ptr<T_idxNat> nat = std::make_unique<T_idxNat>();
    T_FnPARAM p{};
    fs::path dir;

    explicit JstJob(int fileType) {
        createWidgetHandles(&w, &ui);
        ui.setClock(d.start);
        d.cfg.fileType = fileType;
        std::snprintf(d.cfg.appName, sizeof d.cfg.appName, "Velartis");
        p.cfgParam = &d.cfg;
        p.catParam = cat.get();
        p.favParam = fav.get();
        p.favIParam = favI.get();
        p.bouParam = bou.get();
        p.bouIParam = bouI.get();
        p.natParam = nat.get();
        p.MsgLang = &d.lang;
        p.satDB = d.sat.get();
        p.tpDB = d.tp.get();
        p.chDB = d.ch.get();
        p.favDB = d.fav.get();
        p.chFavDB = d.chFav.get();
        p.Report = &d.report;
        p.Widget = &w;
        dir = fs::temp_directory_path() /
              ("va_jst_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~JstJob() { fs::remove_all(dir); }
    uint32_t run() { return WriteST1JS1(&p); }
};

}  // namespace

TEST(JstJob, WritesTheImageUnderItsDefaultNameWithLog) {
    JstJob j(jst::kFamilyJS1);
    j.d.addSat(130, 130, "Hot Bird");
    j.d.cfg.logFile = 1;
    j.ui.answerSave(j.dir.string());  // a folder: the default name is used
    ASSERT_EQ(j.run(), 0u);

    EXPECT_EQ(j.ui.lastDefaultName, "DMlistPvr-JS1-20240305.bin");
    std::string bytes;
    ASSERT_TRUE(readFileWhole((j.dir / "DMlistPvr-JS1-20240305.bin").string(), &bytes));
    ASSERT_EQ(bytes.size(), 336000u);
    EXPECT_EQ(bytes.substr(0, 28), "WCXT5S51CHAN0006202403050709");
    EXPECT_TRUE(fs::exists(j.dir / "DMlistPvr-JS1-20240305.log"));
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].text, "The file was written correctly.");
    EXPECT_EQ(j.ui.boxes[0].caption, "Message");
    EXPECT_TRUE(j.ui.find("hGenerate")->enabled);
}

TEST(JstJob, LimitAndCancelStopTheJobWithTheirTexts) {
    {
        JstJob j(jst::kFamilyST1);
        j.d.report.radioChannels = 720;
        j.ui.answerSave(j.dir.string());
        EXPECT_EQ(j.run(), 1u);
        const std::string msg = "Excessive number of RADIO channels for the format JST. (719 max)";
        ASSERT_EQ(j.ui.boxes.size(), 1u);
        EXPECT_EQ(j.ui.boxes[0].text, msg);
        EXPECT_EQ(j.ui.boxes[0].caption, " Error");
        EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconError});
        EXPECT_EQ(j.ui.statusLog[0].back(), " Error");
        EXPECT_EQ(j.ui.statusLog[1].back(), msg);
        EXPECT_TRUE(j.ui.lastDefaultName.empty());  // no save dialog
        EXPECT_TRUE(fs::is_empty(j.dir));
        EXPECT_TRUE(j.ui.find("hGenerate")->enabled);
    }
    {
        JstJob j(jst::kFamilyST1);
        j.ui.answerSave(std::nullopt);
        EXPECT_EQ(j.run(), 1u);
        EXPECT_EQ(j.ui.lastDefaultName, "DMlistPvr-ST1-20240305.bin");
        EXPECT_EQ(j.ui.statusLog[1].back(), "Unable to open file.");
        EXPECT_TRUE(j.ui.boxes.empty());
    }
}

TEST(JstJob, FieldsWrittenAbsentAreShownInOneWarningBeforeTheSave) {
    JstJob j(jst::kFamilyST1);
    j.d.addSat(1, 10, "S");
    j.d.addTp(1, 1, 11000);
    for (int i = 0; i < 12; ++i) {
        T_dbCh& c = j.d.addCh(0, 1, 1, "C");
        std::snprintf(c.txt_pid, sizeof c.txt_pid, "1FFE");
    }
    j.ui.answerSave((j.dir / "list").string());
    ASSERT_EQ(j.run(), 0u);
    EXPECT_TRUE(fs::exists(j.dir / "list.bin"));
    ASSERT_EQ(j.ui.boxes.size(), 2u);
    EXPECT_EQ(j.ui.boxes[0].caption, "Warning");
    EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconWarning});
    EXPECT_NE(j.ui.boxes[0].text.find("Channel 10 \"C\": teletext PID 0x1FFE"), std::string::npos);
    EXPECT_EQ(j.ui.boxes[0].text.find("Channel 11"), std::string::npos);
    EXPECT_NE(j.ui.boxes[0].text.find("(2 more)"), std::string::npos);
    EXPECT_EQ(j.ui.boxes[1].text, "The file was written correctly.");
}
