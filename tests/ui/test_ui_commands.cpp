// The window's commands as a person gives them.
#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <functional>

#include "config/cfgFile.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "tests/support/files.h"
#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/widget.h"

class CommandTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Velartis", "velartis").clear();
        copyShipped();
        ASSERT_TRUE(start());
        activate();
    }
    // The generate side as a successful download leaves it.
    void downloaded() {
        showWidget4Job(&Widget, static_cast<int>(catParam.count), static_cast<int>(favParam.count),
                       true);
    }
    bool generateSide() const { return widget(Widget.hGenerate)->isEnabled(); }
    QString status(int part) const { return w<VaStatusBar>(Widget.hStatus)->part(part)->text(); }
};

TEST_F(CommandTest, FiltersCoupleTheirBoxesAndWriteTheShownSatellite) {
    // Ticking a row's box only ticks; clicking its name shows it.
    click(Widget.hSatCheck[2]);
    EXPECT_EQ(satParam.sat[2].selected, 0);
    EXPECT_FALSE(widget(Widget.hRadio)->isEnabled());
    Widget.cfgChanged = false;
    click(Widget.hSatBtn[2]);
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_EQ(text(Widget.hGrpSatName), "Hotbird 13.0E");
    EXPECT_EQ(widget(Widget.hSatBtn[2])->font().weight(), 600);
    EXPECT_EQ(widget(Widget.hSatBtn[1])->font().weight(), 500);

    tab(1);
    const T_satRec& s = satParam.sat[2];
    struct Step {
        HCtl box;
        const char* radio;
        const char* tv;
    };
    const Step steps[] = {
        {Widget.hRadio, "000", "11111"},     // RADIO off clears its two
        {Widget.hRadio, "111", "11111"},     // and on ticks them
        {Widget.hRadioFta, "101", "11111"},  //
        {Widget.hRadioCod, "000", "11111"},  // neither FTA nor Cod.: no radio
        {Widget.hRadioFta, "110", "11111"},  // one of them: radio again
        {Widget.hTvHd, "110", "11101"},      //
        {Widget.hTvFta, "110", "10101"},     //
        {Widget.hTvCod, "110", "00000"},     // no FTA, no Cod.: no TV, HD, 3D
        {Widget.hTvCod, "110", "10100"},     //
        {Widget.hTv, "110", "00000"},        // TV off clears all four
        {Widget.hTv, "110", "11111"},        // and on ticks them
    };
    for (const Step& st : steps) {
        click(st.box);
        EXPECT_STREQ(s.radioFilter, st.radio) << qPrintable(widget(st.box)->objectName());
        EXPECT_STREQ(s.tvFilter, st.tv) << qPrintable(widget(st.box)->objectName());
    }
    click(Widget.hTv);
    EXPECT_FALSE(widget(Widget.hTvHd)->isEnabled());

    click(Widget.hCat[3]);
    click(Widget.hCat[10]);
    EXPECT_STREQ(s.catFilter, "11101111110");
    click(Widget.hCatUnselAll);
    EXPECT_STREQ(s.catFilter, "00000000000");
    click(Widget.hCatSelAll);
    EXPECT_STREQ(s.catFilter, "11111111111");
    click(Widget.hSatFeed);
    EXPECT_EQ(s.feedTp, 1);
    // The other satellites keep theirs.
    EXPECT_STREQ(satParam.sat[1].tvFilter, "11111");
    EXPECT_EQ(satParam.sat[1].feedTp, 1);
}

TEST_F(CommandTest, DishSetupBoxesFollowTheLnbAndSwitchAndEditsTakeDigitsOnLeaving) {
    click(Widget.hSatBtn[3]);
    T_satRec& s = satParam.sat[3];
    EXPECT_FALSE(widget(Widget.h22k)->isEnabled());  // "Universal"
    choose(w<QComboBox>(Widget.hLnb), 0);            // "Single"
    EXPECT_EQ(s.lnbType, 0);
    EXPECT_TRUE(widget(Widget.h22k)->isEnabled());
    EXPECT_FALSE(widget(Widget.hFreqHi)->isEnabled());
    choose(w<QComboBox>(Widget.hSwitch), 2);
    choose(w<QComboBox>(Widget.hSwitch11), 9);
    choose(w<QComboBox>(Widget.hDiseqc), 2);
    EXPECT_EQ(s.switchType, 2);
    EXPECT_EQ(s.switch11, 9);
    EXPECT_EQ(s.diseqc, 2);
    EXPECT_TRUE(widget(Widget.hSwitch11)->isEnabled());
    choose(w<QComboBox>(Widget.hSwitch), 0);
    EXPECT_FALSE(widget(Widget.hSwitch10)->isEnabled());
    EXPECT_FALSE(widget(Widget.hSwitch11)->isEnabled());
    EXPECT_EQ(s.switch11, 9);  // kept for a later switch

    auto* pos = w<QLineEdit>(Widget.hPosId);
    type(pos, "4x27");
    EXPECT_EQ(pos->text(), "427");  // digits only, three at most
    EXPECT_EQ(s.positionerId, 0);   // stored when the box is left
    leave(pos);
    EXPECT_EQ(s.positionerId, 427);

    auto* maxTv = w<QLineEdit>(Widget.hMaxCTv);
    tab(2);
    type(maxTv, "1234567");
    leave(maxTv);
    EXPECT_EQ(cfgParam.maxCTv, 12345);
    tab(0);
    type(w<QLineEdit>(Widget.hLatDeg), "7");
    leave(w<QLineEdit>(Widget.hLatDeg));
    EXPECT_EQ(cfgParam.latDeg, 7);
    // A box left as it was, or with the same value typed again, is no
    // change; an emptied box shows its value again.
    Widget.cfgChanged = false;
    w<QLineEdit>(Widget.hLonDec)->setFocus();
    leave(w<QLineEdit>(Widget.hLonDec));
    type(w<QLineEdit>(Widget.hLatDeg), "7");
    leave(w<QLineEdit>(Widget.hLatDeg));
    type(w<QLineEdit>(Widget.hLonDec), "");
    leave(w<QLineEdit>(Widget.hLonDec));
    EXPECT_EQ(w<QLineEdit>(Widget.hLonDec)->text(), "2");
    EXPECT_EQ(w<QLineEdit>(Widget.hLatDeg)->text(), "07");
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_EQ(cfgParam.lonDec, 2);
    // A dish past the pole or half way round would make a file that does
    // not load: refused at once with the range, the value stays.
    const struct {
        HCtl box;
        const char* typed;
        const char* range;
    } refused[] = {{Widget.hLatDeg, "99", "0.0 - 90.0"},
                   {Widget.hLonDeg, "181", "0.0 - 180.0"},
                   {Widget.hLonDeg, "999", "0.0 - 180.0"}};
    for (const auto& r : refused) {
        ui.clearShown();
        auto* box = w<QLineEdit>(r.box);
        const QString before = box->text();
        type(box, r.typed);
        leave(box);
        EXPECT_EQ(box->text(), before) << r.typed;
        ASSERT_EQ(ui.shown().size(), 1u) << r.typed;
        EXPECT_EQ(ui.shown()[0].text, std::string("Allowed values: ") + r.range);
    }
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_EQ(cfgParam.latDeg * 10 + cfgParam.latDec, 74);
    // 90 is taken as 90.0; then 90.5 is refused.
    type(w<QLineEdit>(Widget.hLatDeg), "90");
    leave(w<QLineEdit>(Widget.hLatDeg));
    EXPECT_EQ(w<QLineEdit>(Widget.hLatDec)->text(), "0");
    type(w<QLineEdit>(Widget.hLatDec), "5");
    leave(w<QLineEdit>(Widget.hLatDec));
    EXPECT_EQ(cfgParam.latDeg * 10 + cfgParam.latDec, 900);
    EXPECT_EQ(w<QLineEdit>(Widget.hLatDec)->text(), "0");
    EXPECT_TRUE(Widget.cfgChanged);
    type(w<QLineEdit>(Widget.hLonDeg), "179");
    leave(w<QLineEdit>(Widget.hLonDeg));
    EXPECT_EQ(cfgParam.lonDeg, 179);
}

TEST_F(CommandTest, TheGenerateSideGoesWithEachDownloadRelevantChangeOnly) {
    click(Widget.hSatBtn[1]);
    // Each change, on the page where a person makes it.
    const std::pair<const char*, std::function<void()>> kept[] = {
        {"family", [&] { tab(3), click(Widget.hFamily[1]); }},
        {"Enigma1 content", [&] { click(Widget.hE1Type[2]); }},
        {"log file", [&] { click(Widget.hLogFile); }},
        {"Enigma code page", [&] { click(named("hEnigmaCp")); }},
        {"lamedb5", [&] { click(named("hEnigmaLamedb5")); }},
        {"language", [&] { command(ids::kLangFirst + kLangFrench - 1); }},
        {"east/west", [&] { tab(0), click(named("hLonW")); }},
        {"satellite pick", [&] { click(Widget.hSatBtn[2]); }},
        {"bouquet sort", [&] { tab(2), click(Widget.hSortNation); }},
        {"bouquet selection", [&] { clickRow(w<QListWidget>(Widget.hBouList), 3); }},
    };
    const std::pair<const char*, std::function<void()>> withdrawn[] = {
        {"satellite tick", [&] { tab(0), click(Widget.hSatCheck[4]); }},
        {"select all", [&] { click(Widget.hSatSelAll); }},
        {"unselect all", [&] { click(Widget.hSatUnselAll); }},
        {"LNB", [&] { choose(w<QComboBox>(Widget.hLnb), 2); }},
        {"Freq. LO", [&] { choose(w<QComboBox>(Widget.hFreqLo), 4); }},
        {"12V", [&] { click(Widget.h12V); }},
        {"Skew", [&] { click(Widget.hSkew); }},
        {"move down", [&] { click(Widget.hMoveDown); }},
        {"latitude",
         [&] { type(w<QLineEdit>(Widget.hLatDec), "3"), leave(w<QLineEdit>(Widget.hLatDec)); }},
        {"radio", [&] { tab(1), click(Widget.hRadio); }},
        {"category", [&] { click(Widget.hCat[0]); }},
        {"feeds", [&] { click(Widget.hSatFeed); }},
        {"add", [&] { tab(2), click(Widget.hAdd); }},
        {"add all", [&] { click(Widget.hAddAll); }},
        {"remove all", [&] { click(Widget.hRemoveAll); }},
        {"favourite", [&] { click(Widget.hFav[2]); }},
        {"limit",
         [&] { type(w<QLineEdit>(Widget.hMaxBou), "5"), leave(w<QLineEdit>(Widget.hMaxBou)); }},
        {"list type", [&] { click(Widget.hListBSat); }},
        {"general HD", [&] { click(Widget.hGenHd); }},
        {"general feeds", [&] { click(Widget.hGenTp); }},
    };
    for (const auto& [what, act] : kept) {
        downloaded();
        Widget.cfgChanged = false;
        act();
        EXPECT_TRUE(generateSide()) << what;
    }
    for (const auto& [what, act] : withdrawn) {
        downloaded();
        w<QProgressBar>(Widget.hProgDown)->setValue(40);
        Widget.cfgChanged = false;
        act();
        EXPECT_FALSE(generateSide()) << what;
        EXPECT_TRUE(Widget.cfgChanged) << what;
        EXPECT_EQ(w<QProgressBar>(Widget.hProgDown)->value(), 0) << what;
    }
    EXPECT_EQ(cfgParam.listType, 1);
    EXPECT_FALSE(widget(Widget.hChFake)->isEnabled());
    // Favourites left out stand in the exclusions, in the list's order.
    ASSERT_EQ(favIParam.count, 2u);
    EXPECT_EQ(favIParam.fav[1].favId, 3);
    EXPECT_EQ(favIParam.fav[2].favId, 7);
}

TEST_F(CommandTest, SatellitesMoveWithTheirRecordsAndNeverLeaveTheirRows) {
    click(Widget.hSatBtn[1]);
    EXPECT_FALSE(widget(Widget.hMoveUp)->isEnabled());
    EXPECT_TRUE(widget(Widget.hMoveDown)->isEnabled());
    click(Widget.hSatBtn[4]);
    EXPECT_FALSE(widget(Widget.hMoveDown)->isEnabled());

    click(Widget.hSatCheck[3]);  // Astra 28.2E no longer ticked
    click(Widget.hSatBtn[3]);
    click(Widget.hMoveUp);
    click(Widget.hMoveUp);
    EXPECT_EQ(currSatBtn, 1);
    EXPECT_EQ(fieldText(satParam.sat[1].satName), "Astra 28.2E");
    EXPECT_EQ(fieldText(satParam.sat[2].satName), "Astra 19.2E");
    EXPECT_EQ(fieldText(satParam.sat[3].satName), "Hotbird 13.0E");
    EXPECT_EQ(satParam.sat[1].switch10, 2);  // the record moved whole
    EXPECT_EQ(text(Widget.hSatBtn[1]), " Astra 28.2E");
    EXPECT_FALSE(isChecked(Widget.hSatCheck[1]));
    EXPECT_TRUE(isChecked(Widget.hSatCheck[3]));
    EXPECT_EQ(widget(Widget.hSatBtn[1])->font().weight(), 600);
    EXPECT_EQ(widget(Widget.hSatBtn[3])->font().weight(), 500);
    EXPECT_FALSE(widget(Widget.hMoveUp)->isEnabled());
    click(Widget.hMoveDown);
    click(Widget.hMoveDown);
    EXPECT_EQ(currSatBtn, 3);
    EXPECT_EQ(fieldText(satParam.sat[3].satName), "Astra 28.2E");

    // A press the window would have greyed: up from row 1, down from the
    // last row, or with no row shown. Nothing moves, record 0 stays.
    satParam.sat[0].satId = 4242;
    const T_idxSat before = satParam;
    auto same = [&] { return std::memcmp(&before, &satParam, sizeof before) == 0; };
    currSatBtn = 1;
    command(ids::kMoveUp);
    EXPECT_TRUE(same());
    currSatBtn = 4;
    command(ids::kMoveDown);
    EXPECT_TRUE(same());
    currSatBtn = 0;
    command(ids::kMoveUp);
    command(ids::kMoveDown);
    EXPECT_TRUE(same());

    click(Widget.hSatUnselAll);
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(satParam.sat[r].selected, 0);
    click(Widget.hSatSelAll);
    for (int r = 1; r <= 4; ++r)
        EXPECT_TRUE(isChecked(Widget.hSatCheck[r]) && satParam.sat[r].selected);
}

TEST_F(CommandTest, ExcludedBouquetsAreAddedOnceAndRemovedNextToTheirNeighbour) {
    tab(2);
    auto* bou = w<QListWidget>(Widget.hBouList);
    auto* side = w<QListWidget>(Widget.hSideList);
    EXPECT_FALSE(widget(Widget.hAdd)->isEnabled());
    clickRow(bou, 6);  // "Canal+ France", excluded already
    ASSERT_TRUE(widget(Widget.hAdd)->isEnabled());
    click(Widget.hAdd);
    EXPECT_EQ(bouIParam.count, 1u);
    clickRow(bou, 0);
    click(Widget.hAdd);
    click(Widget.hAdd);
    ASSERT_EQ(bouIParam.count, 2u);
    EXPECT_EQ(side->count(), 2);
    EXPECT_EQ(bouIParam.bou[2].bouId, 1);
    EXPECT_EQ(side->item(1)->text(), "ARD");

    // Add All after a sort by nation: the nation order.
    click(Widget.hSortNation);
    EXPECT_EQ(bou->item(0)->text(), "ORF (Austria)");
    click(Widget.hAddAll);
    ASSERT_EQ(bouIParam.count, bouParam.count);
    for (uint32_t i = 1; i < bouIParam.count; ++i) {
        const T_bouRec &a = bouIParam.bou[i], &b = bouIParam.bou[i + 1];
        const int nation = std::strcmp(a.bouNation, b.bouNation);
        EXPECT_LE(nation, 0);
        // Within a nation, by name.
        if (nation == 0) {
            EXPECT_LE(std::strcmp(a.bouName, b.bouName), 0) << a.bouName;
        }
    }

    click(Widget.hRemoveAll);
    EXPECT_EQ(bouIParam.count, 0u);
    for (int row : {0, 1, 2, 3, 4}) {
        clickRow(bou, row);
        click(Widget.hAdd);
    }
    const std::string third = fieldText(bouIParam.bou[3].bouName);
    clickRow(side, 2);
    click(Widget.hRemove);
    ASSERT_EQ(bouIParam.count, 4u);
    EXPECT_EQ(side->currentRow(), 1);
    EXPECT_TRUE(side->item(1)->isSelected());
    for (uint32_t i = 1; i <= 4; ++i) EXPECT_NE(fieldText(bouIParam.bou[i].bouName), third);
    EXPECT_EQ(bouIParam.bou[5].bouId, 0);  // the former last record is cleared

    click(Widget.hRemoveAll);
    clickRow(bou, 1);
    click(Widget.hAdd);
    clickRow(side, 0);
    click(Widget.hRemove);
    EXPECT_EQ(side->count(), 0);
    EXPECT_EQ(bouIParam.count, 0u);
    EXPECT_FALSE(widget(Widget.hRemove)->isEnabled());
}

TEST_F(CommandTest, OpenCfgAsksFirstAndReplacesTheConfigurationWholeOrNotAtAll) {
    const std::string shipped = shippedUser();
    // A change answered No: no dialog, everything stays.
    click(Widget.hSatCheck[1]);
    ui.answerMessageBox(kIdNo);
    command(ids::kOpenCfg);
    EXPECT_TRUE(Widget.cfgChanged);
    EXPECT_EQ(satParam.sat[1].selected, 0);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown()[0].caption, "Warning");
    // Yes, then the dialog cancelled: the edits and the flag stay. The
    // question says the configuration will be replaced.
    ui.clearShown();
    ui.answerMessageBox(kIdYes);
    command(ids::kOpenCfg);
    EXPECT_TRUE(Widget.cfgChanged);
    EXPECT_EQ(satParam.sat[1].selected, 0);
    ASSERT_EQ(ui.shown().size(), 2u);
    EXPECT_EQ(ui.shown()[0].text, fieldText(MsgLang.msgCfgReplace));
    EXPECT_EQ(ui.shown()[1].kind, UiCall::kOpen);
    EXPECT_EQ(ui.shown()[1].filter,
              (std::vector<std::string>{"Cfg Files (*.cfg)", "*.cfg", "All Files (*.*)", "*.*"}));

    // A damaged file: its box, and the window keeps what it had, edits too.
    writeFile("bad.cfg", shipped.substr(0, shipped.find("[/SAT]") - 10));
    ui.answerMessageBox(kIdYes);
    ui.answerOpen((dir_ / "bad.cfg").string());
    command(ids::kOpenCfg);
    EXPECT_EQ(ui.shown().back().caption, "Corrupted Config File");
    EXPECT_EQ(satParam.count, 4u);
    EXPECT_EQ(satParam.sat[1].selected, 0);
    EXPECT_TRUE(Widget.cfgChanged);
    Widget.cfgChanged = false;

    // 65 satellites and another language in a folder of its own (with its
    // master list): told once, shown, and saved back unchanged.
    const std::filesystem::path other = dir_ / "Caf\xC3\xA9";
    std::filesystem::create_directories(other);
    std::filesystem::copy_file(dir_ / "VAconfig.vac", other / "VAconfig.vac");
    std::string big = userWithSats(65);
    big.replace(big.find("LANG=2"), 6, "LANG=4");
    ASSERT_TRUE(writeFileWhole((other / "big.cfg").string(), big, nullptr));
    click(Widget.hSatBtn[2]);
    ui.clearShown();
    ui.answerOpen((other / "big.cfg").string());
    command(ids::kOpenCfg);
    ASSERT_EQ(ui.shown().size(), 2u);
    // Said in the file's language.
    EXPECT_NE(ui.shown()[1].text.find("65 Satelliten"), std::string::npos);
    EXPECT_EQ(ui.shown()[1].caption, "Warnung");
    EXPECT_EQ(satParam.count, 65u);
    EXPECT_EQ(currSatBtn, 0);
    EXPECT_EQ(cfgParam.lang, kLangGerman);
    EXPECT_TRUE(qobject_cast<QAction*>(wnd->controlById(ids::kLangFirst + 3))->isChecked());
    EXPECT_EQ(text(Widget.hGrpSatName), QString::fromUtf8(" Kein Satellit ausgewählt "));
    EXPECT_EQ(text(Widget.hSatBtn[60]), " Sat 60");
    EXPECT_FALSE(isChecked(Widget.hSatCheck[2]));
    EXPECT_FALSE(widget(Widget.hLnb)->isEnabled());
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_TRUE(wnd->windowTitle().endsWith(QString::fromUtf8("/Café/big.cfg")))
        << qPrintable(wnd->windowTitle());
    // Unselect All leaves the satellites without a row as the file has them.
    click(Widget.hSatUnselAll);
    click(Widget.hSatSelAll);
    EXPECT_EQ(satParam.sat[62].selected, 0);
    EXPECT_EQ(satParam.sat[61].selected, 1);
    Widget.cfgChanged = false;
    ui.answerSave((other / "big.cfg").string());
    command(ids::kSaveCfg);
    big.replace(big.find("1002#Sat 2#0"), 12, "1002#Sat 2#1");  // rows 1 to 60 are all ticked
    for (int i = 4; i <= 60; i += 2) {
        const std::string id = std::to_string(1000 + i) + "#Sat " + std::to_string(i) + "#";
        big.replace(big.find(id) + id.size(), 1, "1");
    }
    EXPECT_EQ(slurp(other / "big.cfg"), big);
}

TEST_F(CommandTest, SaveCfgWritesWhatSaveCfgWritesAndAFailureKeepsTheOldFile) {
    click(Widget.hSatCheck[2]);
    const std::filesystem::path folder = dir_ / "M\xC3\xBCller";
    std::filesystem::create_directories(folder);
    const std::string title = wnd->windowTitle().toStdString();
    ui.answerSave(folder.string());  // the default name there
    command(ids::kSaveCfg);
    const std::filesystem::path saved = folder / "Default.cfg";
    EXPECT_EQ(slurp(saved), composeCfg(&cfgParam, &satParam, &favIParam, &bouIParam));
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_EQ(ui.shown().back().defExt, "cfg");
    EXPECT_EQ(status(0), "Saved...");
    EXPECT_EQ(status(1), QString::fromUtf8(saved.string().c_str()));  // "Müller" as it is
    // The caption names the file the window now stands for.
    EXPECT_EQ(wnd->windowTitle().toStdString(),
              title.substr(0, title.rfind('/')) + "/M\xC3\xBCller/Default.cfg");

    const std::string old = slurp(saved);
    click(Widget.hSatCheck[3]);
    setWriteFaultHook([](const std::string&, size_t) { return false; });
    ui.answerSave(saved.string());
    command(ids::kSaveCfg);
    setWriteFaultHook(nullptr);
    EXPECT_TRUE(Widget.cfgChanged);
    EXPECT_EQ(slurp(saved), old);
    EXPECT_EQ(ui.shown().back().text, "Unable to open config file.");
    EXPECT_EQ(status(0), " Error");
    // The next dialog starts at the file that was saved last.
    command(ids::kSaveCfg);
    EXPECT_EQ(ui.shown().back().path, saved.string());
}

TEST_F(CommandTest, BoxesStatusAndFileDialogsSpeakTheLanguageChosenLast) {
    command(ids::kLangFirst + kLangFrench - 1);
    const std::filesystem::path saved = dir_ / "f.cfg";
    ui.answerSave(saved.string());
    command(ids::kSaveCfg);
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(status(0), QString::fromUtf8("Enregistré..."));
    EXPECT_EQ(ui.shown().back().filter,
              (std::vector<std::string>{"Fichiers cfg (*.cfg)", "*.cfg", "Tous les fichiers (*.*)",
                                        "*.*"}));
    ui.answerSave((dir_ / std::string(kPathMax, 'x')).string());
    command(ids::kSaveCfg);
    EXPECT_EQ(cp1252ToUtf8(ui.shown().back().text),
              "Le chemin du fichier dépasse 259 caractères ; la configuration n'a pas été "
              "enregistrée.");

    // A list's dialogs, cancelled: the descriptions change, the patterns not.
    command(ids::kLangFirst + kLangGerman - 1);
    cfgParam.fileType = 4;  // SB-5, one file
    ASSERT_TRUE(wnd->startJob(false));
    EXPECT_EQ(ui.shown().back().filter, (std::vector<std::string>{"bin-Dateien (*.bin)", "*.bin"}));
    cfgParam.fileType = 2;  // Enigma2, a folder
    ASSERT_TRUE(wnd->startJob(false));
    EXPECT_EQ(cp1252ToUtf8(ui.shown().back().caption), "Dalmero TEAM - Zielordner wählen");
}

TEST_F(CommandTest, DisclaimerCodePageAndJobStartsThatMayNotHappen) {
    command(ids::kDisclaimer);
    EXPECT_EQ(ui.shown().back().caption, "Disclaimer");
    EXPECT_TRUE(ui.shown().back().owned);

    // The Enigma code page and lamedb5 are this computer's, not the file's.
    Widget.cfgChanged = false;
    click(named("hEnigmaCp"));  // greyed or not, it is usable
    click(named("hEnigmaLamedb5"));
    EXPECT_EQ(cfgParam.enigmaCp1252, 1);
    EXPECT_EQ(cfgParam.enigmaLamedb5, 1);
    EXPECT_FALSE(Widget.cfgChanged);
    wnd.reset();
    ASSERT_TRUE(start());
    EXPECT_EQ(cfgParam.enigmaCp1252, 1);
    EXPECT_EQ(cfgParam.enigmaLamedb5, 1);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(named("hEnigmaCp"))->isChecked());
    EXPECT_TRUE(qobject_cast<QCheckBox*>(named("hEnigmaLamedb5"))->isChecked());

    // No satellite ticked: the warning, no job.
    ui.clearShown();
    click(Widget.hSatUnselAll);
    command(ids::kDownload);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown()[0].text, fieldText(MsgLang.msgSelectSat));
    EXPECT_FALSE(ui.jobRunning());
    // A job that cannot start: a box, and the window goes on.
    cfgParam.fileType = kFamilyCount;
    command(ids::kGenerate);
    EXPECT_EQ(ui.shown().back().flags, unsigned{kMbIconError});
    EXPECT_FALSE(wnd->ended());
    cfgParam.fileType = 2;

    // While a job waits for the answer to its box, "Download Data" and
    // "Generate File" start nothing, say nothing and change nothing.
    size_t boxes = 0;
    ui.answerFolder((dir_).string());
    ui.onShow = [&](const UiCall& c) {
        if (c.kind != UiCall::kBox || !c.fromJob) return;
        ui.onShow = nullptr;
        w<QProgressBar>(Widget.hProgGen)->setValue(55);
        click(Widget.hSatSelAll);
        command(ids::kDownload);
        command(ids::kGenerate);
        boxes = ui.shown().size();
        EXPECT_EQ(w<QProgressBar>(Widget.hProgGen)->value(), 55);
    };
    ASSERT_TRUE(wnd->startJob(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == 1; }, 20000));
    EXPECT_EQ(boxes, 3u);  // the warning and the error box above, and the folder asked
    EXPECT_EQ(satParam.sat[1].selected, 0);
}

TEST_F(CommandTest, KeysGoRoundThePagesAndOpenAndALanguageKeepsTheShownSatellite) {
    // Ctrl+Tab and Ctrl+Shift+Tab go round the five pages.
    tab(0);
    QTest::keyClick(wnd.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(wnd->tabBar()->currentIndex(), 1);
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(wnd.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(wnd->tabBar()->currentIndex(), 4);
    // Ctrl+O asks for a file, cancelled here.
    ui.clearShown();
    QTest::keyClick(wnd.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown()[0].kind, UiCall::kOpen);

    // Another language keeps the shown satellite's name as the title; the
    // same language again is no change.
    tab(0);
    click(Widget.hSatBtn[2]);
    const QString name = text(Widget.hGrpSatName);
    EXPECT_FALSE(name.isEmpty());
    command(ids::kLangFirst + kLangGerman - 1);
    EXPECT_EQ(text(Widget.hGrpSatName), name);
    Widget.cfgChanged = false;
    command(ids::kLangFirst + kLangGerman - 1);
    EXPECT_FALSE(Widget.cfgChanged);
}

// Names the import brought in any script: the master list and the user file
// in UTF-8 after a byte order mark show them as they are, and Save Cfg keeps
// them; a name Windows-1252 holds leaves the file as it always was.
TEST_F(CommandTest, NamesInAnyScriptShowAsTheyAreAndAreSavedWhole) {
    const std::string greek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";
    const std::string kyiv = "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2";
    std::string master = cp1252ToUtf8(slurp(dir_ / "VAconfig.vac"));
    master.insert(master.find("[/BOU]"), "90#" + greek + "#11#International#\r\n");
    std::string user = cp1252ToUtf8(shippedUser());
    user.insert(user.find("[/SAT]"), "390#" + kyiv +
                                         " 39.0E#1#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#"
                                         "11111111111#\r\n");
    writeFile("VAconfig.vac", "\xEF\xBB\xBF" + master);
    writeFile("Default.cfg", "\xEF\xBB\xBF" + user);
    wnd.reset();
    ASSERT_TRUE(start()) << lastCfgError();
    activate();

    tab(2);
    auto* bou = w<QListWidget>(Widget.hBouList);
    ASSERT_GT(bou->count(), 0);
    EXPECT_EQ(bou->item(bou->count() - 1)->text(),
              QString::fromStdString(greek + " (International)"));
    clickRow(bou, bou->count() - 1);
    click(Widget.hAdd);
    EXPECT_EQ(w<QListWidget>(Widget.hSideList)->item(1)->text(), QString::fromStdString(greek));
    tab(1);
    EXPECT_EQ(text(Widget.hSatBtn[5]).trimmed(), QString::fromStdString(kyiv + " 39.0E"));

    ui.answerSave((dir_ / "Mine.cfg").string());
    command(ids::kSaveCfg);
    const std::string saved = slurp(dir_ / "Mine.cfg");
    EXPECT_EQ(saved.rfind("\xEF\xBB\xBF# Dalmero Team", 0), 0u);
    EXPECT_NE(saved.find("\r\n90#" + greek + "#11#International#\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\n390#" + kyiv + " 39.0E#"), std::string::npos);
}
