#pragma once
// The global records a download job reads, set afresh for a test, and the
// job's request made from them as the launcher makes it.
#include <memory>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/lang.h"
#include "download/download.h"

// English messages, every type filter open; no satellites, categories,
// favourite groups or bouquets yet.
inline void resetJobGlobals() {
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

// A download request with copies of the global records as they are now.
inline std::unique_ptr<T_dlRequest> globalRequest(JobEvents* events,
                                                  const T_dbConnOverride& conn = {}) {
    auto r = std::make_unique<T_dlRequest>();
    r->cfg = cfgParam;
    r->sat = satParam;
    r->bou = bouParam;
    r->bouI = bouIParam;
    r->cat = catParam;
    r->fav = favParam;
    r->favI = favIParam;
    r->nat = natParam;
    r->lang = MsgLang;
    r->db = {&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report};
    r->events = events;
    r->type = cfgParam.listType;
    r->conn = conn;
    return r;
}
