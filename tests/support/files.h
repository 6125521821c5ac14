#pragma once
// A file's bytes for a test's checks; empty when it cannot be read.
#include <filesystem>
#include <string>

#include "config/fileIo.h"

inline std::string slurp(const std::filesystem::path& p) {
    std::string s;
    readFileWhole(p.string(), &s);
    return s;
}
