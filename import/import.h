#pragma once
// velartis-cli import: reads a source, puts it into the channel database in
// one transaction and adds what it wrote to the master list and the user
// configuration. Nothing of a refused source reaches the database or the
// files; a dry run goes through the whole transaction and rolls it back.
#include <string>
#include <vector>

#include "download/connection.h"
#include "import/importSources.h"

enum class ImportKind { kVdr, kDvbv5, kEnigma2 };

struct ImportRequest {
    ImportKind kind = ImportKind::kVdr;
    std::vector<std::string> paths;  // files; for Enigma2 one folder
    SourceOptions source;
    bool dryRun = false;
    // An import that removes more rows than it adds (a few channels of a
    // satellite the database holds many of) is refused unless replace is
    // set; merge adds and updates rows and removes none.
    bool replace = false;
    bool merge = false;
    bool writeConfig = true;
    std::string masterPath = "VAconfig.vac";
    std::string userPath = "Default.cfg";
    T_dbConnOverride conn;
};

struct ImportOutcome {
    bool ok = false;
    std::string error;               // why it failed
    std::vector<std::string> lines;  // the report, UTF-8
    uint64_t rowsAdded = 0;          // rows added, all tables together
    uint64_t rowsRemoved = 0;
};

ImportOutcome runImport(const ImportRequest& req);

// Reads the request's sources into a model, without a database: the file,
// line and reason of the first fault otherwise.
bool readSources(const ImportRequest& req, ImportModel* m, std::string* err);
