#include "download/jobParam.h"

#include "config/lang.h"
#include "channels/dbTypes.h"
#include "platform/widget.h"

T_FnPARAM globalJobParam() {
    T_FnPARAM p{};
    p.cfgParam = &cfgParam;
    p.satParam = &satParam;
    p.bouParam = &bouParam;
    p.bouIParam = &bouIParam;
    p.catParam = &catParam;
    p.favParam = &favParam;
    p.favIParam = &favIParam;
    p.natParam = &natParam;
    p.MsgLang = &MsgLang;
    p.satDB = &satDB;
    p.tpDB = &tpDB;
    p.chDB = &chDB;
    p.favDB = &favDB;
    p.chFavDB = &chFavDB;
    p.Report = &Report;
    p.Widget = &Widget;
    return p;
}
