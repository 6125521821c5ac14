#pragma once
// The ids of the main window's menu items and controls, and the codes with
// which they report to CppWnd::OnCommand and OnNotify. Every control that
// acts carries its id (property "vaId"), so the command handling is one
// dispatch on ids; several controls may share one (the category boxes 740,
// the favourite boxes 807, "Freq. LO" and "Freq. Hi" 602).
namespace ids {

inline constexpr int kExit = 100;
inline constexpr int kOpenCfg = 105;
inline constexpr int kSaveCfg = 110;
inline constexpr int kDbSettings = 115;
inline constexpr int kDisclaimer = 120;
inline constexpr int kForum1 = 130;
inline constexpr int kForum2 = 140;
inline constexpr int kForum3 = 150;
inline constexpr int kStatusBar = 160;
inline constexpr int kProgDown = 171;
inline constexpr int kProgGen = 172;
inline constexpr int kGroup = 180;      // group boxes, report and list-information values (red)
inline constexpr int kLabel = 190;      // plain labels (navy)
inline constexpr int kLangFirst = 200;  // Italian; 200 + lang - 1
inline constexpr int kLangLast = 204;   // Spanish
inline constexpr int kSatCheck = 400;   // + row 1 to 60
inline constexpr int kSatBtn = 500;     // + row 1 to 60
inline constexpr int kSatSelAll = 570;
inline constexpr int kSatUnselAll = 571;
inline constexpr int kLnb = 601;
inline constexpr int kFreq = 602;  // "Freq. LO" and "Freq. Hi"
inline constexpr int kPower = 603;
inline constexpr int k22k = 604;
inline constexpr int k12V = 605;
inline constexpr int kSwitch = 606;  // "Switch" and "Switch1.0"
inline constexpr int kSwitch11 = 607;
inline constexpr int kDiseqc = 608;
inline constexpr int kPosId = 609;
inline constexpr int kSkew = 610;
inline constexpr int kLatDeg = 611;
inline constexpr int kLatDec = 612;
inline constexpr int kLonDeg = 613;
inline constexpr int kLonDec = 614;
inline constexpr int kLonW = 615;
inline constexpr int kLonE = 616;
inline constexpr int kSatFeed = 617;
inline constexpr int kRadio = 700;
inline constexpr int kRadioSub = 710;  // radio "FTA", "Cod."
inline constexpr int kTv = 720;
inline constexpr int kTvSub = 730;  // TV "FTA", "Cod.", "HD", "3D"
inline constexpr int kCat = 740;
inline constexpr int kCatSelAll = 750;
inline constexpr int kCatUnselAll = 760;
inline constexpr int kSortName = 798;
inline constexpr int kSortNation = 799;
inline constexpr int kBouList = 800;
inline constexpr int kAdd = 801;
inline constexpr int kSideList = 802;
inline constexpr int kRemove = 803;
inline constexpr int kAddAll = 804;
inline constexpr int kRemoveAll = 805;
inline constexpr int kFav = 807;
inline constexpr int kMaxBou = 808;
inline constexpr int kMaxCTv = 809;
inline constexpr int kMaxCRa = 810;
inline constexpr int kListCh = 811;
inline constexpr int kListBSat = 812;
inline constexpr int kListFSat = 813;
inline constexpr int kChFake = 815;
inline constexpr int kGenHd = 816;
inline constexpr int kGen3d = 817;
inline constexpr int kGenRadio = 818;
inline constexpr int kGenTp = 819;
inline constexpr int kFamily = 823;         // + fileType, below kE1Type
inline constexpr int kE1Type = 840;         // + e1Type 0 to 2
inline constexpr int kE2Type = 843;         // + e2Type 0 to 2
inline constexpr int kEnigmaCp = 846;       // "Enigma names in Windows-1252"
inline constexpr int kEnigmaLamedb5 = 847;  // "Enigma2 also with lamedb5"
inline constexpr int kMoveUp = 850;
inline constexpr int kMoveDown = 855;
inline constexpr int kDownload = 900;
inline constexpr int kGenerate = 901;
inline constexpr int kLogFile = 902;
inline constexpr int kIfChanged = 903;  // "Only when the database changed"
inline constexpr int kSend = 904;       // "Send to receiver…"

// What a control reports with its id.
inline constexpr int kClicked = 0;        // a button, check box, radio button or menu item
inline constexpr int kSelChange = 1;      // a combo box's or list box's selection changed
inline constexpr int kKillFocus = 0x200;  // an edit box lost the focus
inline constexpr int kTabChange = -551;   // OnNotify: the tab strip changed page

}  // namespace ids
