#pragma once
// The receiver families, one row each. The command-line tool takes its
// --format names and labels from here, the window its family buttons and
// the list-information box, and the job launcher the writer job.
#include <string_view>

#include "platform/platform.h"
#include "writers/frame/writerFrame.h"

// The limits of a family as the list-information box shows them, for the
// user's information ("?" where none is shown); the writers check their own.
struct T_familyLimits {
    const char* maxSat;
    const char* maxTp;
    const char* maxChTv;
    const char* maxChRa;
    const char* maxFavGrp;
    const char* maxFavCh;
};

// The list content a family lets the user choose (favourites, bouquets or
// both), kept in its own configuration field.
enum FamilyContent : int { kContentNone, kContentE1Type, kContentE2Type };

struct T_family {
    int fileType;         // cfgParam.fileType, the row's index in kFamilies
    const char* cliName;  // the command-line tool's --format name
    const char* label;    // the text of its button
    JobFn job;            // the writer job
    // The list file of a single-file family (its default name and the save
    // dialog's filter); null for a family that writes a folder.
    SingleFileFormat (*fileFormat)(int fileType);
    // The start of the dated folder a folder family writes; null for a
    // single-file family.
    const char* folderPrefix;
    T_familyLimits limits;
    FamilyContent content = kContentNone;
    // What the user's edits can show in this format: the characters of a
    // channel's name, and whether a channel has a lock of its own (the
    // Enigma lists lock by category).
    unsigned nameChars = 24;
    bool channelLock = true;
    // True when the list takes names in UTF-8 with this configuration;
    // null: it holds Windows-1252 only and shows other scripts spelled.
    bool (*utf8Names)(const T_cfgStruct& cfg) = nullptr;
};

constexpr int kFamilyCount = 10;
// In fileType order: kFamilies[t].fileType == t.
extern const T_family kFamilies[kFamilyCount];

// The family of a fileType or a --format name; null for none.
const T_family* familyByType(int fileType);
const T_family* familyByName(std::string_view cliName);

// The name the save dialog offers for a single-file family's list, dated
// with t; empty for a folder family.
std::string defaultListName(const T_family& f, const VaTime& t);
