#pragma once
// The master list file and the user configuration file.
#include <cstddef>
#include <string>
#include <string_view>

#include "config/cfgTypes.h"

// Everything a configuration loads into: the user file's settings and the
// tables of the master list and the user file.
struct T_cfgRecords {
    T_cfgStruct cfg{};
    T_idxSat sat{};
    T_idxBou bou{};
    T_idxBouI bouI{};
    T_idxCat cat{};
    T_idxFav fav{};
    T_idxFavI favI{};
    T_idxNat nat{};
};

// Reads the master list "VAconfig.vac" of the current working directory and
// then the user file into the records. False on any failure, after a
// message box; what was read up to a corrupt line stays in the records.
// Never throws.
bool loadCfg(const char* fileName, T_cfgStruct* cfg, T_idxSat* sat, T_idxBou* bou, T_idxBouI* bouI,
             T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI, T_idxNat* nat);
// The same with the master list file named by the caller.
bool loadCfgFrom(const char* masterFile, const char* fileName, T_cfgStruct* cfg, T_idxSat* sat,
                 T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI,
                 T_idxNat* nat);

// The same from texts in memory, without touching the disk (fuzzing, tests);
// the names only serve the messages.
bool loadCfgFromText(std::string_view masterText, std::string_view userText, T_cfgStruct* cfg,
                     T_idxSat* sat, T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav,
                     T_idxFavI* favI, T_idxNat* nat, const char* masterName = "VAconfig.vac",
                     const char* userName = "Default.cfg");

inline bool loadCfgFromText(std::string_view masterText, std::string_view userText, T_cfgRecords* r,
                            const char* masterName = "VAconfig.vac",
                            const char* userName = "Default.cfg") {
    return loadCfgFromText(masterText, userText, &r->cfg, &r->sat, &r->bou, &r->bouI, &r->cat,
                           &r->fav, &r->favI, &r->nat, masterName, userName);
}

// Configuration files are far smaller; a larger one is refused unread.
constexpr size_t kMaxCfgBytes = size_t{4} << 20;

// Writes the user file at path, whole or not at all.
// The files are Windows-1252, as they always were, unless they begin with a
// UTF-8 byte order mark; a file whose names the code page lacks is written
// that way. The records keep every text in UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// A file's bytes as UTF-8; false (with *why) for UTF-16 or a broken UTF-8 file.
bool cfgTextToUtf8(std::string_view bytes, std::string* utf8, std::string* why);
// The text (UTF-8) as the file's bytes: Windows-1252 when it holds every
// character, else UTF-8 after the byte order mark.
std::string cfgTextFromUtf8(const std::string& utf8);

bool saveCfg(const char* path, const T_cfgStruct* cfg, const T_idxSat* sat, const T_idxFavI* favI,
             const T_idxBouI* bouI);
// The exact bytes saveCfg writes (CR LF line ends).
std::string composeCfg(const T_cfgStruct* cfg, const T_idxSat* sat, const T_idxFavI* favI,
                       const T_idxBouI* bouI);

// Why the last load or save failed, naming the file, and the caption of
// the box a front end shows it in. Loading and saving show nothing
// themselves.
const std::string& lastCfgError();
const char* lastCfgErrorCaption();
