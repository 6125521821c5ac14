#pragma once
// The main window: one window with a menu, a tab strip of five pages, a
// status bar and two progress bars. Every control lies on one surface
// (page()); a tab page is a set of controls shown while the others are
// hidden. The configuration records, the message table and the widget
// record are the program-wide ones (config/, platform/widget.h).
#include <QFont>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "download/download.h"
#include "jobs/families.h"
#include "jobs/jobLauncher.h"
#include "send/boxSend.h"
#include "ui/dbSettings.h"
#include "ui/qtPlatform.h"
#include "ui/secretStore.h"
#include "ui/widget.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTranslator;
class ChanPage;
struct T_editsReport;

// The row whose satellite the set-up and filter pages show (1 to 60); 0
// while none is shown.
extern int currSatBtn;
// Scratch table of the bouquet sort.
extern T_idxBou tmpBouquet;
// Byte-wise comparisons of two T_bouRec for qsort, by name and by nation.
int compareBouByName(const void* a, const void* b);
int compareBouByNation(const void* a, const void* b);

// The code page of the Enigma lists' names is a choice of this computer,
// kept in the user's settings and not in the configuration file (whose
// format other installations share): true Windows-1252, false UTF-8.
bool enigmaCp1252Setting();
// The download's "only when the database changed", kept per user.
bool ifChangedSetting();
void setIfChangedSetting(bool on);
void setEnigmaCp1252Setting(bool on);
// Whether the Enigma2 list also gets a lamedb5, kept the same way.
bool enigmaLamedb5Setting();
void setEnigmaLamedb5Setting(bool on);
// The folder the last list went into, where the next list's dialog opens.
std::string listFolderSetting();
void setListFolderSetting(const std::string& folder);

class CppWnd : public QMainWindow {
    Q_OBJECT
public:
    // ui: the backend every control, box and job goes through; conn: the
    // connection values the environment gives, which win over the window's
    // own channel database settings.
    explicit CppWnd(QtPlatform* ui, T_dbConnOverride conn = {});
    ~CppWnd() override;

    // Start-up, in order: the configuration's folder (ui/startFolder.h),
    // "Default.cfg", the icon, the menu, OnCreate (configuration, language,
    // controls, page 0), the status bar and progress bars. False when a step
    // failed after showing its box; the program then ends.
    bool Create();
    virtual bool OnCreate();
    // The window's end: hides it and quits the event loop with code 0.
    virtual int OnDestroy();
    bool ended() const { return ended_; }
    // What ending does; by default it quits the application's event loop.
    std::function<void(int code)> quit;

    // Every control and menu item reports here with its id and code (ids.h).
    virtual int OnCommand(QObject* control, int id, int code);
    // The tab strip reports a change of page here.
    virtual int OnNotify(QObject* from, int code);

    int initAllWidget();
    int showTab(int page);
    int SHsatList(int show);
    int SHsatSetup(int show);
    int SHsatFilter(int show);
    int SHgeneralFilter(int show);
    int SHgeneralDownGen(int show);
    int setListTypeInfo();

    // The satellite list: tick a row, show a row's satellite, move it.
    int updSatArray(int row);
    int setValSat();
    int moveUpDown(int id);
    // Row r's button shows its satellite's name, whole in its tooltip.
    void showSatName(int r);

    // Starts the download job of the list type or the writer job of the
    // family through the launcher, on copies of the records; a writer's
    // checks and early warnings come first, then the destination dialog.
    // False when a job could not be started; true too when the family
    // refused the list or the user cancelled. The end reaches OnJobEnd on
    // the window thread.
    bool startJob(bool download);
    virtual void OnJobEnd(const T_jobEnd& end);
    const T_jobEnd& lastJobEnd() const { return lastJobEnd_; }
    int jobsEnded() const { return jobsEnded_; }
    // What the window's jobs start from: its live records, its events and
    // the connection.
    T_jobSource jobSource();
    // The connection values of the next jobs.
    void setConnection(T_dbConnOverride conn) { conn_ = std::move(conn); }
    const T_dbConnOverride& connection() const { return conn_; }
    // The password's store; by default the desktop's. Before Create.
    void setSecretStore(SecretStore* store) { secrets_ = store; }
    // File > Channel database; true when its settings were taken.
    bool dbSettingsDialog();

    // The size the window asks for, before the screen bounds it.
    QSize preferredSize() const;

    QtPlatform* platform() const { return ui_; }
    QWidget* page() const { return page_; }
    QTabBar* tabBar() const { return tab_; }
    // The Channels page, the fifth.
    ChanPage* channelsPage() const { return chanPage_; }
    static constexpr int kPageCount = 5;
    // The first control or menu item that carries id.
    QObject* controlById(int id) const;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void buildMenu();
    void createControls();
    void createSatellitePages();
    void createGeneralFilterPage();
    void createDownGenPage();
    void createChannelsPage();
    // What an apply of the edits left unapplied, said on the status bar.
    void reportEdits(const T_editsReport& r);
    // The edits beside a configuration just saved at cfgPath (before at
    // oldCfgPath); false after a box when they could not be written.
    bool saveEditsBeside(const std::string& cfgPath, const std::string& oldCfgPath);
    // Category and favourite boxes exist for the entries of the master list.
    void ensureListBoxes();
    void storeHandles();
    // The boxes named by their labels (their own names follow the
    // language: changeWindowLang).
    void nameControls();
    // The closing question; true when the window may go.
    bool closing();
    // Hides the window and leaves the event loop with code.
    void endProgram(int code);
    void changeLanguage(int lang);
    // Opens a page in the browser, or says where it is when there is none.
    void openPage(const std::string& url);
    // The clicks OnCommand hands on: the menu's, the download and generate
    // side's (true when id was one of theirs), and the pages' own.
    bool menuCommand(int id);
    bool listCommand(int id);
    void pageCommand(int id);
    // The texts of a language, Qt's own among them, and its menu item ticked.
    void useLanguage(int lang);
    // Every caption of the window in the language of the message table.
    void applyLanguage();
    // The folder or the list file of a writer job, asked from the user.
    bool askDestination(const T_family& f, std::string* target);
    // True unless the folder holds a list of this minute and the user keeps it.
    bool replaceAsked(const T_family& f, const std::string& folder);
    // Says once per load that satellites past row 60 have no row.
    void noteRowsBeyondWindow();
    // Rows without a satellite stay unusable, also after a job restored the window.
    void disableUnusedRows();
    // What the window does once a job has ended, before OnJobEnd.
    void afterJob(const T_jobEnd& e);
    // What every job's end restores, a send's too.
    void afterAnyJob();
    // The channel tables of the last download and its report, kept while a
    // new download runs: a cancelled one gives them back with the generate
    // side, as if it had never started.
    struct KeptTables;
    void keepTables();
    void restoreTables();
    SecretStore& secrets();
    // At start: the saved channel database settings under the environment's
    // values; a password the store cannot give is asked for.
    void useDbSettings();

    // Command handling (commands.cpp).
    // A download-relevant change: withdraws the generate side; a change
    // made while a job runs also withdraws what that job gives back.
    void changed();
    // Takes the generate side away without counting as a change.
    void withdrawGenerate();
    // The last row that shows a satellite, and whether one is shown.
    int lastRow() const;
    bool satShown() const;
    T_satRec& shownSat();
    void setupComboChanged();
    void editLeft(int id);
    void filterClicked(int id);
    void favClicked();
    void familyClicked(int fileType);
    void startCommand(bool download);
    void openCfg();
    // Loads the chosen file in place of the window's configuration; false
    // (after a box) when it could not be read whole, and nothing changed.
    bool loadChosen(const std::string& path);
    void saveCfgAs();
    void disclaimer();
    void setCaption();
    void clearControls();
    // The enable rules of the set-up and filter boxes for the shown satellite.
    void applySatRules();
    // No satellite shown: the boxes that edit one are not usable.
    void disableSatBoxes();
    // The move buttons by the shown row: none above row 1, none below the last.
    void setMoveButtons();

    // The bouquet lists (satList.cpp).
    void sortBouquets(bool byNation);
    void fillBouList();
    void addBouquet();
    void addAllBouquets();
    void removeBouquet();
    void removeAllBouquets();

    // Control makers: parent, id, colours, font, and the wiring to OnCommand;
    // the page layouts place them.
    void place(QWidget* w, const char* name, int id, std::vector<QWidget*>* group);
    QGroupBox* group(QWidget* parent, const char* name, const char* title,
                     std::vector<QWidget*>* g);
    QLabel* label(QWidget* parent, const char* name, int id, const char* text,
                  std::vector<QWidget*>* g, bool right = false);
    QCheckBox* check(QWidget* parent, const char* name, int id, const char* text,
                     std::vector<QWidget*>* g, const QFont* f = nullptr);
    QRadioButton* radio(QWidget* parent, const char* name, int id, const char* text,
                        QButtonGroup* set, std::vector<QWidget*>* g, const QFont* f = nullptr);
    QPushButton* button(QWidget* parent, const char* name, int id, const char* text,
                        std::vector<QWidget*>* g, const QFont* f = nullptr);
    QComboBox* combo(QWidget* parent, const char* name, int id, std::vector<QWidget*>* g);
    QLineEdit* edit(QWidget* parent, const char* name, int id, int maxLen,
                    std::vector<QWidget*>* g);
    QListWidget* list(QWidget* parent, const char* name, int id, std::vector<QWidget*>* g,
                      const QFont* f = nullptr);

    QtPlatform* ui_;
    T_dbConnOverride given_, conn_;
    SecretStore* secrets_ = nullptr;
    std::unique_ptr<SecretStore> desktopStore_;
    // The saved settings' password, in memory only where no store keeps it.
    std::string dbPassword_;
    WindowEvents jobEvents_{&Widget};
    int runningButton_ = 0;  // the button of the job that runs, which cancels it
    std::unique_ptr<KeptTables> kept_;
    bool ended_ = false;
    // The folder of "Default.cfg" and "VAconfig.vac" at the start.
    std::string cfgDir_;
    bool inClosing_ = false;
    T_jobEnd lastJobEnd_{};
    int jobsEnded_ = 0;
    // A download-relevant change was made while a job ran: what it downloads
    // no longer matches the configuration.
    bool staleDuringJob_ = false;

    QFont sysFont_, normalFont_, boldFont_;
    QWidget* page_ = nullptr;
    QTabBar* tab_ = nullptr;
    VaStatusBar* status_ = nullptr;
    QProgressBar* progDown_ = nullptr;
    QProgressBar* progGen_ = nullptr;
    QAction* langItem_[5] = {};
    QTranslator* qtTexts_ = nullptr;  // Qt's own texts in the window's language
    HCtl langHandle_[5] = {};
    std::vector<QAction*> menuItems_;

    // The show-and-hide groups of the pages.
    std::vector<QWidget*> shSatList_, shSatSetup_, shSatFilter_, shGeneralFilter_, shDownGen_;
    QGroupBox* grpSatName_ = nullptr;
    QGroupBox* sharedFrame_ = nullptr;
    // The parts of the surface: the satellite pages', and in the shared frame
    // the general filter page's and the download page's.
    QWidget *satArea_ = nullptr, *generalArea_ = nullptr, *downGenArea_ = nullptr;
    ChanPage* chanPage_ = nullptr;
    QGridLayout *catGrid_ = nullptr, *favGrid_ = nullptr;

    // Page "Satelliti - Setup" and the satellite list.
    QGroupBox* grpSat_ = nullptr;
    QCheckBox* satCheck_[61] = {};
    QPushButton* satBtn_[61] = {};
    QPushButton *moveUp_ = nullptr, *moveDown_ = nullptr, *satSelAll_ = nullptr,
                *satUnselAll_ = nullptr;
    QGroupBox *grpDish_ = nullptr, *grpPos_ = nullptr;
    QComboBox *lnb_ = nullptr, *freqLo_ = nullptr, *freqHi_ = nullptr, *power_ = nullptr,
              *switch_ = nullptr, *switch10_ = nullptr, *switch11_ = nullptr, *diseqc_ = nullptr;
    QCheckBox *tone22k_ = nullptr, *out12V_ = nullptr, *skew_ = nullptr;
    QLineEdit* posId_ = nullptr;
    std::vector<QLabel*> dishLabels_;
    QLineEdit *latDeg_ = nullptr, *latDec_ = nullptr, *lonDeg_ = nullptr, *lonDec_ = nullptr;
    QRadioButton *lonW_ = nullptr, *lonE_ = nullptr;

    // Page "Satelliti - Search Filter".
    QCheckBox *radio_ = nullptr, *radioFta_ = nullptr, *radioCod_ = nullptr;
    QCheckBox *tv_ = nullptr, *tvFta_ = nullptr, *tvCod_ = nullptr, *tvHd_ = nullptr,
              *tv3d_ = nullptr;
    QGroupBox* grpCat_ = nullptr;
    QCheckBox* cat_[40] = {};
    QPushButton *catSelAll_ = nullptr, *catUnselAll_ = nullptr;
    QCheckBox* satFeed_ = nullptr;

    // Page "General Search Filter".
    QLabel *bouLabel_ = nullptr, *sortLabel_ = nullptr, *sideLabel_ = nullptr;
    QRadioButton *sortName_ = nullptr, *sortNation_ = nullptr;
    QListWidget *bouList_ = nullptr, *sideList_ = nullptr;
    QPushButton *add_ = nullptr, *addAll_ = nullptr, *removeAll_ = nullptr, *remove_ = nullptr;
    QGroupBox* grpFav_ = nullptr;
    QCheckBox* fav_[50] = {};
    QGroupBox* grpLimits_ = nullptr;
    QLabel *maxBouLabel_ = nullptr, *maxCTvLabel_ = nullptr, *maxCRaLabel_ = nullptr;
    QLineEdit *maxBou_ = nullptr, *maxCTv_ = nullptr, *maxCRa_ = nullptr;
    QGroupBox* grpListType_ = nullptr;
    QRadioButton *listCh_ = nullptr, *listBSat_ = nullptr, *listFSat_ = nullptr;
    QCheckBox* chFake_ = nullptr;
    QCheckBox *genHd_ = nullptr, *gen3d_ = nullptr, *genRadio_ = nullptr, *genTp_ = nullptr;

    // Page "Download and Generate".
    QPushButton *download_ = nullptr, *generate_ = nullptr, *send_ = nullptr;
    // The folder of the last Enigma list generated, which "Send to receiver"
    // sends; the send's own thread, and the box's password for this run.
    std::string sendFolder_;
    BoxKind sendKind_ = BoxKind::kEnigma2;
    std::string boxPassword_;
    void sendToReceiver();
    void sendEnded(const SendResult& r);
    QLabel* rep_[7] = {};
    QCheckBox* logFile_ = nullptr;
    QCheckBox* ifChanged_ = nullptr;
    // The data version and the server the tables in memory came from; -1
    // when they came from none (or a failed download emptied them).
    int64_t tablesVersion_ = -1;
    std::string tablesServer_;
    std::string serverKey() const;
    QRadioButton* family_[kFamilyCount] = {};
    QRadioButton* e1Type_[3] = {};
    QRadioButton* e2Type_[3] = {};
    QGroupBox* grpInfo_ = nullptr;
    QLabel* info_[6] = {};
    // The Enigma lists' code page, a choice of this computer (QSettings).
    QCheckBox* enigmaCp_ = nullptr;
    QCheckBox* enigmaL5_ = nullptr;  // lamedb5 beside lamedb, likewise
};
