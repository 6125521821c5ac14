#pragma once
// The global records a download job reads, set afresh for a test.
#include "config/cfgTypes.h"
#include "config/lang.h"
#include "platform/widget.h"

// English messages, every type filter open, the widgets on ui; no
// satellites, categories, favourite groups or bouquets yet.
inline void resetJobGlobals(Platform* ui) {
    createWidgetHandles(&Widget, ui);
    cfgParam = T_cfgStruct{};
    initAppIdentity(&cfgParam);
    cfgParam.lang = kLangEnglish;
    cfgParam.gHD = cfgParam.g3D = cfgParam.gRad = cfgParam.gTP = 1;
    satParam = T_idxSat{};
    catParam = T_idxCat{};
    favParam = T_idxFav{};
    favIParam = T_idxFavI{};
    bouParam = T_idxBou{};
    bouIParam = T_idxBouI{};
    MsgLang = *langTable(kLangEnglish);
}
