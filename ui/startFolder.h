#pragma once
// Where the window reads "Default.cfg" and "VAconfig.vac". Started from a
// desktop menu its working folder is the home folder, which holds neither:
// then it uses the user's configuration folder, filled from the installed
// copies on the first start, and never writes where it was installed.
#include <string>

// $XDG_CONFIG_HOME/velartis, else $HOME/.config/velartis; empty when
// neither names a folder.
std::string userConfigFolder();

// The folder of the installed copies: <prefix>/share/velartis beside
// <prefix>/bin of this program, or the repository's data/ folder for a
// program inside the build tree; empty when there is none.
std::string shippedDataFolder();

// The start folder when it holds either file (as before, a missing one is
// then the configuration's error); else the user's folder, where a missing
// file is copied from shipped, whole or not at all. False with a reason
// when the user's folder cannot be used.
bool chooseCfgFolder(const std::string& startDir, const std::string& userDir,
                     const std::string& shipped, std::string* dir, std::string* error);
