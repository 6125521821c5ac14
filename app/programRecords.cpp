#include "app/programRecords.h"

#include "channels/dbTypes.h"
#include "config/lang.h"

T_channelTables programTables() { return {&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report}; }

T_jobSource programJobSource(JobEvents* events, JobRunner* runner, const T_dbConnOverride* conn) {
    T_jobSource s;
    s.cfg = &cfgParam;
    s.sat = &satParam;
    s.bou = &bouParam;
    s.bouI = &bouIParam;
    s.cat = &catParam;
    s.fav = &favParam;
    s.favI = &favIParam;
    s.nat = &natParam;
    s.lang = &MsgLang;
    s.db = programTables();
    s.events = events;
    s.runner = runner;
    s.conn = conn;
    return s;
}
