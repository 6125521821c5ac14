#include "platform/widget.h"

#include <string>

T_Widget Widget;

namespace {

// Every control a job greys out, except the ones with special rules on
// restore (Remove, fake channels, the generate side) and the counted arrays.
template <typename F>
void forJobControls(T_Widget* w, int catCount, int favCount, F f) {
    for (int r = 1; r <= 60; ++r) {
        f(w->hSatCheck[r]);
        f(w->hSatBtn[r]);
    }
    HCtl plain[] = {
        w->hLnb,       w->hFreqLo,      w->hFreqHi,    w->hPower,    w->hSwitch,  w->hSwitch10,
        w->hSwitch11,  w->hDiseqc,      w->h22k,       w->h12V,      w->hPosId,   w->hSkew,
        w->hLatDeg,    w->hLatDec,      w->hLonDeg,    w->hLonDec,   w->hRadio,   w->hRadioFta,
        w->hRadioCod,  w->hTv,          w->hTvFta,     w->hTvCod,    w->hTvHd,    w->hTv3d,
        w->hCatSelAll, w->hCatUnselAll, w->hSatFeed,   w->hGenTp,    w->hBouList, w->hSideList,
        w->hAdd,       w->hAddAll,      w->hRemoveAll, w->hDownload, w->hMoveUp,  w->hMoveDown,
        w->hSatSelAll, w->hSatUnselAll, w->hMaxBou,    w->hMaxCTv,   w->hMaxCRa,  w->hListCh,
        w->hListBSat,  w->hListFSat,    w->hGenHd,     w->hGen3d,    w->hGenRadio};
    for (HCtl c : plain) f(c);
    if (catCount > 40) catCount = 40;
    if (favCount > 50) favCount = 50;
    for (int i = 0; i < catCount; ++i) f(w->hCat[i]);
    for (int i = 0; i < favCount; ++i) f(w->hFav[i]);
}

void enable(T_Widget* w, HCtl c, bool on) {
    if (w->ui && c) w->ui->setEnabled(c, on);
}

bool isChecked(T_Widget* w, HCtl c) { return w->ui && c && w->ui->checked(c); }

}  // namespace

void createWidgetHandles(T_Widget* w, Platform* ui) {
    *w = T_Widget{};
    w->ui = ui;
    auto mk = [&](HCtl& h, const std::string& name) { h = ui->createControl(name); };
    mk(w->hMain, "main");
    mk(w->hStatus, "status");
    mk(w->hProgDown, "progDown");
    mk(w->hProgGen, "progGen");
    mk(w->hTab, "tab");
    mk(w->hRepSat, "Satelliti:");
    mk(w->hRepTp, "Transponder:");
    mk(w->hRepBou, "Bouquets:");
    mk(w->hRepTv, "Canali TV:");
    mk(w->hRepRadio, "Canali Radio:");
    mk(w->hRepFavGrp, "Gruppi Favoriti:");
    mk(w->hRepFavCh, "Canali Favoriti:");
    for (int r = 1; r <= 60; ++r) {
        mk(w->hSatCheck[r], "satCheck" + std::to_string(r));
        mk(w->hSatBtn[r], "satBtn" + std::to_string(r));
    }
    for (int i = 0; i < 40; ++i) mk(w->hCat[i], "cat" + std::to_string(i));
    for (int i = 0; i < 50; ++i) mk(w->hFav[i], "fav" + std::to_string(i));
    for (int i = 0; i < 8; ++i) mk(w->hFamily[i], "family" + std::to_string(i));
    for (int i = 0; i < 3; ++i) {
        mk(w->hE1Type[i], "e1Type" + std::to_string(i));
        mk(w->hE2Type[i], "e2Type" + std::to_string(i));
    }
#define VA_MK(field) mk(w->field, #field)
    VA_MK(hGrpSat);
    VA_MK(hGrpSatName);
    VA_MK(hGrpDish);
    VA_MK(hGrpPos);
    VA_MK(hGrpCat);
    VA_MK(hLnb);
    VA_MK(hFreqLo);
    VA_MK(hFreqHi);
    VA_MK(hPower);
    VA_MK(h22k);
    VA_MK(h12V);
    VA_MK(hSwitch);
    VA_MK(hSwitch10);
    VA_MK(hSwitch11);
    VA_MK(hDiseqc);
    VA_MK(hPosId);
    VA_MK(hSkew);
    VA_MK(hLatDeg);
    VA_MK(hLatDec);
    VA_MK(hLonDeg);
    VA_MK(hLonDec);
    VA_MK(hRadio);
    VA_MK(hRadioFta);
    VA_MK(hRadioCod);
    VA_MK(hTv);
    VA_MK(hTvFta);
    VA_MK(hTvCod);
    VA_MK(hTvHd);
    VA_MK(hTv3d);
    VA_MK(hCatSelAll);
    VA_MK(hCatUnselAll);
    VA_MK(hSatFeed);
    VA_MK(hBouLabel);
    VA_MK(hSortLabel);
    VA_MK(hSortName);
    VA_MK(hSortNation);
    VA_MK(hBouList);
    VA_MK(hSideLabel);
    VA_MK(hSideList);
    VA_MK(hAdd);
    VA_MK(hAddAll);
    VA_MK(hRemoveAll);
    VA_MK(hRemove);
    VA_MK(hDownload);
    VA_MK(hGenTp);
    VA_MK(hMoveUp);
    VA_MK(hMoveDown);
    VA_MK(hSatSelAll);
    VA_MK(hSatUnselAll);
    VA_MK(hGrpLimits);
    VA_MK(hMaxBouLabel);
    VA_MK(hMaxBou);
    VA_MK(hMaxCTvLabel);
    VA_MK(hMaxCTv);
    VA_MK(hMaxCRaLabel);
    VA_MK(hMaxCRa);
    VA_MK(hGrpListType);
    VA_MK(hListCh);
    VA_MK(hListBSat);
    VA_MK(hListFSat);
    VA_MK(hChFake);
    VA_MK(hGenHd);
    VA_MK(hGen3d);
    VA_MK(hGenRadio);
    VA_MK(hGenerate);
    VA_MK(hLogFile);
#undef VA_MK
}

void ghostWidget4Job(T_Widget* w, int categoryCount, int favouriteCount) {
    if (!w || !w->ui) return;
    forJobControls(w, categoryCount, favouriteCount, [&](HCtl c) { enable(w, c, false); });
    enable(w, w->hRemove, false);
    enable(w, w->hChFake, false);
    enable(w, w->hGenerate, false);
    enable(w, w->hLogFile, false);
    for (HCtl c : w->hFamily) enable(w, c, false);
    for (HCtl c : w->hE1Type) enable(w, c, false);
    for (HCtl c : w->hE2Type) enable(w, c, false);
}

void showWidget4Job(T_Widget* w, int categoryCount, int favouriteCount, bool ok) {
    if (!w || !w->ui) return;
    forJobControls(w, categoryCount, favouriteCount, [&](HCtl c) { enable(w, c, true); });
    // Remove waits for a selection in the side list; fake channels only
    // make sense for the bouquets-as-channels list.
    enable(w, w->hChFake, isChecked(w, w->hListCh));
    if (!ok) return;
    enable(w, w->hGenerate, true);
    enable(w, w->hLogFile, true);
    for (HCtl c : w->hFamily) enable(w, c, true);
    if (isChecked(w, w->hFamily[1])) {
        for (HCtl c : w->hE1Type) enable(w, c, true);
        for (HCtl c : w->hE2Type) enable(w, c, false);
    } else if (isChecked(w, w->hFamily[2])) {
        for (HCtl c : w->hE1Type) enable(w, c, false);
        for (HCtl c : w->hE2Type) enable(w, c, true);
    }
}

void resetDownGen(T_Widget* w) {
    if (!w) return;
    w->cfgChanged = true;
    if (!w->ui) return;
    enable(w, w->hGenerate, false);
    enable(w, w->hLogFile, false);
    for (HCtl c : w->hFamily) enable(w, c, false);
    for (HCtl c : w->hE1Type) enable(w, c, false);
    for (HCtl c : w->hE2Type) enable(w, c, false);
    if (w->hProgDown) w->ui->setProgress(w->hProgDown, 0);
    if (w->hProgGen) w->ui->setProgress(w->hProgGen, 0);
}

void setStatusPart(T_Widget* w, int part, const std::string& text) {
    if (w && w->ui && w->hStatus) w->ui->setStatus(w->hStatus, part, text);
}

void setStatusWithPath(T_Widget* w, const std::string& part0, const std::string& path) {
    setStatusPart(w, 0, part0);
    if (w && w->ui && w->hStatus) w->ui->setStatusPath(w->hStatus, 1, path);
}

void statusWritten(T_Widget* w, const std::string& written, const std::string& path) {
    setStatusWithPath(w, written, path);
    if (w && w->ui) w->ui->fileWritten(path);
}

void setStatusText(T_Widget* w, const std::string& part0, const std::string& part1) {
    setStatusPart(w, 0, part0);
    setStatusPart(w, 1, part1);
}

void setProgressPos(T_Widget* w, HCtl bar, int pos) {
    if (w && w->ui && bar) w->ui->setProgress(bar, pos);
}

void setControlText(T_Widget* w, HCtl c, const std::string& text) {
    if (w && w->ui && c) w->ui->setText(c, text);
}

int showMessage(T_Widget* w, const std::string& text, const std::string& caption, unsigned flags) {
    if (!w || !w->ui) return kIdOk;
    return w->ui->messageBox(w->hMain, text, caption, flags);
}
