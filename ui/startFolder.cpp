#include "ui/startFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "config/fileIo.h"

namespace fs = std::filesystem;

namespace {

const char* const kFiles[2] = {"Default.cfg", "VAconfig.vac"};

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool holdsBoth(const fs::path& dir) { return isFile(dir / kFiles[0]) && isFile(dir / kFiles[1]); }

// The copy is written whole or not at all, so a full disk or a crash never
// leaves a cut file the next start would read.
bool copyWhole(const fs::path& from, const fs::path& to, std::string* error) {
    std::string text;
    if (!readFileWhole(from.string(), &text)) {
        *error = "Cannot read " + from.string();
        return false;
    }
    return writeFileWhole(to.string(), text, error);
}

}  // namespace

std::string userConfigFolder() {
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG rules say.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return (fs::path(xdg) / "velartis").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return (fs::path(home) / ".config" / "velartis").string();
    return {};
}

std::string shippedDataFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path installed = exe.parent_path().parent_path() / "share" / "velartis";
    if (holdsBoth(installed)) return installed.string();
#if defined(VA_BUILD_TREE) && defined(VA_REPO_DATA)
    // Only a program still in the build tree reads the repository's copies.
    const std::string tree = VA_BUILD_TREE "/";
    if (exe.string().compare(0, tree.size(), tree) == 0 && holdsBoth(VA_REPO_DATA))
        return VA_REPO_DATA;
#endif
    return {};
}

bool chooseCfgFolder(const std::string& startDir, const std::string& userDir,
                     const std::string& shipped, std::string* dir, std::string* error) {
    if (isFile(fs::path(startDir) / kFiles[0]) || isFile(fs::path(startDir) / kFiles[1])) {
        *dir = startDir;
        return true;
    }
    const std::string where =
        "Neither " + std::string(kFiles[0]) + " nor " + kFiles[1] + " is in the folder " + startDir;
    if (userDir.empty()) {
        *error = where + ", and neither HOME nor XDG_CONFIG_HOME names a folder for them.";
        return false;
    }
    if (!holdsBoth(userDir)) {
        if (shipped.empty()) {
            *error = where + " or " + userDir + ", and Velartis finds no installed copies.";
            return false;
        }
        std::error_code ec;
        fs::create_directories(userDir, ec);
        if (ec) {
            *error = "Cannot make the folder " + userDir + ": " + ec.message();
            return false;
        }
        for (const char* name : kFiles)
            if (!isFile(fs::path(userDir) / name) &&
                !copyWhole(fs::path(shipped) / name, fs::path(userDir) / name, error))
                return false;
    }
    *dir = userDir;
    return true;
}
