#pragma once
// What a job is given: one record, filled by the job launcher with copies
// of the front end's records taken when the job starts, so what stays usable
// during a job cannot change what the job reads. Only the channel tables
// are shared: the running job alone writes them (a download) or reads them
// (a writer); the front end keeps them.
#include <string>

#include "config/cfgFile.h"
#include "config/langTypes.h"
#include "jobs/jobEvents.h"

struct T_dbSatTable;
struct T_dbTpTable;
struct T_dbChTable;
struct T_dbFavTable;
struct T_dbChFavTable;
struct T_dbReport;

// The in-memory channel tables and their report, owned by the front end.
struct T_channelTables {
    T_dbSatTable* satDB = nullptr;
    T_dbTpTable* tpDB = nullptr;
    T_dbChTable* chDB = nullptr;
    T_dbFavTable* favDB = nullptr;
    T_dbChFavTable* chFavDB = nullptr;
    T_dbReport* report = nullptr;
    bool complete() const { return satDB && tpDB && chDB && favDB && chFavDB && report; }
};

struct T_jobRequest : T_cfgRecords {
    LangStruct lang{};
    T_channelTables db;
    // The list type of a download (0 to 2), the receiver family of a writer.
    int type = -1;
    // A writer's destination, chosen before the job starts: the folder that
    // takes the list's dated folder, or the list file itself.
    std::string target;
    // A writer that stops where it would need the destination, having run
    // its format's checks and early warnings: the window runs this on its
    // own thread before it asks for the destination.
    bool checkOnly = false;
    // Those early warnings were shown already: the job does not repeat them.
    bool warned = false;
    JobEvents* events = nullptr;
};
