// The window's pages, languages and closing, as a person uses them.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabBar>
#include <map>
#include <set>

#include "config/cfgTypes.h"
#include "config/codepage.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/widget.h"

namespace {

// Controls of each show-and-hide group, with the pages that show them.
struct Shown {
    const char* name;
    std::set<int> pages;
};
// By group: satellite list (all 60 rows), set-up, satellite filter, general
// filter, download and generate (the progress bars only there).
const Shown kPages[] = {
    {"hGrpSat", {0, 1}},     {"hSatCheck1", {0, 1}}, {"hSatBtn60", {0, 1}},
    {"hSatCheck60", {0, 1}}, {"hMoveUp", {0, 1}},    {"hSatUnselAll", {0, 1}},
    {"hGrpSatName", {0, 1}}, {"hGrpDish", {0}},      {"lblLnb", {0}},
    {"hLnb", {0}},           {"hFreqHi", {0}},       {"lblPosId", {0}},
    {"hPosId", {0}},         {"hSkew", {0}},         {"hGrpPos", {0}},
    {"hLatDeg", {0}},        {"lblLatN", {0}},       {"hLonDec", {0}},
    {"hLonW", {0}},          {"hLonE", {0}},         {"grpTvRadio", {1}},
    {"frmRadio", {1}},       {"hRadioCod", {1}},     {"frmTv", {1}},
    {"hTv3d", {1}},          {"hGrpCat", {1}},       {"hCat0", {1}},
    {"hCat10", {1}},         {"hCatUnselAll", {1}},  {"grpTransponders", {1}},
    {"hSatFeed", {1}},       {"frmShared", {2, 3}},  {"grpBouquet", {2}},
    {"hSortLabel", {2}},     {"hSortNation", {2}},   {"hBouList", {2}},
    {"hSideList", {2}},      {"hAdd", {2}},          {"hRemove", {2}},
    {"grpFavorites", {2}},   {"hFav0", {2}},         {"hFav6", {2}},
    {"hGrpLimits", {2}},     {"hMaxCRaLabel", {2}},  {"hMaxCRa", {2}},
    {"hGrpListType", {2}},   {"hListFSat", {2}},     {"hChFake", {2}},
    {"grpGenHd", {2}},       {"hGenRadio", {2}},     {"grpGenTp", {2}},
    {"hGenTp", {2}},         {"hDownload", {3}},     {"grpDownProgress", {3}},
    {"hProgDown", {3}},      {"grpReport", {3}},     {"lblRep6", {3}},
    {"hRepFavCh", {3}},      {"hGenerate", {3}},     {"grpGenProgress", {3}},
    {"hProgGen", {3}},       {"hLogFile", {3}},      {"hFamily0", {3}},
    {"hFamily7", {3}},       {"hE1Type0", {3}},      {"hE2Type2", {3}},
    {"grpListInfo", {3}},    {"hInfo5", {3}},        {"hTab", {0, 1, 2, 3}},
};

// Every caption on the window, by control.
std::map<QString, QString> captions(QWidget* page) {
    std::map<QString, QString> out;
    for (QObject* o : page->findChildren<QObject*>())
        if (!o->objectName().isEmpty() && !o->objectName().startsWith("qt_"))
            out[o->objectName()] = QtPlatform::takeText(o);
    return out;
}

}  // namespace

TEST_F(WindowTest, EachPageShowsExactlyItsGroups) {
    copyShipped();
    ASSERT_TRUE(start());
    for (int page : {1, 2, 3, 0, 2}) {
        wnd->tabBar()->setCurrentIndex(page);  // as a click on the tab
        for (const Shown& s : kPages) {
            QWidget* w = named(s.name);
            ASSERT_NE(w, nullptr) << s.name;
            EXPECT_EQ(w->isVisibleTo(wnd.get()), s.pages.count(page) == 1)
                << s.name << " on page " << page;
        }
        // As many category and favourite boxes as there are entries.
        int cats = 0, favs = 0;
        for (QWidget* w : wnd->page()->findChildren<QWidget*>(QRegularExpression("^hCat\\d+$")))
            cats += w->isVisibleTo(wnd.get());
        for (QWidget* w : wnd->page()->findChildren<QWidget*>(QRegularExpression("^hFav\\d+$")))
            favs += w->isVisibleTo(wnd.get());
        EXPECT_EQ(cats, page == 1 ? 11 : 0);
        EXPECT_EQ(favs, page == 2 ? 7 : 0);
    }
    // A page number outside the four changes nothing.
    wnd->showTab(7);
    EXPECT_FALSE(named("hBouList")->isHidden());
    EXPECT_TRUE(named("hProgGen")->isHidden());
}

TEST_F(WindowTest, EachLanguageChangesItsCaptionsOnly) {
    copyShipped();
    ASSERT_TRUE(start());
    // The controls whose captions follow the language, and their texts.
    const auto expected = [](const LangStruct& m) {
        return std::map<QString, std::string>{{"hGrpSat", fieldText(m.lblSatellites)},
                                              {"hGrpSatName", fieldText(m.lblNoSatSelected)},
                                              {"hGrpDish", fieldText(m.lblDishSetup)},
                                              {"hGrpPos", fieldText(m.lblDishPosition)},
                                              {"hGrpCat", fieldText(m.lblCategories)},
                                              {"hGrpLimits", fieldText(m.lblLimits)},
                                              {"hGrpListType", fieldText(m.lblListType)},
                                              {"hSatFeed", fieldText(m.lblFeedTp)},
                                              {"hGenTp", fieldText(m.lblFeedTp)},
                                              {"hSortLabel", fieldText(m.lblSortBy)},
                                              {"hSortName", fieldText(m.lblName)},
                                              {"hSortNation", fieldText(m.lblNation)},
                                              {"hBouLabel", fieldText(m.lblBouquetList)},
                                              {"hSideLabel", fieldText(m.lblSideBouquet)},
                                              {"hMaxBouLabel", fieldText(m.lblMaxBouquets)},
                                              {"hMaxCTvLabel", fieldText(m.lblMaxTv)},
                                              {"hMaxCRaLabel", fieldText(m.lblMaxRadio)},
                                              {"hListCh", fieldText(m.lblBouAsCh)},
                                              {"hListBSat", fieldText(m.lblBouAsSat)},
                                              {"hListFSat", fieldText(m.lblFavAsSat)},
                                              {"hChFake", fieldText(m.lblWriteFake)},
                                              {"hLogFile", fieldText(m.lblWriteLog)}};
    };
    const auto before = captions(wnd->page());
    for (int lang = kLangItalian; lang <= kLangSpanish; ++lang) {
        SCOPED_TRACE(lang);
        Widget.cfgChanged = false;
        command(ids::kLangFirst + lang - 1);
        EXPECT_EQ(cfgParam.lang, lang);
        EXPECT_TRUE(Widget.cfgChanged);
        const auto now = captions(wnd->page());
        const auto langTexts = expected(*langTable(lang));
        for (const auto& [name, caption] : now) {
            auto it = langTexts.find(name);
            if (it == langTexts.end())
                EXPECT_EQ(caption, before.at(name)) << qPrintable(name) << " is no language text";
            else
                EXPECT_EQ(caption, QString::fromStdString(cp1252ToUtf8(it->second)))
                    << qPrintable(name);
        }
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(qobject_cast<QAction*>(wnd->controlById(ids::kLangFirst + i))->isChecked(),
                      i == lang - 1);
    }
    // Windows-1252 texts reach the screen as their characters.
    command(ids::kLangFirst + kLangFrench - 1);
    EXPECT_EQ(text(Widget.hGrpCat), QString::fromUtf8(" Catégories "));
    EXPECT_EQ(text(Widget.hListCh), QString::fromUtf8("Bouquet que les chaînes"));
    command(ids::kLangFirst + kLangGerman - 1);
    EXPECT_EQ(text(Widget.hMaxCTvLabel), QString::fromUtf8("Nr. TV-Kanäle (0=Alle):"));
    command(ids::kLangFirst + kLangSpanish - 1);
    EXPECT_EQ(text(Widget.hGrpPos), QString::fromUtf8(" Posición de Parábola "));
    EXPECT_EQ(text(named("lblLatN")), QString::fromUtf8("°N"));
    EXPECT_EQ(text(named("hLonW")), QString::fromUtf8("°W "));
    EXPECT_EQ(text(named("lblRep5")), "Gruppi Favoriti:");
}

TEST_F(WindowTest, ClosingAsksOnlyAfterAChangeAndOpensTheAskedForumOnlyOnYes) {
    copyShipped();
    ASSERT_TRUE(start());
    // No change: the window goes without a question, even with a forum request.
    cfgParam.showForum = 1;
    EXPECT_TRUE(wnd->close());
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_TRUE(ui.urls().empty());
    EXPECT_TRUE(wnd->ended());
    EXPECT_EQ(quitCodes, std::vector<int>{0});
    // Yes without a forum request opens nothing.
    wnd.reset();
    ASSERT_TRUE(start());
    cfgParam.showForum = 0;
    Widget.cfgChanged = true;
    ui.answerMessageBox(kIdYes);
    EXPECT_TRUE(wnd->close());
    EXPECT_TRUE(wnd->ended());
    EXPECT_TRUE(ui.urls().empty());
}

TEST_F(WindowTest, ClosingAfterAChangeKeepsTheWindowOnNoAndEndsOnYes) {
    copyShipped();
    ASSERT_TRUE(start());
    command(ids::kLangFirst + kLangItalian - 1);  // a change
    cfgParam.showForum = 1;

    ui.answerMessageBox(kIdNo);
    EXPECT_FALSE(wnd->close());
    ASSERT_EQ(ui.shown().size(), 1u);
    const UiCall asked = ui.shown()[0];
    EXPECT_EQ(asked.text, fieldText(MsgLang.msgCfgChanged));
    EXPECT_EQ(asked.caption, "Attenzione");  // in the user's language
    EXPECT_EQ(asked.flags, unsigned{kMbYesNo | kMbIconWarning});
    EXPECT_FALSE(wnd->ended());
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_TRUE(ui.urls().empty());

    // "Exit" asks the same; No again keeps it.
    ui.answerMessageBox(kIdNo);
    command(ids::kExit);
    EXPECT_EQ(ui.shown().size(), 2u);
    EXPECT_FALSE(wnd->ended());

    ui.answerMessageBox(kIdYes);
    EXPECT_TRUE(wnd->close());
    EXPECT_TRUE(wnd->ended());
    EXPECT_EQ(ui.urls(), std::vector<std::string>{fieldText(cfgParam.forumUrl1)});
    EXPECT_EQ(quitCodes, std::vector<int>{0});
}

TEST_F(WindowTest, ExitWithYesOpensThePageTheServerAskedFor) {
    copyShipped();
    ASSERT_TRUE(start());
    command(ids::kForum1);
    ASSERT_EQ(ui.urls().size(), 1u);
    EXPECT_EQ(ui.urls()[0], fieldText(cfgParam.forumUrl1));
    EXPECT_TRUE(ui.shown().empty());
    // Without a browser the user learns where the page is.
    ui.setUrlsOpen(false);
    command(ids::kForum1);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown()[0].text, fieldText(MsgLang.msgNoBrowser) + "\r\n" + ui.urls()[1]);
    ui.setUrlsOpen(true);
    ui.clearShown();

    Widget.cfgChanged = true;
    cfgParam.showForum = 2;
    ui.answerMessageBox(kIdYes);
    command(ids::kExit);
    EXPECT_TRUE(wnd->ended());
    ASSERT_EQ(ui.urls().size(), 3u);
    EXPECT_EQ(ui.urls()[2], fieldText(cfgParam.forumUrl2));
    EXPECT_NE(ui.urls()[2], ui.urls()[0]);
}

TEST_F(WindowTest, EveryUsableControlHasANameAScreenReaderReads) {
    copyShipped();
    ASSERT_TRUE(start());
    click(Widget.hSatBtn[1]);  // the set-up boxes of a shown satellite
    for (int page = 0; page < 4; ++page) {
        wnd->tabBar()->setCurrentIndex(page);
        for (QWidget* w : wnd->page()->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w) ||
                                 qobject_cast<QProgressBar*>(w);
            if (!control || !w->isVisible() || !w->isEnabled()) continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(a, nullptr) << qPrintable(w->objectName());
            EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty())
                << qPrintable(w->objectName()) << " on page " << page;
        }
    }
}
