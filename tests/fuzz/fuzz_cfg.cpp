// Input: master list, "\n====\n", user file (no separator: all user file).
// A configuration that loads must save to a file that loads to the same records.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "config/cfgFile.h"

namespace {

using Records = T_cfgRecords;

bool loadTexts(std::string_view master, std::string_view user, Records* r) {
    return loadCfgFromText(master, user, r);
}

std::string compose(const Records& r) { return composeCfg(&r.cfg, &r.sat, &r.favI, &r.bouI); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
