// The AZbox job through the recording platform: folder, files, limits.
#include <algorithm>
#include <filesystem>

#include "azboxTestDb.h"
#include "config/fileIo.h"
#include "platform/memoryPlatform.h"

namespace fs = std::filesystem;

namespace {

struct Job {
    std::unique_ptr<AzDb> db = std::make_unique<AzDb>();
    T_idxFav favs{};
    MemoryPlatform ui;
    T_Widget w{};
    T_FnPARAM p{};
    fs::path dir;

    Job() {
        generate(*db, 3, 6, 20);
        createWidgetHandles(&w, &ui);
        ui.setClock(VaTime{2024, 3, 5, 7, 9, 30});
        char tmpl[] = "/tmp/azbox_job_XXXXXX";
        dir = mkdtemp(tmpl);
        p.cfgParam = &db->cfg, p.bouParam = &db->bou, p.bouIParam = &db->bouI, p.catParam = &db->cat;
        p.favParam = &favs, p.favIParam = &db->favI, p.natParam = &db->nat, p.MsgLang = &db->lang;
        p.satDB = db->sats.get(), p.tpDB = db->tps.get(), p.chDB = db->chs.get();
        p.favDB = db->favs.get(), p.chFavDB = db->links.get(), p.Report = &db->report, p.Widget = &w;
    }
    ~Job() { fs::remove_all(dir); }
    fs::path folder() const { return dir / "DalmeroListAZbox_2024-03-05_07-09"; }
    uint32_t run(bool pickFolder = true) {
        ui.answerFolder(pickFolder ? std::optional<std::string>(dir.string()) : std::nullopt);
        return WriteAZbox(&p);
    }
    std::string file(const char* name) const {
        std::string bytes;
        EXPECT_TRUE(readFileWhole((folder() / name).string(), &bytes)) << name;
        return bytes;
    }
    bool browsed() const {
        return std::any_of(ui.calls.begin(), ui.calls.end(), [](auto& c) { return c.rfind("browse", 0) == 0; });
    }
};

TEST(AzboxJob, WritesTheThreeFilesWholeIntoTheDatedFolder) {
    Job job;
    job.db->cfg.logFile = 1;
    job.db->ch(1, 99, "Lost", 0, "0099");
    ASSERT_EQ(job.run(), 0u);
    // The channel left out is named before the folder is chosen.
    ASSERT_EQ(job.ui.boxes.size(), 2u);
    EXPECT_EQ(job.ui.boxes[0].caption, "Warning");
    EXPECT_NE(job.ui.boxes[0].text.find("Channel 21 \"Lost\""), std::string::npos);
    EXPECT_EQ(job.ui.calls[0].rfind("box Warning", 0), 0u);
    EXPECT_EQ(job.ui.calls[1].rfind("browse", 0), 0u);
    std::string all, dvbs, antenna;
    ASSERT_TRUE(buildAzboxAllChannel(job.db->in(), job.db->lists(), &all).ok);
    ASSERT_TRUE(buildAzboxDvbs(job.db->in(), &dvbs).ok);
    ASSERT_TRUE(buildAzboxAntennaList(job.db->in(), &antenna).ok);
    EXPECT_TRUE(job.file("all_channel.dat") == all);
    EXPECT_TRUE(job.file("DVBS.dat") == dvbs);
    EXPECT_TRUE(job.file("antenna_list.dat") == antenna);
    EXPECT_TRUE(fs::exists(job.folder() / "Velartis.log"));
    EXPECT_EQ(job.ui.boxes[1].text, "The file was written correctly.");
    EXPECT_EQ(job.ui.boxes[1].caption, "Message");
    EXPECT_EQ(job.ui.find("progGen")->pos, 100);
    EXPECT_TRUE(job.ui.find("hGenerate")->enabled);

    // A second job of the same minute deletes the old files first: without
    // a log this time, the old log is gone. A file that cannot be written
    // stops the job; what was written before it stays.
    job.db->cfg.logFile = 0;
    setWriteFaultHook([](const std::string& path, size_t) { return path.find("DVBS.dat") == std::string::npos; });
    EXPECT_EQ(job.run(), 1u);
    setWriteFaultHook(nullptr);
    EXPECT_FALSE(fs::exists(job.folder() / "Velartis.log"));
    EXPECT_TRUE(job.file("all_channel.dat") == all);
    EXPECT_FALSE(fs::exists(job.folder() / "DVBS.dat"));
    EXPECT_FALSE(fs::exists(job.folder() / "antenna_list.dat"));
    EXPECT_EQ(job.ui.find("status")->status[0], " Error");
    EXPECT_EQ(job.ui.find("status")->status[1].rfind("Unable to open file.", 0), 0u);
}

TEST(AzboxJob, SatelliteLimitStopsBeforeTheFolderBrowser) {
    Job job;
    job.db->report.fakeSatellites = 241;
    EXPECT_EQ(job.run(), 1u);
    EXPECT_FALSE(job.browsed());
    ASSERT_EQ(job.ui.boxes.size(), 1u);
    EXPECT_EQ(job.ui.boxes[0].text, "Too many satellites for AZBox format. (240 max)");
    EXPECT_EQ(job.ui.boxes[0].caption, " Error");
    EXPECT_EQ(job.ui.boxes[0].flags, static_cast<unsigned>(kMbIconError));
    EXPECT_EQ(job.ui.find("status")->status[1], "Too many satellites for AZBox format. (240 max)");
    EXPECT_TRUE(fs::is_empty(job.dir));
    EXPECT_TRUE(job.ui.find("hDownload")->enabled);

    // 240 is allowed; cancelling the browser ends the job without a word.
    Job ok;
    ok.db->report.fakeSatellites = 240;
    EXPECT_EQ(ok.run(false), 1u);
    EXPECT_TRUE(ok.browsed());
    EXPECT_TRUE(ok.ui.boxes.empty());
}

}  // namespace
