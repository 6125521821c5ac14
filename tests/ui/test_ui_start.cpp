// Start-up of the window: from the shipped files to page 0, and the
// failures that end the program with their box.
#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <cstdlib>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/start.h"
#include "ui/widget.h"

TEST_F(WindowTest, StartsFromTheShippedFilesWithTheirRowsAndBoxes) {
    copyShipped();
    ASSERT_TRUE(start());
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_EQ(wnd->windowTitle(), QString("Velartis1.3 - Dalmero TEAM - %1/Default.cfg")
                                      .arg(QString::fromStdString(dir_.string())));

    ASSERT_EQ(wnd->tabBar()->count(), 5);
    EXPECT_EQ(wnd->tabBar()->currentIndex(), 0);

    // The configuration's satellites in rows 1 to 4, the rest unusable.
    const char* const names[4] = {" Astra 19.2E", " Hotbird 13.0E", " Astra 28.2E", " Thor 0.8W"};
    for (int r = 1; r <= 60; ++r) {
        SCOPED_TRACE(r);
        ASSERT_NE(widget(Widget.hSatCheck[r]), nullptr);
        if (r <= 4) {
            EXPECT_EQ(text(Widget.hSatBtn[r]), names[r - 1]);
            EXPECT_TRUE(isChecked(Widget.hSatCheck[r]));
            EXPECT_TRUE(widget(Widget.hSatBtn[r])->isEnabled());
        } else {
            EXPECT_EQ(text(Widget.hSatBtn[r]), "");
            EXPECT_FALSE(widget(Widget.hSatCheck[r])->isEnabled());
            EXPECT_FALSE(widget(Widget.hSatBtn[r])->isEnabled());
        }
    }
    EXPECT_EQ(text(Widget.hCat[10]), "Erotic ");
    EXPECT_EQ(text(Widget.hFav[3]), "Cinema & Series ");
    // The excluded group (7, "Documentaries") is cleared, the others ticked.
    for (int i = 0; i < 7; ++i) EXPECT_EQ(isChecked(Widget.hFav[i]), i != 6) << i;
    EXPECT_EQ(favParam.fav[6].favOn, 0);

    auto* bou = qobject_cast<QListWidget*>(widget(Widget.hBouList));
    ASSERT_EQ(bou->count(), 26);
    EXPECT_EQ(bou->item(8)->text(), QString::fromUtf8("ARD Hörfunk (Germany)"));
    // The table's order, and no sort claimed for it.
    EXPECT_FALSE(isChecked(Widget.hSortName) || isChecked(Widget.hSortNation));
    auto* side = qobject_cast<QListWidget*>(widget(Widget.hSideList));
    ASSERT_EQ(side->count(), 1);
    EXPECT_EQ(side->item(0)->text(), "Canal+ France");

    EXPECT_EQ(text(Widget.hLatDeg), "45");
    EXPECT_EQ(text(Widget.hLonDeg), "09");
    EXPECT_TRUE(qobject_cast<QRadioButton*>(wnd->controlById(ids::kLonE))->isChecked());
    // English is the configured language, and the only one ticked.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(qobject_cast<QAction*>(wnd->controlById(ids::kLangFirst + i))->isChecked(),
                  i == 1);
    EXPECT_EQ(text(Widget.hGrpSatName), " No satellite selected ");

    // The generate side waits for a download, "Add" for a chosen bouquet;
    // the family of the file is ticked.
    EXPECT_FALSE(widget(Widget.hGenerate)->isEnabled());
    EXPECT_FALSE(widget(Widget.hAdd)->isEnabled());
    EXPECT_FALSE(widget(Widget.hFamily[2])->isEnabled());
    EXPECT_TRUE(isChecked(Widget.hFamily[2]));
    EXPECT_EQ(text(wnd->page()->findChild<QGroupBox*>("grpListInfo")), " Enigma2 List Info ");
    EXPECT_EQ(text(wnd->page()->findChild<QLabel*>("hInfo3")), "5000");

    EXPECT_EQ(text(Widget.hRepFavCh), "0");
    EXPECT_EQ(ui.object(Widget.hMain), wnd.get());
}

TEST_F(WindowTest, LanguageSixStopsWithTheLanguageBox) {
    copyShipped(true, false);
    std::string user = shippedUser();
    user.replace(user.find("LANG=2"), 6, "LANG=6");
    writeFile("Default.cfg", user);
    EXPECT_FALSE(start());
    const auto shown = ui.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Application cfg Error!");
    EXPECT_EQ(shown[0].text, "Language ID unknow\n\rError in configuration file.");
    EXPECT_EQ(shown[0].flags, unsigned{kMbIconError});
    EXPECT_FALSE(shown[0].owned);
    EXPECT_TRUE(wnd->ended());
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(quitCodes, std::vector<int>{0});
}

TEST_F(WindowTest, MissingMasterListStopsWithItsOneMessage) {
    copyShipped(false, true);
    EXPECT_FALSE(start());
    const auto shown = ui.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Application Error");
    EXPECT_EQ(shown[0].text.rfind("Unable to open configuration file.", 0), 0u) << shown[0].text;
    EXPECT_EQ(shown[0].flags, unsigned{kMbIconError});
    EXPECT_TRUE(wnd->ended());
    EXPECT_EQ(quitCodes, std::vector<int>{0});
}

TEST_F(WindowTest, SatellitesPastRowSixtyAreKeptAndToldOnceAndTheIconIsTaken) {
    copyShipped(true, false);
    writeFile("Default.cfg", userWithSats(65));
    ASSERT_TRUE(QImage(16, 16, QImage::Format_ARGB32)
                    .save(QString::fromStdString((dir_ / "Velartis.ico").string()), "ICO"));

    ASSERT_TRUE(start());
    EXPECT_EQ(satParam.count, 65u);
    EXPECT_EQ(text(Widget.hSatBtn[60]), " Sat 60");
    EXPECT_TRUE(widget(Widget.hSatBtn[60])->isEnabled());
    const auto shown = ui.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Warning");
    EXPECT_NE(shown[0].text.find("65 satellites"), std::string::npos) << shown[0].text;
    EXPECT_FALSE(wnd->windowIcon().isNull());
}

// Started from a desktop menu, in a folder with neither file: the user's
// configuration folder, filled once from the shipped copies and then kept.
TEST_F(WindowTest, AnEmptyStartFolderUsesTheUsersFolderFilledOnce) {
    const std::string before = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const std::filesystem::path user = dir_ / "xdg" / "velartis";
    ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
    ASSERT_TRUE(start());
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_TRUE(
        wnd->windowTitle().endsWith(QString::fromStdString((user / "Default.cfg").string())))
        << wnd->windowTitle().toStdString();
    EXPECT_EQ(satParam.count, 4u);
    std::ifstream in(user / "Default.cfg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), shippedUser());
    EXPECT_TRUE(std::filesystem::is_regular_file(user / "VAconfig.vac"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Default.cfg"));

    // The user's own copy is read and left as it is.
    std::string mine = shippedUser();
    mine.replace(mine.find("LANG=2"), 6, "LANG=3");
    std::ofstream(user / "Default.cfg", std::ios::binary) << mine;
    wnd.reset();
    ASSERT_TRUE(start());
    EXPECT_TRUE(qobject_cast<QAction*>(wnd->controlById(ids::kLangFirst + 2))->isChecked());
    std::ifstream again(user / "Default.cfg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), mine);

    // A folder that cannot be made ends the start with a box naming it.
    wnd.reset();
    writeFile("notAFolder", "");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "notAFolder").c_str(), 1);
    ui.clearShown();
    EXPECT_FALSE(start());
    const auto shown = ui.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find((dir_ / "notAFolder" / "velartis").string()), std::string::npos)
        << shown[0].text;
    EXPECT_TRUE(wnd->ended());
    ::setenv("XDG_CONFIG_HOME", before.c_str(), 1);
}

TEST(WindowStart, ConnectionValuesComeFromTheEnvironment) {
    T_dbConnOverride conn;
    std::string error;
    ::unsetenv("VELARTIS_DB_HOST");
    ::unsetenv("VELARTIS_DB_SOCKET");
    ::unsetenv("VELARTIS_DB_PORT");
    ASSERT_TRUE(dbConnFromEnv(&conn, &error));
    EXPECT_EQ(conn.port, 0u);
    EXPECT_TRUE(conn.host.empty());

    ::setenv("VELARTIS_DB_HOST", "127.0.0.1", 1);
    ::setenv("VELARTIS_DB_PORT", "33171", 1);
    ASSERT_TRUE(dbConnFromEnv(&conn, &error));
    EXPECT_EQ(conn.host, "127.0.0.1");
    EXPECT_EQ(conn.port, 33171u);
    // A port the client library would cut to 16 bits, or no number, is refused.
    for (const char* bad : {"70000", "0", "-1", "33x", "3306 "}) {
        ::setenv("VELARTIS_DB_PORT", bad, 1);
        EXPECT_FALSE(dbConnFromEnv(&conn, &error)) << bad;
        EXPECT_NE(error.find("VELARTIS_DB_PORT"), std::string::npos);
    }
    ::unsetenv("VELARTIS_DB_HOST");
    ::unsetenv("VELARTIS_DB_PORT");
}
