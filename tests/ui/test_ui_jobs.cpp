// A job's thread and the window: its calls reach the controls through the event
// loop, its dialogs are the window thread's, and nothing usable meanwhile changes its input.
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <atomic>
#include <thread>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/widget.h"

namespace {

// What ghostWidget4Job greys out, by handle (the rows and counted boxes apart).
std::vector<HCtl> jobControls(const T_Widget& w) {
    std::vector<HCtl> out = {
        w.hLnb,       w.hFreqLo,      w.hFreqHi,    w.hPower,    w.hSwitch,  w.hSwitch10,
        w.hSwitch11,  w.hDiseqc,      w.h22k,       w.h12V,      w.hPosId,   w.hSkew,
        w.hLatDeg,    w.hLatDec,      w.hLonDeg,    w.hLonDec,   w.hRadio,   w.hRadioFta,
        w.hRadioCod,  w.hTv,          w.hTvFta,     w.hTvCod,    w.hTvHd,    w.hTv3d,
        w.hCatSelAll, w.hCatUnselAll, w.hSatFeed,   w.hGenTp,    w.hBouList, w.hSideList,
        w.hAdd,       w.hAddAll,      w.hRemoveAll, w.hDownload, w.hMoveUp,  w.hMoveDown,
        w.hSatSelAll, w.hSatUnselAll, w.hMaxBou,    w.hMaxCTv,   w.hMaxCRa,  w.hListCh,
        w.hListBSat,  w.hListFSat,    w.hGenHd,     w.hGen3d,    w.hGenRadio};
    for (int r = 1; r <= 4; ++r) {
        out.push_back(w.hSatCheck[r]);
        out.push_back(w.hSatBtn[r]);
    }
    for (int i = 0; i < 11; ++i) out.push_back(w.hCat[i]);
    for (int i = 0; i < 7; ++i) out.push_back(w.hFav[i]);
    return out;
}

std::vector<HCtl> generateSide(const T_Widget& w) {
    std::vector<HCtl> out = {w.hGenerate, w.hLogFile};
    for (HCtl c : w.hFamily) out.push_back(c);
    return out;
}

}  // namespace

TEST_F(WindowTest, AWorkerThreadGreysAndRestoresTheRealControls) {
    copyShipped();
    ASSERT_TRUE(start());
    const int cats = static_cast<int>(catParam.count), favs = static_cast<int>(favParam.count);
    auto enabled = [&](HCtl h) { return widget(h)->isEnabled(); };

    // The worker's changes are posted: nothing moves until the window thread runs.
    std::thread ghost([&] { ghostWidget4Job(&Widget, cats, favs); });
    ghost.join();
    EXPECT_TRUE(enabled(Widget.hDownload));
    QCoreApplication::processEvents();
    for (HCtl h : jobControls(Widget))
        EXPECT_FALSE(enabled(h)) << qPrintable(h ? widget(h)->objectName() : "");
    for (HCtl h : generateSide(Widget)) EXPECT_FALSE(enabled(h));
    EXPECT_FALSE(enabled(Widget.hChFake));
    // What stays usable during a job.
    EXPECT_TRUE(enabled(Widget.hSortName));
    EXPECT_TRUE(enabled(Widget.hSortNation));
    EXPECT_TRUE(named("hLonW")->isEnabled());
    EXPECT_TRUE(wnd->tabBar()->isEnabled());
    EXPECT_TRUE(qobject_cast<QAction*>(wnd->controlById(ids::kOpenCfg))->isEnabled());

    // Restoring reads states back (blocking reads of the worker), served by
    // the event loop the test runs meanwhile: no deadlock.
    auto onWorker = [&](std::function<void()> f) {
        std::atomic<bool> done{false};
        std::thread t([&] {
            f();
            done = true;
        });
        const bool finished = QTest::qWaitFor([&] { return done.load(); }, 10000);
        t.join();
        QCoreApplication::processEvents();
        return finished;
    };
    ASSERT_TRUE(onWorker([&] { showWidget4Job(&Widget, cats, favs, true); }));
    for (HCtl h : jobControls(Widget)) EXPECT_TRUE(enabled(h));
    for (HCtl h : generateSide(Widget)) EXPECT_TRUE(enabled(h));
    EXPECT_FALSE(enabled(Widget.hRemove));
    EXPECT_TRUE(enabled(Widget.hChFake));  // "Bouquet as Channels" is ticked
    // Enigma2 is the family: its content buttons, not Enigma1's.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(enabled(Widget.hE2Type[i]));
        EXPECT_FALSE(enabled(Widget.hE1Type[i]));
    }

    // A failed download gives the window back without the generate side.
    ASSERT_TRUE(onWorker([&] {
        ghostWidget4Job(&Widget, cats, favs);
        showWidget4Job(&Widget, cats, favs, false);
    }));
    EXPECT_TRUE(enabled(Widget.hDownload));
    for (HCtl h : generateSide(Widget)) EXPECT_FALSE(enabled(h));

    // A change withdraws the generate side and empties the progress bars.
    ASSERT_TRUE(onWorker([&] {
        showWidget4Job(&Widget, cats, favs, true);
        WindowEvents events(&Widget);
        events.progress(JobBar::kDownload, 60);
        events.progress(JobBar::kGenerate, 30);
    }));
    EXPECT_EQ(qobject_cast<QProgressBar*>(widget(Widget.hProgDown))->value(), 60);
    Widget.cfgChanged = false;
    ASSERT_TRUE(onWorker([&] { resetDownGen(&Widget); }));
    for (HCtl h : generateSide(Widget)) EXPECT_FALSE(enabled(h));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(enabled(Widget.hE2Type[i]));
    EXPECT_EQ(qobject_cast<QProgressBar*>(widget(Widget.hProgDown))->value(), 0);
    EXPECT_EQ(qobject_cast<QProgressBar*>(widget(Widget.hProgGen))->value(), 0);
    EXPECT_TRUE(Widget.cfgChanged);
    EXPECT_TRUE(enabled(Widget.hDownload));
}

TEST_F(WindowTest, TheWindowAsksWhereAndAJobsBoxesAreItsOwnAndALanguageChangeDoesNotReachIt) {
    copyShipped();
    ASSERT_TRUE(start());
    // A folder name that is no Windows-1252 text on disk (UTF-8 bytes).
    const std::filesystem::path out = dir_ / "lists-M\xC3\xBCller";
    std::filesystem::create_directories(out);
    const std::string english = fieldText(MsgLang.msgFileWritten);
    const std::thread::id windowThread = std::this_thread::get_id();

    bool greyed = false, allOnWindowThread = true, folderBeforeJob = false, cancelShown = false;
    QString pathShown;
    ui.onShow = [&](const UiCall& c) {
        allOnWindowThread = allOnWindowThread && std::this_thread::get_id() == windowThread;
        if (c.kind == UiCall::kFolder) folderBeforeJob = !c.fromJob && !ui.jobRunning();
        if (c.kind != UiCall::kBox) return;
        pathShown = qobject_cast<VaStatusBar*>(widget(Widget.hStatus))->part(1)->text();
        greyed = !widget(Widget.hDownload)->isEnabled() && !widget(Widget.hSatBtn[1])->isEnabled();
        // The running job's button is the one left usable: it cancels.
        cancelShown = text(Widget.hGenerate) == "Cancel" && widget(Widget.hGenerate)->isEnabled();
    };
    ui.answerFolder(out.string());
    // The Enigma2 writer, on the (empty) channel tables. It cannot end
    // before its closing box, which this thread shows: meanwhile the
    // window is the user's.
    ASSERT_TRUE(wnd->startJob(false));
    ASSERT_TRUE(ui.jobRunning());
    const bool secondRefused = !wnd->startJob(true);
    command(ids::kLangFirst + kLangGerman - 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == 1; }, 20000));
    EXPECT_FALSE(ui.jobRunning());

    EXPECT_TRUE(allOnWindowThread);
    EXPECT_TRUE(folderBeforeJob);
    EXPECT_TRUE(greyed);
    EXPECT_TRUE(cancelShown);
    // Its button is back in the window's language, with its mnemonic.
    EXPECT_EQ(w<QAbstractButton>(Widget.hGenerate)->text(), "Datei &erzeugen");
    EXPECT_TRUE(secondRefused);
    const T_jobEnd& end = wnd->lastJobEnd();
    EXPECT_FALSE(end.download);
    EXPECT_EQ(end.type, 2);
    EXPECT_EQ(end.code, 0u);

    const auto shown = ui.shown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.front().kind, UiCall::kFolder);
    EXPECT_EQ(shown.front().caption.rfind("Dalmero TEAM", 0), 0u);
    // The job's last box, in the language it was started with.
    EXPECT_EQ(shown.back().kind, UiCall::kBox);
    EXPECT_TRUE(shown.back().fromJob);
    EXPECT_TRUE(shown.back().owned);
    EXPECT_EQ(shown.back().text, english);
    EXPECT_EQ(shown.back().caption, "Message");
    // ... while the window speaks German.
    EXPECT_EQ(cfgParam.lang, kLangGerman);
    EXPECT_EQ(text(Widget.hGrpSatName), QString::fromUtf8(" Kein Satellit ausgewählt "));

    // A writer gives the window back with the generate side; rows without a
    // satellite stay unusable.
    EXPECT_TRUE(widget(Widget.hGenerate)->isEnabled());
    EXPECT_TRUE(widget(Widget.hSatBtn[4])->isEnabled());
    EXPECT_FALSE(widget(Widget.hSatBtn[5])->isEnabled());
    EXPECT_FALSE(widget(Widget.hSatCheck[60])->isEnabled());
    EXPECT_FALSE(widget(Widget.hRemove)->isEnabled());
    auto* status = qobject_cast<VaStatusBar*>(widget(Widget.hStatus));
    EXPECT_FALSE(status->part(0)->text().isEmpty());
    // The files written are shown by their names as the file system has them.
    EXPECT_TRUE(pathShown.contains(QString::fromUtf8("lists-Müller/"))) << pathShown.toStdString();

    int folders = 0;
    for (const auto& e : std::filesystem::directory_iterator(out))
        folders += e.path().filename().string().rfind("DalmeroListE2_", 0) == 0 &&
                   std::filesystem::exists(e.path() / "lamedb");
    EXPECT_EQ(folders, 1);
}
