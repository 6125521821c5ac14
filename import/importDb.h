#pragma once
// Puts an ImportModel into the channel database in one transaction: every
// row of each satellite the model carries channels of is replaced (or, in
// a merge, only the rows the model gives again), a satellite with
// transponders only gets the ones it lacks. Ids come from
// what is there already (satellites by position, transponders by frequency,
// polarity and transport stream id, bouquets, favourite groups and
// languages by name), then from the configuration files' names, and only
// then new ones, so an import of the same data gives the same ids again.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "download/dbLink.h"
#include "import/importModel.h"

// Ids the configuration files already give names to.
struct IdHints {
    std::map<std::string, int> bouquetIds, favouriteIds;  // master list: name -> id
    std::set<int> bouquetIdsUsed, favouriteIdsUsed;       // by any entry of either file
    int nationId = 0;                                     // of new bouquets
    std::string appKey;  // the message row the downloads ask for ("Velartis1.3")
};

// Rows by key: updated ones hold other values than before, unchanged ones
// were written again as they were.
struct TableCount {
    uint64_t added = 0, removed = 0, updated = 0, unchanged = 0;
};

enum class ImportMode {
    kReplace,  // a satellite with channels keeps only the model's rows
    kMerge,    // rows the model lacks stay; a channel's audio and CA rows are the model's
};

struct IdName {
    int id = 0;
    std::string name;
    int nation = 0;  // bouquets: nat_id
};

struct ImportDbReport {
    // Table name -> rows, in the schema's order (kImportTables).
    std::map<std::string, TableCount> tables;
    std::vector<IdName> sats, bouquets, favourites;  // what the model holds, with their ids
    // Names a server with latin1 name columns could only take spelled in
    // Windows-1252 (toCp1252Latin).
    uint64_t spelledNames = 0;
};
extern const char* const kImportTables[11];

// Runs everything up to the commit; on true the transaction is open and
// the caller commits or rolls back. On false it is rolled back and *err
// says why.
bool importIntoDb(DbLink& db, const ImportModel& m, const IdHints& hints, ImportMode mode,
                  ImportDbReport* r, std::string* err);
