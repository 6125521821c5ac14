// The controls of the main window: where each stands, its id, font and
// colours, and its wiring to OnCommand. Positions are in the window's
// pixels; the tab strip runs along the top, the pages start at y 40.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <algorithm>
#include <string>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "jobs/families.h"
#include "ui/widget.h"

#include "ui/ids.h"
#include "ui/mainWnd.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kNavy(0, 0, 128);

// Group titles and the values with id 180 are red, the labels with id 190
// navy; everything else keeps the default text colour.
void colour(QWidget* w, int id) {
    QColor c;
    if (id == ids::kGroup)
        c = kRed;
    else if (id == ids::kLabel)
        c = kNavy;
    else
        return;
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::WindowText, c);
        p.setColor(g, QPalette::Text, c);
    }
    w->setPalette(p);
}

}  // namespace

void CppWnd::place(QWidget* w, const char* name, int id, int x, int y, int wd, int ht,
                   std::vector<QWidget*>* g) {
    w->setObjectName(QString::fromLatin1(name));
    w->setProperty("vaId", id);
    w->setGeometry(x, y, wd, ht);
    colour(w, id);
    if (g) g->push_back(w);
}

QGroupBox* CppWnd::group(const char* name, int x, int y, int wd, int ht, const char* title,
                         std::vector<QWidget*>* g) {
    auto* b = new QGroupBox(page_);
    b->setAlignment(Qt::AlignHCenter);
    QtPlatform::putText(b, toQt(title ? title : ""));
    place(b, name, ids::kGroup, x, y, wd, ht, g);
    return b;
}

QLabel* CppWnd::label(const char* name, int id, int x, int y, int wd, int ht, const char* text,
                      std::vector<QWidget*>* g, bool right) {
    auto* l = new QLabel(page_);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    QtPlatform::putText(l, toQt(text ? text : ""));
    place(l, name, id, x, y, wd, ht, g);
    return l;
}

QCheckBox* CppWnd::check(const char* name, int id, int x, int y, int wd, int ht, const char* text,
                         std::vector<QWidget*>* g, const QFont* f) {
    auto* c = new QCheckBox(page_);
    if (f) c->setFont(*f);
    QtPlatform::putText(c, toQt(text ? text : ""));
    place(c, name, id, x, y, wd, ht, g);
    connect(c, &QAbstractButton::clicked, this, [this, c, id] { OnCommand(c, id, ids::kClicked); });
    return c;
}

QRadioButton* CppWnd::radio(const char* name, int id, int x, int y, int wd, int ht,
                            const char* text, QButtonGroup* set, std::vector<QWidget*>* g,
                            const QFont* f) {
    auto* r = new QRadioButton(page_);
    if (f) r->setFont(*f);
    QtPlatform::putText(r, toQt(text ? text : ""));
    place(r, name, id, x, y, wd, ht, g);
    // Each set of radio buttons is a group of its own on the shared surface.
    set->addButton(r);
    connect(r, &QAbstractButton::clicked, this, [this, r, id] { OnCommand(r, id, ids::kClicked); });
    return r;
}

QPushButton* CppWnd::button(const char* name, int id, int x, int y, int wd, int ht,
                            const char* text, std::vector<QWidget*>* g, const QFont* f) {
    auto* b = new QPushButton(page_);
    if (f) b->setFont(*f);
    b->setAutoDefault(false);
    QtPlatform::putText(b, toQt(text ? text : ""));
    place(b, name, id, x, y, wd, ht, g);
    connect(b, &QAbstractButton::clicked, this, [this, b, id] { OnCommand(b, id, ids::kClicked); });
    return b;
}

QComboBox* CppWnd::combo(const char* name, int id, int x, int y, int wd, int ht,
                         std::vector<QWidget*>* g) {
    auto* c = new QComboBox(page_);
    place(c, name, id, x, y, wd, ht, g);
    // Only a choice of the user is a selection change, as a filled list is not.
    connect(c, &QComboBox::activated, this, [this, c, id] { OnCommand(c, id, ids::kSelChange); });
    return c;
}

QLineEdit* CppWnd::edit(const char* name, int id, int x, int y, int wd, int ht, int maxLen,
                        std::vector<QWidget*>* g) {
    auto* e = new QLineEdit(page_);
    e->setAlignment(Qt::AlignCenter);
    e->setMaxLength(maxLen);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
    e->setTextMargins(0, 0, 0, 0);
    place(e, name, id, x, y, wd, ht, g);
    // Leaving the box is the change, whether or not its text changed.
    e->installEventFilter(this);
    return e;
}

QListWidget* CppWnd::list(const char* name, int id, int x, int y, int wd, int ht,
                          std::vector<QWidget*>* g, const QFont* f) {
    auto* l = new QListWidget(page_);
    if (f) l->setFont(*f);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    place(l, name, id, x, y, wd, ht, g);
    connect(l, &QListWidget::itemSelectionChanged, this,
            [this, l, id] { OnCommand(l, id, ids::kSelChange); });
    return l;
}

void CppWnd::createControls() {
    createSatellitePages();
    createGeneralFilterPage();
    createDownGenPage();
    ensureListBoxes();
    nameControls();
}

void CppWnd::nameControls() {
    // A box without a caption of its own is named by its label, as a
    // screen reader reads it out; the label's mnemonic, once it has one,
    // leads to it.
    const std::pair<const char*, QWidget*> buddies[] = {
        {"lblLnb", lnb_},          {"lblFreqLo", freqLo_},     {"lblFreqHi", freqHi_},
        {"lblPower", power_},      {"lbl22k", tone22k_},       {"lbl12V", out12V_},
        {"lblSwitch", switch_},    {"lblSwitch10", switch10_}, {"lblSwitch11", switch11_},
        {"lblDiseqc", diseqc_},    {"lblPosId", posId_},       {"lblSkew", skew_},
        {"lblLat", latDeg_},       {"lblLon", lonDeg_},        {"hBouLabel", bouList_},
        {"hSideLabel", sideList_}, {"hMaxBouLabel", maxBou_},  {"hMaxCTvLabel", maxCTv_},
        {"hMaxCRaLabel", maxCRa_}};
    for (const auto& [label, box] : buddies)
        if (auto* l = findChild<QLabel*>(label)) l->setBuddy(box);
    latDec_->setAccessibleName("Latitude: tenths");
    lonDec_->setAccessibleName("Longitude: tenths");
    for (int r = 1; r <= 60; ++r)
        satCheck_[r]->setAccessibleName(QString("Satellite %1 ticked").arg(r));
}

void CppWnd::nameLists() {
    // A list takes no name from its label: it is given the label's text,
    // in the window's language.
    bouList_->setAccessibleName(toQt(fieldText(MsgLang.lblBouquetList)));
    sideList_->setAccessibleName(toQt(fieldText(MsgLang.lblSideBouquet)));
}

void CppWnd::createSatellitePages() {
    std::vector<QWidget*>* g = &shSatList_;
    // The language-dependent captions are set by changeWidgetsLang.
    grpSat_ = group("hGrpSat", 5, 40, 470, 520, nullptr, g);
    const int checkX[3] = {10, 168, 325};
    for (int r = 1; r <= 60; ++r) {
        const int col = (r - 1) / 20;
        const int y = 40 + 23 * ((r - 1) % 20 + 1);
        const std::string n = std::to_string(r);
        satCheck_[r] = check(("hSatCheck" + n).c_str(), ids::kSatCheck + r, checkX[col], y, 18, 18,
                             nullptr, g);
        satBtn_[r] = button(("hSatBtn" + n).c_str(), ids::kSatBtn + r, checkX[col] + 18, y - 2, 127,
                            20, nullptr, g, &normalFont_);
        // The names stand left, as in a list.
        satBtn_[r]->setStyleSheet("text-align: left; padding-left: 3px;");
    }
    moveUp_ = button("hMoveUp", ids::kMoveUp, 40, 525, 85, 25, "Move Up", g);
    moveDown_ = button("hMoveDown", ids::kMoveDown, 145, 525, 85, 25, "Move Down", g);
    satSelAll_ =
        button("hSatSelAll", ids::kSatSelAll, 250, 525, 85, 25, "Select All", g, &normalFont_);
    satUnselAll_ = button("hSatUnselAll", ids::kSatUnselAll, 355, 525, 85, 25, "Unselect All", g,
                          &normalFont_);

    // The name group: its title is the shown satellite's name.
    grpSatName_ = group("hGrpSatName", 480, 40, 430, 520, nullptr, nullptr);

    // "Satelliti - Setup": three columns, each label above its box.
    g = &shSatSetup_;
    grpDish_ = group("hGrpDish", 530, 70, 330, 240, nullptr, g);
    const int colX[3] = {545, 655, 765};
    const int rowY[4] = {92, 147, 202, 257};
    auto lbl = [&](const char* name, int c, int r, int wd, const char* text) {
        QLabel* l = label(name, ids::kLabel, colX[c], rowY[r], wd, 20, text, g);
        dishLabels_.push_back(l);
    };
    lbl("lblLnb", 0, 0, 90, "LNB");
    lnb_ = combo("hLnb", ids::kLnb, colX[0], rowY[0] + 20, 90, 22, g);
    lbl("lblFreqLo", 1, 0, 65, "Freq. LO");
    freqLo_ = combo("hFreqLo", ids::kFreq, colX[1], rowY[0] + 20, 70, 22, g);
    lbl("lblFreqHi", 2, 0, 65, "Freq. Hi");
    freqHi_ = combo("hFreqHi", ids::kFreq, colX[2], rowY[0] + 20, 70, 22, g);
    lbl("lblPower", 0, 1, 50, "Power");
    power_ = combo("hPower", ids::kPower, colX[0], rowY[1] + 20, 85, 22, g);
    lbl("lbl22k", 1, 1, 50, "22KHz");
    tone22k_ = check("h22k", ids::k22k, colX[1] + 2, rowY[1] + 22, 18, 18, nullptr, g);
    lbl("lbl12V", 2, 1, 50, "12V");
    out12V_ = check("h12V", ids::k12V, colX[2] + 2, rowY[1] + 22, 18, 18, nullptr, g);
    lbl("lblSwitch", 0, 2, 50, "Switch");
    switch_ = combo("hSwitch", ids::kSwitch, colX[0], rowY[2] + 20, 75, 22, g);
    lbl("lblSwitch10", 1, 2, 70, "Switch1.0");
    switch10_ = combo("hSwitch10", ids::kSwitch, colX[1], rowY[2] + 20, 50, 22, g);
    lbl("lblSwitch11", 2, 2, 70, "Switch1.1");
    switch11_ = combo("hSwitch11", ids::kSwitch11, colX[2], rowY[2] + 20, 50, 22, g);
    lbl("lblDiseqc", 0, 3, 60, "DiSEqC");
    diseqc_ = combo("hDiseqc", ids::kDiseqc, colX[0], rowY[3] + 20, 90, 22, g);
    lbl("lblPosId", 1, 3, 95, "Positioner ID");
    posId_ = edit("hPosId", ids::kPosId, colX[1], rowY[3] + 20, 35, 22, 3, g);
    lbl("lblSkew", 2, 3, 65, "Skew");
    skew_ = check("hSkew", ids::kSkew, colX[2] + 2, rowY[3] + 22, 18, 18, nullptr, g);

    grpPos_ = group("hGrpPos", 530, 320, 330, 130, nullptr, g);
    label("lblLat", ids::kLabel, 545, 350, 80, 20, "Latitude:", g);
    latDeg_ = edit("hLatDeg", ids::kLatDeg, 630, 349, 30, 22, 2, g);
    label("lblLatDot", ids::kLabel, 662, 350, 6, 20, ".", g);
    latDec_ = edit("hLatDec", ids::kLatDec, 670, 349, 20, 22, 1, g);
    label("lblLatN", ids::kLabel, 695, 350, 25, 20, "\xB0N", g);
    label("lblLon", ids::kLabel, 545, 395, 80, 20, "Longitude:", g);
    lonDeg_ = edit("hLonDeg", ids::kLonDeg, 624, 394, 36, 22, 3, g);  // up to 180
    label("lblLonDot", ids::kLabel, 662, 395, 6, 20, ".", g);
    lonDec_ = edit("hLonDec", ids::kLonDec, 670, 394, 20, 22, 1, g);
    auto* we = new QButtonGroup(this);
    lonW_ = radio("hLonW", ids::kLonW, 700, 393, 45, 24, "\xB0W ", we, g);
    lonE_ = radio("hLonE", ids::kLonE, 750, 393, 45, 24,
                  "\xB0"
                  "E ",
                  we, g);

    // "Satelliti - Search Filter".
    g = &shSatFilter_;
    group("grpTvRadio", 490, 65, 260, 90, " Tv - Radio ", g);
    radio_ = check("hRadio", ids::kRadio, 500, 88, 62, 18, "RADIO ", g, &normalFont_);
    group("frmRadio", 565, 80, 105, 31, nullptr, g);
    radioFta_ = check("hRadioFta", ids::kRadioSub, 570, 87, 45, 18, "FTA", g, &normalFont_);
    radioCod_ = check("hRadioCod", ids::kRadioSub, 618, 87, 48, 18, "Cod.", g, &normalFont_);
    tv_ = check("hTv", ids::kTv, 500, 123, 55, 18, "TV", g, &normalFont_);
    group("frmTv", 565, 115, 180, 31, nullptr, g);
    tvFta_ = check("hTvFta", ids::kTvSub, 570, 122, 45, 18, "FTA", g, &normalFont_);
    tvCod_ = check("hTvCod", ids::kTvSub, 618, 122, 48, 18, "Cod.", g, &normalFont_);
    tvHd_ = check("hTvHd", ids::kTvSub, 668, 122, 38, 18, "HD", g, &normalFont_);
    tv3d_ = check("hTv3d", ids::kTvSub, 708, 122, 38, 18, "3D", g, &normalFont_);

    grpCat_ = group("hGrpCat", 490, 165, 420, 240, nullptr, g);
    // The category boxes are made by ensureListBoxes; they go into this group.
    catSelAll_ =
        button("hCatSelAll", ids::kCatSelAll, 500, 375, 80, 22, "Select All", g, &normalFont_);
    catUnselAll_ = button("hCatUnselAll", ids::kCatUnselAll, 590, 375, 80, 22, "Unselect All", g,
                          &normalFont_);
    group("grpTransponders", 490, 415, 250, 50, " Transponders ", g);
    satFeed_ = check("hSatFeed", ids::kSatFeed, 500, 438, 230, 18, nullptr, g, &boldFont_);
}

void CppWnd::createGeneralFilterPage() {
    sharedFrame_ = group("frmShared", 5, 40, 905, 520, nullptr, nullptr);
    std::vector<QWidget*>* g = &shGeneralFilter_;

    group("grpBouquet", 15, 50, 510, 225, " Bouquet ", g);
    sortLabel_ = label("hSortLabel", ids::kLabel, 25, 68, 95, 20, nullptr, g);
    sortLabel_->setFont(boldFont_);
    auto* sort = new QButtonGroup(this);
    sortName_ = radio("hSortName", ids::kSortName, 122, 66, 80, 24, nullptr, sort, g, &boldFont_);
    sortNation_ =
        radio("hSortNation", ids::kSortNation, 205, 66, 90, 24, nullptr, sort, g, &boldFont_);
    bouLabel_ = label("hBouLabel", ids::kLabel, 25, 90, 220, 20, nullptr, g);
    sideLabel_ = label("hSideLabel", ids::kLabel, 325, 90, 195, 20, nullptr, g);
    bouList_ = list("hBouList", ids::kBouList, 25, 110, 220, 160, g, &normalFont_);
    add_ = button("hAdd", ids::kAdd, 252, 128, 66, 25, "Add ->", g);
    add_->setEnabled(false);  // until a bouquet is chosen
    addAll_ = button("hAddAll", ids::kAddAll, 252, 163, 66, 25, "Add All", g, &normalFont_);
    removeAll_ =
        button("hRemoveAll", ids::kRemoveAll, 252, 198, 66, 25, "Remove All", g, &normalFont_);
    sideList_ = list("hSideList", ids::kSideList, 325, 110, 195, 130, g, &normalFont_);
    remove_ = button("hRemove", ids::kRemove, 325, 244, 70, 25, "Remove", g);

    grpFav_ = group("grpFavorites", 535, 50, 365, 390, " Favorites ", g);
    // The favourite boxes are made by ensureListBoxes.

    grpLimits_ = group("hGrpLimits", 15, 285, 510, 110, nullptr, g);
    maxBouLabel_ = label("hMaxBouLabel", ids::kLabel, 25, 305, 215, 20, nullptr, g);
    maxBou_ = edit("hMaxBou", ids::kMaxBou, 245, 304, 35, 22, 3, g);
    maxCTvLabel_ = label("hMaxCTvLabel", ids::kLabel, 25, 334, 215, 20, nullptr, g);
    maxCTv_ = edit("hMaxCTv", ids::kMaxCTv, 245, 333, 50, 22, 5, g);
    maxCRaLabel_ = label("hMaxCRaLabel", ids::kLabel, 25, 363, 215, 20, nullptr, g);
    maxCRa_ = edit("hMaxCRa", ids::kMaxCRa, 245, 362, 50, 22, 5, g);

    grpListType_ = group("hGrpListType", 15, 405, 510, 110, nullptr, g);
    auto* types = new QButtonGroup(this);
    listCh_ = radio("hListCh", ids::kListCh, 25, 425, 270, 24, nullptr, types, g);
    listBSat_ = radio("hListBSat", ids::kListBSat, 25, 452, 270, 24, nullptr, types, g);
    listFSat_ = radio("hListFSat", ids::kListFSat, 25, 479, 270, 24, nullptr, types, g);
    chFake_ = check("hChFake", ids::kChFake, 305, 428, 210, 18, nullptr, g, &boldFont_);

    group("grpGenHd", 535, 445, 250, 50, "HD / 3D / Radio General filter", g);
    genHd_ = check("hGenHd", ids::kGenHd, 545, 468, 45, 18, "HD", g, &boldFont_);
    gen3d_ = check("hGen3d", ids::kGen3d, 595, 468, 45, 18, "3D", g, &boldFont_);
    genRadio_ = check("hGenRadio", ids::kGenRadio, 645, 468, 65, 18, "Radio ", g, &boldFont_);
    group("grpGenTp", 535, 502, 250, 50, "TP General filter", g);
    genTp_ = check("hGenTp", ids::kGenTp, 545, 525, 230, 18, nullptr, g, &boldFont_);
}

void CppWnd::createDownGenPage() {
    std::vector<QWidget*>* g = &shDownGen_;
    download_ = button("hDownload", ids::kDownload, 40, 75, 120, 25, "Download Data", g);
    group("grpDownProgress", 177, 62, 560, 50, " Download Progress ", g);
    group("grpReport", 177, 118, 560, 192, " Report ", g);
    const char* const repNames[7] = {"hRepSat",   "hRepTp",     "hRepBou",  "hRepTv",
                                     "hRepRadio", "hRepFavGrp", "hRepFavCh"};
    const char* const repLabels[7] = {
        "Satelliti:",    "Transponder:",     "Bouquets:",       "Canali TV:",
        "Canali Radio:", "Gruppi Favoriti:", "Canali Favoriti:"};
    for (int i = 0; i < 7; ++i) {
        const int y = 136 + 25 * i;
        label((std::string("lblRep") + std::to_string(i)).c_str(), ids::kLabel, 190, y, 115, 20,
              repLabels[i], g);
        rep_[i] = label(repNames[i], ids::kGroup, 310, y, 405, 20, "0", g);
    }
    generate_ = button("hGenerate", ids::kGenerate, 40, 345, 120, 25, "Generate File", g);
    group("grpGenProgress", 177, 332, 560, 50, " Generate Progress ", g);
    logFile_ = check("hLogFile", ids::kLogFile, 40, 374, 200, 18, nullptr, g, &boldFont_);

    // One button per family, a row each; a family that shares its writer
    // with the one before sits beside it. A family's content choice follows
    // its button on the same row.
    static_assert(ids::kFamily + kFamilyCount <= ids::kE1Type, "family ids run into others");
    const char* const content[3] = {"Favorites + Bouquets ", "Only Favorites ", "Only Bouquets "};
    const int contentX[3] = {140, 290, 405};
    const int contentW[3] = {145, 110, 140};
    auto* families = new QButtonGroup(this);
    int row = -1;
    for (int t = 0; t < kFamilyCount; ++t) {
        const T_family& f = kFamilies[t];
        const bool beside = t > 0 && f.job == kFamilies[t - 1].job;
        if (!beside) ++row;
        const int y = 395 + 25 * row;
        family_[t] = radio(("hFamily" + std::to_string(t)).c_str(), ids::kFamily + t,
                           beside ? 130 : 40, y, 90, 24, f.label, families, g);
        if (f.content == kContentNone) continue;
        const bool e1 = f.content == kContentE1Type;
        QRadioButton** buttons = e1 ? e1Type_ : e2Type_;
        auto* choice = new QButtonGroup(this);
        for (int i = 0; i < 3; ++i)
            buttons[i] = radio(((e1 ? "hE1Type" : "hE2Type") + std::to_string(i)).c_str(),
                               (e1 ? ids::kE1Type : ids::kE2Type) + i, contentX[i], y, contentW[i],
                               24, content[i], choice, g, &normalFont_);
    }

    // Near the Enigma content: how their names are written.
    enigmaCp_ = check("hEnigmaCp", ids::kEnigmaCp, 140, 472, 300, 18,
                      "Enigma names in Windows-1252", g, &normalFont_);

    grpInfo_ = group("grpListInfo", 560, 388, 165, 168, nullptr, g);
    const char* const infoLabels[6] = {
        "MaxSat:", "MaxTP:", "MaxChTv:", "MaxChRa:", "MaxFavGrp:", "MaxFavCh:"};
    for (int i = 0; i < 6; ++i) {
        const int y = 410 + 23 * i;
        label(("lblInfo" + std::to_string(i)).c_str(), ids::kLabel, 572, y, 80, 20, infoLabels[i],
              g);
        info_[i] =
            label(("hInfo" + std::to_string(i)).c_str(), ids::kGroup, 655, y, 58, 20, "?", g, true);
    }
}

void CppWnd::ensureListBoxes() {
    const int cats = static_cast<int>(std::min<uint32_t>(catParam.count, 40));
    for (int i = 0; i < cats; ++i) {
        if (cat_[i]) continue;
        // Four columns of ten, 105 pixels apart, 18 pixels a row.
        cat_[i] = check(("hCat" + std::to_string(i)).c_str(), ids::kCat, 500 + 105 * (i / 10),
                        185 + 18 * (i % 10), 98, 18, nullptr, nullptr, &normalFont_);
        cat_[i]->setVisible(!grpCat_->isHidden());
        Widget.hCat[i] = ui_->handle(cat_[i]);
    }
    const int favs = static_cast<int>(std::min<uint32_t>(favParam.count, 50));
    for (int i = 0; i < favs; ++i) {
        if (fav_[i]) continue;
        // Columns of 16, 16 and 18 boxes, 120 pixels apart, 20 pixels a row.
        const int col = i < 16 ? 0 : i < 32 ? 1 : 2;
        const int row = i - 16 * col;
        fav_[i] = check(("hFav" + std::to_string(i)).c_str(), ids::kFav, 545 + 120 * col,
                        70 + 20 * row, 115, 18, nullptr, nullptr, &normalFont_);
        fav_[i]->setVisible(!grpFav_->isHidden());
        Widget.hFav[i] = ui_->handle(fav_[i]);
    }
}
