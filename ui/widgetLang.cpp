#include "ui/widgetLang.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTabBar>
#include <QWidget>
#include <string>
#include <utility>

#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/ids.h"
#include "ui/qtPlatform.h"

void changeWidgetsLang(T_Widget* w, const LangStruct* m) {
    if (!w || !m) return;
    w->cfgChanged = true;
    if (!w->ui) return;
    const std::pair<HCtl, std::string> captions[] = {
        {w->hGrpSat, fieldText(m->lblSatellites)},
        // The name group loses the name of the satellite it showed.
        {w->hGrpSatName, fieldText(m->lblNoSatSelected)},
        {w->hGrpDish, fieldText(m->lblDishSetup)},
        {w->hGrpPos, fieldText(m->lblDishPosition)},
        {w->hGrpCat, fieldText(m->lblCategories)},
        {w->hGrpLimits, fieldText(m->lblLimits)},
        {w->hGrpListType, fieldText(m->lblListType)},
        {w->hSatFeed, fieldText(m->lblFeedTp)},
        {w->hGenTp, fieldText(m->lblFeedTp)},
        {w->hSortLabel, fieldText(m->lblSortBy)},
        {w->hSortName, fieldText(m->lblName)},
        {w->hSortNation, fieldText(m->lblNation)},
        {w->hBouLabel, fieldText(m->lblBouquetList)},
        {w->hSideLabel, fieldText(m->lblSideBouquet)},
        {w->hMaxBouLabel, fieldText(m->lblMaxBouquets)},
        {w->hMaxCTvLabel, fieldText(m->lblMaxTv)},
        {w->hMaxCRaLabel, fieldText(m->lblMaxRadio)},
        {w->hListCh, fieldText(m->lblBouAsCh)},
        {w->hListBSat, fieldText(m->lblBouAsSat)},
        {w->hListFSat, fieldText(m->lblFavAsSat)},
        {w->hChFake, fieldText(m->lblWriteFake)},
        {w->hLogFile, fieldText(m->lblWriteLog)},
    };
    for (const auto& [c, text] : captions)
        if (c) w->ui->setText(c, text);
}

std::string withoutMnemonic(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&&" is one '&'
        out += caption[i];
    }
    return out;
}

namespace {

// A button's or menu's '&' marks its mnemonic; putText would show it.
void setMnemonic(QWidget* window, const char* name, const std::string& text) {
    if (auto* b = window->findChild<QAbstractButton*>(name)) b->setText(toQt(text));
}

void setCaption(QWidget* window, const char* name, const std::string& text) {
    if (QObject* o = window->findChild<QObject*>(name)) QtPlatform::putText(o, toQt(text));
}

// The drop-down lists are filled with English words; whichever language
// they show, each becomes this language's.
void translateItems(QComboBox* c, const LangStruct* m) {
    using Word = std::string (*)(const LangStruct&);
    const Word words[] = {
        [](const LangStruct& t) { return fieldText(t.cmbOff); },
        [](const LangStruct& t) { return fieldText(t.cmbOnAuto); },
        [](const LangStruct& t) { return fieldText(t.cmbSingle); },
        [](const LangStruct& t) { return fieldText(t.cmbUniversal); },
    };
    for (int i = 0; i < c->count(); ++i) {
        const std::string shown = fromQt(c->itemText(i));
        for (Word word : words)
            for (int lang = kLangItalian; lang <= kLangSpanish; ++lang)
                if (shown == word(*langTable(lang))) c->setItemText(i, toQt(word(*m)));
    }
    // A changed text can leave the box's cached minimum width as it was, and
    // the layout would give it too little room: its width for the longest
    // word is its minimum.
    c->setMinimumWidth(c->sizeHint().width());
}

}  // namespace

void changeWindowLang(QWidget* window, const LangStruct* m) {
    if (!window || !m) return;
    if (auto* tab = window->findChild<QTabBar*>("hTab")) {
        const std::string tabs[] = {fieldText(m->tabSetup), fieldText(m->tabFilter),
                                    fieldText(m->tabGeneral), fieldText(m->tabDownGen),
                                    fieldText(m->tabChannels)};
        for (int i = 0; i < tab->count() && i < 5; ++i) tab->setTabText(i, toQt(tabs[i]));
    }

    const std::pair<const char*, std::string> menus[] = {
        {"menuFile", fieldText(m->mnuFile)},
        {"menuLanguage", fieldText(m->mnuLanguage)},
        {"menuForum", fieldText(m->mnuForum)}};
    for (const auto& [name, text] : menus)
        if (auto* menu = window->findChild<QMenu*>(name)) menu->setTitle(toQt(text));
    const std::pair<int, std::string> items[] = {{ids::kOpenCfg, fieldText(m->mnuOpenCfg)},
                                                 {ids::kSaveCfg, fieldText(m->mnuSaveCfg)},
                                                 {ids::kDbSettings, fieldText(m->mnuDbSettings)},
                                                 {ids::kExit, fieldText(m->mnuExit)},
                                                 {ids::kForum1, fieldText(m->mnuForumPage)},
                                                 {ids::kDisclaimer, fieldText(m->mnuDisclaimer)}};
    for (const auto& [id, text] : items)
        if (auto* a = window->findChild<QAction*>(QString("menu%1").arg(id)))
            a->setText(toQt(text));

    const std::pair<const char*, std::string> buttons[] = {
        {"hMoveUp", fieldText(m->btnMoveUp)},
        {"hMoveDown", fieldText(m->btnMoveDown)},
        {"hSatSelAll", fieldText(m->btnSatSelAll)},
        {"hSatUnselAll", fieldText(m->btnSatUnselAll)},
        {"hCatSelAll", fieldText(m->btnCatSelAll)},
        {"hCatUnselAll", fieldText(m->btnCatUnselAll)},
        {"hAdd", fieldText(m->btnAdd)},
        {"hAddAll", fieldText(m->btnAddAll)},
        {"hRemove", fieldText(m->btnRemove)},
        {"hRemoveAll", fieldText(m->btnRemoveAll)},
        {"hDownload", fieldText(m->btnDownload)},
        {"hGenerate", fieldText(m->btnGenerate)}};
    for (const auto& [name, text] : buttons) setMnemonic(window, name, text);

    const std::pair<const char*, std::string> captions[] = {
        {"grpTvRadio", fieldText(m->grpTvRadio)},
        {"grpTransponders", fieldText(m->grpTransponders)},
        {"grpBouquet", fieldText(m->grpBouquet)},
        {"grpFavorites", fieldText(m->grpFavorites)},
        {"grpGenHd", fieldText(m->grpGenHd)},
        {"grpGenTp", fieldText(m->grpGenTp)},
        {"grpDownProgress", fieldText(m->grpDownProgress)},
        {"grpReport", fieldText(m->grpReport)},
        {"grpGenProgress", fieldText(m->grpGenProgress)},
        {"hEnigmaCp", fieldText(m->lblEnigmaCp)},
        {"hEnigmaLamedb5", fieldText(m->lblEnigmaLamedb5)},
        {"hIfChanged", fieldText(m->chkIfChanged)},
        {"hSend", fieldText(m->btnSend)},
        {"lblRep0", fieldText(m->lblRepSat)},
        {"lblRep1", fieldText(m->lblRepTp)},
        {"lblRep2", fieldText(m->lblRepBou)},
        {"lblRep3", fieldText(m->lblRepTv)},
        {"lblRep4", fieldText(m->lblRepRadio)},
        {"lblRep5", fieldText(m->lblRepFavGrp)},
        {"lblRep6", fieldText(m->lblRepFavCh)},
        {"lblInfo0", fieldText(m->lblInfoSat)},
        {"lblInfo1", fieldText(m->lblInfoTp)},
        {"lblInfo2", fieldText(m->lblInfoChTv)},
        {"lblInfo3", fieldText(m->lblInfoChRa)},
        {"lblInfo4", fieldText(m->lblInfoFavGrp)},
        {"lblInfo5", fieldText(m->lblInfoFavCh)},
        {"lblFreqLo", fieldText(m->lblFreqLo)},
        {"lblFreqHi", fieldText(m->lblFreqHi)},
        {"lblPower", fieldText(m->lblPower)},
        {"lblSwitch", fieldText(m->lblSwitch)},
        {"lblSwitch10", fieldText(m->lblSwitch10)},
        {"lblSwitch11", fieldText(m->lblSwitch11)},
        {"lblPosId", fieldText(m->lblPosId)},
        {"lblSkew", fieldText(m->lblSkew)},
        {"lblLat", fieldText(m->lblLat)},
        {"lblLon", fieldText(m->lblLon)}};
    for (const auto& [name, text] : captions) setCaption(window, name, text);
    const std::string content[3] = {fieldText(m->lblFavBou), fieldText(m->lblOnlyFav),
                                    fieldText(m->lblOnlyBou)};
    for (int i = 0; i < 3; ++i)
        for (const char* set : {"hE1Type", "hE2Type"})
            setCaption(window, (set + std::to_string(i)).c_str(), content[i]);

    for (QComboBox* c : window->findChildren<QComboBox*>()) translateItems(c, m);

    // The names a screen reader reads for the controls without a caption.
    const std::pair<const char*, std::string> names[] = {
        {"hLatDec", fieldText(m->lblLat) + " " + fieldText(m->accTenths)},
        {"hLonDec", fieldText(m->lblLon) + " " + fieldText(m->accTenths)},
        {"hProgDown", fieldText(m->grpDownProgress)},
        {"hProgGen", fieldText(m->grpGenProgress)},
        // A list takes no name from its label: it gets the label's text.
        {"hBouList", fieldText(m->lblBouquetList)},
        {"hSideList", fieldText(m->lblSideBouquet)}};
    for (const auto& [name, text] : names)
        if (auto* w = window->findChild<QWidget*>(name)) w->setAccessibleName(toQt(text).trimmed());
    nameSatRows(window, m);
}

void nameSatRows(QWidget* window, const LangStruct* m) {
    if (!window || !m) return;
    // A row's tick box is named by its satellite, an empty row by its number.
    const QString ticked = toQt(fieldText(m->accSatTicked));
    for (int r = 1; r <= 60; ++r) {
        auto* check = window->findChild<QWidget*>(QString("hSatCheck%1").arg(r));
        auto* name = window->findChild<QWidget*>(QString("hSatBtn%1").arg(r));
        if (!check) continue;
        const QString sat = name ? name->toolTip() : QString();
        check->setAccessibleName(ticked.arg(sat.isEmpty() ? QString::number(r) : sat));
    }
}
