#pragma once
// The readers of the sources an import takes. Each fills an ImportModel or
// refuses the whole source with the file, line and reason of the first
// fault; what it passes over on purpose (cable and terrestrial entries,
// streams) is counted in the model's notes.
#include <functional>
#include <string>

#include "import/importModel.h"

struct SourceOptions {
    int position = -1;       // dvbv5: orbital position when the file name gives none
    std::string satName;     // dvbv5: satellite name (UTF-8)
    std::string bouquet;     // dvbv5: bouquet of the channels (UTF-8)
    // Enigma2: every user bouquet a favourite group, also one that restates
    // a provider, so that the box's own order of them all is read.
    bool everyUserBouquet = false;
};

// VDR channels.conf.
bool readVdr(const std::string& file, std::string bytes, ImportModel* m, ImportError* err);

// A dvbv5 channel file or transponder table ([name] / KEY = value).
bool readDvbv5(const std::string& file, std::string bytes, const SourceOptions& o,
               ImportModel* m, ImportError* err);

// An Enigma2 settings folder. read(name, &bytes) gives a file of the folder
// and is false when there is no such file.
using FolderReader = std::function<bool(const std::string& name, std::string* bytes)>;
bool readEnigma2(const std::string& folder, const FolderReader& read, ImportModel* m,
                 ImportError* err, const SourceOptions& o = {});
