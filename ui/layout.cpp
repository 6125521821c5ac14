// The controls of the main window, their ids, fonts and colours, their
// wiring to OnCommand, and the layouts that place them. The pages share one
// surface: a page is the set of controls shown while the others are hidden,
// and a hidden control gives its room to the ones shown.
#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
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
#include <string_view>
#include <vector>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "edits/edits.h"
#include "jobs/families.h"
#include "ui/chanPage.h"
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

// Layouts of the window's density: small gaps, as the pages are full.
template <class L>
L* tight(L* l, int margin = 6) {
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(4);
    return l;
}

QHBoxLayout* row(std::initializer_list<QWidget*> ws, bool stretch = true) {
    auto* l = tight(new QHBoxLayout, 0);
    for (QWidget* w : ws) l->addWidget(w);
    if (stretch) l->addStretch(1);
    return l;
}

}  // namespace

void CppWnd::place(QWidget* w, const char* name, int id, std::vector<QWidget*>* g) {
    w->setObjectName(QString::fromLatin1(name));
    w->setProperty("vaId", id);
    colour(w, id);
    if (g) g->push_back(w);
}

QGroupBox* CppWnd::group(QWidget* parent, const char* name, const char* title,
                         std::vector<QWidget*>* g) {
    auto* b = new QGroupBox(parent);
    b->setAlignment(Qt::AlignHCenter);
    QtPlatform::putText(b, toQt(title ? title : ""));
    place(b, name, ids::kGroup, g);
    return b;
}

QLabel* CppWnd::label(QWidget* parent, const char* name, int id, const char* text,
                      std::vector<QWidget*>* g, bool right) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    QtPlatform::putText(l, toQt(text ? text : ""));
    place(l, name, id, g);
    return l;
}

QCheckBox* CppWnd::check(QWidget* parent, const char* name, int id, const char* text,
                         std::vector<QWidget*>* g, const QFont* f) {
    auto* c = new QCheckBox(parent);
    if (f) c->setFont(*f);
    QtPlatform::putText(c, toQt(text ? text : ""));
    place(c, name, id, g);
    connect(c, &QAbstractButton::clicked, this, [this, c, id] { OnCommand(c, id, ids::kClicked); });
    return c;
}

QRadioButton* CppWnd::radio(QWidget* parent, const char* name, int id, const char* text,
                            QButtonGroup* set, std::vector<QWidget*>* g, const QFont* f) {
    auto* r = new QRadioButton(parent);
    if (f) r->setFont(*f);
    QtPlatform::putText(r, toQt(text ? text : ""));
    place(r, name, id, g);
    // Each set of radio buttons is a group of its own on the shared surface.
    set->addButton(r);
    connect(r, &QAbstractButton::clicked, this, [this, r, id] { OnCommand(r, id, ids::kClicked); });
    return r;
}

QPushButton* CppWnd::button(QWidget* parent, const char* name, int id, const char* text,
                            std::vector<QWidget*>* g, const QFont* f) {
    auto* b = new QPushButton(parent);
    if (f) b->setFont(*f);
    b->setAutoDefault(false);
    QtPlatform::putText(b, toQt(text ? text : ""));
    place(b, name, id, g);
    connect(b, &QAbstractButton::clicked, this, [this, b, id] { OnCommand(b, id, ids::kClicked); });
    return b;
}

QComboBox* CppWnd::combo(QWidget* parent, const char* name, int id, std::vector<QWidget*>* g) {
    auto* c = new QComboBox(parent);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    place(c, name, id, g);
    // Only a choice of the user is a selection change, as a filled list is not.
    connect(c, &QComboBox::activated, this, [this, c, id] { OnCommand(c, id, ids::kSelChange); });
    return c;
}

QLineEdit* CppWnd::edit(QWidget* parent, const char* name, int id, int maxLen,
                        std::vector<QWidget*>* g) {
    auto* e = new QLineEdit(parent);
    e->setAlignment(Qt::AlignCenter);
    e->setMaxLength(maxLen);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
    // As wide as its longest number, whatever the font's size.
    const int digit = e->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    e->setFixedWidth(digit * (maxLen + 1) + 12);
    place(e, name, id, g);
    // Leaving the box is the change, whether or not its text changed.
    e->installEventFilter(this);
    return e;
}

QListWidget* CppWnd::list(QWidget* parent, const char* name, int id, std::vector<QWidget*>* g,
                          const QFont* f) {
    auto* l = new QListWidget(parent);
    if (f) l->setFont(*f);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    l->setMinimumHeight(120);
    place(l, name, id, g);
    connect(l, &QListWidget::itemSelectionChanged, this,
            [this, l, id] { OnCommand(l, id, ids::kSelChange); });
    return l;
}

void CppWnd::createControls() {
    // The satellite pages, then the general filter and download pages in
    // one frame; only the current page's part is shown.
    auto* body = qobject_cast<QBoxLayout*>(page_->layout());
    satArea_ = new QWidget(page_);
    satArea_->setObjectName("satArea");
    body->addWidget(satArea_, 1);
    sharedFrame_ = group(page_, "frmShared", nullptr, nullptr);
    body->addWidget(sharedFrame_, 1);
    auto* shared = tight(new QVBoxLayout(sharedFrame_));
    generalArea_ = new QWidget(sharedFrame_);
    generalArea_->setObjectName("generalArea");
    downGenArea_ = new QWidget(sharedFrame_);
    downGenArea_->setObjectName("downGenArea");
    shared->addWidget(generalArea_, 1);
    shared->addWidget(downGenArea_, 1);

    createSatellitePages();
    createGeneralFilterPage();
    createDownGenPage();
    createChannelsPage();
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
}

void CppWnd::createSatellitePages() {
    auto* area = tight(new QHBoxLayout(satArea_), 0);
    std::vector<QWidget*>* g = &shSatList_;
    // The language-dependent captions are set by changeWidgetsLang.
    grpSat_ = group(satArea_, "hGrpSat", nullptr, g);
    area->addWidget(grpSat_, 3);
    auto* satBox = tight(new QVBoxLayout(grpSat_));
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(2);
    satBox->addLayout(rows, 1);
    for (int r = 1; r <= 60; ++r) {
        const int col = (r - 1) / 20;
        const std::string n = std::to_string(r);
        satCheck_[r] = check(grpSat_, ("hSatCheck" + n).c_str(), ids::kSatCheck + r, nullptr, g);
        satBtn_[r] =
            button(grpSat_, ("hSatBtn" + n).c_str(), ids::kSatBtn + r, nullptr, g, &normalFont_);
        // The names stand left, as in a list; a long one is cut, its tooltip whole.
        satBtn_[r]->setStyleSheet("text-align: left; padding-left: 3px; padding-right: 3px;");
        // Rows grow with the window up to a comfortable height.
        satBtn_[r]->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        satBtn_[r]->setMinimumSize(110, 20);
        satBtn_[r]->setMaximumHeight(26);
        auto* cellRow = tight(new QHBoxLayout, 0);
        cellRow->addWidget(satCheck_[r]);
        cellRow->addWidget(satBtn_[r], 1);
        rows->addLayout(cellRow, (r - 1) % 20, col);
        rows->setColumnStretch(col, 1);
    }
    rows->setRowStretch(20, 1);  // the rows stand at the top
    moveUp_ = button(grpSat_, "hMoveUp", ids::kMoveUp, "Move Up", g);
    moveDown_ = button(grpSat_, "hMoveDown", ids::kMoveDown, "Move Down", g);
    satSelAll_ = button(grpSat_, "hSatSelAll", ids::kSatSelAll, "Select All", g, &normalFont_);
    satUnselAll_ =
        button(grpSat_, "hSatUnselAll", ids::kSatUnselAll, "Unselect All", g, &normalFont_);
    QHBoxLayout* moves = row({moveUp_, moveDown_, satSelAll_, satUnselAll_}, false);
    moves->insertStretch(0, 1);
    moves->addStretch(1);
    satBox->addLayout(moves);

    // The name group: its title is the shown satellite's name. It holds the
    // set-up page's groups and the search filter page's; one set is shown.
    grpSatName_ = group(satArea_, "hGrpSatName", nullptr, nullptr);
    area->addWidget(grpSatName_, 2);
    auto* side = tight(new QVBoxLayout(grpSatName_), 10);
    side->setSpacing(10);

    // "Satelliti - Setup": three columns, each label above its box.
    g = &shSatSetup_;
    grpDish_ = group(grpSatName_, "hGrpDish", nullptr, g);
    side->addWidget(grpDish_);
    auto* dish = tight(new QGridLayout(grpDish_), 10);
    dish->setHorizontalSpacing(16);
    auto cell = [&](const char* name, int c, int r, const char* text, QWidget* box) {
        QLabel* l = label(grpDish_, name, ids::kLabel, text, g);
        dishLabels_.push_back(l);
        dish->addWidget(l, 2 * r, c);
        dish->addWidget(box, 2 * r + 1, c, Qt::AlignLeft | Qt::AlignTop);
        dish->setRowMinimumHeight(2 * r + 1, 30);
    };
    lnb_ = combo(grpDish_, "hLnb", ids::kLnb, g);
    cell("lblLnb", 0, 0, "LNB", lnb_);
    freqLo_ = combo(grpDish_, "hFreqLo", ids::kFreq, g);
    cell("lblFreqLo", 1, 0, "Freq. LO", freqLo_);
    freqHi_ = combo(grpDish_, "hFreqHi", ids::kFreq, g);
    cell("lblFreqHi", 2, 0, "Freq. Hi", freqHi_);
    power_ = combo(grpDish_, "hPower", ids::kPower, g);
    cell("lblPower", 0, 1, "Power", power_);
    tone22k_ = check(grpDish_, "h22k", ids::k22k, nullptr, g);
    cell("lbl22k", 1, 1, "22KHz", tone22k_);
    out12V_ = check(grpDish_, "h12V", ids::k12V, nullptr, g);
    cell("lbl12V", 2, 1, "12V", out12V_);
    switch_ = combo(grpDish_, "hSwitch", ids::kSwitch, g);
    cell("lblSwitch", 0, 2, "Switch", switch_);
    switch10_ = combo(grpDish_, "hSwitch10", ids::kSwitch, g);
    cell("lblSwitch10", 1, 2, "Switch1.0", switch10_);
    switch11_ = combo(grpDish_, "hSwitch11", ids::kSwitch11, g);
    cell("lblSwitch11", 2, 2, "Switch1.1", switch11_);
    diseqc_ = combo(grpDish_, "hDiseqc", ids::kDiseqc, g);
    cell("lblDiseqc", 0, 3, "DiSEqC", diseqc_);
    posId_ = edit(grpDish_, "hPosId", ids::kPosId, 3, g);
    cell("lblPosId", 1, 3, "Positioner ID", posId_);
    skew_ = check(grpDish_, "hSkew", ids::kSkew, nullptr, g);
    cell("lblSkew", 2, 3, "Skew", skew_);
    dish->setColumnStretch(3, 1);

    grpPos_ = group(grpSatName_, "hGrpPos", nullptr, g);
    side->addWidget(grpPos_);
    auto* pos = tight(new QGridLayout(grpPos_), 10);
    pos->addWidget(label(grpPos_, "lblLat", ids::kLabel, "Latitude:", g), 0, 0);
    latDeg_ = edit(grpPos_, "hLatDeg", ids::kLatDeg, 2, g);
    latDec_ = edit(grpPos_, "hLatDec", ids::kLatDec, 1, g);
    pos->addLayout(row({latDeg_, label(grpPos_, "lblLatDot", ids::kLabel, ".", g), latDec_,
                        label(grpPos_, "lblLatN", ids::kLabel, "\xB0N", g)}),
                   0, 1);
    pos->addWidget(label(grpPos_, "lblLon", ids::kLabel, "Longitude:", g), 1, 0);
    lonDeg_ = edit(grpPos_, "hLonDeg", ids::kLonDeg, 3, g);  // up to 180
    lonDec_ = edit(grpPos_, "hLonDec", ids::kLonDec, 1, g);
    auto* we = new QButtonGroup(this);
    lonW_ = radio(grpPos_, "hLonW", ids::kLonW, "\xB0W ", we, g);
    lonE_ = radio(grpPos_, "hLonE", ids::kLonE,
                  "\xB0"
                  "E ",
                  we, g);
    pos->addLayout(
        row({lonDeg_, label(grpPos_, "lblLonDot", ids::kLabel, ".", g), lonDec_, lonW_, lonE_}), 1,
        1);
    pos->setColumnStretch(1, 1);

    // "Satelliti - Search Filter".
    g = &shSatFilter_;
    QGroupBox* tvRadio = group(grpSatName_, "grpTvRadio", " Tv - Radio ", g);
    side->addWidget(tvRadio);
    auto* tvr = tight(new QGridLayout(tvRadio), 10);
    radio_ = check(tvRadio, "hRadio", ids::kRadio, "RADIO ", g, &normalFont_);
    QGroupBox* frmRadio = group(tvRadio, "frmRadio", nullptr, g);
    radioFta_ = check(frmRadio, "hRadioFta", ids::kRadioSub, "FTA", g, &normalFont_);
    radioCod_ = check(frmRadio, "hRadioCod", ids::kRadioSub, "Cod.", g, &normalFont_);
    frmRadio->setLayout(tight(row({radioFta_, radioCod_}), 4));
    tv_ = check(tvRadio, "hTv", ids::kTv, "TV", g, &normalFont_);
    QGroupBox* frmTv = group(tvRadio, "frmTv", nullptr, g);
    tvFta_ = check(frmTv, "hTvFta", ids::kTvSub, "FTA", g, &normalFont_);
    tvCod_ = check(frmTv, "hTvCod", ids::kTvSub, "Cod.", g, &normalFont_);
    tvHd_ = check(frmTv, "hTvHd", ids::kTvSub, "HD", g, &normalFont_);
    tv3d_ = check(frmTv, "hTv3d", ids::kTvSub, "3D", g, &normalFont_);
    frmTv->setLayout(tight(row({tvFta_, tvCod_, tvHd_, tv3d_}), 4));
    tvr->addWidget(radio_, 0, 0);
    tvr->addWidget(frmRadio, 0, 1, Qt::AlignLeft);
    tvr->addWidget(tv_, 1, 0);
    tvr->addWidget(frmTv, 1, 1, Qt::AlignLeft);
    tvr->setColumnStretch(2, 1);

    grpCat_ = group(grpSatName_, "hGrpCat", nullptr, g);
    side->addWidget(grpCat_);
    auto* cat = tight(new QVBoxLayout(grpCat_), 10);
    // The category boxes are made by ensureListBoxes; they go into this grid.
    catGrid_ = new QGridLayout;
    catGrid_->setHorizontalSpacing(10);
    catGrid_->setVerticalSpacing(1);
    cat->addLayout(catGrid_);
    catSelAll_ = button(grpCat_, "hCatSelAll", ids::kCatSelAll, "Select All", g, &normalFont_);
    catUnselAll_ =
        button(grpCat_, "hCatUnselAll", ids::kCatUnselAll, "Unselect All", g, &normalFont_);
    cat->addLayout(row({catSelAll_, catUnselAll_}));

    QGroupBox* tp = group(grpSatName_, "grpTransponders", " Transponders ", g);
    side->addWidget(tp);
    satFeed_ = check(tp, "hSatFeed", ids::kSatFeed, nullptr, g, &boldFont_);
    tp->setLayout(tight(row({satFeed_}), 10));
    side->addStretch(1);
}

void CppWnd::createGeneralFilterPage() {
    std::vector<QWidget*>* g = &shGeneralFilter_;
    auto* page = tight(new QGridLayout(generalArea_), 0);
    page->setSpacing(10);

    QGroupBox* bou = group(generalArea_, "grpBouquet", " Bouquet ", g);
    page->addWidget(bou, 0, 0);
    auto* bouBox = tight(new QGridLayout(bou), 10);
    sortLabel_ = label(bou, "hSortLabel", ids::kLabel, nullptr, g);
    sortLabel_->setFont(boldFont_);
    auto* sort = new QButtonGroup(this);
    sortName_ = radio(bou, "hSortName", ids::kSortName, nullptr, sort, g, &boldFont_);
    sortNation_ = radio(bou, "hSortNation", ids::kSortNation, nullptr, sort, g, &boldFont_);
    bouBox->addLayout(row({sortLabel_, sortName_, sortNation_}), 0, 0, 1, 3);
    bouLabel_ = label(bou, "hBouLabel", ids::kLabel, nullptr, g);
    sideLabel_ = label(bou, "hSideLabel", ids::kLabel, nullptr, g);
    bouBox->addWidget(bouLabel_, 1, 0);
    bouBox->addWidget(sideLabel_, 1, 2);
    bouList_ = list(bou, "hBouList", ids::kBouList, g, &normalFont_);
    bouBox->addWidget(bouList_, 2, 0, 2, 1);
    add_ = button(bou, "hAdd", ids::kAdd, "Add ->", g);
    add_->setEnabled(false);  // until a bouquet is chosen
    addAll_ = button(bou, "hAddAll", ids::kAddAll, "Add All", g, &normalFont_);
    removeAll_ = button(bou, "hRemoveAll", ids::kRemoveAll, "Remove All", g, &normalFont_);
    auto* moves = tight(new QVBoxLayout, 0);
    moves->addSpacing(12);
    for (QWidget* b : {add_, addAll_, removeAll_}) moves->addWidget(b);
    moves->addStretch(1);
    bouBox->addLayout(moves, 2, 1, 2, 1);
    sideList_ = list(bou, "hSideList", ids::kSideList, g, &normalFont_);
    bouBox->addWidget(sideList_, 2, 2);
    remove_ = button(bou, "hRemove", ids::kRemove, "Remove", g);
    bouBox->addLayout(row({remove_}), 3, 2);
    bouBox->setColumnStretch(0, 1);
    bouBox->setColumnStretch(2, 1);
    bouBox->setRowStretch(2, 1);

    grpLimits_ = group(generalArea_, "hGrpLimits", nullptr, g);
    page->addWidget(grpLimits_, 1, 0);
    auto* limits = tight(new QGridLayout(grpLimits_), 10);
    maxBouLabel_ = label(grpLimits_, "hMaxBouLabel", ids::kLabel, nullptr, g);
    maxBou_ = edit(grpLimits_, "hMaxBou", ids::kMaxBou, 3, g);
    maxCTvLabel_ = label(grpLimits_, "hMaxCTvLabel", ids::kLabel, nullptr, g);
    maxCTv_ = edit(grpLimits_, "hMaxCTv", ids::kMaxCTv, 5, g);
    maxCRaLabel_ = label(grpLimits_, "hMaxCRaLabel", ids::kLabel, nullptr, g);
    maxCRa_ = edit(grpLimits_, "hMaxCRa", ids::kMaxCRa, 5, g);
    const std::pair<QLabel*, QLineEdit*> limitRows[] = {
        {maxBouLabel_, maxBou_}, {maxCTvLabel_, maxCTv_}, {maxCRaLabel_, maxCRa_}};
    for (int i = 0; i < 3; ++i) {
        limits->addWidget(limitRows[i].first, i, 0);
        limits->addWidget(limitRows[i].second, i, 1, Qt::AlignLeft);
    }
    limits->setColumnStretch(2, 1);

    grpListType_ = group(generalArea_, "hGrpListType", nullptr, g);
    page->addWidget(grpListType_, 2, 0);
    auto* types = tight(new QGridLayout(grpListType_), 10);
    auto* typeSet = new QButtonGroup(this);
    listCh_ = radio(grpListType_, "hListCh", ids::kListCh, nullptr, typeSet, g);
    listBSat_ = radio(grpListType_, "hListBSat", ids::kListBSat, nullptr, typeSet, g);
    listFSat_ = radio(grpListType_, "hListFSat", ids::kListFSat, nullptr, typeSet, g);
    chFake_ = check(grpListType_, "hChFake", ids::kChFake, nullptr, g, &boldFont_);
    types->addWidget(listCh_, 0, 0);
    types->addWidget(chFake_, 0, 1);
    types->addWidget(listBSat_, 1, 0);
    types->addWidget(listFSat_, 2, 0);
    types->setColumnStretch(2, 1);

    grpFav_ = group(generalArea_, "grpFavorites", " Favorites ", g);
    page->addWidget(grpFav_, 0, 1, 2, 1);
    // The favourite boxes are made by ensureListBoxes.
    favGrid_ = tight(new QGridLayout(grpFav_), 10);
    favGrid_->setHorizontalSpacing(10);
    favGrid_->setVerticalSpacing(1);

    auto* right = tight(new QVBoxLayout, 0);
    page->addLayout(right, 2, 1);
    QGroupBox* hd = group(generalArea_, "grpGenHd", "HD / 3D / Radio General filter", g);
    genHd_ = check(hd, "hGenHd", ids::kGenHd, "HD", g, &boldFont_);
    gen3d_ = check(hd, "hGen3d", ids::kGen3d, "3D", g, &boldFont_);
    genRadio_ = check(hd, "hGenRadio", ids::kGenRadio, "Radio ", g, &boldFont_);
    hd->setLayout(tight(row({genHd_, gen3d_, genRadio_}), 8));
    QGroupBox* tp = group(generalArea_, "grpGenTp", "TP General filter", g);
    genTp_ = check(tp, "hGenTp", ids::kGenTp, nullptr, g, &boldFont_);
    tp->setLayout(tight(row({genTp_}), 8));
    right->addWidget(hd);
    right->addWidget(tp);
    right->addStretch(1);
    page->setColumnStretch(0, 3);
    page->setColumnStretch(1, 2);
    page->setRowStretch(0, 1);
}

void CppWnd::createDownGenPage() {
    std::vector<QWidget*>* g = &shDownGen_;
    auto* page = tight(new QGridLayout(downGenArea_), 10);
    page->setHorizontalSpacing(16);
    page->setVerticalSpacing(8);

    download_ = button(downGenArea_, "hDownload", ids::kDownload, "Download Data", g);
    page->addWidget(download_, 0, 0, Qt::AlignTop);
    // Beside the report it leaves alone when nothing changed.
    ifChanged_ = check(downGenArea_, "hIfChanged", ids::kIfChanged,
                       "Only when the database changed", g, &normalFont_);
    ifChanged_->setChecked(ifChangedSetting());
    connect(ifChanged_, &QCheckBox::toggled, this, [](bool on) { setIfChangedSetting(on); });
    page->addWidget(ifChanged_, 1, 0, Qt::AlignTop);
    QGroupBox* downBar = group(downGenArea_, "grpDownProgress", " Download Progress ", g);
    page->addWidget(downBar, 0, 1, 1, 2);
    QGroupBox* report = group(downGenArea_, "grpReport", " Report ", g);
    page->addWidget(report, 1, 1, 1, 2);
    auto* rep = tight(new QGridLayout(report), 10);
    rep->setHorizontalSpacing(14);
    const char* const repNames[7] = {"hRepSat",   "hRepTp",     "hRepBou",  "hRepTv",
                                     "hRepRadio", "hRepFavGrp", "hRepFavCh"};
    const char* const repLabels[7] = {
        "Satelliti:",    "Transponder:",     "Bouquets:",       "Canali TV:",
        "Canali Radio:", "Gruppi Favoriti:", "Canali Favoriti:"};
    for (int i = 0; i < 7; ++i) {
        rep->addWidget(label(report, (std::string("lblRep") + std::to_string(i)).c_str(),
                             ids::kLabel, repLabels[i], g),
                       i, 0);
        rep_[i] = label(report, repNames[i], ids::kGroup, "0", g);
        // A long satellite list wraps inside the report, never widens it.
        rep_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        rep->addWidget(rep_[i], i, 1);
    }
    rep->setColumnStretch(1, 1);

    generate_ = button(downGenArea_, "hGenerate", ids::kGenerate, "Generate File", g);
    // The last Enigma list written goes to the box from under its button.
    send_ = button(downGenArea_, "hSend", ids::kSend, "Send to receiver", g);
    send_->setEnabled(false);
    auto* genButtons = tight(new QVBoxLayout, 0);
    genButtons->setSpacing(6);
    genButtons->addWidget(generate_);
    genButtons->addWidget(send_);
    page->addLayout(genButtons, 2, 0, Qt::AlignTop);
    QGroupBox* genBar = group(downGenArea_, "grpGenProgress", " Generate Progress ", g);
    page->addWidget(genBar, 2, 1, 1, 2);
    // The bars are the window's; the page shows them in its progress groups.
    for (auto [bar, box] : {std::pair{&progDown_, downBar}, std::pair{&progGen_, genBar}}) {
        *bar = new QProgressBar(box);
        (*bar)->setRange(0, 100);
        (*bar)->setValue(0);
        (*bar)->setTextVisible(false);
        (*bar)->setFixedHeight(15);
        (*bar)->hide();
        auto* l = tight(new QVBoxLayout(box), 10);
        l->addWidget(*bar);
    }
    place(progDown_, "hProgDown", ids::kProgDown, nullptr);
    place(progGen_, "hProgGen", ids::kProgGen, nullptr);

    logFile_ = check(downGenArea_, "hLogFile", ids::kLogFile, nullptr, g, &boldFont_);
    page->addWidget(logFile_, 3, 0, 1, 2);

    // One button per family, a row each; a family that shares its writer
    // with the one before sits beside it, and so do the two lists of Linux
    // receivers and PCs, VDR and Neutrino. A family's content choice
    // follows its button on the same row.
    static_assert(ids::kFamily + kFamilyCount <= ids::kE1Type, "family ids run into others");
    const char* const content[3] = {"Favorites + Bouquets ", "Only Favorites ", "Only Bouquets "};
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(12);
    rows->setVerticalSpacing(2);
    page->addLayout(rows, 4, 0, 1, 2, Qt::AlignTop);
    auto* families = new QButtonGroup(this);
    int r = -1;
    for (int t = 0; t < kFamilyCount; ++t) {
        const T_family& f = kFamilies[t];
        const bool beside =
            t > 0 && (f.job == kFamilies[t - 1].job || std::string_view(f.cliName) == "neutrino");
        if (!beside) ++r;
        family_[t] = radio(downGenArea_, ("hFamily" + std::to_string(t)).c_str(), ids::kFamily + t,
                           f.label, families, g);
        rows->addWidget(family_[t], r, beside ? 1 : 0);
        if (f.content == kContentNone) continue;
        const bool e1 = f.content == kContentE1Type;
        QRadioButton** buttons = e1 ? e1Type_ : e2Type_;
        auto* choice = new QButtonGroup(this);
        for (int i = 0; i < 3; ++i) {
            buttons[i] =
                radio(downGenArea_, ((e1 ? "hE1Type" : "hE2Type") + std::to_string(i)).c_str(),
                      (e1 ? ids::kE1Type : ids::kE2Type) + i, content[i], choice, g, &normalFont_);
            rows->addWidget(buttons[i], r, 1 + i);
        }
        // How the Enigma lists' names are written, and lamedb5, under their content.
        if (!e1) {
            enigmaCp_ = check(downGenArea_, "hEnigmaCp", ids::kEnigmaCp,
                              "Enigma names in Windows-1252", g, &normalFont_);
            rows->addWidget(enigmaCp_, ++r, 1, 1, 2);
            enigmaL5_ = check(downGenArea_, "hEnigmaLamedb5", ids::kEnigmaLamedb5,
                              "Enigma2 also with lamedb5", g, &normalFont_);
            rows->addWidget(enigmaL5_, r, 3, 1, 2);
        }
    }
    rows->setColumnStretch(4, 1);

    grpInfo_ = group(downGenArea_, "grpListInfo", nullptr, g);
    page->addWidget(grpInfo_, 4, 2, Qt::AlignTop | Qt::AlignRight);
    auto* info = tight(new QGridLayout(grpInfo_), 10);
    const char* const infoLabels[6] = {
        "MaxSat:", "MaxTP:", "MaxChTv:", "MaxChRa:", "MaxFavGrp:", "MaxFavCh:"};
    for (int i = 0; i < 6; ++i) {
        info->addWidget(
            label(grpInfo_, ("lblInfo" + std::to_string(i)).c_str(), ids::kLabel, infoLabels[i], g),
            i, 0);
        info_[i] =
            label(grpInfo_, ("hInfo" + std::to_string(i)).c_str(), ids::kGroup, "?", g, true);
        info_[i]->setMinimumWidth(info_[i]->fontMetrics().horizontalAdvance("~10000") + 4);
        info->addWidget(info_[i], i, 1);
    }
    page->setColumnStretch(1, 1);
    page->setRowStretch(5, 1);
}

void CppWnd::createChannelsPage() {
    chanPage_ = new ChanPage(page_);
    chanPage_->setObjectName("chanArea");
    chanPage_->hide();
    qobject_cast<QBoxLayout*>(page_->layout())->addWidget(chanPage_, 1);
    // An edit is a change to keep, but the list it changes stays the one
    // Generate writes: the generate side stays.
    connect(chanPage_, &ChanPage::edited, this, [this](const T_editsReport& r) {
        Widget.cfgChanged = true;
        reportEdits(r);
    });
    connect(chanPage_, &ChanPage::saveAsked, this, [this] {
        const std::string path = editsPathFor(cfgFile);
        std::string err;
        if (!chanPage_->save(path, &err)) {
            ui_->messageBox(Widget.hMain,
                            strFormat(fieldText(MsgLang.msgEditsSaveErr).c_str(), err.c_str()),
                            fieldText(MsgLang.msgAppError), kMbOk | kMbIconError);
            return;
        }
        ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgSaved));
        ui_->setStatusPath(Widget.hStatus, 1, path);
    });
}

void CppWnd::ensureListBoxes() {
    const int cats = static_cast<int>(std::min<uint32_t>(catParam.count, 40));
    for (int i = 0; i < cats; ++i) {
        if (cat_[i]) continue;
        // Four columns of ten.
        cat_[i] = check(grpCat_, ("hCat" + std::to_string(i)).c_str(), ids::kCat, nullptr, nullptr,
                        &normalFont_);
        catGrid_->addWidget(cat_[i], i % 10, i / 10);
        cat_[i]->setVisible(!grpCat_->isHidden());
        Widget.hCat[i] = ui_->handle(cat_[i]);
    }
    const int favs = static_cast<int>(std::min<uint32_t>(favParam.count, 50));
    for (int i = 0; i < favs; ++i) {
        if (fav_[i]) continue;
        // Columns of 16, 16 and 18 boxes.
        const int col = i < 16 ? 0 : i < 32 ? 1 : 2;
        fav_[i] = check(grpFav_, ("hFav" + std::to_string(i)).c_str(), ids::kFav, nullptr, nullptr,
                        &normalFont_);
        favGrid_->addWidget(fav_[i], i - 16 * col, col, Qt::AlignTop);
        favGrid_->setRowStretch(18, 1);
        fav_[i]->setVisible(!grpFav_->isHidden());
        Widget.hFav[i] = ui_->handle(fav_[i]);
    }
    // The boxes made late join the Tab order where they stand: the
    // categories before their buttons, the favourites before the filters
    // under them.
    std::vector<QWidget*> filter{tv3d_}, general{chFake_};
    for (int i = 0; i < cats; ++i) filter.push_back(cat_[i]);
    filter.insert(filter.end(), {catSelAll_, catUnselAll_, satFeed_});
    for (int i = 0; i < favs; ++i) general.push_back(fav_[i]);
    general.insert(general.end(), {genHd_, gen3d_, genRadio_, genTp_});
    for (const auto* order : {&filter, &general})
        for (size_t i = 0; i + 1 < order->size(); ++i) setTabOrder((*order)[i], (*order)[i + 1]);
}
