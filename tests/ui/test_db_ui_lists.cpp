// The window against the test server: download, then every family, byte for byte
// what the command-line tool writes from the saved configuration.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <map>
#include <regex>

#include "channels/dbTypes.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/dbLink.h"
#include "jobs/families.h"
#include "tests/cli/cliRun.h"
#include "tests/support/fakebox/fakeBox.h"
#include "tests/support/files.h"
#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/sendDialog.h"
#include "ui/widget.h"

namespace fs = std::filesystem;

namespace {

int num(const std::ssub_match& m) { return std::stoi(m.str()); }

// The tool's start time as its list shows it (names, Enigma production line, JST stamp).
VaTime startOf(const fs::path& out) {
    VaTime t{2000, 1, 1, 0, 0, 0};
    std::smatch m;
    const std::regex folder(R"(Dalmero\w+_(\d{4})-(\d\d)-(\d\d)_(\d\d)-(\d\d))");
    const std::regex file(R"(DMlist.*-(\d{4})(\d\d)(\d\d)\.\w+)");
    const std::regex produced(R"(by Dalmero Team - (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d))");
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        const std::string name = e.path().filename().string();
        if (std::regex_match(name, m, folder))
            t = {num(m[1]), num(m[2]), num(m[3]), num(m[4]), num(m[5]), 0};
        if (std::regex_match(name, m, file)) t = {num(m[1]), num(m[2]), num(m[3]), 0, 0, 0};
    }
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        if (!e.is_regular_file() || e.path().extension() == ".log") continue;
        const std::string bytes = slurp(e.path());
        if (std::regex_search(bytes, m, produced))
            return {num(m[1]), num(m[2]), num(m[3]), num(m[4]), num(m[5]), num(m[6])};
        if (bytes.rfind("WCXT", 0) == 0) {
            t.hour = std::stoi(bytes.substr(24, 2));
            t.minute = std::stoi(bytes.substr(26, 2));
        }
    }
    return t;
}

// Every file below root by its path there. A log names the moment it was
// written, which the tool's clock does not fix.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::string bytes = slurp(e.path());
        if (e.path().extension() == ".log")
            bytes = std::regex_replace(bytes, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"), "T");
        out[fs::relative(e.path(), root).string()] = bytes;
    }
    return out;
}

}  // namespace

class ListsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyShipped();
        ASSERT_TRUE(start(testServer()));
        activate();
    }
    // Presses a job's button and waits for its end.
    void run(HCtl button) {
        const int before = wnd->jobsEnded();
        click(button);
        ASSERT_TRUE(ui.jobRunning());
        ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
    }
    CliResult cli(const std::string& args) {
        return runCliTool("--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) +
                          " --db-name velartis_sample --master '" +
                          (dir_ / "VAconfig.vac").string() + "' " + args);
    }
    bool generateSide() const { return widget(Widget.hGenerate)->isEnabled(); }
};

TEST_F(ListsTest, EveryFamilyFromTheWindowIsWhatTheToolWritesFromItsSavedConfiguration) {
    // Hotbird on a single LNB behind a DiSEqC 1.2 positioner, without sport.
    click(Widget.hSatBtn[2]);
    choose(w<QComboBox>(Widget.hLnb), 0);
    choose(w<QComboBox>(Widget.hDiseqc), 1);
    tab(1);
    click(Widget.hCat[2]);
    tab(3);
    run(Widget.hDownload);
    ASSERT_EQ(wnd->lastJobEnd().code, 0u);
    ASSERT_TRUE(generateSide());

    ui.answerSave((dir_ / "flow.cfg").string());
    command(ids::kSaveCfg);
    ASSERT_FALSE(Widget.cfgChanged);
    const std::string cfg = "--config '" + (dir_ / "flow.cfg").string() + "' ";

    const HCtl fields[7] = {Widget.hRepSat,   Widget.hRepTp,     Widget.hRepBou,  Widget.hRepTv,
                            Widget.hRepRadio, Widget.hRepFavGrp, Widget.hRepFavCh};
    // The tool speaks the saved configuration's language, the window's.
    const LangStruct& lang = MsgLang;
    const std::string labels[7] = {
        cp1252ToUtf8(fieldText(lang.lblRepSat)),   cp1252ToUtf8(fieldText(lang.lblRepTp)),
        cp1252ToUtf8(fieldText(lang.lblRepBou)),   cp1252ToUtf8(fieldText(lang.lblRepTv)),
        cp1252ToUtf8(fieldText(lang.lblRepRadio)), cp1252ToUtf8(fieldText(lang.lblRepFavGrp)),
        cp1252ToUtf8(fieldText(lang.lblRepFavCh))};
    for (int t = 0; t < kFamilyCount; ++t) {
        const T_family& f = kFamilies[t];
        SCOPED_TRACE(f.cliName);
        const fs::path cliOut = dir_ / "cli" / f.cliName, wndOut = dir_ / "wnd" / f.cliName;
        fs::create_directories(cliOut);
        fs::create_directories(wndOut);
        const CliResult r =
            cli(cfg + "--format " + f.cliName + " --output '" + cliOut.string() + "'");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        // The window's report is the tool's.
        for (int i = 0; t == 0 && i < 7; ++i) {
            std::smatch m;
            ASSERT_TRUE(std::regex_search(r.out, m, std::regex("  " + labels[i] + " +([^\n]*)\n")));
            EXPECT_EQ(text(fields[i]).toStdString(), m[1].str()) << labels[i];
        }

        ui.setClock(startOf(cliOut));
        click(Widget.hFamily[t]);
        EXPECT_EQ(cfgParam.fileType, t);
        if (f.fileFormat)
            ui.answerSave(wndOut.string());
        else
            ui.answerFolder(wndOut.string());
        run(Widget.hGenerate);
        EXPECT_EQ(wnd->lastJobEnd().code, 0u);
        EXPECT_TRUE(generateSide());

        const auto want = filesBelow(cliOut), got = filesBelow(wndOut);
        EXPECT_GE(want.size(), 2u);  // a list and its log at least
        ASSERT_EQ(want.size(), got.size());
        for (const auto& [name, bytes] : want)
            EXPECT_TRUE(got.count(name) && got.at(name) == bytes) << name << " differs";
    }
}

TEST_F(ListsTest, TheLamedb5BoxPutsLamedb5InTheEnigma2Folder) {
    tab(3);
    run(Widget.hDownload);
    ASSERT_EQ(wnd->lastJobEnd().code, 0u);
    int e2 = 0;
    while (std::string(kFamilies[e2].cliName) != "e2") ++e2;
    click(Widget.hFamily[e2]);
    for (bool on : {false, true}) {
        if (on) click(named("hEnigmaLamedb5"));
        const fs::path out = dir_ / (on ? "on" : "off");
        fs::create_directories(out);
        ui.answerFolder(out.string());
        run(Widget.hGenerate);
        ASSERT_EQ(wnd->lastJobEnd().code, 0u);
        const auto files = filesBelow(out);
        auto named5 = [](const auto& f) { return f.first.ends_with("/lamedb5"); };
        EXPECT_EQ(std::count_if(files.begin(), files.end(), named5), on ? 1 : 0);
    }
    // The box is kept for this computer: the tests after this one go without.
    click(named("hEnigmaLamedb5"));
    EXPECT_EQ(cfgParam.enigmaLamedb5, 0);
}

TEST_F(ListsTest, TheGenerateSideLastsFromADownloadUntilAChangeOrAFailedDownload) {
    tab(3);
    ui.answerFolder(dir_.string());
    run(Widget.hDownload);
    ASSERT_TRUE(generateSide());
    EXPECT_EQ(w<QProgressBar>(Widget.hProgDown)->value(), 100);
    // A writer leaves it; a cancelled dialog starts no job and leaves it too,
    // and the status no longer claims the earlier list.
    run(Widget.hGenerate);
    EXPECT_TRUE(generateSide());
    click(Widget.hGenerate);
    EXPECT_FALSE(ui.jobRunning());
    EXPECT_TRUE(generateSide());
    EXPECT_EQ(w<VaStatusBar>(Widget.hStatus)->part(1)->text(), "");

    // Open Cfg while a download runs: what it brings no longer matches the
    // configuration, so the generate side does not come back.
    ui.onShow = [&](const UiCall& c) {
        if (!c.fromJob || c.kind != UiCall::kBox) return;
        ui.onShow = nullptr;
        ui.answerOpen((dir_ / "Default.cfg").string());
        command(ids::kOpenCfg);
    };
    run(Widget.hDownload);
    EXPECT_EQ(wnd->lastJobEnd().code, 0u);
    EXPECT_FALSE(generateSide());
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_TRUE(widget(Widget.hDownload)->isEnabled());

    run(Widget.hDownload);
    ASSERT_TRUE(generateSide());
    // A download cancelled as it starts gives the last one back: its
    // tables, its report and the generate side.
    const uint32_t channels = chDB.count, transponders = tpDB.count;
    const QString reported = text(Widget.hRepTv);
    ASSERT_GT(channels, 0u);
    const int before = wnd->jobsEnded();
    click(Widget.hDownload);
    click(Widget.hDownload);  // it reads "Cancel" now
    ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
    EXPECT_NE(wnd->lastJobEnd().code, 0u);
    EXPECT_TRUE(generateSide());
    EXPECT_EQ(chDB.count, channels);
    EXPECT_EQ(tpDB.count, transponders);
    EXPECT_EQ(text(Widget.hRepTv), reported);
    EXPECT_EQ(text(Widget.hDownload), toQt(fieldText(MsgLang.btnDownload)));
    // No server on that port: the job fails, the window is usable again
    // without the generate side of the earlier download.
    wnd->setConnection(testServer(1));
    run(Widget.hDownload);
    EXPECT_EQ(wnd->lastJobEnd().code, 1u);
    EXPECT_FALSE(generateSide());
    EXPECT_FALSE(widget(Widget.hFamily[2])->isEnabled());
    EXPECT_TRUE(widget(Widget.hDownload)->isEnabled());
    EXPECT_TRUE(widget(Widget.hSatBtn[1])->isEnabled());
    EXPECT_EQ(w<VaStatusBar>(Widget.hStatus)->part(0)->text(), " Error");
}

// With "only when the database changed" a download that finds the version
// of the tables in memory reads nothing more and gives them back; after an
// import (the version raised) it downloads again.
TEST_F(ListsTest, OnlyWhenTheDatabaseChangedKeepsTheTablesOfTheSameVersion) {
    tab(3);
    auto* ifChanged = wnd->findChild<QCheckBox*>("hIfChanged");
    ASSERT_NE(ifChanged, nullptr);
    ifChanged->setChecked(true);
    EXPECT_TRUE(ifChangedSetting());
    run(Widget.hDownload);
    ASSERT_EQ(wnd->lastJobEnd().code, 0u);
    const int64_t version = wnd->lastJobEnd().dataVersion;
    ASSERT_GT(version, 0);
    const uint32_t channels = chDB.count;
    const QString reported = text(Widget.hRepTv);

    run(Widget.hDownload);
    EXPECT_EQ(wnd->lastJobEnd().code, static_cast<uint32_t>(kDownloadUnchanged));
    EXPECT_TRUE(generateSide());
    EXPECT_EQ(chDB.count, channels);
    EXPECT_EQ(text(Widget.hRepTv), reported);
    EXPECT_TRUE(w<VaStatusBar>(Widget.hStatus)->part(1)->text().contains("has not changed"));

    DbLink db;
    ASSERT_TRUE(db.open(testServer())) << db.error();
    ASSERT_TRUE(db.exec("UPDATE DataVersion SET version = version + 1 WHERE id = 1")) << db.error();
    run(Widget.hDownload);
    EXPECT_EQ(wnd->lastJobEnd().code, 0u);
    EXPECT_EQ(wnd->lastJobEnd().dataVersion, version + 1);
    EXPECT_EQ(chDB.count, channels);
    ifChanged->setChecked(false);
    run(Widget.hDownload);
    EXPECT_EQ(wnd->lastJobEnd().code, 0u);
}

// "Send to receiver…" sends the Enigma2 list just generated: the dialog
// opens with the saved box, the password goes to the secret store, and the
// box holds the list's files once the result box says so.
TEST_F(ListsTest, TheEnigmaListGeneratedGoesToTheReceiverFromItsButton) {
    if (!FakeBox::available()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
    const fs::path root = dir_ / "box";
    fs::create_directories(root / "etc/enigma2");
    FakeBox box;
    ASSERT_TRUE(box.start(root, dir_ / "faults.json", dir_ / "ready.json"));
    T_boxSettings saved;
    saved.box = box.address;
    saveBoxSettings(saved);

    tab(3);
    auto* send = wnd->findChild<QPushButton*>("hSend");
    ASSERT_NE(send, nullptr);
    EXPECT_FALSE(send->isEnabled());  // nothing generated yet
    ui.answerFolder(dir_.string());
    run(Widget.hDownload);
    click(Widget.hFamily[2]);
    run(Widget.hGenerate);
    ASSERT_EQ(wnd->lastJobEnd().code, 0u);
    ASSERT_TRUE(send->isEnabled());

    QTimer::singleShot(0, [&] {
        auto* d = wnd->findChild<QDialog*>("sendDialog");
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->findChild<QLineEdit*>("sendHost")->text(), "127.0.0.1");
        d->findChild<QLineEdit*>("sendPassword")->setText("secret");
        d->accept();
    });
    send->click();
    const auto sent = [&] {
        for (const UiCall& c : ui.shown())
            if (c.kind == UiCall::kBox && c.text.find("The list was") != std::string::npos)
                return true;
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(sent, 60000));
    std::string text;
    for (const UiCall& c : ui.shown())
        if (c.kind == UiCall::kBox) text = c.text;
    EXPECT_NE(text.find("The list was sent."), std::string::npos) << text;
    // A job as the others: its bar, and the window usable again after it.
    EXPECT_EQ(w<QProgressBar>(Widget.hProgGen)->value(), 100);
    EXPECT_TRUE(widget(Widget.hDownload)->isEnabled());
    EXPECT_TRUE(generateSide());
    EXPECT_TRUE(send->isEnabled());
    std::string kept;
    EXPECT_EQ(secrets.read(kBoxPasswordKey, &kept, nullptr), SecretStore::Result::kOk);
    EXPECT_EQ(kept, "secret");

    fs::path list;
    for (const auto& e : fs::directory_iterator(dir_))
        if (e.path().filename().string().rfind("DalmeroListE2_", 0) == 0) list = e.path();
    ASSERT_FALSE(list.empty());
    for (const auto& e : fs::directory_iterator(list)) {
        if (e.path().extension() == ".log") continue;
        const std::string name = e.path().filename().string();
        const fs::path on = root / (name == "satellites.xml" ? "etc/tuxbox" : "etc/enigma2") / name;
        EXPECT_EQ(slurp(on), slurp(e.path())) << name;
    }
    box.stop();
}

TEST_F(ListsTest, AListOfTheSameMinuteIsReplacedOnlyWhenTheUserSaysSoAndTheFolderIsKept) {
    tab(3);
    run(Widget.hDownload);
    ui.setClock(VaTime{2024, 5, 6, 7, 8, 9});
    const fs::path out = dir_ / "lists";
    fs::create_directories(out);
    ui.answerFolder(out.string());
    run(Widget.hGenerate);
    ASSERT_TRUE(fs::exists(out / "DalmeroListE2_2024-05-06_07-08" / "lamedb"));
    // The next dialog opens where that list went; a list of the same minute
    // is there: No keeps it and starts nothing, Yes replaces it.
    for (int answer : {kIdNo, kIdYes}) {
        ui.clearShown();
        const int before = wnd->jobsEnded();
        ui.answerFolder(out.string());
        ui.answerMessageBox(answer);
        click(Widget.hGenerate);
        ASSERT_GE(ui.shown().size(), 2u);
        EXPECT_EQ(ui.shown()[0].kind, UiCall::kFolder);
        EXPECT_EQ(ui.shown()[0].path, out.string());
        EXPECT_EQ(ui.shown()[1].text,
                  fieldText(MsgLang.msgReplaceList) + "\r\nDalmeroListE2_2024-05-06_07-08");
        EXPECT_EQ(ui.jobRunning(), answer == kIdYes);
        if (answer == kIdYes) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
        }
    }
    EXPECT_EQ(wnd->lastJobEnd().code, 0u);
}

TEST_F(ListsTest, SortingTheBouquetsDuringAnAzboxJobLeavesThatJobsList) {
    tab(3);
    run(Widget.hDownload);
    click(Widget.hFamily[3]);
    ui.setClock(VaTime{2024, 5, 6, 7, 8, 9});
    auto generate = [&](const char* name, bool sortMeanwhile) {
        const fs::path out = dir_ / name;
        fs::create_directories(out);
        ui.answerFolder(out.string());
        const int before = wnd->jobsEnded();
        click(Widget.hGenerate);
        // The job cannot end before its closing box, which this thread shows.
        EXPECT_TRUE(ui.jobRunning());
        if (sortMeanwhile) command(ids::kSortNation);
        EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
        EXPECT_EQ(wnd->lastJobEnd().code, 0u);
        return filesBelow(out);
    };
    const auto asLoaded = generate("loaded", false);
    const auto sortedMeanwhile = generate("meanwhile", true);
    EXPECT_EQ(bouParam.bou[0].bouId, 5);  // the sort happened: ORF (Austria) first
    const auto sortedBefore = generate("before", false);
    EXPECT_TRUE(sortedMeanwhile == asLoaded);
    // The writer does follow the list's order.
    EXPECT_FALSE(sortedBefore == asLoaded);
}
