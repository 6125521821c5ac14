#include "app/listStamp.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "config/fileIo.h"

namespace {
constexpr const char kStampHead[] = "velartis-stamp 1";
}

uint64_t settingsHash(const std::vector<std::string_view>& parts) {
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](unsigned char c) {
        h ^= c;
        h *= 1099511628211ull;
    };
    for (std::string_view p : parts) {
        for (unsigned char c : p) add(c);
        for (size_t n = p.size(), i = 0; i < 8; ++i, n >>= 8) add(static_cast<unsigned char>(n));
    }
    return h;
}

std::string stampPath(const std::string& folder) {
    return (std::filesystem::path(folder) / ".velartis-stamp").string();
}

bool readStamp(const std::string& path, ListStamp* s) {
    std::string text;
    if (!readFileWhole(path, &text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kStampHead) return false;
    ListStamp r;
    bool settings = false, version = false;
    while (std::getline(in, line)) {
        if (line.rfind("settings ", 0) == 0)
            settings = std::sscanf(line.c_str() + 9, "%" SCNx64, &r.settings) == 1;
        else if (line.rfind("version ", 0) == 0)
            version = std::sscanf(line.c_str() + 8, "%" SCNd64, &r.version) == 1;
        else if (line.rfind("file ", 0) == 0)
            r.files.push_back(line.substr(5));
    }
    if (!settings || !version || r.files.empty()) return false;
    *s = r;
    return true;
}

bool writeStamp(const std::string& path, const ListStamp& s, std::string* err) {
    char head[96];
    std::snprintf(head, sizeof head, "%s\nsettings %016" PRIx64 "\nversion %" PRId64 "\n",
                  kStampHead, s.settings, s.version);
    std::string text = head;
    for (const std::string& f : s.files) text += "file " + f + "\n";
    return writeFileWhole(path, text, err);
}

bool stampCurrent(const ListStamp& s, uint64_t settings, int64_t version) {
    if (s.settings != settings || s.version != version || version < 0 || s.files.empty())
        return false;
    for (const std::string& f : s.files) {
        std::error_code ec;
        if (!std::filesystem::exists(f, ec)) return false;
    }
    return true;
}
