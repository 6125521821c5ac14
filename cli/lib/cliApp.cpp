#include "cli/lib/cliApp.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/lib/consolePlatform.h"
#include "config/cfgFile.h"
#include "config/codepage.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/dbTypes.h"
#include "download/jobParam.h"
#include "jobs/families.h"
#include "jobs/jobLauncher.h"

namespace {

constexpr int kExitUsage = 64;

struct CliDbOptions {
    std::string host, user, password, name, socket;
    unsigned port = 0;
    bool passwordSet = false;
    DbCompress compress = DbCompress::kAuto;
};

T_dbConnOverride dbOverride(const CliDbOptions& o) {
    T_dbConnOverride c;
    c.host = o.host;
    c.user = o.user;
    c.password = o.password;
    c.passwordSet = o.passwordSet;
    c.name = o.name;
    c.socket = o.socket;
    c.port = o.port;
    c.compress = o.compress;
    return c;
}

// The rows a download dropped, one to a line, without the CR LF of the box.
void printDropped(FILE* out, const T_dbDropped& dropped) {
    const std::string lines = droppedLines(dropped);
    size_t pos = 0;
    while (pos < lines.size()) {
        size_t end = lines.find("\r\n", pos);
        std::string line =
            lines.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty()) std::fprintf(out, "%s\n", line.c_str());
        if (end == std::string::npos) break;
        pos = end + 2;
    }
}

const char* familyLabel(int fileType) {
    const T_family* f = familyByType(fileType);
    return f ? f->label : "?";
}

// "e2, e1, ndf, ..." in the table's order.
std::string formatNames() {
    std::string s;
    for (const T_family& f : kFamilies) s += std::string(s.empty() ? "" : ", ") + f.cliName;
    return s;
}

const char* listTypeLabel(int t) {
    switch (t) {
    case 0: return "Bouquet as Channels";
    case 1: return "Bouquet as Satellites";
    case 2: return "Favorites such as satellites";
    default: return "?";
    }
}

template <size_t N>
const char* pick(const char* const (&names)[N], int i) {
    return i >= 0 && static_cast<size_t>(i) < N ? names[i] : "?";
}

void printSummary(FILE* out) {
    static const char* const lnb[] = {"Single", "Universal", "Ocs"};
    static const char* const power[] = {"Off", "13V", "18V", "On (Auto)"};
    static const char* const sw[] = {"Off", "1.0", "1.0/1.1"};
    static const char* const dsq[] = {"Off", "1.2", "Usals", "1.2/Usals"};
    // Switch ports are shown from 1; a table, so no value can overflow a sum.
    static const char* const ports[] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                        "9", "10", "11", "12", "13", "14", "15", "16"};
    auto freq = [](int i) { return i >= 0 && i < 10 ? kLnbFreqMHz[i] : 0; };
    const T_cfgStruct& c = cfgParam;
    std::fprintf(out, "List type: %d %s\n", c.listType, listTypeLabel(c.listType));
    std::fprintf(out, "Receiver family: %d %s\n", c.fileType, familyLabel(c.fileType));
    std::fprintf(out, "Language: %d\n", c.lang);
    std::fprintf(out, "Dish position: %02d.%d N, %02d.%d %s\n", c.latDeg, c.latDec, c.lonDeg,
                 c.lonDec, c.lonWE ? "E" : "W");
    std::fprintf(out, "Limits: bouquets %d, TV %d, radio %d (0 = all)\n", c.maxBou, c.maxCTv,
                 c.maxCRa);
    std::fprintf(out, "Categories: %u, favourite groups: %u, bouquets: %u, nations: %u\n",
                 catParam.count, favParam.count, bouParam.count, natParam.count);
    std::fprintf(out, "Excluded favourite groups: %u, excluded bouquets: %u\n", favIParam.count,
                 bouIParam.count);
    std::fprintf(out, "Satellites: %u\n", satParam.count);
    for (uint32_t i = 1; i <= satParam.count && i < static_cast<uint32_t>(kSatSlots); ++i) {
        const T_satRec& s = satParam.sat[i];
        std::fprintf(out,
                     "  [%c] %-5d %-24s LNB %s %d/%d MHz, power %s, 22kHz %d, 12V %d, "
                     "switch %s port %s/%s, DiSEqC %s pos %d, radio %s tv %s\n",
                     s.selected ? 'x' : ' ', s.satId, cp1252ToUtf8(fieldText(s.satName)).c_str(),
                     pick(lnb, s.lnbType), freq(s.freqLo), freq(s.freqHi), pick(power, s.power),
                     s.tone22k, s.out12V, pick(sw, s.switchType), pick(ports, s.switch10),
                     pick(ports, s.switch11), pick(dsq, s.diseqc), s.positionerId,
                     fieldText(s.radioFilter).c_str(), fieldText(s.tvFilter).c_str());
    }
}

void printReport(ConsolePlatform& ui, FILE* out) {
    const char* const fields[] = {
        "Satelliti:",    "Transponder:",     "Bouquets:",       "Canali TV:",
        "Canali Radio:", "Gruppi Favoriti:", "Canali Favoriti:"};
    std::fprintf(out, "Report:\n");
    for (const char* f : fields) {
        VaControl* c = ui.find(f);
        std::fprintf(out, "  %-17s %s\n", f, c ? cp1252ToUtf8(c->text).c_str() : "");
    }
}

bool parseFormats(const std::vector<std::string>& in, std::vector<int>* out, std::string* bad) {
    for (const std::string& item : in) {
        size_t start = 0;
        while (start <= item.size()) {
            size_t comma = item.find(',', start);
            std::string name =
                item.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            start = comma == std::string::npos ? item.size() + 1 : comma + 1;
            if (name.empty()) continue;
            if (name == "all") {
                for (const T_family& f : kFamilies) out->push_back(f.fileType);
                continue;
            }
            const T_family* f = familyByName(name);
            if (!f) {
                *bad = name;
                return false;
            }
            out->push_back(f->fileType);
        }
    }
    // Each family once, in the order asked.
    std::vector<int> uniq;
    for (int t : *out)
        if (std::find(uniq.begin(), uniq.end(), t) == uniq.end()) uniq.push_back(t);
    *out = uniq;
    return true;
}

}  // namespace

int runCli(int argc, char** argv) {
    CLI::App app{
        "velartis-cli: downloads the channel data of the configured satellites and "
        "writes receiver channel lists."};
    std::string config = "Default.cfg";
    std::string master = "VAconfig.vac";
    std::string lang;
    std::vector<std::string> formats;
    std::string output;
    bool log = false, noLog = false, summary = false;
    CliDbOptions db;
    app.add_option("--config", config, "user configuration file")->capture_default_str();
    app.add_option("--master", master, "master list file")->capture_default_str();
    app.add_option("--lang", lang, "language: it, en, fr, de or es (default: the configuration's)");
    app.add_option("--format", formats,
                   "receiver family to write: " + formatNames() +
                       " or all (several allowed, also comma-separated)");
    app.add_option("--output", output,
                   "destination: the folder the folder browser or save dialog would return "
                   "(default: the current folder); a single-file format may name a file");
    app.add_flag("--log", log, "write the log file beside each list");
    app.add_flag("--no-log", noLog, "do not write the log file");
    app.add_flag("--summary", summary, "only print the loaded configuration, no download");
    std::string enigmaText = "utf8";
    app.add_option("--enigma-text", enigmaText,
                   "code page of the names in the Enigma lists: utf8 or cp1252 (for receivers "
                   "that expect Windows-1252)")
        ->check(CLI::IsMember({"utf8", "cp1252"}))
        ->capture_default_str();
    app.add_option("--db-host", db.host, "database server address");
    // The client library keeps only 16 bits of a port: 68842 would reach 3306.
    app.add_option("--db-port", db.port, "database server port")->check(CLI::Range(1, 65535));
    app.add_option("--db-user", db.user, "database user");
    app.add_option("--db-password", db.password, "database password");
    app.add_option("--db-name", db.name, "database name");
    app.add_option("--db-socket", db.socket, "database server socket");
    std::string compress = "auto";
    app.add_option("--db-compress", compress,
                   "protocol compression: auto (on only for a server on another host), on or off")
        ->check(CLI::IsMember({"auto", "on", "off"}))
        ->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "velartis-cli: %s\n", e.what());
        return kExitUsage;
    }
    db.passwordSet = app.count("--db-password") > 0;
    parseDbCompress(compress, &db.compress);

    std::vector<int> families;
    std::string bad;
    if (!parseFormats(formats, &families, &bad)) {
        std::fprintf(stderr, "velartis-cli: unknown format '%s' (%s or all)\n", bad.c_str(),
                     formatNames().c_str());
        return kExitUsage;
    }
    int langId = 0;
    if (app.count("--lang") > 0) {  // an empty name is no language either
        const char* const ids[] = {"it", "en", "fr", "de", "es"};
        for (int i = 0; i < 5; ++i)
            if (lang == ids[i]) langId = i + 1;
        if (!langId) {
            std::fprintf(stderr, "velartis-cli: unknown language '%s' (it, en, fr, de or es)\n",
                         lang.c_str());
            return kExitUsage;
        }
    }
    if (output.empty()) {
        std::error_code ec;
        output = std::filesystem::current_path(ec).string();
    }
    {
        // Several single-file lists cannot share one file name.
        int single = 0;
        for (int t : families)
            if (familyByType(t)->singleFile) ++single;
        std::error_code ec;
        if (single > 1 && !std::filesystem::is_directory(output, ec)) {
            std::fprintf(stderr,
                         "velartis-cli: --output must be an existing folder when several "
                         "single-file formats are written\n");
            return kExitUsage;
        }
    }
    if (log && noLog) {
        std::fprintf(stderr, "velartis-cli: --log and --no-log exclude each other\n");
        return kExitUsage;
    }

    ConsolePlatform ui(stderr);
    createWidgetHandles(&Widget, &ui);
    initAppIdentity(&cfgParam);
    cfgParam.lang = kLangEnglish;
    if (!loadCfgFrom(master.c_str(), config.c_str(), &cfgParam, &satParam, &bouParam, &bouIParam,
                     &catParam, &favParam, &favIParam, &natParam))
        return 1;
    if (langId) cfgParam.lang = langId;
    if (cfgParam.lang < 1 || cfgParam.lang > 5) {
        std::fprintf(stderr,
                     "velartis-cli: the configuration names language %d, which does not "
                     "exist (1 to 5)\n",
                     cfgParam.lang);
        return 1;
    }
    setLang(&MsgLang, cfgParam.lang, nullptr, &Widget);
    cfgParam.enigmaCp1252 = enigmaText == "cp1252" ? 1 : 0;
    if (log) cfgParam.logFile = 1;
    if (noLog) cfgParam.logFile = 0;
    std::copy_n(config.c_str(), std::min(config.size() + 1, sizeof cfgFile), cfgFile);
    cfgFile[sizeof cfgFile - 1] = '\0';

    printSummary(stdout);
    if (summary) return 0;

    // Each job through the launcher, as the window starts them; the tool
    // then waits for it where the window would go on.
    const T_dbConnOverride conn = dbOverride(db);
    T_FnPARAM shared = globalJobParam();
    shared.dbConn = &conn;
    T_jobEnd ended{};
    auto onEnd = [&ended](const T_jobEnd& e) { ended = e; };
    if (!startDownloadJob(shared, onEnd)) {
        std::fprintf(stderr, "velartis-cli: cannot start the download job\n");
        return 1;
    }
    ui.waitJob();
    printReport(ui, stdout);
    printDropped(stdout, ended.dropped);
    if (ended.code == kDownloadOutdated) return 2;
    if (ended.code != kDownloadOk) return 1;

    if (families.empty()) {
        std::fprintf(stdout, "No list written: no --format was given.\n");
        return 0;
    }
    ui.setDestination(output);
    int result = 0;
    for (int family : families) {
        cfgParam.fileType = family;
        std::fprintf(stdout, "Writing %s list\n", familyLabel(family));
        size_t before = ui.written.size();
        if (!startWriterJob(shared, onEnd)) {
            std::fprintf(stderr, "velartis-cli: cannot start the %s job\n", familyLabel(family));
            return 1;
        }
        ui.waitJob();
        if (ended.code != 0) {
            std::fprintf(stdout, "%s: FAILED\n", familyLabel(family));
            result = 1;
            continue;
        }
        size_t n = ui.written.size() - before;
        if (n == 1)
            std::fprintf(stdout, "  wrote %s\n", ui.written[before].c_str());
        else if (n > 1)
            std::fprintf(stdout, "  wrote %zu files into %s\n", n,
                         std::filesystem::path(ui.written[before]).parent_path().c_str());
    }
    return result;
}
