#pragma once
// The window's own record of the controls a job greys and restores, and the
// window's side of a job's events: greying, status bar, bars, report fields
// and the job's boxes.
#include "jobs/families.h"
#include "jobs/jobEvents.h"
#include "platform/platform.h"

#include <atomic>
#include <mutex>
#include <string>

struct T_Widget {
    bool cfgChanged;
    HCtl hMain;
    HCtl hStatus;
    HCtl hProgDown;
    HCtl hProgGen;
    HCtl hTab;
    HCtl hRepSat, hRepTp, hRepBou, hRepTv, hRepRadio, hRepFavGrp, hRepFavCh;
    HCtl hGrpSat, hGrpSatName, hGrpDish, hGrpPos, hGrpCat;
    HCtl hSatCheck[61];
    HCtl hSatBtn[61];
    HCtl hLnb, hFreqLo, hFreqHi, hPower;
    HCtl h22k, h12V;
    HCtl hSwitch, hSwitch10, hSwitch11, hDiseqc;
    HCtl hPosId;
    HCtl hSkew;
    HCtl hLatDeg, hLatDec, hLonDeg, hLonDec;
    HCtl hRadio, hRadioFta, hRadioCod;
    HCtl hTv, hTvFta, hTvCod, hTvHd, hTv3d;
    HCtl hCat[40];
    HCtl hCatSelAll, hCatUnselAll;
    HCtl hSatFeed;
    HCtl hBouLabel;
    HCtl hSortLabel, hSortName, hSortNation;
    HCtl hBouList;
    HCtl hSideLabel, hSideList;
    HCtl hFav[50];
    HCtl hAdd, hAddAll, hRemoveAll, hRemove;
    HCtl hDownload;
    HCtl hGenTp;
    HCtl hMoveUp, hMoveDown, hSatSelAll, hSatUnselAll;
    HCtl hGrpLimits, hMaxBouLabel, hMaxBou, hMaxCTvLabel, hMaxCTv, hMaxCRaLabel, hMaxCRa;
    HCtl hGrpListType, hListCh, hListBSat, hListFSat;
    HCtl hChFake;
    HCtl hGenHd, hGen3d, hGenRadio;
    HCtl hGenerate;
    HCtl hLogFile;
    HCtl hFamily[kFamilyCount];
    HCtl hE1Type[3];
    HCtl hE2Type[3];
    // The backend that owns the handles above.
    Platform* ui;
};

extern T_Widget Widget;

void ghostWidget4Job(T_Widget* w, int categoryCount, int favouriteCount);
void showWidget4Job(T_Widget* w, int categoryCount, int favouriteCount, bool ok);
void resetDownGen(T_Widget* w);

// A job's events as the window shows them. Called from the job's thread;
// the backend posts them to the window's thread (its thread contract).
class WindowEvents : public JobEvents {
public:
    explicit WindowEvents(T_Widget* w) : w_(w) {}
    // The category and favourite boxes the next job greys; set by the
    // window before it starts the job.
    void setCounts(int categories, int favourites) {
        cats_ = categories;
        favs_ = favourites;
    }

    // The button that starts the next job and, while it runs, cancels it
    // under the caption given; set by the window before the start.
    void setCancelButton(HCtl button, std::string caption, std::string cancelCaption) {
        button_ = button;
        caption_ = std::move(caption);
        cancelCaption_ = std::move(cancelCaption);
        cancel_ = false;
    }
    void requestCancel() { cancel_ = true; }

    void started() override;
    void finished(bool generate) override;
    bool cancelled() override { return cancel_; }
    void status(JobStatus kind, const std::string& word, const std::string& detail) override;
    void step(const std::string& detail) override;
    void progress(JobBar bar, int pos) override;
    void report(ReportField field, const std::string& text) override;
    void fileWritten(const std::string& path, size_t) override;
    // The last list file a job put in place (the window sends its folder).
    std::string lastWritten() const;
    int message(const std::string& text, const std::string& caption, unsigned flags) override;
    VaTime localTime() override;

private:
    mutable std::mutex writtenMu_;
    std::string lastWritten_;
    T_Widget* w_;
    int cats_ = 0, favs_ = 0;
    HCtl button_ = nullptr;
    std::string caption_, cancelCaption_;
    std::atomic<bool> cancel_{false};
};
