#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "config/fileIo.h"
#include "jstFixture.h"
#include "platform/memoryPlatform.h"

namespace fs = std::filesystem;

namespace {

// A job parameter record over the fixture's tables, a scripted window with
// a fixed clock, and a temporary folder to save into.
struct JstJob {
    JstData d;
    MemoryPlatform ui;
    T_Widget w{};
    std::unique_ptr<T_idxCat> cat = std::make_unique<T_idxCat>();
    std::unique_ptr<T_idxFav> fav = std::make_unique<T_idxFav>();
    std::unique_ptr<T_idxFavI> favI = std::make_unique<T_idxFavI>();
    std::unique_ptr<T_idxBouI> bouI = std::make_unique<T_idxBouI>();
    T_FnPARAM p{};
    fs::path dir = fs::temp_directory_path() /
                   ("va_jst_" + std::to_string(getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());

    explicit JstJob(int fileType) {
        createWidgetHandles(&w, &ui);
        ui.setClock(d.start);
        d.cfg.fileType = fileType;
        p.cfgParam = &d.cfg, p.catParam = cat.get(), p.favParam = fav.get();
        p.favIParam = favI.get(), p.bouIParam = bouI.get(), p.MsgLang = &d.lang;
        p.satDB = d.sat.get(), p.tpDB = d.tp.get(), p.chDB = d.ch.get(), p.favDB = d.fav.get();
        p.chFavDB = d.chFav.get(), p.Report = &d.report, p.Widget = &w;
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~JstJob() { fs::remove_all(dir); }
};

}  // namespace

// A teletext PID that does not fit is listed in one warning, before the save.
TEST(JstJob, WritesTheImageUnderItsDefaultNameWithItsLog) {
    JstJob j(jst::kFamilyJS1);
    j.d.addSat(130, 130, "Hot Bird");
    j.d.addTp(130, 1, 11000);
    for (int i = 0; i < 12; ++i) VA_SET(j.d.addCh(0, 130, 1, "C").txt_pid, "1FFE");
    j.d.cfg.logFile = 1;
    j.ui.answerSave(j.dir.string());  // a folder: the default name is used
    ASSERT_EQ(WriteST1JS1(&j.p), 0u);
    EXPECT_EQ(j.ui.lastDefaultName, "DMlistPvr-JS1-20240305.bin");
    std::string bytes;
    ASSERT_TRUE(readFileWhole((j.dir / "DMlistPvr-JS1-20240305.bin").string(), &bytes));
    EXPECT_EQ(bytes.size(), 336000u);
    EXPECT_EQ(bytes.substr(0, 28), "WCXT5S51CHAN0006202403050709");
    EXPECT_TRUE(fs::exists(j.dir / "DMlistPvr-JS1-20240305.log"));
    ASSERT_EQ(j.ui.boxes.size(), 2u);
    EXPECT_EQ(j.ui.boxes[0].caption, "Warning");
    EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconWarning});
    const std::string& text = j.ui.boxes[0].text;
    EXPECT_NE(text.find("Channel 10 \"C\": teletext PID 0x1FFE"), std::string::npos);
    EXPECT_EQ(text.find("Channel 11"), std::string::npos);
    EXPECT_NE(text.find("(2 more)"), std::string::npos);
    EXPECT_EQ(j.ui.boxes[1].text, "The file was written correctly.");
    EXPECT_TRUE(j.ui.find("hGenerate")->enabled);
}

TEST(JstJob, LimitStopsBeforeTheSaveDialogAndCancelWritesNothing) {
    JstJob j(jst::kFamilyST1);
    j.d.report.radioChannels = 720;
    j.ui.find("progGen")->pos = 40;  // left by an earlier job
    EXPECT_EQ(WriteST1JS1(&j.p), 1u);
    EXPECT_EQ(j.ui.find("progGen")->pos, 40) << "the limits come before the bar is reset";
    const std::string msg = "Excessive number of RADIO channels for the format JST. (719 max)";
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].text, msg);
    EXPECT_EQ(j.ui.boxes[0].caption, " Error");
    EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconError});
    ASSERT_FALSE(j.ui.statusLog[1].empty());
    EXPECT_EQ(j.ui.statusLog[1].back(), msg);
    EXPECT_TRUE(j.ui.lastDefaultName.empty());
    EXPECT_TRUE(j.ui.find("hGenerate")->enabled);

    j.d.report.radioChannels = 0;
    j.ui.answerSave(std::nullopt);
    EXPECT_EQ(WriteST1JS1(&j.p), 1u);
    EXPECT_EQ(j.ui.lastDefaultName, "DMlistPvr-ST1-20240305.bin");
    EXPECT_EQ(j.ui.statusLog[1].back(), "Unable to open file.");
    EXPECT_TRUE(fs::is_empty(j.dir));
}
