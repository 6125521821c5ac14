// Sending a list to a receiver that the test starts on loopback: an FTP
// server on a folder that stands for the box's / and the box's web
// interface (tests/support/fakebox). After every send the box holds the old
// list or the new one whole, and the result says which.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "send/boxSend.h"
#include "send/sha256.h"
#include "tests/cli/cliRun.h"
#include "tests/support/fakebox/fakeBox.h"
#include "tests/support/files.h"
#include "tests/support/recordingEvents.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

void put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    ASSERT_TRUE(writeFileWhole(p.string(), bytes, nullptr));
}

// Every file below root by its path there.
std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out["/" + fs::relative(e.path(), root).string()] = slurp(e.path());
    return out;
}

// A box with an older list of its own, files of its own beside it and a
// plugin's folder.
void oldBox(const fs::path& root) {
    const fs::path e2 = root / "etc/enigma2";
    put(e2 / "lamedb", "eDVB services /4/\ntransponders\nend\nservices\nend\n");
    put(e2 / "lamedb5", "eDVB services /5/\n# stale\n");
    put(e2 / "bouquets.tv",
        "#NAME Bouquets (TV)\n#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.old.tv\" "
        "ORDER BY bouquet\n");
    put(e2 / "userbouquet.old.tv", "#NAME Old\n");
    put(e2 / "userbouquet.gone.tv", "#NAME Gone\n");  // named by no index: comes back at a reload
    put(e2 / "settings", "config.misc.firstrun=false\n");
    put(e2 / "AutoBouquetsMaker/providers.xml", "<providers/>\n");
    put(root / "etc/tuxbox/satellites.xml", "<satellites/>\n");
}

// A small Enigma2 list as Velartis writes one.
void newList(const fs::path& dir) {
    put(dir / "lamedb",
        "eDVB services /4/\ntransponders\n00c00000:0001:0001\n\ts "
        "11494000:22000000:1:2:192:2:0\n/\nend\nservices\n0001:00c00000:0001:0001:1:0\nDas "
        "Erste\np:ARD\nend\n");
    put(dir / "bouquets.tv",
        "#NAME Dalmero - bouquets (TV)\n#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe00.tv\n"
        "#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.dbe01.tv\n");
    put(dir / "userbouquet.dbe00.tv", "#NAME News & Sport\n#SERVICE 1:0:1:1:1:1:C00000:0:0:0:\n");
    // A Windows-1252 name (--enigma-text cp1252), which the box shows as it
    // decodes it.
    put(dir / "userbouquet.dbe01.tv", "#NAME Caf\xE9 Kids\n");
    put(dir / "satellites.xml",
        "<satellites><sat name=\"Astra 19.2E\" position=\"192\"/></satellites>\n");
    put(dir / "blacklist", "1:0:1:1:1:1:C00000:0:0:0:\n");
    put(dir / "Velartis.log", "not sent\n");
}

class Send : public ::testing::Test {
protected:
    fs::path dir, root, list, backups, faults, ready;
    FakeBox fake;
    BoxAddress box;
    RecordingEvents events;
    const LangStruct& en = *langTable(kLangEnglish);

    void SetUp() override {
        if (!FakeBox::available()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
        dir = fs::temp_directory_path() /
              ("va_send_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        root = dir / "box";
        list = dir / "list";
        backups = dir / "backups";
        faults = dir / "faults.json";
        ready = dir / "ready.json";
        oldBox(root);
        newList(list);
        put(faults, "{}");
    }
    void TearDown() override {
        fake.stop();
        fs::remove_all(dir);
    }
    void start(const char* server = "pyftpdlib", const char* user = "root") {
        ASSERT_TRUE(fake.start(root, faults, ready, server, user)) << "the box did not start";
        box = fake.address;
    }
    SendOptions options(const char* stamp = "2026-12-07_10-00-00") {
        SendOptions o;
        o.backupRoot = backups.string();
        o.stamp = stamp;
        return o;
    }
    SendResult send(ShadowChoice shadow = ShadowChoice::kStop) {
        SendOptions o = options();
        o.shadow = shadow;
        return sendList(list.string(), box, o, en, events);
    }
    // The box's /etc as the list would leave it: the list's files, the
    // box's own ones, the stale bouquet and lamedb5 gone.
    std::map<std::string, std::string> expectedAfter(
        const std::map<std::string, std::string>& before) {
        std::map<std::string, std::string> t = before;
        t.erase("/etc/enigma2/lamedb5");
        t.erase("/etc/enigma2/userbouquet.old.tv");
        t.erase("/etc/enigma2/userbouquet.gone.tv");
        for (const auto& [p, bytes] : tree(list)) {
            if (p == "/Velartis.log") continue;
            t[(p == "/satellites.xml" ? "/etc/tuxbox" : "/etc/enigma2") + p] = bytes;
        }
        return t;
    }
};

TEST_F(Send, ReplacesTheListWholeReloadsItAndRestoresTheBackupByteForByte) {
    start();
    const auto before = tree(root);
    SendResult r = send();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(tree(root), expectedAfter(before));
    EXPECT_EQ(r.state, BoxState::kNew);
    EXPECT_EQ(r.verified, "the receiver shows the list's 2 TV bouquets");
    // Services and bouquets, transponders, parental lists: each reloaded.
    EXPECT_EQ(r.reload,
              "reloaded both; reloaded transponders; reloaded parentalcontrol "
              "white-/blacklist");
    EXPECT_THAT(r.removed, ::testing::UnorderedElementsAre("/etc/enigma2/lamedb5",
                                                           "/etc/enigma2/userbouquet.old.tv",
                                                           "/etc/enigma2/userbouquet.gone.tv"));
    // The backup: every list file of the box, with its digest.
    const std::string manifest = slurp(fs::path(r.backup) / "manifest.txt");
    EXPECT_THAT(manifest, HasSubstr(sha256Hex(before.at("/etc/enigma2/lamedb")) + " "));
    EXPECT_EQ(manifest.find("settings"), std::string::npos);
    EXPECT_EQ(r.backedUp.size(), 6u);

    SendOptions o;
    SendResult back = restoreBackup(r.backup, box, o, en, events);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.state, BoxState::kBackup);
    EXPECT_EQ(tree(root), before);
    // A backup changed since is refused before the box is touched.
    put(fs::path(r.backup) / "etc/enigma2/lamedb", "tampered");
    back = restoreBackup(r.backup, box, o, en, events);
    EXPECT_FALSE(back.ok);
    EXPECT_THAT(back.error, HasSubstr("not the file the manifest names"));
    EXPECT_EQ(tree(root), before);

    // A satellites.xml under /etc/enigma2 would hide the list's: the send
    // stops untouched, or replaces both when told.
    put(root / "etc/enigma2/satellites.xml", "<satellites/>\n");
    const auto shadowed = tree(root);
    r = send();
    EXPECT_FALSE(r.ok);
    EXPECT_THAT(r.error, HasSubstr("would hide"));
    EXPECT_EQ(tree(root), shadowed);
    r = send(ShadowChoice::kReplace);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(slurp(root / "etc/enigma2/satellites.xml"), slurp(list / "satellites.xml"));
}

TEST_F(Send, EveryFaultLeavesTheOldListOrTheNewOneAndSaysWhich) {
    start();
    const auto before = tree(root);
    const auto after = expectedAfter(before);
    struct Case {
        const char* faults;
        bool changed;  // the new list is in place
        BoxState state;
        const char* why;
    } cases[] = {
        {R"({"cut_stor_after": 100, "cut_stor_match": "lamedb", "cut_stor_times": 1})", false,
         BoxState::kOld, "lamedb"},
        {R"({"disk_full_after": 300})", false, BoxState::kOld, "452"},
        {R"({"refuse_rename_match": "velartis-new", "refuse_rename_after": 0})", false,
         BoxState::kOld, "renaming"},
        {R"({"refuse_rename_match": "velartis-new.userbouquet.dbe01", "refuse_rename_after": 0})",
         false, BoxState::kOld, "renaming"},
        {R"({"reload_noop": true})", true, BoxState::kNotLoaded, "did not take"},
        {R"({"http_down": true})", true, BoxState::kNotLoaded, "web interface"},
    };
    auto oldListBack = [&] {
        for (const auto& [p, bytes] : before) put(root / p.substr(1), bytes);
        for (const auto& [p, bytes] : tree(root))
            if (!before.count(p)) fs::remove(root / p.substr(1));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        oldListBack();
        put(faults, c.faults);
        const SendResult r = send();
        put(faults, "{}");
        EXPECT_FALSE(r.ok);
        EXPECT_THAT(r.error, HasSubstr(c.why));
        EXPECT_EQ(r.state, c.state);
        EXPECT_EQ(tree(root), c.changed ? after : before);
    }
    // A wrong password stops at the backup.
    oldListBack();
    box.password = "wrong";
    const SendResult r = send();
    EXPECT_FALSE(r.ok);
    EXPECT_THAT(r.error, HasSubstr("the backup failed, nothing was changed"));
    EXPECT_EQ(tree(root), before);
}

// A send is a job: its steps and its bar go through the events, the bar
// only forward, in the language it was given; a cancel before the first
// rename leaves the box as it was, one after it is too late to take.
TEST_F(Send, ReportsItsStepsAndMayBeCancelledUntilTheFirstRename) {
    start();
    const auto before = tree(root);
    const LangStruct& it = *langTable(kLangItalian);
    const SendOptions o = options("2026-12-07_12-00-00");
    int uploads = 0;
    events.cancelWhen = [&] { return ++uploads > 8; };  // past the backup's fetches
    SendResult r = sendList(list.string(), box, o, it, events);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.state, BoxState::kOld);
    EXPECT_EQ(r.error, fieldText(it.msgCanceled));
    EXPECT_EQ(tree(root), before);  // no temporary file left either
    const std::vector<std::string>& steps = events.statusLog[1];
    EXPECT_THAT(steps, ::testing::Contains(HasSubstr("invio di /etc/enigma2/bouquets.tv")));

    // Asked to stop once the files go in place: too late, the send ends.
    RecordingEvents late;
    late.cancelWhen = [&] {
        return !late.statusLog[1].empty() &&
               late.statusLog[1].back().find("al suo posto") != std::string::npos;
    };
    r = sendList(list.string(), box, o, it, late);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.boxState, "la nuova lista");
    EXPECT_EQ(tree(root), expectedAfter(before));
    EXPECT_TRUE(std::is_sorted(late.generateSteps.begin(), late.generateSteps.end()));
    EXPECT_EQ(late.bar[1], 100);
}

// Enigma1 has one settings folder and no web interface to reload through.
TEST_F(Send, AnEnigma1ListGoesToItsSettingsFolderAndWaitsForTheRestart) {
    start();
    const fs::path e1 = dir / "e1";
    put(e1 / "services", "eDVB services /3/\nservices\nend\n");
    put(e1 / "bouquets", "eDVB bouquets /3/\nbouquets\nend\n");
    put(e1 / "satellites.xml", "<satellites/>\n");
    const fs::path folder = root / "var/tuxbox/config/enigma";
    put(folder / "services", "old\n");
    SendOptions o = options("2026-12-07_11-00-00");
    o.kind = BoxKind::kEnigma1;
    const SendResult r = sendList(e1.string(), box, o, en, events);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.state, BoxState::kNotLoaded);
    EXPECT_EQ(r.boxState, "the new list, in place: restart the receiver to load it");
    EXPECT_TRUE(r.reload.empty());
    EXPECT_EQ(r.backedUp, std::vector<std::string>{"/var/tuxbox/config/enigma/services"});
    for (const char* n : {"services", "bouquets", "satellites.xml"})
        EXPECT_EQ(slurp(folder / n), slurp(e1 / n)) << n;
}

// A box whose FTP server takes only TLS gets the list over FTPS, which
// the send asks for first; one that lacks TLS gets it in plain FTP (above).
TEST_F(Send, GoesOverFtpsWhereTheBoxTakesOnlyThat) {
    if (!fs::exists("/usr/sbin/vsftpd") || geteuid() != 0)
        GTEST_SKIP() << "vsftpd (as root) is not here";
    start("vsftpd-tls", "anonymous");
    const auto before = tree(root);
    const SendResult r = send();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(tree(root), expectedAfter(before));
}

// A server without MLSD (vsftpd) is listed by NLST; the tool sends in one
// command and says what it did in its JSON report, never the password.
TEST_F(Send, ToolSendsThroughAServerWithoutMlsd) {
    if (!fs::exists("/usr/sbin/vsftpd")) GTEST_SKIP() << "vsftpd is not installed";
    // vsftpd runs as anonymous here; the web interface takes that user.
    start("vsftpd", "anonymous");
    const auto before = tree(root);
    put(dir / "pw", "secret\n");
    const fs::path json = dir / "send.json";
    CliResult c = runCliTool("send '" + list.string() + "' --box 127.0.0.1 --ftp-port " +
                             std::to_string(box.ftpPort) + " --http-port " +
                             std::to_string(box.httpPort) + " --box-user " + box.user +
                             " --password-file '" + (dir / "pw").string() + "' --backup-dir '" +
                             backups.string() + "' --report-json '" + json.string() + "'");
    EXPECT_EQ(c.exitCode, 0) << c.out;
    EXPECT_EQ(tree(root), expectedAfter(before));
    const std::string report = slurp(json);
    EXPECT_THAT(report, HasSubstr("\"ok\": true"));
    EXPECT_THAT(report, HasSubstr("\"/etc/enigma2/userbouquet.gone.tv\""));
    EXPECT_EQ(report.find("secret"), std::string::npos);
    EXPECT_EQ(c.out.find("secret"), std::string::npos);
}

}  // namespace
