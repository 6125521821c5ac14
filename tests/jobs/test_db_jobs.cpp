// A download started by the job launcher: what it hands back reaches the
// front end through the end of the job, on the front end's thread.
#include <gtest/gtest.h>

#include "app/programRecords.h"
#include "channels/dbTypes.h"
#include "jobs/jobLauncher.h"
#include "platform/threadRunner.h"
#include "tests/download/jobGlobals.h"
#include "tests/support/recordingEvents.h"

namespace {

TEST(DownloadLauncher, ForumRequestAndDroppedRowsArriveWithTheEnd) {
    RecordingEvents ui;
    ThreadRunner runner;
    resetJobGlobals();
    // Satellite 300 has a channel with more audio tracks and CAS ids than
    // a channel keeps.
    satParam.sat[++satParam.count] =
        T_satRec{300, "Crowded", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, "111", "11111", "1"};
    catParam.count = 1;
    const T_dbConnOverride conn{"127.0.0.1", "vauser",        "vapass1", "velartis",
                                "",          VA_TEST_DB_PORT, false};
    std::vector<std::pair<T_jobEnd, std::thread::id>> ends;
    ASSERT_TRUE(startDownloadJob(programJobSource(&ui, &runner, &conn), [&](const T_jobEnd& e) {
        ends.push_back({e, std::this_thread::get_id()});
    }));
    runner.waitJob();

    ASSERT_EQ(ends.size(), 1u);
    const T_jobEnd& e = ends[0].first;
    EXPECT_EQ(ends[0].second, std::this_thread::get_id());
    EXPECT_TRUE(e.download);
    EXPECT_EQ(e.type, 0);
    EXPECT_EQ(e.code, 0u);
    // The server's message row asks for the forum; the job never wrote the
    // live configuration.
    EXPECT_EQ(e.showForum, 1);
    EXPECT_EQ(cfgParam.showForum, 0);
    EXPECT_EQ(e.dropped.channelAudio, 2u);
    EXPECT_EQ(e.dropped.channelCas, 2u);
    EXPECT_GT(chDB.count, 0u);
    EXPECT_EQ(ui.reported[static_cast<int>(ReportField::kSat)], "1");
    for (const auto& call : ui.taken()) EXPECT_NE(call.thread, std::this_thread::get_id());
}

}  // namespace
