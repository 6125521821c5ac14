#include "jobs/families.h"

#include "writers/frame/writerFrame.h"

const T_family kFamilies[kFamilyCount] = {
    {0, "ndf", "NDF", WriteNDF, true, {" NDF List Info ", "60", "?", "?", "?", "16", "?"}},
    {1,
     "e1",
     "Enigma1",
     WriteE1,
     false,
     {" Enigma1 List Info ", "255", "?", "~10000", "~5000", "?", "?"}},
    {2,
     "e2",
     "Enigma2",
     WriteE2,
     false,
     {" Enigma2 List Info ", "255", "?", "10000", "5000", "?", "?"}},
    {3,
     "azbox",
     "AZbox (09)",
     WriteAZbox,
     false,
     {" AZBox List Info ", "240", "?", "10000", "5000", "50", "200"}},
    {4,
     "sb5",
     "SB-5",
     WriteSB5S2HD,
     true,
     {" SB-5 List Info ", "32", "1000", "4000", "1000", "8", "100"}},
    {5,
     "s2hd",
     "S2 HD",
     WriteSB5S2HD,
     true,
     {" S2-HD List Info ", "32", "1000", "4000", "1000", "8", "100"}},
    {6,
     "st1",
     "Pvr-ST1",
     WriteST1JS1,
     true,
     {" Pvr-ST1 List Info ", "64", "2048", "4199", "719", "16", "4918"}},
    {7,
     "js1",
     "Pvr-JS1",
     WriteST1JS1,
     true,
     {" Pvr-JS1 List Info ", "64", "2048", "4199", "719", "16", "4918"}},
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
