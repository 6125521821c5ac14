// What the window's controls and menu items do: the dispatch on ids, the
// configuration files, the disclaimer and the start of a job.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QTabBar>
#include <filesystem>
#include <memory>
#include <system_error>

#include "config/cfgFile.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/chanPage.h"
#include "ui/dbSettings.h"
#include "ui/ids.h"
#include "ui/mainWnd.h"
#include "ui/widget.h"
#include "ui/widgetLang.h"

namespace {

// The descriptions follow the language; the patterns do not.
std::vector<std::string> cfgFilter() {
    return {fieldText(MsgLang.lblCfgFiles) + " (*.cfg)", "*.cfg",
            fieldText(MsgLang.lblAllFiles) + " (*.*)", "*.*"};
}

bool isSetupCombo(int id) {
    return id == ids::kLnb || id == ids::kFreq || id == ids::kPower || id == ids::kSwitch ||
           id == ids::kSwitch11 || id == ids::kDiseqc;
}

// What stays usable while a job runs: the menu, the sort buttons, the side
// of the longitude and the Enigma code page. A job reads its own copy of
// everything these change.
bool usableDuringJob(int id) {
    switch (id) {
    case ids::kExit:
    case ids::kOpenCfg:
    case ids::kSaveCfg:
    case ids::kDbSettings:
    case ids::kDisclaimer:
    case ids::kForum1:
    case ids::kForum2:
    case ids::kForum3:
    case ids::kSortName:
    case ids::kSortNation:
    case ids::kLonW:
    case ids::kLonE:
    case ids::kEnigmaCp:
    case ids::kEnigmaLamedb5: return true;
    default: return id >= ids::kLangFirst && id <= ids::kLangLast;
    }
}

// The leading digits of at most n characters of an edit box.
int editValue(const QLineEdit* e, size_t n) {
    return toInt(fromQt(e->text()).substr(0, n).c_str());
}

// Every record a configuration file fills, for a load that replaces the
// window's records only when it succeeded.
struct CfgRecords {
    T_cfgStruct cfg;
    T_idxSat sat;
    T_idxBou bou;
    T_idxBouI bouI;
    T_idxCat cat;
    T_idxFav fav;
    T_idxFavI favI;
    T_idxNat nat;
};

void setText(QObject* o, const std::string& cp1252) { QtPlatform::putText(o, toQt(cp1252)); }

}  // namespace

bool enigmaCp1252Setting() { return userSettings().value("enigmaCp1252", false).toBool(); }

void setEnigmaCp1252Setting(bool on) { userSettings().setValue("enigmaCp1252", on); }

bool enigmaLamedb5Setting() { return userSettings().value("enigmaLamedb5", false).toBool(); }

void setEnigmaLamedb5Setting(bool on) { userSettings().setValue("enigmaLamedb5", on); }

bool ifChangedSetting() { return userSettings().value("downloadIfChanged", false).toBool(); }
void setIfChangedSetting(bool on) { userSettings().setValue("downloadIfChanged", on); }

// File-system paths are kept as the file system's bytes.
std::string listFolderSetting() {
    return QFile::encodeName(userSettings().value("listFolder").toString()).toStdString();
}
void setListFolderSetting(const std::string& folder) {
    userSettings().setValue("listFolder", QFile::decodeName(folder.c_str()));
}

void CppWnd::openPage(const std::string& url) {
    if (ui_->openUrl(url)) return;
    ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgNoBrowser) + "\r\n" + url,
                    fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
}

int CppWnd::OnCommand(QObject* control, int id, int code) {
    (void)control;
    const bool job = ui_->jobRunning();

    // Notifications. Leaving an edit box stores what it holds, also when a
    // job greys it out under the user's hands: the text on screen is the
    // value.
    if (code == ids::kKillFocus) editLeft(id);
    if (code == ids::kSelChange && !job) {
        if (isSetupCombo(id)) setupComboChanged();
        if (!bouList_->selectedItems().isEmpty()) add_->setEnabled(true);
        if (!sideList_->selectedItems().isEmpty()) remove_->setEnabled(true);
    }
    if (code != ids::kClicked) return 0;
    // The running job's own button cancels it.
    if (job && id == runningButton_) {
        jobEvents_.requestCancel();
        return 0;
    }
    // The greyed controls cannot report; nothing else reaches them either.
    if (job && !usableDuringJob(id)) return 0;

    if (!menuCommand(id) && !listCommand(id)) pageCommand(id);
    return 0;
}

bool CppWnd::menuCommand(int id) {
    switch (id) {
    case ids::kExit:
        if (inClosing_) break;
        inClosing_ = true;
        if (closing()) OnDestroy();
        inClosing_ = false;
        break;
    case ids::kOpenCfg: openCfg(); break;
    case ids::kSaveCfg: saveCfgAs(); break;
    case ids::kDbSettings: dbSettingsDialog(); break;
    case ids::kDisclaimer: disclaimer(); break;
    case ids::kForum1: openPage(fieldText(cfgParam.forumUrl1)); break;
    case ids::kForum2: openPage(fieldText(cfgParam.forumUrl2)); break;
    case ids::kForum3:
        // Nothing fills the third address.
        if (cfgParam.forumUrl3[0]) openPage(fieldText(cfgParam.forumUrl3));
        break;
    default:
        if (id < ids::kLangFirst || id > ids::kLangLast) return false;
        changeLanguage(id - ids::kLangFirst + 1);
    }
    return true;
}

bool CppWnd::listCommand(int id) {
    switch (id) {
    case ids::kListCh:
    case ids::kListBSat:
    case ids::kListFSat:
        cfgParam.listType = id - ids::kListCh;
        // Fake channels belong to the bouquets-as-channels list.
        chFake_->setEnabled(cfgParam.listType == 0);
        changed();
        break;
    case ids::kChFake:
        cfgParam.chFake = chFake_->isChecked() ? 1 : 0;
        changed();
        break;
    case ids::kGenHd:
    case ids::kGen3d:
    case ids::kGenRadio:
    case ids::kGenTp: {
        int T_cfgStruct::*const fields[4] = {&T_cfgStruct::gHD, &T_cfgStruct::g3D,
                                             &T_cfgStruct::gRad, &T_cfgStruct::gTP};
        QCheckBox* const boxes[4] = {genHd_, gen3d_, genRadio_, genTp_};
        const int i = id - ids::kGenHd;
        cfgParam.*fields[i] = boxes[i]->isChecked() ? 1 : 0;
        changed();
        break;
    }
    case ids::kDownload: startCommand(true); break;
    case ids::kGenerate: startCommand(false); break;
    case ids::kSend: sendToReceiver(); break;
    case ids::kLogFile:
        cfgParam.logFile = logFile_->isChecked() ? 1 : 0;
        Widget.cfgChanged = true;
        break;
    case ids::kEnigmaCp:
        // A choice of this computer, not of the configuration file.
        cfgParam.enigmaCp1252 = enigmaCp_->isChecked() ? 1 : 0;
        setEnigmaCp1252Setting(cfgParam.enigmaCp1252 == 1);
        break;
    case ids::kEnigmaLamedb5:
        cfgParam.enigmaLamedb5 = enigmaL5_->isChecked() ? 1 : 0;
        setEnigmaLamedb5Setting(cfgParam.enigmaLamedb5 == 1);
        break;
    default:
        if (id >= ids::kFamily && id < ids::kFamily + kFamilyCount) {
            familyClicked(id - ids::kFamily);
        } else if (id >= ids::kE1Type && id < ids::kE1Type + 3) {
            cfgParam.e1Type = id - ids::kE1Type;
            Widget.cfgChanged = true;
        } else if (id >= ids::kE2Type && id < ids::kE2Type + 3) {
            cfgParam.e2Type = id - ids::kE2Type;
            Widget.cfgChanged = true;
        } else {
            return false;
        }
    }
    return true;
}

void CppWnd::pageCommand(int id) {
    switch (id) {
    case ids::kSatSelAll:
    case ids::kSatUnselAll:
        // Satellites past row 60 have no box and keep what the file says.
        for (int r = 1; r <= lastRow(); ++r) {
            satCheck_[r]->setChecked(id == ids::kSatSelAll);
            updSatArray(r);
        }
        changed();
        break;
    case ids::k22k:
    case ids::k12V:
    case ids::kSkew:
    case ids::kSatFeed:
    case ids::kRadio:
    case ids::kRadioSub:
    case ids::kTv:
    case ids::kTvSub:
    case ids::kCat:
    case ids::kCatSelAll:
    case ids::kCatUnselAll: filterClicked(id); break;
    case ids::kLonW:
    case ids::kLonE:
        cfgParam.lonWE = id == ids::kLonE ? 1 : 0;
        Widget.cfgChanged = true;
        break;
    case ids::kSortName:
    case ids::kSortNation: sortBouquets(id == ids::kSortNation); break;
    case ids::kAdd: addBouquet(); break;
    case ids::kRemove: removeBouquet(); break;
    case ids::kAddAll: addAllBouquets(); break;
    case ids::kRemoveAll: removeAllBouquets(); break;
    case ids::kFav: favClicked(); break;
    case ids::kMoveUp:
    case ids::kMoveDown:
        if (moveUpDown(id)) changed();
        break;
    default:
        if (id > ids::kSatCheck && id <= ids::kSatCheck + 60) {
            updSatArray(id - ids::kSatCheck);
        } else if (id > ids::kSatBtn && id <= ids::kSatBtn + 60) {
            if (id - ids::kSatBtn > lastRow()) break;
            currSatBtn = id - ids::kSatBtn;
            setValSat();
        }
    }
}

int CppWnd::OnNotify(QObject* from, int code) {
    if (from == tab_ && code == ids::kTabChange) showTab(tab_->currentIndex());
    return 0;
}

void CppWnd::changed() {
    resetDownGen(&Widget);
    if (ui_->jobRunning()) staleDuringJob_ = true;
}

void CppWnd::withdrawGenerate() {
    const bool was = Widget.cfgChanged;
    resetDownGen(&Widget);
    Widget.cfgChanged = was;
}

void CppWnd::setupComboChanged() {
    if (!satShown()) return;
    T_satRec& s = shownSat();
    const std::pair<QComboBox*, int*> combos[] = {
        {lnb_, &s.lnbType},       {freqLo_, &s.freqLo},     {freqHi_, &s.freqHi},
        {power_, &s.power},       {switch_, &s.switchType}, {switch10_, &s.switch10},
        {switch11_, &s.switch11}, {diseqc_, &s.diseqc}};
    for (const auto& [c, field] : combos)
        if (c->currentIndex() >= 0) *field = c->currentIndex();
    tone22k_->setEnabled(s.lnbType != 1);
    freqHi_->setEnabled(s.lnbType != 0);
    switch10_->setEnabled(s.switchType >= 1);
    switch11_->setEnabled(s.switchType == 2);
    changed();
}

void CppWnd::editLeft(int id) {
    // The box, the value it shows and what a configuration file takes there.
    QLineEdit* box = nullptr;
    int* value = nullptr;
    size_t digits = 0;
    int hi = 0;
    // Degrees and their tenth: the other half of the same angle, and its
    // limit in tenths (past the pole or half way round a file does not load).
    int* deg = nullptr;
    int* dec = nullptr;
    int maxTenths = 0;
    switch (id) {
    case ids::kPosId:
        if (!satShown()) return;
        box = posId_, value = &shownSat().positionerId, digits = 3, hi = 999;
        break;
    case ids::kLatDeg:
    case ids::kLatDec:
    case ids::kLonDeg:
    case ids::kLonDec: {
        const bool lat = id == ids::kLatDeg || id == ids::kLatDec;
        const bool isDeg = id == ids::kLatDeg || id == ids::kLonDeg;
        deg = lat ? &cfgParam.latDeg : &cfgParam.lonDeg;
        dec = lat ? &cfgParam.latDec : &cfgParam.lonDec;
        maxTenths = lat ? 900 : 1800;
        box = isDeg ? (lat ? latDeg_ : lonDeg_) : (lat ? latDec_ : lonDec_);
        value = isDeg ? deg : dec;
        digits = isDeg ? (lat ? 2 : 3) : 1;
        hi = isDeg ? maxTenths / 10 : 9;
        break;
    }
    case ids::kMaxBou: box = maxBou_, value = &cfgParam.maxBou, digits = 3, hi = 999; break;
    case ids::kMaxCTv: box = maxCTv_, value = &cfgParam.maxCTv, digits = 5, hi = 99999; break;
    case ids::kMaxCRa: box = maxCRa_, value = &cfgParam.maxCRa, digits = 5, hi = 99999; break;
    default: return;
    }
    const bool isDeg = deg && value == deg;
    // How the box shows a value: degrees with two digits at least.
    auto shown = [&](int v) { return strFormat(isDeg ? "%02d" : "%d", v); };
    // An emptied box shows its last good value again; that is no change.
    if (box->text().trimmed().isEmpty()) {
        setText(box, shown(*value));
        return;
    }
    const int v = editValue(box, digits);
    // The highest degree is taken as itself: its tenth goes to 0.
    const bool toWhole = isDeg && v * 10 == maxTenths && *dec != 0;
    const int tenths = deg ? (isDeg ? v * 10 + (toWhole ? 0 : *dec) : *deg * 10 + v) : 0;
    if (v > hi || tenths > maxTenths) {
        // Refused at once, with what the box takes; the value stays.
        setText(box, shown(*value));
        const std::string range =
            deg ? strFormat("0.0 - %d.0", maxTenths / 10) : strFormat("0 - %d", hi);
        ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgAllowedValues) + " " + range,
                        fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
        return;
    }
    // Only a value that really changed is a change.
    if (v == *value) {
        setText(box, shown(v));
        return;
    }
    *value = v;
    if (toWhole) {
        *dec = 0;
        setText(deg == &cfgParam.latDeg ? latDec_ : lonDec_, "0");
    }
    changed();
}

void CppWnd::filterClicked(int id) {
    if (!satShown()) return;
    T_satRec& s = shownSat();
    auto on = [](const QCheckBox* c) { return c->isChecked() ? 1 : 0; };
    switch (id) {
    case ids::k22k: s.tone22k = on(tone22k_); break;
    case ids::k12V: s.out12V = on(out12V_); break;
    case ids::kSkew: s.skew = on(skew_); break;
    case ids::kSatFeed: s.feedTp = on(satFeed_); break;
    case ids::kRadio:
        // The sub-boxes follow "RADIO".
        for (QCheckBox* c : {radioFta_, radioCod_}) {
            c->setChecked(radio_->isChecked());
            c->setEnabled(radio_->isChecked());
        }
        break;
    case ids::kRadioSub:
        radio_->setChecked(radioFta_->isChecked() || radioCod_->isChecked());
        break;
    case ids::kTv:
        for (QCheckBox* c : {tvFta_, tvCod_, tvHd_, tv3d_}) {
            c->setChecked(tv_->isChecked());
            c->setEnabled(tv_->isChecked());
        }
        break;
    case ids::kTvSub:
        // No free and no coded channel is no TV at all.
        if (!tvFta_->isChecked() && !tvCod_->isChecked()) {
            for (QCheckBox* c : {tv_, tvHd_, tv3d_}) c->setChecked(false);
        } else {
            tv_->setChecked(true);
        }
        break;
    case ids::kCatSelAll:
    case ids::kCatUnselAll:
        for (uint32_t i = 0; i < catParam.count && i < 40; ++i)
            cat_[i]->setChecked(id == ids::kCatSelAll);
        break;
    default: break;
    }
    if (id == ids::kRadio || id == ids::kRadioSub)
        std::snprintf(s.radioFilter, sizeof s.radioFilter, "%d%d%d", on(radio_), on(radioFta_),
                      on(radioCod_));
    if (id == ids::kTv || id == ids::kTvSub)
        std::snprintf(s.tvFilter, sizeof s.tvFilter, "%d%d%d%d%d", on(tv_), on(tvFta_), on(tvCod_),
                      on(tvHd_), on(tv3d_));
    if (id == ids::kCat || id == ids::kCatSelAll || id == ids::kCatUnselAll) {
        uint32_t i = 0;
        for (; i < catParam.count && i < 40 && i + 1 < sizeof s.catFilter; ++i)
            s.catFilter[i] = cat_[i]->isChecked() ? '1' : '0';
        s.catFilter[i] = '\0';
    }
    changed();
}

void CppWnd::favClicked() {
    favIParam.count = 0;
    bool full = false;
    for (uint32_t i = 0; i < favParam.count && i < 50; ++i) {
        T_favRec& f = favParam.fav[i];
        if (fav_[i]->isChecked()) {
            f.favOn = 1;
            continue;
        }
        // The excluded list starts at index 1: the last of 50 groups cannot
        // stand in it, so its box comes back ticked.
        if (favIParam.count + 1 >= static_cast<uint32_t>(kFavSlots)) {
            fav_[i]->setChecked(true);
            f.favOn = 1;
            full = true;
            continue;
        }
        f.favOn = 0;
        T_favRec& r = favIParam.fav[++favIParam.count];
        r = T_favRec{};
        r.favId = f.favId;
        copyText(r.favName, fieldText(f.favName).c_str());
    }
    if (full)
        ui_->messageBox(Widget.hMain,
                        strFormat(fieldText(MsgLang.msgFavLeftOutMax).c_str(), kFavSlots - 1),
                        fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
    changed();
}

void CppWnd::familyClicked(int fileType) {
    cfgParam.fileType = fileType;
    const FamilyContent content = familyByType(fileType)->content;
    for (QRadioButton* b : e1Type_) b->setEnabled(content == kContentE1Type);
    for (QRadioButton* b : e2Type_) b->setEnabled(content == kContentE2Type);
    setListTypeInfo();
    Widget.cfgChanged = true;
}

void CppWnd::startCommand(bool download) {
    // Only through a greyed control could a second job be asked for; the
    // running one goes on and nothing is said.
    if (ui_->jobRunning()) return;
    if (download) {
        bool any = false;
        for (uint32_t i = 1; i <= satParam.count && i < static_cast<uint32_t>(kSatSlots); ++i)
            any = any || satParam.sat[i].selected == 1;
        if (!any) {
            ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgSelectSat),
                            fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
            return;
        }
        ui_->setProgress(Widget.hProgGen, 0);
    }
    if (!startJob(download))
        ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgJobNotStarted),
                        fieldText(MsgLang.msgAppError), kMbOk | kMbIconError);
}

void CppWnd::setCaption() {
    // The path is the file system's, not a Windows-1252 text.
    setWindowTitle(
        toQt(strFormat("%s%s - Dalmero TEAM - ", cfgParam.appName, cfgParam.appVersion)) +
        QFile::decodeName(cfgFile));
}

void CppWnd::clearControls() {
    setText(grpSatName_, fieldText(MsgLang.lblNoSatSelected));
    for (int r = 1; r <= 60; ++r) satBtn_[r]->setFont(normalFont_);
    for (QComboBox* c : {lnb_, freqLo_, freqHi_, power_, switch_, switch10_, switch11_, diseqc_}) {
        const QSignalBlocker block(c);
        c->clear();
    }
    for (QCheckBox* c : {tone22k_, out12V_, skew_, satFeed_, radio_, radioFta_, radioCod_, tv_,
                         tvFta_, tvCod_, tvHd_, tv3d_})
        c->setChecked(false);
    posId_->clear();
    setText(latDeg_, "00");
    setText(latDec_, "0");
    setText(lonDeg_, "00");
    setText(lonDec_, "0");
    for (QCheckBox* c : cat_)
        if (c) c->setChecked(false);
    for (QCheckBox* c : fav_)
        if (c) c->setChecked(false);
    const QSignalBlocker b1(bouList_), b2(sideList_);
    bouList_->clear();
    sideList_->clear();
}

void CppWnd::openCfg() {
    if ((Widget.cfgChanged || chanPage_->unsaved()) &&
        ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgCfgReplace),
                        fieldText(MsgLang.msgWarning), kMbYesNo | kMbIconWarning) != kIdYes)
        return;
    std::string path = cfgFile;
    // A cancelled or failed open keeps the user's edits, and that they are edits.
    const std::string title = withoutMnemonic(fieldText(MsgLang.mnuOpenCfg));
    if (!ui_->openFileDialog(Widget.hMain, title, cfgFilter(), &path) || !loadChosen(path)) return;
    // The edits were the other configuration's.
    chanPage_->forget();
    Widget.cfgChanged = false;
    setCaption();
    // The report and the bars were the old configuration's.
    for (QLabel* r : rep_) setText(r, "0");
    ui_->setProgress(Widget.hProgDown, 0);
    ui_->setProgress(Widget.hProgGen, 0);
}

bool CppWnd::loadChosen(const std::string& path) {
    if (path.size() >= static_cast<size_t>(kPathMax)) {
        ui_->messageBox(Widget.hMain,
                        strFormat(fieldText(MsgLang.msgPathTooLongLoad).c_str(), kPathMax - 1),
                        fieldText(MsgLang.msgAppError), kMbOk | kMbIconError);
        return false;
    }
    // The master list beside the chosen file, as the file's own folder is
    // where it belongs; else the one the window started with.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path master = fs::path(path).parent_path() / "VAconfig.vac";
    if (!fs::is_regular_file(master, ec)) master = fs::path(currDir) / "VAconfig.vac";

    // The window's records change only when the whole file was read.
    auto next = std::make_unique<CfgRecords>();
    next->cfg = cfgParam;
    if (!loadCfgFrom(master.string().c_str(), path.c_str(), &next->cfg, &next->sat, &next->bou,
                     &next->bouI, &next->cat, &next->fav, &next->favI, &next->nat)) {
        // The window keeps what it had.
        ui_->messageBox(nullptr, lastCfgError(), lastCfgErrorCaption(), kMbIconError);
        return false;
    }
    if (next->cfg.lang < kLangItalian || next->cfg.lang > kLangSpanish) {
        ui_->messageBox(Widget.hMain, "Language ID unknow\n\rError in configuration file.",
                        "Application cfg Error!", kMbOk | kMbIconError);
        return false;
    }

    clearControls();
    cfgParam = next->cfg;
    satParam = next->sat;
    bouParam = next->bou;
    bouIParam = next->bouI;
    catParam = next->cat;
    favParam = next->fav;
    favIParam = next->favI;
    natParam = next->nat;
    copyText(cfgFile, path.c_str());
    currSatBtn = 0;
    // The file's language is the window's from now on.
    useLanguage(cfgParam.lang);
    changeWidgetsLang(&Widget, &MsgLang);
    initAllWidget();
    applyLanguage();
    // Boxes of a longer list of categories or groups go out of sight.
    showTab(tab_->currentIndex());
    // A running job downloads or writes what the window held before.
    if (ui_->jobRunning()) staleDuringJob_ = true;
    noteRowsBeyondWindow();
    return true;
}

void CppWnd::saveCfgAs() {
    std::string path = cfgFile;
    const std::string title = withoutMnemonic(fieldText(MsgLang.mnuSaveCfg));
    if (!ui_->saveFileDialog(Widget.hMain, title, cfgFilter(), "cfg", &path)) return;
    if (path.size() >= static_cast<size_t>(kPathMax)) {
        ui_->messageBox(Widget.hMain,
                        strFormat(fieldText(MsgLang.msgPathTooLongSave).c_str(), kPathMax - 1),
                        fieldText(MsgLang.msgAppError), kMbOk | kMbIconError);
        return;
    }
    char file[kPathMax];
    copyText(file, path.c_str());
    const bool saved = saveCfg(file, &cfgParam, &satParam, &favIParam, &bouIParam);
    if (!saved) {
        ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgCfgOpenErr),
                        fieldText(MsgLang.msgAppError), kMbIconError);
        // The reason names the file.
        ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgError));
        ui_->setStatusPath(Widget.hStatus, 1, lastCfgError());
        return;
    }
    const std::string oldCfg = cfgFile;
    copyText(cfgFile, file);
    setCaption();
    if (!saveEditsBeside(file, oldCfg)) return;
    ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgSaved));
    ui_->setStatusPath(Widget.hStatus, 1, path);
    Widget.cfgChanged = false;
}

void CppWnd::disclaimer() {
    std::string text = strFormat("%s %s %s", cfgParam.appName,
                                 fieldText(MsgLang.lblVersion).c_str(), cfgParam.appVersion) +
                       "\r\n\r\n";
    for (const auto* p :
         {&MsgLang.txtDisclaimer1, &MsgLang.txtDisclaimer2, &MsgLang.txtDisclaimer3,
          &MsgLang.txtDisclaimer4, &MsgLang.txtDisclaimer5, &MsgLang.txtDisclaimer6})
        text += fieldText(*p);
    text += fieldText(MsgLang.msgCredit);
    ui_->messageBox(Widget.hMain, text, withoutMnemonic(fieldText(MsgLang.mnuDisclaimer)), kMbOk);
}
