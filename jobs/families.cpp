#include "jobs/families.h"

#include <cstdio>

#include "config/cfgTypes.h"
#include "writers/azbox/azbox.h"
#include "writers/ecdf/ecdf.h"
#include "writers/enigma/enigma.h"
#include "writers/enigma/enigmaCommon.h"
#include "writers/jst/jst.h"
#include "writers/ndf/ndf.h"
#include "writers/neutrino/neutrino.h"
#include "writers/vdr/vdr.h"

const T_family kFamilies[kFamilyCount] = {
    {0,
     "ndf",
     "NDF",
     WriteNDF,
     [](int) { return ndfFormat(); },
     nullptr,
     {"60", "?", "?", "?", "16", "?"}},
    {1,
     "e1",
     "Enigma1",
     WriteE1,
     nullptr,
     kE1FolderPrefix,
     {"255", "?", "~10000", "~5000", "?", "?"},
     kContentE1Type,
     24,
     false,
     enigma::enigmaUtf8Names},
    {2,
     "e2",
     "Enigma2",
     WriteE2,
     nullptr,
     kE2FolderPrefix,
     {"255", "?", "10000", "5000", "?", "?"},
     kContentE2Type,
     24,
     false,
     enigma::enigmaUtf8Names},
    {3,
     "azbox",
     "AZbox (09)",
     WriteAZbox,
     nullptr,
     kAzFolderPrefix,
     {"240", "?", "10000", "5000", "50", "200"}},
    {4,
     "sb5",
     "SB-5",
     WriteSB5S2HD,
     ecdfFileFormat,
     nullptr,
     {"32", "1000", "4000", "1000", "8", "100"}},
    {5,
     "s2hd",
     "S2 HD",
     WriteSB5S2HD,
     ecdfFileFormat,
     nullptr,
     {"32", "1000", "4000", "1000", "8", "100"}},
    {6,
     "st1",
     "Pvr-ST1",
     WriteST1JS1,
     jstFileFormat,
     nullptr,
     {"64", "2048", "4199", "719", "16", "4918"},
     kContentNone,
     14},
    {7,
     "js1",
     "Pvr-JS1",
     WriteST1JS1,
     jstFileFormat,
     nullptr,
     {"64", "2048", "4199", "719", "16", "4918"},
     kContentNone,
     14},
    // Text lines without limits of their own; names whole in UTF-8.
    {8,
     "vdr",
     "VDR",
     WriteVDR,
     [](int) { return vdrFormat(); },
     nullptr,
     {"?", "?", "?", "?", "?", "?"},
     kContentNone,
     24,
     false,
     [](const T_cfgStruct&) { return true; }},
    // Zapit XML files in a folder, names whole in UTF-8; a lock per channel.
    {9,
     "neutrino",
     "Neutrino",
     WriteNeutrino,
     nullptr,
     kNeutrinoFolderPrefix,
     {"?", "?", "?", "?", "?", "?"},
     kContentNone,
     24,
     true,
     [](const T_cfgStruct&) { return true; }},
};

const T_family* familyByType(int fileType) {
    if (fileType < 0 || fileType >= kFamilyCount) return nullptr;
    return &kFamilies[fileType];
}

const T_family* familyByName(std::string_view cliName) {
    for (const T_family& f : kFamilies)
        if (cliName == f.cliName) return &f;
    return nullptr;
}

std::string defaultListName(const T_family& f, const VaTime& t) {
    if (!f.fileFormat) return {};
    char name[kPathMax];
    std::snprintf(name, sizeof name, f.fileFormat(f.fileType).defaultNameFmt.c_str(), t.year,
                  t.month, t.day);
    return name;
}
