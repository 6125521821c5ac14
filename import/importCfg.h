#pragma once
// The master list and the user configuration after an import: the
// satellites, bouquets and favourite groups the import wrote, under the ids
// the database gave them, are added to the files where they are missing.
// Entries the files have stay as they are, a line's bytes included; the
// result is Windows-1252 with CR LF line ends and must load as a whole.
#include <string>
#include <vector>

#include "import/importDb.h"

// The ids the files give names to, and the nation of new bouquets
// ("International", made when the master list has none). Missing files
// are empty texts.
bool readCfgHints(const std::string& masterText, const std::string& userText, IdHints* h,
                  std::string* err);

struct CfgMerge {
    std::string master, user;  // the texts to write
    unsigned satsAdded = 0, bouquetsAdded = 0, favouritesAdded = 0, nationsAdded = 0;
    // Entries the files keep although the database names the id otherwise.
    std::vector<std::string> conflicts;
};
bool mergeCfg(const std::string& masterText, const std::string& userText, const ImportDbReport& r,
              CfgMerge* out, std::string* err);

// The master list a first import starts from: the categories the imported
// channels use and the default nation.
std::string newMasterText();
// The user configuration a first import starts from: English, bouquets as
// channels, Enigma2, no limits, every kind of channel taken.
std::string newUserText();
