// Filling the controls from the records, the tab pages and the list
// information of the chosen receiver family.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "jobs/families.h"
#include "ui/chanPage.h"
#include "ui/ids.h"
#include "ui/mainWnd.h"
#include "ui/widget.h"
#include "ui/widgetLang.h"

namespace {

void setText(QObject* o, const std::string& cp1252) { QtPlatform::putText(o, toQt(cp1252)); }

void fill(QComboBox* c, std::initializer_list<const char*> items) {
    const QSignalBlocker block(c);
    c->clear();
    for (const char* i : items) c->addItem(QString::fromLatin1(i));
    c->setCurrentIndex(-1);  // nothing chosen until a satellite is shown
}

// Ticks one button of a set, or clears the set for a value outside it.
template <size_t N>
void tickOne(QRadioButton* const (&set)[N], int value) {
    for (size_t i = 0; i < N; ++i) {
        QButtonGroup* g = set[i]->group();
        const bool on = static_cast<int>(i) == value;
        if (!on && set[i]->isChecked() && g) g->setExclusive(false);
        set[i]->setChecked(on);
        if (g) g->setExclusive(true);
    }
}

}  // namespace

int CppWnd::initAllWidget() {
    ensureListBoxes();
    for (int r = 1; r <= 60; ++r) setText(satBtn_[r], "");

    fill(lnb_, {"Single", "Universal", "Ocs"});
    for (QComboBox* c : {freqLo_, freqHi_})
        fill(c, {"5150", "5700", "5750", "9750", "10000", "10050", "10600", "10750", "11200",
                 "11475"});
    fill(power_, {"Off", "13V", "18V", "On (Auto)"});
    fill(switch_, {"Off", "1.0", "1.0/1.1"});
    fill(switch10_, {"1", "2", "3", "4"});
    fill(switch11_,
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"});
    fill(diseqc_, {"Off", "1.2", "Usals", "1.2/Usals"});
    posId_->clear();

    // Usable once a satellite is picked or a list entry selected.
    for (QLabel* l : dishLabels_) l->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             lnb_,         freqLo_,  freqHi_, power_,    switch_, switch10_, switch11_,
             diseqc_,      tone22k_, out12V_, posId_,    skew_,   radio_,    radioFta_,
             radioCod_,    tv_,      tvFta_,  tvCod_,    tvHd_,   tv3d_,     catSelAll_,
             catUnselAll_, satFeed_, moveUp_, moveDown_, add_,    remove_})
        w->setEnabled(false);
    for (QCheckBox* c : cat_)
        if (c) c->setEnabled(false);

    // Rows 1 to 60 show the first satellites; the rest of the table has no
    // row (the user was told at load time). A row of an earlier, shorter
    // configuration comes back at once, unless a job holds the window.
    const int shown = static_cast<int>(std::min<uint32_t>(satParam.count, 60));
    const bool job = ui_->jobRunning();
    for (int r = 1; r <= 60; ++r) {
        const bool used = r <= shown;
        if (used) {
            showSatName(r);
        } else {
            satBtn_[r]->setToolTip(QString());
        }
        satCheck_[r]->setChecked(used && satParam.sat[r].selected == 1);
        if (!used) {
            satCheck_[r]->setEnabled(false);
            satBtn_[r]->setEnabled(false);
        } else if (!job) {
            satCheck_[r]->setEnabled(true);
            satBtn_[r]->setEnabled(true);
        }
    }

    setText(latDeg_, strFormat("%02d", cfgParam.latDeg));
    setText(latDec_, strFormat("%d", cfgParam.latDec));
    setText(lonDeg_, strFormat("%02d", cfgParam.lonDeg));
    setText(lonDec_, strFormat("%d", cfgParam.lonDec));
    QRadioButton* const we[2] = {lonW_, lonE_};
    tickOne(we, cfgParam.lonWE);

    for (uint32_t i = 0; i < catParam.count && i < 40; ++i) {
        // The records keep names in UTF-8.
        const QString cat = QString::fromStdString(fieldText(catParam.cat[i].catName));
        QtPlatform::putText(cat_[i], cat + " ");
        cat_[i]->setToolTip(cat);
    }

    // The list stands in the table's order, which the lists written from it
    // follow; no sort is ticked until the user sorts it.
    QRadioButton* const sort[2] = {sortName_, sortNation_};
    tickOne(sort, -1);
    {
        const QSignalBlocker b1(bouList_), b2(sideList_);
        bouList_->clear();
        for (uint32_t i = 0; i < bouParam.count && i < static_cast<uint32_t>(kBouSlots); ++i)
            bouList_->addItem(QString::fromStdString(fieldText(bouParam.bou[i].bouName) + " (" +
                                                     fieldText(bouParam.bou[i].bouNation) + ")"));
        sideList_->clear();
        for (uint32_t i = 1; i <= bouIParam.count && i < static_cast<uint32_t>(kBouSlots); ++i)
            sideList_->addItem(QString::fromStdString(fieldText(bouIParam.bou[i].bouName)));
    }

    for (uint32_t i = 0; i < favParam.count && i < 50; ++i) {
        T_favRec& f = favParam.fav[i];
        const QString fav = QString::fromStdString(fieldText(f.favName));
        QtPlatform::putText(fav_[i], fav + " ");
        fav_[i]->setToolTip(fav);
        for (uint32_t k = 1; k <= favIParam.count && k < static_cast<uint32_t>(kFavSlots); ++k)
            if (favIParam.fav[k].favId == f.favId) f.favOn = 0;
        fav_[i]->setChecked(f.favOn != 0);
    }

    setText(maxBou_, strFormat("%d", cfgParam.maxBou));
    setText(maxCTv_, strFormat("%d", cfgParam.maxCTv));
    setText(maxCRa_, strFormat("%d", cfgParam.maxCRa));
    QRadioButton* const types[3] = {listCh_, listBSat_, listFSat_};
    tickOne(types, cfgParam.listType);
    chFake_->setEnabled(cfgParam.listType == 0 && !job);
    chFake_->setChecked(cfgParam.chFake == 1);
    genHd_->setChecked(cfgParam.gHD == 1);
    gen3d_->setChecked(cfgParam.g3D == 1);
    genRadio_->setChecked(cfgParam.gRad == 1);
    genTp_->setChecked(cfgParam.gTP == 1);

    // The generate side waits for a successful download.
    generate_->setEnabled(false);
    logFile_->setChecked(cfgParam.logFile == 1);
    logFile_->setEnabled(false);
    tickOne(family_, cfgParam.fileType);
    for (QRadioButton* b : family_) b->setEnabled(false);
    setListTypeInfo();
    tickOne(e1Type_, cfgParam.e1Type);
    tickOne(e2Type_, cfgParam.e2Type);
    for (QRadioButton* b : e1Type_) b->setEnabled(false);
    for (QRadioButton* b : e2Type_) b->setEnabled(false);
    enigmaCp_->setChecked(cfgParam.enigmaCp1252 == 1);
    enigmaL5_->setChecked(cfgParam.enigmaLamedb5 == 1);
    nameSatRows(this, &MsgLang);
    return 1;
}

int CppWnd::showTab(int page) {
    if (page < 0 || page >= kPageCount) return 1;
    // Hide first, so no two pages ever stand on each other.
    if (page != 0) SHsatSetup(0);
    if (page != 1) SHsatFilter(0);
    if (page != 2) SHgeneralFilter(0);
    if (page != 3) SHgeneralDownGen(0);
    if (page > 1) {
        SHsatList(0);
        grpSatName_->setVisible(false);
    }
    chanPage_->setVisible(page == 4);
    sharedFrame_->setVisible(page == 2 || page == 3);
    satArea_->setVisible(page <= 1);
    generalArea_->setVisible(page == 2);
    downGenArea_->setVisible(page == 3);
    if (page <= 1) {
        SHsatList(1);
        grpSatName_->setVisible(true);
    }
    switch (page) {
    case 0: SHsatSetup(1); break;
    case 1: SHsatFilter(1); break;
    case 2: SHgeneralFilter(1); break;
    case 3: SHgeneralDownGen(1); break;
    default: break;
    }
    return 1;
}

int CppWnd::SHsatList(int show) {
    for (QWidget* w : shSatList_) w->setVisible(show != 0);
    return 1;
}

int CppWnd::SHsatSetup(int show) {
    for (QWidget* w : shSatSetup_) w->setVisible(show != 0);
    return 1;
}

int CppWnd::SHsatFilter(int show) {
    for (QWidget* w : shSatFilter_) w->setVisible(show != 0);
    // As many category boxes as there are categories.
    for (uint32_t i = 0; i < 40; ++i)
        if (cat_[i]) cat_[i]->setVisible(show != 0 && i < catParam.count);
    return 1;
}

int CppWnd::SHgeneralFilter(int show) {
    for (QWidget* w : shGeneralFilter_) w->setVisible(show != 0);
    for (uint32_t i = 0; i < 50; ++i)
        if (fav_[i]) fav_[i]->setVisible(show != 0 && i < favParam.count);
    return 1;
}

int CppWnd::SHgeneralDownGen(int show) {
    for (QWidget* w : shDownGen_) w->setVisible(show != 0);
    // The progress bars belong to the window; they are found by their ids.
    for (int id : {ids::kProgDown, ids::kProgGen})
        if (auto* bar = qobject_cast<QWidget*>(controlById(id))) bar->setVisible(show != 0);
    return 1;
}

int CppWnd::setListTypeInfo() {
    const T_family* f = familyByType(cfgParam.fileType);
    if (!f) return 1;  // another value leaves the box as it is
    QtPlatform::putText(grpInfo_, toQt(fieldText(MsgLang.grpListInfo)).arg(toQt(f->label)));
    const char* const values[6] = {f->limits.maxSat,  f->limits.maxTp,     f->limits.maxChTv,
                                   f->limits.maxChRa, f->limits.maxFavGrp, f->limits.maxFavCh};
    for (int i = 0; i < 6; ++i) setText(info_[i], values[i]);
    return 1;
}
