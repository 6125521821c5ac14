// Editing the lists in the window: picking, ticking and moving satellites,
// sorting the bouquet list and keeping the list of excluded bouquets.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/ids.h"
#include "ui/mainWnd.h"
#include "ui/widget.h"
#include "ui/widgetLang.h"

int currSatBtn = 0;
T_idxBou tmpBouquet;

namespace {

// strcmp within the field: a name that fills its array has no NUL.
template <size_t N>
int compareField(const char (&a)[N], const char (&b)[N]) {
    for (size_t i = 0; i < N; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

void setText(QObject* o, const std::string& cp1252) { QtPlatform::putText(o, toQt(cp1252)); }
// The records keep names in UTF-8.
QString name(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

int compareBouByName(const void* a, const void* b) {
    return compareField(static_cast<const T_bouRec*>(a)->bouName,
                        static_cast<const T_bouRec*>(b)->bouName);
}

int compareBouByNation(const void* a, const void* b) {
    return compareField(static_cast<const T_bouRec*>(a)->bouNation,
                        static_cast<const T_bouRec*>(b)->bouNation);
}

int CppWnd::lastRow() const { return static_cast<int>(std::min<uint32_t>(satParam.count, 60)); }

bool CppWnd::satShown() const { return currSatBtn >= 1 && currSatBtn <= lastRow(); }

T_satRec& CppWnd::shownSat() { return satParam.sat[currSatBtn]; }

int CppWnd::updSatArray(int row) {
    if (row < 1 || row > lastRow()) return 1;
    satParam.sat[row].selected = satCheck_[row]->isChecked() ? 1 : 0;
    changed();
    return 1;
}

void CppWnd::setMoveButtons() {
    const bool shown = satShown();
    moveUp_->setEnabled(shown && currSatBtn > 1);
    moveDown_->setEnabled(shown && currSatBtn < lastRow());
}

void CppWnd::applySatRules() {
    if (!satShown()) {
        disableSatBoxes();
        return;
    }
    const T_satRec& s = shownSat();
    for (QLabel* l : dishLabels_) l->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{lnb_, freqLo_, power_, switch_, diseqc_,
                                                      out12V_, posId_, skew_})
        w->setEnabled(true);
    tone22k_->setEnabled(s.lnbType != 1);  // "Universal" switches the band itself
    freqHi_->setEnabled(s.lnbType != 0);   // "Single" has one oscillator
    switch10_->setEnabled(s.switchType >= 1);
    switch11_->setEnabled(s.switchType == 2);

    radio_->setEnabled(true);
    radioFta_->setEnabled(radio_->isChecked());
    radioCod_->setEnabled(radio_->isChecked());
    tv_->setEnabled(true);
    for (QCheckBox* c : {tvFta_, tvCod_, tvHd_, tv3d_}) c->setEnabled(tv_->isChecked());
    for (uint32_t i = 0; i < catParam.count && i < 40; ++i) cat_[i]->setEnabled(true);
    catSelAll_->setEnabled(true);
    catUnselAll_->setEnabled(true);
    satFeed_->setEnabled(true);
    setMoveButtons();
}

void CppWnd::disableSatBoxes() {
    for (QLabel* l : dishLabels_) l->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             lnb_,         freqLo_,  freqHi_, power_,   switch_, switch10_, switch11_,
             diseqc_,      tone22k_, out12V_, posId_,   skew_,   radio_,    radioFta_,
             radioCod_,    tv_,      tvFta_,  tvCod_,   tvHd_,   tv3d_,     catSelAll_,
             catUnselAll_, satFeed_, moveUp_, moveDown_})
        w->setEnabled(false);
    for (QCheckBox* c : cat_)
        if (c) c->setEnabled(false);
}

int CppWnd::setValSat() {
    if (!satShown()) return 1;
    const T_satRec& s = shownSat();
    for (int r = 1; r <= 60; ++r) satBtn_[r]->setFont(normalFont_);
    satBtn_[currSatBtn]->setFont(boldFont_);
    satBtn_[currSatBtn]->setFocus();
    QtPlatform::putText(grpSatName_, name(fieldText(s.satName)));

    const std::pair<QComboBox*, int> combos[] = {{lnb_, s.lnbType},       {freqLo_, s.freqLo},
                                                 {freqHi_, s.freqHi},     {power_, s.power},
                                                 {switch_, s.switchType}, {switch10_, s.switch10},
                                                 {switch11_, s.switch11}, {diseqc_, s.diseqc}};
    for (const auto& [c, v] : combos) c->setCurrentIndex(v >= 0 && v < c->count() ? v : -1);
    tone22k_->setChecked(s.tone22k == 1);
    out12V_->setChecked(s.out12V == 1);
    skew_->setChecked(s.skew == 1);
    setText(posId_, strFormat("%d", s.positionerId));

    QCheckBox* const radio[3] = {radio_, radioFta_, radioCod_};
    const size_t radioLen = strnlen(s.radioFilter, sizeof s.radioFilter);
    for (size_t i = 0; i < 3; ++i) radio[i]->setChecked(i < radioLen && s.radioFilter[i] == '1');
    QCheckBox* const tv[5] = {tv_, tvFta_, tvCod_, tvHd_, tv3d_};
    const size_t tvLen = strnlen(s.tvFilter, sizeof s.tvFilter);
    for (size_t i = 0; i < 5; ++i) tv[i]->setChecked(i < tvLen && s.tvFilter[i] == '1');
    const size_t catLen = strnlen(s.catFilter, sizeof s.catFilter);
    for (uint32_t i = 0; i < catParam.count && i < 40; ++i)
        cat_[i]->setChecked(i < catLen && s.catFilter[i] == '1');
    satFeed_->setChecked(s.feedTp == 1);
    applySatRules();
    return 1;
}

void CppWnd::showSatName(int r) {
    const QString shown = name(fieldText(satParam.sat[r].satName));
    // A blank before the name keeps it off the button's edge.
    QtPlatform::putText(satBtn_[r], " " + shown);
    satBtn_[r]->setToolTip(shown);
}

int CppWnd::moveUpDown(int id) {
    // A row with nothing above or below it, or no row at all, stays: no
    // satellite leaves the rows 1 to count, record 0 is never touched, and
    // none moves into a row the window does not show.
    const bool up = id == ids::kMoveUp;
    if (!satShown() || (up && currSatBtn <= 1) || (!up && currSatBtn >= lastRow())) return 0;
    const int other = up ? currSatBtn - 1 : currSatBtn + 1;
    std::swap(satParam.sat[currSatBtn], satParam.sat[other]);
    currSatBtn = other;
    for (int r = 1; r <= lastRow(); ++r) {
        showSatName(r);
        satBtn_[r]->setFont(normalFont_);
        satCheck_[r]->setChecked(satParam.sat[r].selected == 1);
    }
    satBtn_[currSatBtn]->setFont(boldFont_);
    satBtn_[currSatBtn]->setFocus();
    setMoveButtons();
    nameSatRows(this, &MsgLang);
    return 1;
}

void CppWnd::fillBouList() {
    const QSignalBlocker block(bouList_);
    bouList_->clear();
    for (uint32_t i = 0; i < bouParam.count && i < static_cast<uint32_t>(kBouSlots); ++i)
        bouList_->addItem(name(fieldText(bouParam.bou[i].bouName) + " (" +
                               fieldText(bouParam.bou[i].bouNation) + ")"));
}

void CppWnd::sortBouquets(bool byNation) {
    // A running job reads its own copy of the list (jobs/jobLauncher.h).
    const uint32_t n = std::min<uint32_t>(bouParam.count, kBouSlots);
    std::copy(bouParam.bou, bouParam.bou + n, tmpBouquet.bou);
    tmpBouquet.count = n;
    // Stable, and by the other field within the same name or nation, so
    // each nation's bouquets stand by name.
    std::stable_sort(tmpBouquet.bou, tmpBouquet.bou + n,
                     [byNation](const T_bouRec& a, const T_bouRec& b) {
                         int c = byNation ? compareBouByNation(&a, &b) : compareBouByName(&a, &b);
                         if (c == 0)
                             c = byNation ? compareBouByName(&a, &b) : compareBouByNation(&a, &b);
                         return c < 0;
                     });
    std::copy(tmpBouquet.bou, tmpBouquet.bou + n, bouParam.bou);
    fillBouList();
}

void CppWnd::addBouquet() {
    const int i = bouList_->currentRow();
    if (i < 0 || !bouList_->currentItem()->isSelected() ||
        static_cast<uint32_t>(i) >= bouParam.count)
        return;
    const T_bouRec& b = bouParam.bou[i];
    bool there = false;
    for (uint32_t k = 1; k <= bouIParam.count && k < static_cast<uint32_t>(kBouSlots); ++k)
        there = there || bouIParam.bou[k].bouId == b.bouId;
    if (!there && bouIParam.count + 1 < static_cast<uint32_t>(kBouSlots)) {
        T_bouRec& r = bouIParam.bou[++bouIParam.count];
        r = T_bouRec{};
        r.bouId = b.bouId;
        copyText(r.bouName, fieldText(b.bouName).c_str());
        r.bouNatId = b.bouNatId;
        copyText(r.bouNation, fieldText(b.bouNation).c_str());
        sideList_->addItem(name(fieldText(r.bouName)));
    }
    changed();
}

void CppWnd::addAllBouquets() {
    const QSignalBlocker block(sideList_);
    sideList_->clear();
    // The excluded list starts at index 1 and so holds one bouquet fewer.
    const uint32_t n = std::min<uint32_t>(bouParam.count, kBouSlots - 1);
    for (uint32_t i = 0; i < n; ++i) {
        bouIParam.bou[i + 1] = bouParam.bou[i];
        sideList_->addItem(name(fieldText(bouParam.bou[i].bouName)));
    }
    bouIParam.count = n;
    if (n < bouParam.count)
        ui_->messageBox(Widget.hMain,
                        strFormat(fieldText(MsgLang.msgBouLeftOutMax).c_str(), n, bouParam.count),
                        fieldText(MsgLang.msgWarning), kMbOk | kMbIconWarning);
    changed();
}

void CppWnd::removeBouquet() {
    const int k = sideList_->currentRow();
    if (k < 0 || !sideList_->currentItem()->isSelected() ||
        static_cast<uint32_t>(k) >= bouIParam.count)
        return;
    for (uint32_t r = static_cast<uint32_t>(k) + 1; r < bouIParam.count; ++r)
        bouIParam.bou[r] = bouIParam.bou[r + 1];
    bouIParam.bou[bouIParam.count] = T_bouRec{};
    --bouIParam.count;
    {
        const QSignalBlocker block(sideList_);
        delete sideList_->takeItem(k);
        if (sideList_->count() == 0) {
            sideList_->clear();
            remove_->setEnabled(false);
        } else {
            sideList_->setCurrentRow(k == 0 ? 0 : k - 1);
        }
    }
    changed();
}

void CppWnd::removeAllBouquets() {
    bouIParam.count = 0;
    const QSignalBlocker block(sideList_);
    sideList_->clear();
    remove_->setEnabled(false);
    changed();
}
