#include "ui/widget.h"

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
    // The content choice of the ticked family, if it has one.
    FamilyContent content = kContentNone;
    for (int t = 0; t < kFamilyCount; ++t)
        if (isChecked(w, w->hFamily[t])) content = kFamilies[t].content;
    if (content == kContentNone) return;
    for (HCtl c : w->hE1Type) enable(w, c, content == kContentE1Type);
    for (HCtl c : w->hE2Type) enable(w, c, content == kContentE2Type);
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

void WindowEvents::started() {
    ghostWidget4Job(w_, cats_, favs_);
    // The job's own button stays usable: it now cancels the job.
    if (w_->ui && button_) {
        w_->ui->setText(button_, cancelCaption_);
        w_->ui->setEnabled(button_, true);
    }
}

void WindowEvents::fileWritten(const std::string& path, size_t) {
    std::lock_guard<std::mutex> lock(writtenMu_);
    lastWritten_ = path;
}

std::string WindowEvents::lastWritten() const {
    std::lock_guard<std::mutex> lock(writtenMu_);
    return lastWritten_;
}

void WindowEvents::finished(bool generate) {
    if (w_->ui && button_) w_->ui->setText(button_, caption_);
    showWidget4Job(w_, cats_, favs_, generate);
}

void WindowEvents::status(JobStatus kind, const std::string& word, const std::string& detail) {
    if (!w_->ui || !w_->hStatus) return;
    w_->ui->setStatus(w_->hStatus, 0, word);
    // A file's path is the file system's bytes, not Windows-1252 text.
    if (kind == JobStatus::kWriting || kind == JobStatus::kWritten)
        w_->ui->setStatusPath(w_->hStatus, 1, detail);
    else
        w_->ui->setStatus(w_->hStatus, 1, detail);
}

void WindowEvents::step(const std::string& detail) {
    if (w_->ui && w_->hStatus) w_->ui->setStatus(w_->hStatus, 1, detail);
}

void WindowEvents::progress(JobBar bar, int pos) {
    HCtl c = bar == JobBar::kDownload ? w_->hProgDown : w_->hProgGen;
    if (w_->ui && c) w_->ui->setProgress(c, pos);
}

void WindowEvents::report(ReportField field, const std::string& text) {
    const HCtl fields[kReportFieldCount] = {w_->hRepSat,   w_->hRepTp,     w_->hRepBou,  w_->hRepTv,
                                            w_->hRepRadio, w_->hRepFavGrp, w_->hRepFavCh};
    HCtl c = fields[static_cast<int>(field)];
    if (w_->ui && c) w_->ui->setText(c, text);
}

int WindowEvents::message(const std::string& text, const std::string& caption, unsigned flags) {
    return w_->ui ? w_->ui->messageBox(w_->hMain, text, caption, flags) : kIdOk;
}

VaTime WindowEvents::localTime() { return w_->ui ? w_->ui->localTime() : systemLocalTime(); }
