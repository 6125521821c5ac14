#include "ui/mainWnd.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/programRecords.h"
#include "app/tablesCopy.h"
#include "channels/dbTypes.h"
#include "config/cfgFile.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "edits/edits.h"
#include "jobs/families.h"
#include "ui/chanPage.h"
#include "ui/dbDialog.h"
#include "ui/ids.h"
#include "ui/startFolder.h"
#include "ui/widget.h"
#include "ui/widgetLang.h"

namespace {

// The window's fonts. Verdana is not on every system; DejaVu Sans is. The
// Part's fonts are 12 pixels high (cell), weights 500 and 600; the other
// controls take the window's own font.
const char* const kFontFamily = "DejaVu Sans";
constexpr int kSysFontPx = 12;
constexpr int kPartFontPx = 11;

const QColor kBackground(255, 250, 245);

// The first size of the window, as far as the screen has room: the pages
// were drawn for it.
constexpr int kStartWidth = 940;
constexpr int kStartHeight = 640;

// A list file's description in the window's language, e.g. "Files ndf (*.ndf)".
std::string listFilterDesc(const SingleFileFormat& file) {
    return strFormat(fieldText(MsgLang.lblListFiles).c_str(), file.defExt.c_str()) + " (" +
           file.filterPattern + ")";
}

}  // namespace

CppWnd::CppWnd(QtPlatform* ui, T_dbConnOverride conn)
    : ui_(ui), given_(conn), conn_(std::move(conn)) {
    sysFont_ = QFont(kFontFamily);
    sysFont_.setPixelSize(kSysFontPx);
    normalFont_ = QFont(kFontFamily);
    normalFont_.setPixelSize(kPartFontPx);
    normalFont_.setWeight(QFont::Medium);
    boldFont_ = normalFont_;
    boldFont_.setWeight(QFont::DemiBold);
}

// The controls go after this object's own part: none may reach OnCommand
// or the event filter on their way out.
CppWnd::~CppWnd() {
    for (QObject* c : findChildren<QObject*>()) {
        c->disconnect(this);
        c->removeEventFilter(this);
    }
}

bool CppWnd::Create() {
    // The records are zero before the window exists.
    cfgParam = T_cfgStruct{};
    cfgParam.enigmaCp1252 = enigmaCp1252Setting() ? 1 : 0;
    cfgParam.enigmaLamedb5 = enigmaLamedb5Setting() ? 1 : 0;
    currSatBtn = 0;
    satParam.count = catParam.count = favParam.count = favIParam.count = 0;
    bouParam.count = bouIParam.count = natParam.count = 0;
    Widget = T_Widget{};
    Widget.ui = ui_;

    std::error_code ec;
    std::string error;
    if (!chooseCfgFolder(std::filesystem::current_path(ec).string(), userConfigFolder(),
                         shippedDataFolder(), &cfgDir_, &error)) {
        ui_->messageBox(nullptr, error, "Application cfg Error!", kMbIconError);
        OnDestroy();
        return false;
    }
    copyText(currDir, cfgDir_.c_str());
    initAppIdentity(&cfgParam);
    copyText(cfgFile, (std::string(currDir) + "/Default.cfg").c_str());
    copyText(icoFile, (std::string(currDir) + "/" + cfgParam.appName + ".ico").c_str());

    // A missing or unreadable icon is no error: the window has none then.
    const QString ico = QFile::decodeName(icoFile);
    if (QFileInfo::exists(ico)) {
        QIcon icon(ico);
        if (!icon.isNull()) setWindowIcon(icon);
    }

    buildMenu();
    setWindowTitle(toQt(strFormat("%s%s - Dalmero TEAM", cfgParam.appName, cfgParam.appVersion)));
    // The tab strip above the pages; the pages scroll when the window is
    // smaller than they need.
    auto* central = new QWidget(this);
    central->setObjectName("central");
    auto* frame = new QVBoxLayout(central);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    tab_ = new QTabBar(central);
    tab_->setObjectName("hTab");
    tab_->setExpanding(false);
    tab_->setFont(sysFont_);
    frame->addWidget(tab_);
    auto* scroll = new QScrollArea(central);
    scroll->setObjectName("pageScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);  // no Tab stop of its own
    frame->addWidget(scroll, 1);
    page_ = new QWidget;
    page_->setObjectName("page");
    page_->setFont(sysFont_);
    QPalette pal = page_->palette();
    pal.setColor(QPalette::Window, kBackground);
    for (QWidget* w : {central, page_}) {
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    auto* body = new QVBoxLayout(page_);
    body->setContentsMargins(5, 5, 5, 5);
    body->setSpacing(0);
    scroll->setWidget(page_);
    setCentralWidget(central);
    ui_->setMainWindow(this, [this] { OnDestroy(); });
    Widget.hMain = ui_->handle(this);

    if (!OnCreate()) return false;

    // The page names are set with the other captions (applyLanguage).
    for (int i = 0; i < kPageCount; ++i) tab_->addTab(QString());
    connect(tab_, &QTabBar::currentChanged, this, [this] { OnNotify(tab_, ids::kTabChange); });

    status_ = new VaStatusBar(this, 80);
    status_->setObjectName("hStatus");
    status_->setProperty("vaId", ids::kStatusBar);
    setStatusBar(status_);

    Widget.hStatus = ui_->handle(status_);
    Widget.hProgDown = ui_->handle(progDown_);
    Widget.hProgGen = ui_->handle(progGen_);
    Widget.hTab = ui_->handle(tab_);
    applyLanguage();

    const QSize size = preferredSize();
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        resize(size.boundedTo(r.size() * 9 / 10));
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    } else {
        resize(size);
    }
    show();
    noteRowsBeyondWindow();
    useDbSettings();
    return true;
}

QSize CppWnd::preferredSize() const {
    // The page as it asks, with room for the tab strip, the menu, the
    // status bar and a scroll bar.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int chrome = tab_->sizeHint().height() + menuBar()->sizeHint().height() +
                       (status_ ? status_->sizeHint().height() : 0);
    return QSize(kStartWidth, kStartHeight)
        .expandedTo(page_->sizeHint() + QSize(bar, chrome + bar));
}

void CppWnd::buildMenu() {
    auto item = [this](QMenu* m, const char* text, int id) {
        QAction* a = m ? m->addAction(toQt(text)) : menuBar()->addAction(toQt(text));
        a->setProperty("vaId", id);
        a->setObjectName(QString("menu%1").arg(id));
        connect(a, &QAction::triggered, this, [this, a, id] { OnCommand(a, id, ids::kClicked); });
        menuItems_.push_back(a);
        return a;
    };
    // The usual shortcuts, so the window is usable from the keyboard; the
    // captions with their mnemonics are the language's (applyLanguage).
    QMenu* file = menuBar()->addMenu(QString());
    file->setObjectName("menuFile");
    item(file, "", ids::kOpenCfg)->setShortcut(QKeySequence::Open);
    item(file, "", ids::kSaveCfg)->setShortcut(QKeySequence::Save);
    item(file, "", ids::kDbSettings);
    file->addSeparator();
    item(file, "", ids::kExit)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* lang = menuBar()->addMenu(QString());
    lang->setObjectName("menuLanguage");
    auto* langs = new QActionGroup(this);
    // Each language by its own name, so its speakers find it in any other.
    const char* const names[5] = {"&Italiano", "&English",
                                  "&Fran\xE7"
                                  "ais",
                                  "&Deutsch", "E&spa\xF1ol"};
    for (int i = 0; i < 5; ++i) {
        langItem_[i] = item(lang, names[i], ids::kLangFirst + i);
        langItem_[i]->setCheckable(true);
        langs->addAction(langItem_[i]);
        langHandle_[i] = ui_->handle(langItem_[i]);
    }
    QMenu* forum = menuBar()->addMenu(QString());
    forum->setObjectName("menuForum");
    item(forum, "", ids::kForum1);
    item(nullptr, "", ids::kDisclaimer);
    // Ctrl+Tab and Ctrl+Shift+Tab go round the pages, as in other programs.
    for (int step : {1, -1}) {
        auto* next = new QShortcut(step > 0 ? QKeySequence(Qt::CTRL | Qt::Key_Tab)
                                            : QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                   this);
        connect(next, &QShortcut::activated, this, [this, step] {
            if (tab_)
                tab_->setCurrentIndex((tab_->currentIndex() + step + kPageCount) % kPageCount);
        });
    }
}

bool CppWnd::OnCreate() {
    const std::string master = cfgDir_ + "/VAconfig.vac";
    if (!loadCfgFrom(master.c_str(), cfgFile, &cfgParam, &satParam, &bouParam, &bouIParam,
                     &catParam, &favParam, &favIParam, &natParam)) {
        // The box names the file and the reason; nothing more to add.
        ui_->messageBox(nullptr, lastCfgError(), lastCfgErrorCaption(), kMbIconError);
        OnDestroy();
        return false;
    }
    if (cfgParam.lang < kLangItalian || cfgParam.lang > kLangSpanish) {
        ui_->messageBox(nullptr, "Language ID unknow\n\rError in configuration file.",
                        "Application cfg Error!", kMbIconError);
        OnDestroy();
        return false;
    }
    useLanguage(cfgParam.lang);
    setCaption();
    createControls();
    storeHandles();
    changeWidgetsLang(&Widget, &MsgLang);
    initAllWidget();
    showTab(0);
    Widget.cfgChanged = false;
    return true;
}

void CppWnd::storeHandles() {
    T_Widget& w = Widget;
    auto h = [this](QObject* o) { return ui_->handle(o); };
    w.hRepSat = h(rep_[0]);
    w.hRepTp = h(rep_[1]);
    w.hRepBou = h(rep_[2]);
    w.hRepTv = h(rep_[3]);
    w.hRepRadio = h(rep_[4]);
    w.hRepFavGrp = h(rep_[5]);
    w.hRepFavCh = h(rep_[6]);
    w.hGrpSat = h(grpSat_);
    w.hGrpSatName = h(grpSatName_);
    w.hGrpDish = h(grpDish_);
    w.hGrpPos = h(grpPos_);
    w.hGrpCat = h(grpCat_);
    for (int r = 1; r <= 60; ++r) {
        w.hSatCheck[r] = h(satCheck_[r]);
        w.hSatBtn[r] = h(satBtn_[r]);
    }
    w.hLnb = h(lnb_);
    w.hFreqLo = h(freqLo_);
    w.hFreqHi = h(freqHi_);
    w.hPower = h(power_);
    w.h22k = h(tone22k_);
    w.h12V = h(out12V_);
    w.hSwitch = h(switch_);
    w.hSwitch10 = h(switch10_);
    w.hSwitch11 = h(switch11_);
    w.hDiseqc = h(diseqc_);
    w.hPosId = h(posId_);
    w.hSkew = h(skew_);
    w.hLatDeg = h(latDeg_);
    w.hLatDec = h(latDec_);
    w.hLonDeg = h(lonDeg_);
    w.hLonDec = h(lonDec_);
    w.hRadio = h(radio_);
    w.hRadioFta = h(radioFta_);
    w.hRadioCod = h(radioCod_);
    w.hTv = h(tv_);
    w.hTvFta = h(tvFta_);
    w.hTvCod = h(tvCod_);
    w.hTvHd = h(tvHd_);
    w.hTv3d = h(tv3d_);
    for (int i = 0; i < 40; ++i) w.hCat[i] = cat_[i] ? h(cat_[i]) : nullptr;
    w.hCatSelAll = h(catSelAll_);
    w.hCatUnselAll = h(catUnselAll_);
    w.hSatFeed = h(satFeed_);
    w.hBouLabel = h(bouLabel_);
    w.hSortLabel = h(sortLabel_);
    w.hSortName = h(sortName_);
    w.hSortNation = h(sortNation_);
    w.hBouList = h(bouList_);
    w.hSideLabel = h(sideLabel_);
    w.hSideList = h(sideList_);
    for (int i = 0; i < 50; ++i) w.hFav[i] = fav_[i] ? h(fav_[i]) : nullptr;
    w.hAdd = h(add_);
    w.hAddAll = h(addAll_);
    w.hRemoveAll = h(removeAll_);
    w.hRemove = h(remove_);
    w.hDownload = h(download_);
    w.hGenTp = h(genTp_);
    w.hMoveUp = h(moveUp_);
    w.hMoveDown = h(moveDown_);
    w.hSatSelAll = h(satSelAll_);
    w.hSatUnselAll = h(satUnselAll_);
    w.hGrpLimits = h(grpLimits_);
    w.hMaxBouLabel = h(maxBouLabel_);
    w.hMaxBou = h(maxBou_);
    w.hMaxCTvLabel = h(maxCTvLabel_);
    w.hMaxCTv = h(maxCTv_);
    w.hMaxCRaLabel = h(maxCRaLabel_);
    w.hMaxCRa = h(maxCRa_);
    w.hGrpListType = h(grpListType_);
    w.hListCh = h(listCh_);
    w.hListBSat = h(listBSat_);
    w.hListFSat = h(listFSat_);
    w.hChFake = h(chFake_);
    w.hGenHd = h(genHd_);
    w.hGen3d = h(gen3d_);
    w.hGenRadio = h(genRadio_);
    w.hGenerate = h(generate_);
    w.hLogFile = h(logFile_);
    for (int i = 0; i < kFamilyCount; ++i) w.hFamily[i] = h(family_[i]);
    for (int i = 0; i < 3; ++i) {
        w.hE1Type[i] = h(e1Type_[i]);
        w.hE2Type[i] = h(e2Type_[i]);
    }
}

int CppWnd::OnDestroy() {
    endProgram(0);
    return 0;
}

void CppWnd::endProgram(int code) {
    ended_ = true;
    hide();
    if (quit)
        quit(code);
    else
        // Posted: a start that failed has no event loop yet to leave.
        QMetaObject::invokeMethod(
            qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

bool CppWnd::closing() {
    if (!Widget.cfgChanged && !chanPage_->unsaved()) return true;
    // Asked without an owner window, as the question of leaving is.
    const int answer = ui_->messageBox(nullptr, fieldText(MsgLang.msgCfgChanged),
                                       fieldText(MsgLang.msgWarning), kMbYesNo | kMbIconWarning);
    if (answer != kIdYes) return false;
    if (cfgParam.showForum == 1)
        openPage(fieldText(cfgParam.forumUrl1));
    else if (cfgParam.showForum == 2)
        openPage(fieldText(cfgParam.forumUrl2));
    return true;
}

void CppWnd::closeEvent(QCloseEvent* e) {
    if (ended_) {
        e->accept();
        return;
    }
    // The close box while the question is up asks nothing more.
    if (inClosing_) {
        e->ignore();
        return;
    }
    inClosing_ = true;
    const bool go = closing();
    inClosing_ = false;
    if (!go) {
        e->ignore();
        return;
    }
    e->accept();
    OnDestroy();
}

void CppWnd::changeLanguage(int lang) {
    // The same language again is no change.
    if (lang == cfgParam.lang) return;
    // A running job keeps the texts it was started with (its own copy).
    cfgParam.lang = lang;
    useLanguage(lang);
    changeWidgetsLang(&Widget, &MsgLang);
    applyLanguage();
    // The satellite shown keeps its name as the title.
    if (satShown())
        QtPlatform::putText(grpSatName_, QString::fromStdString(fieldText(shownSat().satName)));
    Widget.cfgChanged = true;
}

void CppWnd::noteRowsBeyondWindow() {
    if (satParam.count <= 60) return;
    ui_->messageBox(
        Widget.hMain,
        strFormat(fieldText(MsgLang.msgRowsBeyondWindow).c_str(), satParam.count, satParam.count),
        fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
}

void CppWnd::useLanguage(int lang) {
    setLang(&MsgLang, lang);
    for (int i = 0; i < 5; ++i)
        if (langHandle_[i]) ui_->setChecked(langHandle_[i], i == lang - kLangItalian);
    // Qt's boxes and dialogs follow: a box made from now on has its buttons
    // in this language. Without Qt's file they stay English.
    if (qtTexts_) {
        QCoreApplication::removeTranslator(qtTexts_);
        delete qtTexts_;
        qtTexts_ = nullptr;
    }
    if (!langCode(lang) || lang == kLangEnglish) return;
    auto* t = new QTranslator(this);
    if (t->load(QString("qtbase_") + langCode(lang),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(t))
        qtTexts_ = t;
    else
        delete t;
}

void CppWnd::applyLanguage() {
    changeWindowLang(this, &MsgLang);
    chanPage_->applyLanguage(MsgLang);
    setListTypeInfo();
    // The running job's button keeps saying that it cancels.
    if (ui_->jobRunning() && runningButton_)
        if (auto* b = qobject_cast<QWidget*>(controlById(runningButton_)))
            QtPlatform::putText(b, toQt(fieldText(MsgLang.lblCancel)));
}

T_jobSource CppWnd::jobSource() {
    jobEvents_.setCounts(static_cast<int>(catParam.count), static_cast<int>(favParam.count));
    return programJobSource(&jobEvents_, ui_, &conn_);
}

bool CppWnd::askDestination(const T_family& f, std::string* target) {
    // The dialogs open where the last list went.
    const std::string last = listFolderSetting();
    if (!f.fileFormat) {
        *target = last;
        if (ui_->browseFolder(Widget.hMain, "Dalmero TEAM - " + fieldText(MsgLang.lblChooseFolder),
                              target)) {
            if (!target->empty()) setListFolderSetting(*target);
            return replaceAsked(f, *target);
        }
        // No list was written: the status no longer says an earlier one was.
        ui_->setStatus(Widget.hStatus, 0, "");
        ui_->setStatus(Widget.hStatus, 1, "");
        return false;
    }
    const SingleFileFormat file = f.fileFormat(f.fileType);
    const std::string name = defaultListName(f, ui_->localTime());
    *target = last.empty() ? name : (std::filesystem::path(last) / name).string();
    if (ui_->saveFileDialog(Widget.hMain, fieldText(MsgLang.msgSave),
                            {listFilterDesc(file), file.filterPattern}, file.defExt, target) &&
        !target->empty()) {
        setListFolderSetting(std::filesystem::path(*target).parent_path().string());
        return true;
    }
    // No file, no list: said as a file that could not be opened.
    ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgError));
    ui_->setStatus(Widget.hStatus, 1, fieldText(MsgLang.msgFileOpenErr));
    return false;
}

bool CppWnd::replaceAsked(const T_family& f, const std::string& folder) {
    // The job names its folder by the minute it starts; one of this minute
    // would be replaced whole.
    const std::string dated = datedFolderName(f.folderPrefix, ui_->localTime());
    std::error_code ec;
    if (folder.empty() || !std::filesystem::exists(std::filesystem::path(folder) / dated, ec))
        return true;
    return ui_->messageBox(Widget.hMain, fieldText(MsgLang.msgReplaceList) + "\r\n" + dated,
                           fieldText(MsgLang.msgWarning), kMbYesNo | kMbIconQuestion) == kIdYes;
}

bool CppWnd::startJob(bool download) {
    // The launcher refuses too; the running job's state must stay.
    if (ui_->jobRunning()) return false;
    QPointer<CppWnd> self(this);
    auto ended = [self](const T_jobEnd& e) {
        if (!self) return;
        // The server's forum request is kept with the configuration.
        if (e.download && e.showForum) cfgParam.showForum = e.showForum;
        self->lastJobEnd_ = e;
        ++self->jobsEnded_;
        self->afterJob(e);
        self->OnJobEnd(e);
    };
    staleDuringJob_ = false;
    // The job's button cancels it while it runs.
    const HCtl button = download ? Widget.hDownload : Widget.hGenerate;
    // Restored through putText, which shows a '&': the mnemonic comes back
    // with the captions after the job (afterJob).
    jobEvents_.setCancelButton(button, withoutMnemonic(ui_->text(button)),
                               fieldText(MsgLang.lblCancel));
    runningButton_ = download ? ids::kDownload : ids::kGenerate;
    T_jobSource src = jobSource();
    if (download) {
        keepTables();
        chanPage_->jobStarts(true);
        // Tables the generate side offers, from this server: the job reads
        // nothing more when the database still holds their version.
        if (ifChanged_->isChecked() && kept_ && tablesVersion_ >= 0 && tablesServer_ == serverKey())
            src.skipIfVersion = tablesVersion_;
        if (startDownloadJob(src, ended)) return true;
        kept_.reset();
        chanPage_->jobEnded();
        return false;
    }
    const int family = cfgParam.fileType;
    const T_family* f = familyByType(family);
    if (!f) return false;
    // The family's checks and early warnings come before the user is asked
    // where to write; a refusal has been said, a cancel needs no word.
    if (checkWriterJob(src, family) != 0) return true;
    std::string target;
    if (!askDestination(*f, &target)) return true;
    chanPage_->jobStarts(false);
    if (startWriterJob(src, family, target, true, ended)) return true;
    chanPage_->jobEnded();
    return false;
}

std::string CppWnd::serverKey() const {
    return conn_.host + "|" + std::to_string(conn_.port) + "|" + conn_.socket + "|" + conn_.name;
}

void CppWnd::afterJob(const T_jobEnd& e) {
    // Nothing changed: the tables the job cleared at its start come back.
    const bool back = e.download && kept_ &&
                      (e.code == kDownloadUnchanged || (e.code != 0 && jobEvents_.cancelled()));
    if (back) restoreTables();
    if (e.download && e.code == kDownloadOk) {
        // The user's edits go onto the list before anything can write it.
        std::string err;
        const T_editsReport r = chanPage_->downloaded(e.type, editsPathFor(cfgFile), &err);
        if (!err.empty())
            ui_->messageBox(Widget.hMain,
                            strFormat(fieldText(MsgLang.msgEditsLoadErr).c_str(), err.c_str()),
                            fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
        reportEdits(r);
    } else if (e.download && !back) {
        chanPage_->dropTables();
    } else {
        chanPage_->jobEnded();
    }
    // An Enigma list just written may go on to the box.
    if (!e.download && e.code == 0 && (e.type == 1 || e.type == 2) &&
        !jobEvents_.lastWritten().empty()) {
        sendFolder_ = std::filesystem::path(jobEvents_.lastWritten()).parent_path().string();
        sendKind_ = e.type == 1 ? BoxKind::kEnigma1 : BoxKind::kEnigma2;
    }
    if (e.download && e.code == kDownloadOk) {
        tablesVersion_ = e.dataVersion;
        tablesServer_ = serverKey();
    } else if (e.download && e.code != kDownloadUnchanged && !jobEvents_.cancelled()) {
        tablesVersion_ = -1;  // a failed download leaves no tables
    }
    kept_.reset();
    afterAnyJob();
    // The job has shown the old-version box; this build may not go on.
    if (e.download && e.code == kDownloadOutdated) endProgram(2);
}

void CppWnd::afterAnyJob() {
    // "Add" waits for a bouquet chosen in the list, as "Remove" does.
    add_->setEnabled(!bouList_->selectedItems().isEmpty());
    // The job enabled all 60 rows again; a row without a satellite has
    // nothing to pick or tick.
    disableUnusedRows();
    // It enabled the set-up boxes too, whatever the shown satellite's LNB
    // and switch allow, and with no satellite shown at all.
    applySatRules();
    if (staleDuringJob_) withdrawGenerate();
    staleDuringJob_ = false;
    // The job enabled the page's buttons; this one needs a list to send.
    send_->setEnabled(!sendFolder_.empty());
    // The job's button in the window's language now, with its mnemonic.
    applyLanguage();
}

void CppWnd::OnJobEnd(const T_jobEnd&) {}

void CppWnd::reportEdits(const T_editsReport& r) {
    // A clean apply leaves the job's own word on the bar.
    if (r.unmatched.empty() && r.refused.empty() && r.cut.empty() && r.unknown.empty()) return;
    ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgWarning));
    ui_->setStatus(
        Widget.hStatus, 1,
        strFormat(fieldText(MsgLang.msgEditsReport).c_str(), r.applied,
                  r.unmatched.size() + r.unknown.size(), r.refused.size(), r.cut.size()));
}

bool CppWnd::saveEditsBeside(const std::string& cfgPath, const std::string& oldCfgPath) {
    const std::string path = editsPathFor(cfgPath);
    std::string err;
    if (chanPage_->loaded() || chanPage_->unsaved()) {
        if (chanPage_->save(path, &err)) return true;
    } else {
        // No download has read the edits yet: those of the configuration
        // saved from go with it.
        T_editsDoc doc;
        const std::string old = editsPathFor(oldCfgPath);
        std::error_code ec;
        if (old == path || !std::filesystem::exists(old, ec)) return true;
        if (loadEditsFile(old, &doc, &err) && saveEditsFile(path, doc, &err)) return true;
    }
    ui_->messageBox(Widget.hMain,
                    strFormat(fieldText(MsgLang.msgEditsSaveErr).c_str(), err.c_str()),
                    fieldText(MsgLang.msgAppError), kMbOk | kMbIconError);
    return false;
}

struct CppWnd::KeptTables {
    TablesCopy tables;
    QString rep[7];
};

void CppWnd::keepTables() {
    kept_.reset();
    // Only a list the generate side offers is worth keeping.
    if (!generate_->isEnabled()) return;
    auto k = std::make_unique<KeptTables>();
    k->tables.take(programTables());
    for (int i = 0; i < 7; ++i) k->rep[i] = rep_[i]->text();
    kept_ = std::move(k);
}

void CppWnd::restoreTables() {
    if (!kept_) return;
    const KeptTables& k = *kept_;
    k.tables.put(programTables());
    for (int i = 0; i < 7; ++i) rep_[i]->setText(k.rep[i]);
    // The generate side as the last download left it.
    jobEvents_.finished(true);
}

void CppWnd::disableUnusedRows() {
    for (uint32_t r = satParam.count + 1; r <= 60; ++r) {
        satCheck_[r]->setEnabled(false);
        satBtn_[r]->setEnabled(false);
    }
}

QObject* CppWnd::controlById(int id) const {
    for (QAction* a : menuItems_)
        if (a->property("vaId").toInt() == id) return a;
    if (!page_) return nullptr;
    for (QWidget* w : page_->findChildren<QWidget*>())
        if (w->property("vaId").toInt() == id) return w;
    if (status_ && id == ids::kStatusBar) return status_;
    return nullptr;
}

bool CppWnd::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(o))
        OnCommand(o, o->property("vaId").toInt(), ids::kKillFocus);
    return QMainWindow::eventFilter(o, e);
}

SecretStore& CppWnd::secrets() {
    if (secrets_) return *secrets_;
    if (!desktopStore_) desktopStore_ = makeDesktopSecretStore();
    return *desktopStore_;
}

void CppWnd::useDbSettings() {
    T_dbSettings saved;
    const T_dbSettings* have = loadDbSettings(&saved) ? &saved : nullptr;
    if (dbPasswordFromStore(given_, have) &&
        secrets().read(kDbPasswordKey, &dbPassword_, nullptr) != SecretStore::Result::kOk) {
        // Asked once per start and kept in memory only.
        dbPassword_.clear();
        const T_dbConnOverride o = dbConnection(given_, have, "");
        const std::string server = !o.socket.empty() ? o.socket
                                   : !o.host.empty() ? o.host
                                                     : fieldText(cfgParam.dbHost);
        const std::string user = o.user.empty() ? fieldText(cfgParam.dbUser) : o.user;
        QString text = toQt(fieldText(MsgLang.msgDbAskPassword))
                           .arg(QString::fromStdString(user), QFile::decodeName(server.c_str()));
        if (!secrets().available(nullptr))
            text = toQt(fieldText(MsgLang.msgDbNoStore)) + "\n" + text;
        ui_->askPassword(fieldText(MsgLang.lblDbTitle), fromQt(text), &dbPassword_);
    }
    conn_ = dbConnection(given_, have, dbPassword_);
}

bool CppWnd::dbSettingsDialog() {
    T_dbSettings saved;
    loadDbSettings(&saved);
    const bool store = secrets().available(nullptr);
    DbDialog dlg(this, MsgLang, given_, saved, dbPassword_, store);
    if (dlg.exec() != QDialog::Accepted) return false;
    const T_dbSettings s = dlg.settings();
    if (!dbFieldVariable(given_, DbField::kPassword)) {
        dbPassword_ = dlg.password();
        // Without a store the password lasts until the program ends and is
        // asked for at the next start.
        if (store && s.passwordKept)
            secrets().write(kDbPasswordKey, dbPassword_, nullptr);
        else if (store)
            secrets().remove(kDbPasswordKey, nullptr);
    }
    saveDbSettings(s);
    conn_ = dbConnection(given_, &s, dbPassword_);
    return true;
}
