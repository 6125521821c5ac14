// The window's pages, languages and closing, as a person uses them.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
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
    {"grpListInfo", {3}},    {"hInfo5", {3}},        {"hTab", {0, 1, 2, 3, 4}},
    {"chanArea", {4}},       {"hChanTree", {4}},     {"hChanUndo", {4}},
};

// Every text of the window that a language may give, by a key that is the
// same in every language: the captions by control, the choices of the
// drop-down lists, the names set for a screen reader, the pages' names and
// the menus. What comes from the configuration or the data is left out.
std::map<QString, QString> windowTexts(CppWnd* wnd) {
    std::map<QString, QString> out;
    // The window's own controls (Qt's have other names), less the data.
    const QRegularExpression ours("^(h|lbl|grp|frm)[A-Z0-9]");
    const QRegularExpression data("^h(SatBtn|Cat|Fav|Info|Family)\\d+$|^hRep[A-Z]");
    for (QWidget* w : wnd->page()->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (!ours.match(name).hasMatch() || data.match(name).hasMatch() ||
            qobject_cast<QLineEdit*>(w))
            continue;
        auto* b = qobject_cast<QAbstractButton*>(w);
        out[name] = b ? b->text() : QtPlatform::takeText(w);
        if (!w->accessibleName().isEmpty()) out[name + "#name"] = w->accessibleName();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                out[name + "#" + QString::number(i)] = c->itemText(i);
    }
    for (int i = 0; i < wnd->tabBar()->count(); ++i)
        out["tab" + QString::number(i)] = wnd->tabBar()->tabText(i);
    const QList<QAction*> bar = wnd->menuBar()->actions();
    for (int i = 0; i < bar.size(); ++i) {
        out["menu" + QString::number(i)] = bar[i]->text();
        if (!bar[i]->menu()) continue;
        const QList<QAction*> items = bar[i]->menu()->actions();
        for (int k = 0; k < items.size(); ++k)
            if (!items[k]->isSeparator())
                out["menu" + QString::number(i) + "." + QString::number(k)] = items[k]->text();
    }
    return out;
}

}  // namespace

class PagesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyShipped();
        ASSERT_TRUE(start());
    }
};

TEST_F(PagesTest, EachPageShowsExactlyItsGroups) {
    for (int page : {1, 2, 3, 4, 0, 2}) {
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
    // A page number outside the five changes nothing.
    wnd->showTab(7);
    EXPECT_FALSE(named("hBouList")->isHidden());
    EXPECT_TRUE(named("hProgGen")->isHidden());
}

TEST_F(PagesTest, EachLanguageSetsItsCaptionsOnTheirControls) {
    for (int lang = kLangItalian; lang <= kLangSpanish; ++lang) {
        SCOPED_TRACE(lang);
        Widget.cfgChanged = false;
        command(ids::kLangFirst + lang - 1);
        EXPECT_EQ(cfgParam.lang, lang);
        EXPECT_TRUE(Widget.cfgChanged);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(qobject_cast<QAction*>(wnd->controlById(ids::kLangFirst + i))->isChecked(),
                      i == lang - 1);
    }
    // Each control its own text, not its neighbour's; a button shows its
    // mnemonic's '&'.
    command(ids::kLangFirst + kLangItalian - 1);
    const std::map<const char*, const char*> italian = {
        {"hSortName", "Nome"},
        {"hSortNation", "Nazione"},
        {"hListBSat", "Bouquet come Satelliti"},
        {"hListFSat", "Favoriti come Satelliti"},
        {"hMaxCRaLabel", "Nr. Canali Radio (0=Tutti):"},
        {"hMoveUp", "Sposta &Su"},
        {"hMoveDown", "Sposta &Gi\xC3\xB9"}};
    for (const auto& [name, shown] : italian) {
        const auto* b = qobject_cast<QAbstractButton*>(named(name));
        EXPECT_EQ(b ? b->text() : text(named(name)), QString::fromUtf8(shown)) << name;
    }
    // Windows-1252 texts reach the screen as their characters.
    command(ids::kLangFirst + kLangFrench - 1);
    EXPECT_EQ(text(Widget.hGrpCat), QString::fromUtf8(" Catégories "));
    EXPECT_EQ(text(Widget.hListCh), QString::fromUtf8("Bouquet que les chaînes"));
    command(ids::kLangFirst + kLangGerman - 1);
    EXPECT_EQ(text(Widget.hMaxCTvLabel), QString::fromUtf8("Nr. TV-Kanäle (0=Alle):"));
    EXPECT_EQ(wnd->tabBar()->tabText(3), QString::fromUtf8("Herunterladen und Erzeugen"));
    command(ids::kLangFirst + kLangSpanish - 1);
    EXPECT_EQ(text(Widget.hGrpPos), QString::fromUtf8(" Posición de Parábola "));
    EXPECT_EQ(text(named("lblLatN")), QString::fromUtf8("°N"));
    EXPECT_EQ(text(named("hLonW")), QString::fromUtf8("°W "));
    EXPECT_EQ(text(named("hAdd")), QString::fromUtf8("Aña&dir ->"));
}

TEST_F(PagesTest, EveryShownTextIsInTheChosenLanguageWithUniqueMnemonics) {
    // Texts that are no language's: units, standards and the languages' own names.
    const std::set<QString> fixed = {
        "LNB",   "22KHz",     "12V", "DiSEqC",    "°N",       "°W ",       "°E ",      "RADIO ",
        "FTA",   "Cod.",      "TV",  "HD",        "3D",       "Radio ",    "13V",      "18V",
        "Usals", "1.2/Usals", "Ocs", "&Italiano", "&English", "&Français", "&Deutsch", "E&spañol"};
    std::map<int, std::map<QString, QString>> shown;  // by language, text by control
    for (int lang : {kLangEnglish, kLangItalian, kLangFrench, kLangGerman, kLangSpanish}) {
        SCOPED_TRACE(lang);
        command(ids::kLangFirst + lang - 1);
        std::set<QString> table;
        const LangStruct& m = *langTable(lang);
#define VA_TEXT(f) table.insert(QString::fromStdString(cp1252ToUtf8(fieldText(m.f))));
        VA_LANG_FIELDS(VA_TEXT)
#undef VA_TEXT
        std::map<QString, QString>& texts = shown[lang];
        for (const auto& [key, text] : windowTexts(wnd.get())) {
            if (!text.contains(QRegularExpression("[A-Za-z]"))) continue;  // values, signs
            texts[key] = text;
            // Names made of a text and a number or a family's name are checked
            // against the other languages only.
            const bool composed = key.endsWith("#name") || key == "grpListInfo";
            EXPECT_TRUE(table.count(text) || fixed.count(text) || composed)
                << qPrintable(key) << " shows " << qPrintable(text);
        }

        // Alt and a letter does one thing on each page: the menu bar's letters
        // and the visible buttons' differ, and so do a menu's items.
        const auto key = [](const QString& t) { return QKeySequence::mnemonic(t)[0].toCombined(); };
        for (int page = 0; page < CppWnd::kPageCount; ++page) {
            wnd->tabBar()->setCurrentIndex(page);
            std::map<int, QString> taken;
            for (QAction* a : wnd->menuBar()->actions()) {
                ASSERT_FALSE(QKeySequence::mnemonic(a->text()).isEmpty()) << qPrintable(a->text());
                EXPECT_TRUE(taken.emplace(key(a->text()), a->text()).second)
                    << qPrintable(a->text());
            }
            for (auto* b : wnd->page()->findChildren<QAbstractButton*>()) {
                if (!b->isVisible() || QKeySequence::mnemonic(b->text()).isEmpty()) continue;
                EXPECT_TRUE(taken.emplace(key(b->text()), b->text()).second)
                    << qPrintable(b->text()) << " on page " << page << " clashes with "
                    << qPrintable(taken[key(b->text())]);
            }
        }
        for (QAction* a : wnd->menuBar()->actions()) {
            if (!a->menu()) continue;
            std::set<int> letters;
            for (QAction* item : a->menu()->actions()) {
                if (item->isSeparator()) continue;
                EXPECT_TRUE(letters.insert(key(item->text())).second) << qPrintable(item->text());
            }
        }
        for (const char* name :
             {"hMoveUp", "hMoveDown", "hSatSelAll", "hSatUnselAll", "hCatSelAll", "hCatUnselAll",
              "hAdd", "hAddAll", "hRemove", "hRemoveAll", "hDownload", "hGenerate"})
            EXPECT_FALSE(QKeySequence::mnemonic(texts[name]).isEmpty()) << name;
    }
    // No text stays another language's, unless both tables hold it (a word
    // that is the same in both).
    for (const auto& [a, textsA] : shown)
        for (const auto& [b, textsB] : shown) {
            if (a >= b) continue;
            std::set<QString> both;
#define VA_BOTH(f)                                                \
    if (fieldText(langTable(a)->f) == fieldText(langTable(b)->f)) \
        both.insert(QString::fromStdString(cp1252ToUtf8(fieldText(langTable(a)->f))));
            VA_LANG_FIELDS(VA_BOTH)
#undef VA_BOTH
            for (const auto& [key, text] : textsA) {
                auto it = textsB.find(key);
                ASSERT_NE(it, textsB.end()) << qPrintable(key);
                if (it->second == text && !both.count(text) && !fixed.count(text))
                    ADD_FAILURE() << qPrintable(key) << " reads " << qPrintable(text)
                                  << " in languages " << a << " and " << b;
            }
        }
}

TEST_F(PagesTest, QtsOwnBoxesSpeakTheWindowsLanguage) {
    // The Yes of the closing question, as the real box shows it.
    const auto yesShown = [&] {
        QString yes;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            yes = box->button(QMessageBox::Yes)->text();
            box->button(QMessageBox::No)->click();
        });
        poll.start(10);
        ui.setScripted(false);
        Widget.cfgChanged = true;
        command(ids::kExit);
        ui.setScripted(true);
        EXPECT_FALSE(wnd->ended());
        return yes;
    };
    const char* const codes[5] = {"it", "en", "fr", "de", "es"};
    for (int lang : {kLangGerman, kLangItalian, kLangFrench, kLangSpanish}) {
        SCOPED_TRACE(lang);
        QTranslator qt;
        if (!qt.load(QString("qtbase_") + codes[lang - 1],
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            GTEST_SKIP() << "Qt's translations are not installed";
        const QString word = qt.translate("QPlatformTheme", "&Yes");
        ASSERT_FALSE(word.isEmpty());
        ASSERT_NE(word, "&Yes");
        command(ids::kLangFirst + lang - 1);
        EXPECT_EQ(yesShown(), word);
    }
    command(ids::kLangFirst + kLangEnglish - 1);
    EXPECT_EQ(yesShown(), "&Yes");
}

TEST_F(PagesTest, ClosingAsksOnlyAfterAChangeAndOpensTheAskedForumOnlyOnYes) {
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

TEST_F(PagesTest, ClosingAfterAChangeKeepsTheWindowOnNoAndEndsOnYes) {
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

TEST_F(PagesTest, ExitWithYesOpensThePageTheServerAskedFor) {
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

TEST_F(PagesTest, EveryUsableControlHasANameAScreenReaderReads) {
    click(Widget.hSatBtn[1]);  // the set-up boxes of a shown satellite
    for (int page = 0; page < CppWnd::kPageCount; ++page) {
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
    // A row's tick box says which satellite it ticks, also after a move.
    auto tickName = [&](int row) { return widget(Widget.hSatCheck[row])->accessibleName(); };
    EXPECT_TRUE(tickName(1).contains("Astra 19.2E")) << qPrintable(tickName(1));
    click(Widget.hMoveDown);
    EXPECT_TRUE(tickName(2).contains("Astra 19.2E")) << qPrintable(tickName(2));
    EXPECT_TRUE(tickName(60).contains("60"));
}
