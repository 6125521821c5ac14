#pragma once
// What the last list of an output was made from, kept beside it: a hash of
// every setting that shapes the list and the database's data version, so a
// scheduled run can leave the list alone while nothing changed (one
// statement instead of a whole download).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ListStamp {
    uint64_t settings = 0;
    int64_t version = -1;
    std::vector<std::string> files;  // the list's files as written
};

// FNV-1a over each part and its length, so ("ab", "c") and ("a", "bc") differ.
uint64_t settingsHash(const std::vector<std::string_view>& parts);

// The stamp file of an output folder.
std::string stampPath(const std::string& folder);

// False when there is no stamp or it is not one (then nothing is skipped).
bool readStamp(const std::string& path, ListStamp* s);
bool writeStamp(const std::string& path, const ListStamp& s, std::string* err);

// True when a list made with these settings from this data version is
// still there: same hash, same version, every file present.
bool stampCurrent(const ListStamp& s, uint64_t settings, int64_t version);
