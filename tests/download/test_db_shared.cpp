// One database for many users: a download reads one snapshot, a host list
// is tried in turn, a busy server is tried again and a stalled one ends in
// seconds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "channels/dbTypes.h"
#include "config/textFunc.h"
#include "download/dbLink.h"
#include "download/download.h"
#include "download/session.h"
#include "tests/download/jobGlobals.h"
#include "tests/support/loopbackPort.h"
#include "tests/support/recordingEvents.h"

namespace {

using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

int shell(const std::string& cmd) { return std::system(cmd.c_str()); }
std::string dbServer() {
    return std::string("VA_DB_DIR='") + VA_TEST_DB_DIR +
           "' VA_DB_PORT=" + std::to_string(VA_TEST_DB_PORT) + " bash '" + VA_SOURCE_DIR +
           "/tools/dbserver.sh' ";
}
std::string local(unsigned port) { return "127.0.0.1:" + std::to_string(port); }

T_dbConnOverride conn(const std::string& host, const std::string& name) {
    T_dbConnOverride c;
    c.host = host;
    c.user = "vauser";
    c.password = "vapass1";
    c.passwordSet = true;
    c.name = name;
    return c;
}

struct Outcome {
    uint32_t code;
    int64_t version;
    std::string server, status, names;
    uint32_t audio = 0;  // audio tracks of all channels: read after the channels
};

// A list-type-0 download of the bundled data's satellites.
Outcome download(const T_dbConnOverride& c) {
    resetJobGlobals();
    for (int id : {192, 130, 282, 3592}) {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{id, "Sat", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1, "111", "11111", "1111"};
    }
    RecordingEvents ui;
    auto p = globalRequest(&ui, c);
    Outcome o{DownloadDataCh(p.get()), p->dataVersion, p->server, ui.shown[1], ""};
    for (uint32_t i = 1; i <= chDB.count; ++i) {
        o.names += fieldText(chDB.ch[i].ch_name) + "|";
        o.audio += chDB.ch[i].audioCount;
    }
    return o;
}

class SharedDb : public ::testing::Test {
protected:
    std::string name = "va_shared_" + std::to_string(getpid());
    void SetUp() override {
        ASSERT_EQ(shell(dbServer() + "sql -e \"DROP DATABASE IF EXISTS " + name +
                        "; CREATE DATABASE " + name + " CHARACTER SET latin1; GRANT ALL ON " +
                        name + ".* TO 'vauser'@'127.0.0.1';\""),
                  0);
        ASSERT_EQ(shell("cat '" VA_SOURCE_DIR "/tools/schema.sql' '" VA_SOURCE_DIR
                        "/tools/sample_data.sql' | " +
                        dbServer() + "sql --database=" + name),
                  0);
    }
    void TearDown() override {
        dbQueryTrace = nullptr;
        shell(dbServer() + "sql -e 'DROP DATABASE IF EXISTS " + name +
              "; DROP USER IF EXISTS vabusy@127.0.0.1'");
    }
};

// Changes channels and their audio tracks and raises the version in one commit,
// as an import does.
std::string* snapshotDb = nullptr;
void commitAtChannels(const std::string& sql) {
    if (!snapshotDb || sql.find(" Channels c") == std::string::npos) return;
    const std::string db = *snapshotDb;
    snapshotDb = nullptr;
    DbLink link;
    ASSERT_TRUE(link.open(conn(local(VA_TEST_DB_PORT), db))) << link.error();
    for (const char* s : {"START TRANSACTION", "UPDATE Channels SET ch_name = CONCAT('new ', ch_name)",
                          "DELETE FROM ChannelAudio",
                          "UPDATE DataVersion SET version = version + 1 WHERE id = 1", "COMMIT"})
        ASSERT_TRUE(link.exec(s)) << s << ": " << link.error();
}

TEST_F(SharedDb, ACommitBetweenStatementsIsWhollyInOrOut) {
    const T_dbConnOverride c = conn(local(VA_TEST_DB_PORT), name);
    const Outcome before = download(c);
    ASSERT_EQ(before.code, kDownloadOk) << before.status;
    ASSERT_GT(before.version, 0);
    ASSERT_GT(before.audio, 0u);

    // The commit lands after satellites and transponders were read.
    snapshotDb = &name;
    dbQueryTrace = commitAtChannels;
    const Outcome during = download(c);
    dbQueryTrace = nullptr;
    ASSERT_EQ(snapshotDb, nullptr) << "the channel statement never came";
    ASSERT_EQ(during.code, kDownloadOk) << during.status;
    EXPECT_EQ(during.names, before.names);
    EXPECT_EQ(during.audio, before.audio);
    EXPECT_EQ(during.version, before.version);

    const Outcome after = download(c);
    ASSERT_EQ(after.code, kDownloadOk) << after.status;
    EXPECT_NE(after.names, before.names);
    EXPECT_EQ(after.audio, 0u);
    EXPECT_EQ(after.version, before.version + 1);
    int64_t v = 0;
    std::string err;
    ASSERT_TRUE(readDataVersion(T_cfgStruct{}, c, &v, &err)) << err;
    EXPECT_EQ(v, after.version);
}

TEST_F(SharedDb, ServersTriedInTurnBusyOnesAgainStalledOnesNotLong) {
    std::vector<DbServer> servers;
    std::string err;
    ASSERT_TRUE(parseDbServers(" db1 ,db2:3307,[::1]:3308,::1", &servers, &err)) << err;
    ASSERT_EQ(servers.size(), 4u);
    EXPECT_EQ(servers[1].host + "/" + std::to_string(servers[1].port), "db2/3307");
    EXPECT_EQ(servers[2].host + "/" + std::to_string(servers[2].port), "::1/3308");
    EXPECT_EQ(servers[3].host + "/" + std::to_string(servers[3].port), "::1/0");
    for (const char* bad : {"a,,b", "a:0", "a:70000", "a:x", "[::1", "[::1]x", "a:"})
        EXPECT_FALSE(parseDbServers(bad, &servers, &err)) << bad;

    // Nobody at the first port, a server that accepts and never greets at
    // the second: the download ends on the third, in a connect timeout.
    int closedFd = -1, stalledFd = -1;
    const int closed = loopbackPort(false, &closedFd), stalled = loopbackPort(true, &stalledFd);
    ASSERT_GT(closed, 0);
    ASSERT_GT(stalled, 0);
    const std::string dead = local(static_cast<unsigned>(closed)),
                      mute = local(static_cast<unsigned>(stalled));
    auto t0 = Clock::now();
    Outcome o = download(conn(dead + "," + mute + "," + local(VA_TEST_DB_PORT), name));
    std::chrono::duration<double> took = Clock::now() - t0;
    EXPECT_EQ(o.code, kDownloadOk) << o.status;
    EXPECT_EQ(o.server, local(VA_TEST_DB_PORT));
    EXPECT_LT(took.count(), kDbConnectTimeout + 10.0);

    // None answers: each one's reason, in well under half a minute.
    t0 = Clock::now();
    DbSession s;
    T_dbConnOverride none = conn(dead + "," + mute, name);
    EXPECT_FALSE(s.open(dbConnValues(T_cfgStruct{}, none)));
    took = Clock::now() - t0;
    EXPECT_THAT(s.error(), HasSubstr(dead + ": "));
    EXPECT_THAT(s.error(), HasSubstr("; " + mute + ": "));
    EXPECT_LT(took.count(), 30.0);
    close(stalledFd);

    // A user at its connection limit: the next connect waits and gets in
    // once the first one leaves; while it stays, the connect gives up soon.
    ASSERT_EQ(shell(dbServer() + "sql -e \"CREATE USER vabusy@127.0.0.1 IDENTIFIED BY 'b' WITH "
                                 "MAX_USER_CONNECTIONS 1; GRANT SELECT ON " +
                    name + ".* TO vabusy@127.0.0.1\""),
              0);
    T_dbConnValues busy = dbConnValues(T_cfgStruct{}, conn(local(VA_TEST_DB_PORT), name));
    busy.user = "vabusy";
    busy.password = "b";
    auto first = std::make_unique<DbSession>();
    ASSERT_TRUE(first->open(busy)) << first->error();
    t0 = Clock::now();
    DbSession second;
    EXPECT_FALSE(second.open(busy));
    EXPECT_THAT(second.error(), HasSubstr("max_user_connections"));
    took = Clock::now() - t0;
    EXPECT_GT(took.count(), 0.3);  // tried again, not given up at once
    EXPECT_LT(took.count(), 6.0);
    std::thread leave([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        first.reset();
    });
    EXPECT_TRUE(second.open(busy)) << second.error();
    leave.join();
}

}  // namespace
