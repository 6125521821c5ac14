#pragma once
// Handles of the controls that jobs read and change, and the operations
// that grey the window out for a job and bring it back.
#include "platform/platform.h"

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
    HCtl hFamily[8];
    HCtl hE1Type[3];
    HCtl hE2Type[3];
    // The backend that owns the handles above; jobs reach the user through it.
    Platform* ui;
};

extern T_Widget Widget;

// Creates every handle of the record through the backend (tools and tests;
// the window creates its own controls).
void createWidgetHandles(T_Widget* w, Platform* ui);

void ghostWidget4Job(T_Widget* w, int categoryCount, int favouriteCount);
void showWidget4Job(T_Widget* w, int categoryCount, int favouriteCount, bool ok);
void resetDownGen(T_Widget* w);

// Short forms the jobs use; all are no-ops when the record has no backend.
void setStatusText(T_Widget* w, const std::string& part0, const std::string& part1);
void setStatusPart(T_Widget* w, int part, const std::string& text);
// part0 a text, part1 a file-system path.
void setStatusWithPath(T_Widget* w, const std::string& part0, const std::string& path);
// "Written" and the path in the status bar, and the file told to the
// front end as written.
void statusWritten(T_Widget* w, const std::string& written, const std::string& path);
void setProgressPos(T_Widget* w, HCtl bar, int pos);
void setControlText(T_Widget* w, HCtl c, const std::string& text);
int showMessage(T_Widget* w, const std::string& text, const std::string& caption, unsigned flags);
