#include "platform/platform.h"

#include <ctime>
#include <filesystem>

VaTime systemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return VaTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string withDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty()) return path;
    if (std::filesystem::path(path).has_extension()) return path;
    return path + "." + ext;
}
