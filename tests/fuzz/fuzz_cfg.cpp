// Reads a master list and a user configuration from the input: the bytes
// before the first "\n====\n" are the master list, the rest the user file
// (without the separator the whole input is the user file and the master
// list is empty). No message box can block: the widget record has no
// platform, so failures only set lastCfgError.
//
// A configuration that loads must save to a file that loads again to the
// same records: otherwise "Save Cfg" would lose what the user had.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "config/cfgFile.h"
#include "config/fileIo.h"
#include "platform/widget.h"

namespace {

struct Records {
    T_cfgStruct cfg{};
    T_idxSat sat{};
    T_idxBou bou{};
    T_idxBouI bouI{};
    T_idxCat cat{};
    T_idxFav fav{};
    T_idxFavI favI{};
    T_idxNat nat{};
};

// A folder of this process for the two files, removed at exit (the path
// is never destroyed, so the exit handler can still read it).
const std::string& workDir() {
    static const std::string* dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "va-fuzz-cfg-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return new std::string(tmpl);
    }();
    static const bool cleanup = std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(*dir, ec);
    }) == 0;
    (void)cleanup;
    return *dir;
}

void writeOrDie(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (!f || std::fclose(f) != 0 || !ok) {
        std::perror(path.c_str());
        std::abort();
    }
}

// The one place that turns texts into records; loadCfgFrom reads files.
bool loadTexts(std::string_view master, std::string_view user, Records* r) {
    const std::string m = workDir() + "/VAconfig.vac", u = workDir() + "/Default.cfg";
    writeOrDie(m, master);
    writeOrDie(u, user);
    return loadCfgFrom(m.c_str(), u.c_str(), &r->cfg, &r->sat, &r->bou, &r->bouI, &r->cat,
                       &r->fav, &r->favI, &r->nat);
}

std::string compose(const Records& r) { return composeCfg(&r.cfg, &r.sat, &r.favI, &r.bouI); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Widget.ui = nullptr;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::string_view sep = "\n====\n";
    const size_t at = all.find(sep);
    const std::string_view master = at == all.npos ? std::string_view() : all.substr(0, at);
    const std::string_view user = at == all.npos ? all : all.substr(at + sep.size());

    static Records* first = new Records;
    static Records* again = new Records;
    *first = Records{};
    if (!loadTexts(master, user, first)) {
        if (lastCfgError().empty()) {
            std::fprintf(stderr, "fuzz_cfg: a configuration was refused without a reason\n");
            std::abort();
        }
        return 0;
    }

    const std::string saved = compose(*first);
    *again = Records{};
    if (!loadTexts(master, saved, again)) {
        std::fprintf(stderr, "fuzz_cfg: a saved configuration does not load again: %s\n",
                     lastCfgError().c_str());
        std::abort();
    }
    if (compose(*again) != saved) {
        std::fprintf(stderr, "fuzz_cfg: a saved configuration loads back different\n");
        std::abort();
    }
    return 0;
}
