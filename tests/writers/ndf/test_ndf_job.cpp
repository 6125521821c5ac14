#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "config/fileIo.h"
#include "ndfFixture.h"
#include "platform/memoryPlatform.h"

namespace fs = std::filesystem;

namespace {

class NdfJob : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/va-ndf-job-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        createWidgetHandles(&widget, &ui);
        ui.setClock(t.start);
        initAppIdentity(&t.cfg);
        p = {.cfgFile = nullptr,
             .cfgParam = &t.cfg,
             .satParam = nullptr,
             .bouParam = nullptr,
             .bouIParam = &t.bouI,
             .catParam = &cat,
             .favParam = &fav,
             .favIParam = &t.favI,
             .natParam = &t.nat,
             .MsgLang = &t.lang,
             .satDB = t.sat.get(),
             .tpDB = t.tp.get(),
             .chDB = t.ch.get(),
             .favDB = t.fav.get(),
             .chFavDB = t.chFav.get(),
             .Report = &t.report,
             .Widget = &widget};
        fillGoldenTables(t);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.insert(e.path().filename().string());
        return names;
    }

    NdfTables t;
    T_idxCat cat{};
    T_idxFav fav{};
    T_FnPARAM p{};
    MemoryPlatform ui;
    T_Widget widget{};
    std::string dir;
};

}  // namespace

TEST_F(NdfJob, WritesTheWholeImageUnderTheDefaultNameWithItsLog) {
    t.cfg.logFile = 1;
    ui.answerSave(dir);  // the folder: the dialog keeps the proposed name
    EXPECT_EQ(WriteNDF(&p), 0u);
    EXPECT_EQ(ui.lastDefaultName, "DMlistNDF-20240307.ndf");
    EXPECT_EQ(files(), (std::set<std::string>{"DMlistNDF-20240307.ndf", "DMlistNDF-20240307.log"}));

    std::string onDisk, expected;
    ASSERT_TRUE(readFileWhole(dir + "/DMlistNDF-20240307.ndf", &onDisk));
    ASSERT_TRUE(buildNdfImage(t.input(), &expected).ok);
    EXPECT_EQ(onDisk, expected);
    EXPECT_EQ(onDisk.substr(4, 4), std::string("\xD6\x04\0\0", 4)) << "size field = file length";

    ASSERT_EQ(ui.boxes.size(), 1u) << "nothing was left out, so no warning";
    EXPECT_EQ(ui.boxes[0].text, "The file was written correctly.");
    EXPECT_EQ(ui.find("status")->status[1], "The file was written correctly.");
    EXPECT_EQ(ui.find("progGen")->pos, 100);

    // A typed name without extension gets ".ndf"; without logFile no log.
    t.cfg.logFile = 0;
    ui.answerSave(dir + "/mylist");
    EXPECT_EQ(WriteNDF(&p), 0u);
    EXPECT_TRUE(fs::exists(dir + "/mylist.ndf"));
    EXPECT_FALSE(fs::exists(dir + "/mylist.log"));

    // A record left out is named in a warning before the rest is written.
    appendCas(&t.ch->ch[2], 40);
    ui.boxes.clear();
    ui.answerSave(dir + "/warned.ndf");
    EXPECT_EQ(WriteNDF(&p), 0u);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, "Warning");
    EXPECT_EQ(ui.boxes[0].flags & 0xF0, static_cast<unsigned>(kMbIconWarning));
    EXPECT_NE(ui.boxes[0].text.find("Channel 2 \"Rai 1 HD\""), std::string::npos)
        << ui.boxes[0].text;
    ASSERT_TRUE(readFileWhole(dir + "/warned.ndf", &onDisk));
    EXPECT_EQ(onDisk.find("Rai 1 HD"), std::string::npos);
    EXPECT_NE(onDisk.find("Radio 2"), std::string::npos);
}

TEST_F(NdfJob, SatelliteLimitShowsItsTextAndWritesNothing) {
    t.report.fakeSatellites = 61;
    ui.answerSave(dir);
    EXPECT_EQ(WriteNDF(&p), 1u);
    const std::string msg = "Too many satellites for NDF format. (61 max)";
    EXPECT_EQ(ui.find("status")->status[0], " Error");
    EXPECT_EQ(ui.find("status")->status[1], msg);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, msg);
    EXPECT_EQ(ui.boxes[0].caption, " Error");
    EXPECT_EQ(ui.boxes[0].flags & 0xF0, static_cast<unsigned>(kMbIconError));
    EXPECT_TRUE(ui.lastDefaultName.empty()) << "no save dialog after a refusal";
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(ui.find("hDownload")->enabled) << "the window comes back";
}
