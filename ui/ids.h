#pragma once
// The ids of the main window's menu items and controls, and the codes with
// which they report to CppWnd::OnCommand and OnNotify. Every control that
// acts carries its id (property "vaId"), so the command handling is one
// dispatch on ids; several controls may share one (the category boxes 740,
// the favourite boxes 807, "Freq. LO" and "Freq. Hi" 602).
namespace ids {

enum : int {
    kExit = 100,
    kOpenCfg = 105,
    kSaveCfg = 110,
    kDisclaimer = 120,
    kForum1 = 130,
    kForum2 = 140,
    kForum3 = 150,
    kStatusBar = 160,
    kProgDown = 171,
    kProgGen = 172,
    kGroup = 180,  // group boxes, report and list-information values (red)
    kLabel = 190,  // plain labels (navy)
    kLangFirst = 200,  // Italian; 200 + lang - 1
    kLangLast = 204,   // Spanish
    kSatCheck = 400,   // + row 1 to 60
    kSatBtn = 500,     // + row 1 to 60
    kSatSelAll = 570,
    kSatUnselAll = 571,
    kLnb = 601,
    kFreq = 602,  // "Freq. LO" and "Freq. Hi"
    kPower = 603,
    k22k = 604,
    k12V = 605,
    kSwitch = 606,  // "Switch" and "Switch1.0"
    kSwitch11 = 607,
    kDiseqc = 608,
    kPosId = 609,
    kSkew = 610,
    kLatDeg = 611,
    kLatDec = 612,
    kLonDeg = 613,
    kLonDec = 614,
    kLonW = 615,
    kLonE = 616,
    kSatFeed = 617,
    kRadio = 700,
    kRadioSub = 710,  // radio "FTA", "Cod."
    kTv = 720,
    kTvSub = 730,  // TV "FTA", "Cod.", "HD", "3D"
    kCat = 740,
    kCatSelAll = 750,
    kCatUnselAll = 760,
    kSortName = 798,
    kSortNation = 799,
    kBouList = 800,
    kAdd = 801,
    kSideList = 802,
    kRemove = 803,
    kAddAll = 804,
    kRemoveAll = 805,
    kFav = 807,
    kMaxBou = 808,
    kMaxCTv = 809,
    kMaxCRa = 810,
    kListCh = 811,
    kListBSat = 812,
    kListFSat = 813,
    kChFake = 815,
    kGenHd = 816,
    kGen3d = 817,
    kGenRadio = 818,
    kGenTp = 819,
    kFamily = 823,  // + fileType 0 to 7
    kE1Type = 840,  // + e1Type 0 to 2
    kE2Type = 843,  // + e2Type 0 to 2
    kMoveUp = 850,
    kMoveDown = 855,
    kDownload = 900,
    kGenerate = 901,
    kLogFile = 902,
};

// What a control reports with its id.
enum : int {
    kClicked = 0,          // a button, check box, radio button or menu item
    kSelChange = 1,        // a combo box's or list box's selection changed
    kKillFocus = 0x200,    // an edit box lost the focus
    kTabChange = -551,     // OnNotify: the tab strip changed page
};

}  // namespace ids
