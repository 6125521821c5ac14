// A download started by the job launcher: what it hands back reaches the
// front end through the end of the job, on the front end's thread.
#include <gtest/gtest.h>

#include "config/lang.h"
#include "config/textFunc.h"
#include "channels/dbTypes.h"
#include "download/jobParam.h"
#include "jobs/jobLauncher.h"
#include "tests/download/jobGlobals.h"
#include "tests/platform/threadCheckPlatform.h"

namespace {

TEST(DownloadLauncher, ForumRequestAndDroppedRowsArriveWithTheEnd) {
    ThreadCheckPlatform ui;
    resetJobGlobals(&ui);
    // Satellite 300 has a channel with more audio tracks and CAS ids than
    // a channel keeps.
    satParam.sat[++satParam.count] =
        T_satRec{300, "Crowded", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, "111", "11111", "1"};
    catParam.count = 1;
    const T_dbConnOverride conn{"127.0.0.1", "vauser",        "vapass1", "velartis",
                                "",          VA_TEST_DB_PORT, false};
    T_FnPARAM shared = globalJobParam();
    shared.dbConn = &conn;

    std::vector<int> forumDuringJob;
    ui.onCall = [&](const std::string& what) {
        if (what == "status") forumDuringJob.push_back(cfgParam.showForum);
    };
    std::vector<std::pair<T_jobEnd, std::thread::id>> ends;
    const size_t before = ui.taken().size();
    ASSERT_TRUE(startDownloadJob(shared, [&](const T_jobEnd& e) {
        ends.push_back({e, std::this_thread::get_id()});
        EXPECT_EQ(cfgParam.showForum, 1);  // already in place for the handler
    }));
    ui.waitJob();

    ASSERT_EQ(ends.size(), 1u);
    const T_jobEnd& e = ends[0].first;
    EXPECT_EQ(ends[0].second, std::this_thread::get_id());
    EXPECT_TRUE(e.download);
    EXPECT_EQ(e.type, 0);
    EXPECT_EQ(e.code, 0u);
    // The server's message row asks for the forum; the job thread never
    // wrote the live configuration, the launcher did once it was told.
    EXPECT_EQ(e.showForum, 1);
    EXPECT_EQ(cfgParam.showForum, 1);
    ASSERT_FALSE(forumDuringJob.empty());
    EXPECT_EQ(std::count(forumDuringJob.begin(), forumDuringJob.end(), 0),
              static_cast<long>(forumDuringJob.size()));
    EXPECT_EQ(e.dropped.channelAudio, 2u);
    EXPECT_EQ(e.dropped.channelCas, 2u);
    EXPECT_GT(chDB.count, 0u);
    // The closing report was shown by this thread.
    const auto calls = ui.taken();
    for (size_t i = before; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].thread == std::this_thread::get_id(),
                  calls[i].what.rfind("show", 0) == 0)
            << calls[i].what;
}

}  // namespace
