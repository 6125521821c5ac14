#include "cli/lib/cliApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/listStamp.h"
#include "app/programRecords.h"
#include "channels/dbTypes.h"
#include "cli/lib/cliReport.h"
#include "cli/lib/consoleEvents.h"
#include "cli/lib/dbOptions.h"
#include "cli/lib/importCli.h"
#include "cli/lib/sendCli.h"
#include "config/cfgFile.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/connEnv.h"
#include "edits/edits.h"
#include "jobs/families.h"
#include "jobs/jobLauncher.h"
#include "platform/threadRunner.h"
#include "writers/frame/writerFrame.h"

namespace fs = std::filesystem;

namespace {

// The group of the MariaDB option files that holds the tool's own values.

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

// The list type as the window's choice names it, in UTF-8.
std::string listTypeLabel(int t) {
    const char* label = t == 0   ? MsgLang.lblBouAsCh
                        : t == 1 ? MsgLang.lblBouAsSat
                        : t == 2 ? MsgLang.lblFavAsSat
                                 : "?";
    return cp1252ToUtf8(label);
}

template <typename T, size_t N>
T pick(const T (&names)[N], int i) {
    return i >= 0 && static_cast<size_t>(i) < N ? names[i] : T("?");
}

// Prints a text of the language tables (Windows-1252) as UTF-8; the
// arguments are UTF-8 already, so the format is converted, not the result.
__attribute__((format(printf, 2, 3))) void printLang(FILE* out, const char* fmt, ...) {
    const std::string utf8 = cp1252ToUtf8(fmt);
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(out, utf8.c_str(), ap);
    va_end(ap);
}

void printSummary(FILE* out) {
    const LangStruct& m = MsgLang;
    const std::string lnb[] = {cp1252ToUtf8(m.cmbSingle), cp1252ToUtf8(m.cmbUniversal), "Ocs"};
    const std::string off = cp1252ToUtf8(m.cmbOff);
    const std::string power[] = {off, "13V", "18V", cp1252ToUtf8(m.cmbOnAuto)};
    const std::string sw[] = {off, "1.0", "1.0/1.1"};
    const std::string dsq[] = {off, "1.2", "Usals", "1.2/Usals"};
    // Switch ports are shown from 1; a table, so no value can overflow a sum.
    static const char* const ports[] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                        "9", "10", "11", "12", "13", "14", "15", "16"};
    auto freq = [](int i) { return i >= 0 && i < 10 ? kLnbFreqMHz[i] : 0; };
    const T_cfgStruct& c = cfgParam;
    std::fprintf(out, "%s %d %s\n", cp1252ToUtf8(m.cliListType).c_str(), c.listType,
                 listTypeLabel(c.listType).c_str());
    std::fprintf(out, "%s %d %s\n", cp1252ToUtf8(m.cliFamily).c_str(), c.fileType,
                 familyLabel(c.fileType));
    const char* lang = langName(c.lang);
    std::fprintf(out, "%s %s\n", cp1252ToUtf8(m.cliLanguage).c_str(),
                 lang ? cp1252ToUtf8(lang).c_str() : "?");
    std::fprintf(out, "%s %02d.%d N, %02d.%d %s\n", cp1252ToUtf8(m.cliDish).c_str(), c.latDeg,
                 c.latDec, c.lonDeg, c.lonDec, c.lonWE ? "E" : "W");
    printLang(out, m.cliLimits, c.maxBou, c.maxCTv, c.maxCRa);
    std::fputc('\n', out);
    printLang(out, m.cliCounts, catParam.count, favParam.count, bouParam.count, natParam.count);
    std::fputc('\n', out);
    printLang(out, m.cliExcluded, favIParam.count, bouIParam.count);
    std::fputc('\n', out);
    std::fprintf(out, "%s %u\n", cp1252ToUtf8(trimmed(fieldText(m.lblRepSat))).c_str(),
                 satParam.count);
    for (uint32_t i = 1; i <= satParam.count && i < static_cast<uint32_t>(kSatSlots); ++i) {
        const T_satRec& s = satParam.sat[i];
        std::fprintf(out, "  [%c] %-5d %-24s ", s.selected ? 'x' : ' ', s.satId,
                     fieldText(s.satName).c_str());
        printLang(out, m.cliSatRow, pick(lnb, s.lnbType).c_str(), freq(s.freqLo), freq(s.freqHi),
                  pick(power, s.power).c_str(), s.tone22k, s.out12V, pick(sw, s.switchType).c_str(),
                  pick(ports, s.switch10), pick(ports, s.switch11), pick(dsq, s.diseqc).c_str(),
                  s.positionerId, fieldText(s.radioFilter).c_str(), fieldText(s.tvFilter).c_str());
        std::fputc('\n', out);
    }
}

// The report's fields as the JSON report names them, in ReportField order.
constexpr const char* kReportKeys[kReportFieldCount] = {
    "satellites",    "transponders",    "bouquets",         "tvChannels",
    "radioChannels", "favouriteGroups", "favouriteChannels"};

std::vector<std::pair<std::string, std::string>> reportFields(const ConsoleEvents& ui) {
    std::vector<std::pair<std::string, std::string>> fields;
    for (int i = 0; i < kReportFieldCount; ++i)
        fields.emplace_back(kReportKeys[i], ui.reportText[i]);
    return fields;
}

// The report as the window's report box shows it, in its language; the
// log file keeps its own fixed labels.
void printReport(const std::vector<std::pair<std::string, std::string>>& fields, FILE* out) {
    const LangStruct& m = MsgLang;
    const std::string labels[kReportFieldCount] = {
        fieldText(m.lblRepSat),  fieldText(m.lblRepTp),    fieldText(m.lblRepBou),
        fieldText(m.lblRepTv),   fieldText(m.lblRepRadio), fieldText(m.lblRepFavGrp),
        fieldText(m.lblRepFavCh)};
    const std::string heading = trimmed(fieldText(m.grpReport));
    std::fprintf(out, "%s:\n", cp1252ToUtf8(heading).c_str());
    // The values in one column; one Windows-1252 byte is one character.
    size_t width = 0;
    for (const std::string& l : labels) width = std::max(width, trimmed(l).size());
    for (size_t i = 0; i < fields.size() && i < kReportFieldCount; ++i) {
        const std::string label = trimmed(labels[i]);
        const std::string pad(width - label.size(), ' ');
        std::fprintf(out, "  %s%s %s\n", cp1252ToUtf8(label).c_str(), pad.c_str(),
                     fields[i].second.c_str());
    }
}

// Where a family's list goes: a single file into a folder gets the name the
// save dialog would offer.
std::string listTarget(const T_family& f, const std::string& output) {
    std::error_code ec;
    if (!f.fileFormat || !fs::is_directory(output, ec)) return output;
    const std::string name = defaultListName(f, systemLocalTime());
    return withDefaultExtension((fs::path(output) / name).string(),
                                f.fileFormat(f.fileType).defExt);
}

// The families named, each once in the order asked; *all tells whether
// "all" was among them.
bool parseFormats(const std::vector<std::string>& in, std::vector<int>* out, std::string* bad,
                  bool* all) {
    for (const std::string& item : in) {
        size_t start = 0;
        while (start <= item.size()) {
            size_t comma = item.find(',', start);
            std::string name =
                item.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            start = comma == std::string::npos ? item.size() + 1 : comma + 1;
            if (name.empty()) continue;
            if (name == "all") {
                *all = true;
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

// The installed copy of a data file (<prefix>/share/velartis/NAME beside
// <prefix>/bin of this program); empty when there is none.
std::string installedData(const char* name) {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    fs::path p = exe.parent_path().parent_path() / "share" / "velartis" / name;
    return fs::is_regular_file(p, ec) ? p.string() : std::string();
}

// The nearest part of path that exists, and whether it is a folder.
bool nearestExistingIsFolder(const fs::path& path, fs::path* existing) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) p = path;
    for (;;) {
        fs::file_status st = fs::status(p, ec);
        if (fs::exists(st)) {
            *existing = p;
            return fs::is_directory(st);
        }
        if (!p.has_relative_path()) return true;
        p = p.parent_path();
    }
}

// Whether two paths name one file: the same inode when both exist (through
// links, "./" or "../" and any other spelling), else the same absolute
// path once links and dots in the existing part are resolved.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a, ea), ea);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return !ea && !eb && ca == cb;
}

struct NamedPath {
    std::string option, path;
};

// A file the run writes that is also one it reads (or another it writes)
// would be overwritten: the next run would find a list where its
// configuration was. Empty when no two clash.
std::string pathClash(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs) {
    for (size_t i = 0; i < outputs.size(); ++i) {
        const NamedPath& o = outputs[i];
        for (const NamedPath& in : inputs)
            if (sameFile(o.path, in.path))
                return o.option + " '" + o.path + "' is the file of " + in.option + " '" + in.path +
                       "': it would be overwritten";
        for (size_t j = i + 1; j < outputs.size(); ++j)
            if (sameFile(o.path, outputs[j].path))
                return o.option + " '" + o.path + "' and " + outputs[j].option + " '" +
                       outputs[j].path + "' name the same file";
    }
    return {};
}

// Paths in the report as the user named them, file sizes as they are now.
std::vector<CliFileRecord> fileRecords(const std::vector<std::string>& paths) {
    std::vector<CliFileRecord> files;
    for (const std::string& p : paths) {
        std::error_code ec;
        uintmax_t n = fs::file_size(p, ec);
        files.push_back({p, ec ? 0 : static_cast<uint64_t>(n)});
    }
    return files;
}

// What the command line asks for, once it has been checked.
struct CliOptions {
    std::string config = "Default.cfg";
    std::string master = "VAconfig.vac";
    std::string lang;
    std::vector<std::string> formats;
    std::string output;
    std::string reportFile;
    std::string enigmaText = "utf8";
    bool lamedb5 = false;  // --enigma-lamedb5
    bool log = false, noLog = false, summary = false, quiet = false, progress = false;
    bool ifChanged = false;
    // The user's edits: this file, else the configuration's own when it
    // exists; none with --no-edits.
    std::string edits;
    bool noEdits = false;
    // --edits-from-enigma2: the order of a hand-made list joins the edits.
    std::string editsFrom;
    // --send: the Enigma list written goes on to this box.
    BoxCliOptions box;
    bool configGiven = false, masterGiven = false, outputGiven = false;
    CliDbOptions db;
    int langId = 0;             // 0: the configuration's
    std::vector<int> families;  // in the order given
};

// Reads and checks the command line. -1 when the run goes on; else the
// exit code (help, version, or a usage error already told).
int readOptions(int argc, char** argv, CliOptions* o) {
    const std::string version = fieldText(cfgParam.appName) + " " + fieldText(cfgParam.appVersion);
    CLI::App app{
        "velartis-cli: downloads the channel data of the satellites chosen in a Velartis "
        "configuration and writes channel lists for satellite receivers."};
    app.footer(
        "The database password and the other connection values may also come from the "
        "environment (VELARTIS_DB_HOST, VELARTIS_DB_PORT, VELARTIS_DB_USER, "
        "VELARTIS_DB_PASSWORD, VELARTIS_DB_NAME, VELARTIS_DB_SOCKET) or from the [velartis] "
        "group of a MariaDB option file such as ~/.my.cnf; the options above come first, then "
        "the environment, then the option files, then the built-in values.\n\n"
        "velartis-cli import SOURCE PATH... puts the channels of a VDR, dvbv5 or Enigma2 "
        "source into the channel database (velartis-cli import --help).\n\n"
        "Exit status: 0 done, 1 a job failed, 2 the server declares this version outdated, "
        "64 wrong usage.");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", "velartis-cli (" + version + ")",
                         "print the program's name and version and exit");
    app.add_option("--config", o->config,
                   "your Velartis configuration: satellites, dish set-up, filters, list type")
        ->capture_default_str()
        ->type_name("FILE");
    app.add_option("--master", o->master,
                   "the master list of categories, favourite groups, bouquets and nations")
        ->capture_default_str()
        ->type_name("FILE");
    app.add_option("--lang", o->lang,
                   "language of the messages: it, en, fr, de or es (default: the "
                   "configuration's)")
        ->type_name("LANG");
    app.add_option("--format", o->formats,
                   "receiver family to write a list for: " + formatNames() +
                       ", or all (every family, Enigma2 with lamedb5 too); give several, or "
                       "separate them with commas")
        ->type_name("FORMAT");
    app.add_option("--output", o->output,
                   "folder to write the lists into (created if missing; default: the current "
                   "folder); a single-file format may name the file (e.g. mine.ndf)")
        ->type_name("DIR");
    app.add_option("--edits", o->edits,
                   "the channel edits to apply after the download (default: the file beside "
                   "the configuration, Default.cfg -> Default.edits, when it exists)")
        ->type_name("FILE");
    app.add_flag("--no-edits", o->noEdits, "apply no edits, whatever file is there");
    app.add_option("--edits-from-enigma2", o->editsFrom,
                   "after the download, turn the bouquet order and channel names of this "
                   "Enigma2 settings folder into edits, keep them in the edits file and apply them")
        ->type_name("DIR");
    app.add_flag("--log", o->log, "write a log of each list beside it");
    app.add_flag("--no-log", o->noLog, "write no log, whatever the configuration says");
    app.add_flag("--summary", o->summary, "only show the configuration, without a download");
    app.add_flag("-q,--quiet", o->quiet, "print only errors and the paths written");
    app.add_flag("--progress", o->progress,
                 "print a line for each tenth of a job's progress also when the standard output "
                 "is no terminal");
    app.add_option("--report-json", o->reportFile,
                   "also write the report, the dropped rows, each job's result and the files "
                   "written to this file, as JSON")
        ->type_name("FILE");
    app.add_option("--enigma-text", o->enigmaText,
                   "character set of the names in the Enigma lists: utf8, or cp1252 for "
                   "receivers that expect Windows-1252")
        ->check(CLI::IsMember({"utf8", "cp1252"}))
        ->capture_default_str();
    app.add_flag("--enigma-lamedb5", o->lamedb5,
                 "also write lamedb5, the one-line service list of newer Enigma2 receivers, "
                 "beside lamedb");
    addDbOptions(app, o->db);
    o->db.conn.deadline = kDbDeadline;
    app.add_option("--db-deadline", o->db.conn.deadline,
                   "seconds the download may take, from connecting to the last row, before it "
                   "fails as timed out")
        ->check(CLI::Range(1u, 86400u))
        ->capture_default_str()
        ->type_name("SECONDS");
    app.add_option("--db-max-lag", o->db.conn.maxLag,
                   "of several servers in --db-host, pass over a replica more than this many "
                   "seconds behind its primary; 0: take it all the same (default: " +
                       std::to_string(kDbMaxLag) + ")")
        ->check(CLI::Range(0, 86400))
        ->type_name("SECONDS");
    app.add_option("--send", o->box.box.host,
                   "send the Enigma2 or Enigma1 list written to this receiver (as velartis-cli "
                   "send does: backup, whole replacement, reload, check)")
        ->type_name("HOST");
    addBoxOptions(app, o->box, "with --send: ");
    app.add_flag("--if-changed", o->ifChanged,
                 "write nothing when the channel database has not changed since the last list "
                 "written into the same --output with the same settings (one statement instead "
                 "of a download)");
    if (int code = parseCommandLine(app, argc, argv, "velartis-cli"); code >= 0) return code;
    o->configGiven = app.count("--config") > 0;
    o->masterGiven = app.count("--master") > 0;
    o->outputGiven = app.count("--output") > 0;

    std::string bad;
    bool all = false;
    if (!parseFormats(o->formats, &o->families, &bad, &all))
        return usageError("velartis-cli",
                          "unknown format '" + bad + "' (" + formatNames() + " or all)");
    // All is every list the program writes, lamedb5 among them.
    if (all) o->lamedb5 = true;
    if (app.count("--lang") > 0) {  // an empty name is no language either
        o->langId = langByCode(o->lang.c_str());
        if (!o->langId)
            return usageError("velartis-cli",
                              "unknown language '" + o->lang + "' (it, en, fr, de or es)");
    }
    if (o->noEdits && !o->editsFrom.empty())
        return usageError("velartis-cli",
                          "--edits-from-enigma2 keeps its order in the edits: not with --no-edits");
    if (o->log && o->noLog)
        return usageError("velartis-cli", "--log and --no-log exclude each other");
    std::string dbError;
    if (!finishDbOptions(app, o->db, &dbError)) return usageError("velartis-cli", dbError);
    if (!o->box.box.host.empty()) {
        int enigma = 0;
        for (int f : o->families)
            if (f == 1 || f == 2) ++enigma;
        if (enigma != 1 || o->families.size() != 1)
            return usageError("velartis-cli", "--send takes one list: --format e2 or --format e1");
        if (!finishBoxOptions(o->box, &dbError)) return usageError("velartis-cli", dbError);
    }
    return -1;
}

// Where the lists go: a folder to make once the download has succeeded,
// if any.
struct OutputPlan {
    fs::path makeFolder;
};

// Settles --output (default: the current folder) and the data files, and
// refuses what cannot work before anything is downloaded: a file where a
// folder is needed, a path that cannot be made, an output on a file the run
// reads. -1 when the run goes on, else kExitUsage (told).
int planOutput(CliOptions& o, OutputPlan* plan) {
    std::string& output = o.output;
    if (output.empty()) {
        std::error_code ec;
        output = fs::current_path(ec).string();
        if (ec) output = ".";  // the current folder is gone: refused below
    }
    // Run from a folder removed since, a relative path leads nowhere.
    if (const std::string gone = removedFolderReason(output);
        !o.families.empty() && !gone.empty()) {
        if (!o.outputGiven)
            std::fprintf(stderr, "velartis-cli: no --output, and %s\n", gone.c_str());
        else
            std::fprintf(stderr, "velartis-cli: --output '%s' cannot be resolved: %s\n",
                         output.c_str(), gone.c_str());
        return kExitUsage;
    }
    int single = 0;
    const T_family* folderFamily = nullptr;
    for (int t : o.families) {
        if (familyByType(t)->fileFormat)
            ++single;
        else if (!folderFamily)
            folderFamily = familyByType(t);
    }
    // Several single-file lists cannot share one file name.
    const bool needFolder = folderFamily || single > 1 || (!output.empty() && output.back() == '/');
    if (!o.families.empty()) {
        std::error_code ec;
        fs::file_status st = fs::status(output, ec);
        fs::path existing;
        if (fs::exists(st)) {
            // A device or a pipe cannot take a list and the log beside it.
            if (!fs::is_directory(st) && !fs::is_regular_file(st)) {
                std::fprintf(stderr, "velartis-cli: --output '%s' is no folder or file\n",
                             output.c_str());
                return kExitUsage;
            }
            if (needFolder && !fs::is_directory(st)) {
                const std::string what = folderFamily
                                             ? std::string("the ") + folderFamily->label + " list"
                                             : std::string("writing several single-file lists");
                std::fprintf(stderr, "velartis-cli: --output '%s' is a file; %s needs a folder\n",
                             output.c_str(), what.c_str());
                return kExitUsage;
            }
        } else if (!nearestExistingIsFolder(output, &existing)) {
            std::fprintf(stderr, "velartis-cli: --output '%s' cannot be made: '%s' is a file\n",
                         output.c_str(), existing.c_str());
            return kExitUsage;
        } else {
            // A new name with an extension names the one list's file;
            // anything else is a folder.
            const fs::path p(output);
            plan->makeFolder = needFolder || !p.has_extension() ? p : p.parent_path();
        }
    }

    // The data files in the current folder, else the installed ones.
    std::error_code existsEc;  // a name too long simply does not exist here
    if (!o.masterGiven && !fs::exists(o.master, existsEc)) {
        std::string installed = installedData("VAconfig.vac");
        if (!installed.empty()) o.master = installed;
    }
    if (!o.configGiven && !fs::exists(o.config, existsEc)) {
        std::string installed = installedData("Default.cfg");
        if (!installed.empty()) {
            o.config = installed;
            if (!o.quiet) std::fprintf(stderr, "velartis-cli: using %s\n", o.config.c_str());
        }
    }

    // Nothing written may land on a file the run reads.
    std::vector<NamedPath> outputs;
    if (!o.reportFile.empty()) outputs.push_back({"--report-json", o.reportFile});
    const bool oneFile = single > 0 && !needFolder && fs::path(output).has_extension() &&
                         !fs::is_directory(output, existsEc);
    if (oneFile) {
        outputs.push_back({"--output", output});
        if (!o.noLog) outputs.push_back({"the list's log", logPathFor(output)});
    }
    const std::string clash = pathClash(outputs, {{"--config", o.config}, {"--master", o.master}});
    if (!clash.empty()) {
        std::fprintf(stderr, "velartis-cli: %s\n", clash.c_str());
        return kExitUsage;
    }
    return -1;
}

}  // namespace

namespace {

// The connection hints of the language name the tool's options and the
// server script where this copy of the tool finds it.
void useCliHints(LangStruct* m) {
    std::string script = installedData("dbserver.sh");
    if (script.empty()) script = "tools/dbserver.sh";
    std::string server = fieldText(m->msgCliHintServer);
    if (size_t at = server.find("%s"); at != std::string::npos) server.replace(at, 2, script);
    copyText(m->msgHintServer, server.c_str());
    copyText(m->msgHintAccess, m->msgCliHintAccess);
    copyText(m->msgHintDatabase, m->msgCliHintDatabase);
}

// A failed connection's class as the JSON report names it; empty once connected.
std::string connectFailureName(DbOpenFault f) {
    switch (f) {
    case DbOpenFault::kNone: return {};
    case DbOpenFault::kUnreachable: return "unreachable";
    case DbOpenFault::kAccessDenied: return "accessDenied";
    case DbOpenFault::kNoDatabase: return "unknownDatabase";
    case DbOpenFault::kOther: break;
    }
    return "other";
}

double secondsSince(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One run of the tool once its options are read: the configuration, the
// download and the lists, each job through the launcher as the window
// starts them; the tool waits for each where the window would go on.
class CliRun {
public:
    CliRun(const CliOptions& o, const OutputPlan& plan)
        : o_(o), plan_(plan), ui_(ConsoleEvents::onStderr(o.quiet, o.progress)) {
        run_.program = "velartis-cli";
        run_.version = fieldText(cfgParam.appVersion);
    }

    int go() {
        if (int code = loadConfiguration(); code >= 0) return code;
        if (int code = loadEdits(); code >= 0) return code;
        if (!o_.quiet) printSummary(stdout);
        if (o_.summary) return done(0);
        if (o_.ifChanged && unchangedSinceLastList()) return done(0);
        if (int code = download(); code >= 0) return code;
        return writeLists();
    }

private:
    // Every end goes through here, which writes the JSON report.
    int done(int code, std::string error = {}) {
        // A script reads the paths written from standard output: losing
        // them is a failure too.
        const bool outLost = std::fflush(stdout) != 0 || std::ferror(stdout);
        if (outLost && code == 0) {
            code = 1;
            error = std::string("cannot write the standard output: ") + std::strerror(errno);
        }
        run_.exitCode = code;
        if (!error.empty()) {
            run_.error = error;
            std::fprintf(stderr, "velartis-cli: %s\n", error.c_str());
        }
        if (o_.reportFile.empty()) return code;
        std::string err;
        if (!writeFileWhole(o_.reportFile, runJson(run_), &err)) {
            std::fprintf(stderr, "velartis-cli: the report was not written: %s\n", err.c_str());
            return code == 0 ? 1 : code;
        }
        return code;
    }

    // -1 when loaded; else the exit code.
    int loadConfiguration() {
        cfgParam.lang = kLangEnglish;
        if (!loadCfgFrom(o_.master.c_str(), o_.config.c_str(), &cfgParam, &satParam, &bouParam,
                         &bouIParam, &catParam, &favParam, &favIParam, &natParam)) {
            std::string why = cp1252ToUtf8(lastCfgError());
            why.erase(std::remove(why.begin(), why.end(), '\r'), why.end());
            ui_.say(lastCfgError(), lastCfgErrorCaption(), kMbIconError);
            run_.error = "the configuration could not be loaded: " + why;
            return done(1);
        }
        if (o_.langId) cfgParam.lang = o_.langId;
        if (cfgParam.lang < 1 || cfgParam.lang > 5)
            return done(1, "the configuration names language " + std::to_string(cfgParam.lang) +
                               ", which does not exist (1 to 5)");
        setLang(&MsgLang, cfgParam.lang);
        useCliHints(&MsgLang);
        ui_.setLanguage(&MsgLang);
        cfgParam.enigmaCp1252 = o_.enigmaText == "cp1252" ? 1 : 0;
        cfgParam.enigmaLamedb5 = o_.lamedb5 ? 1 : 0;
        if (o_.log) cfgParam.logFile = 1;
        if (o_.noLog) cfgParam.logFile = 0;
        std::copy_n(o_.config.c_str(), std::min(o_.config.size() + 1, sizeof cfgFile), cfgFile);
        cfgFile[sizeof cfgFile - 1] = '\0';
        return -1;
    }

    // Starts a job, waits for it and records it; false when it could not start.
    bool runJob(const std::string& job, const std::string& label,
                const std::function<bool(JobEndHandler)>& start) {
        std::fflush(stdout);
        const auto t0 = std::chrono::steady_clock::now();
        ui_.beginJob(label);
        if (!start([this](const T_jobEnd& e) { ended_ = e; })) {
            ui_.endJob(false);
            return false;
        }
        runner_.waitJob();
        const uint32_t code = ended_.code;
        ui_.endJob(job == "download" ? code == kDownloadOk : code == 0);
        CliJobRecord r;
        r.job = job;
        r.label = label;
        r.code = code;
        r.result = code == 0                                        ? "done"
                   : code == kDownloadOutdated && job == "download" ? "outdated"
                                                                    : "failed";
        r.message = ui_.jobResult();
        r.messages = ui_.jobMessages();
        r.warnings = ui_.jobWarnings();
        r.seconds = secondsSince(t0);
        run_.jobs.push_back(r);
        return true;
    }

    // -1 when the lists may follow; else the exit code.
    int download() {
        if (!runJob("download", "Download",
                    [&](JobEndHandler end) { return startDownloadJob(source(), end); }))
            return done(1, "cannot start the download job");
        run_.downloaded = true;
        run_.dataVersion = ended_.dataVersion;
        run_.server = ended_.server;
        run_.connectFailure = connectFailureName(ended_.connectFault);
        if (!run_.connectFailure.empty()) return done(1);
        run_.report = reportFields(ui_);
        run_.dropped = ended_.dropped;
        // The rows the download dropped are in its closing box.
        if (!o_.quiet) printReport(run_.report, stdout);
        if (ended_.code == kDownloadOk) {
            if (!o_.editsFrom.empty() && !takeInOrder()) return done(1);
            applyTheEdits();
        }
        run_.counts = Report;
        if (ended_.code == kDownloadOutdated) return done(2);
        if (ended_.code != kDownloadOk) return done(1);
        return -1;
    }

    // -1 when the run goes on: no edits, or a document read whole.
    int loadEdits() {
        if (o_.noEdits) return -1;
        std::error_code ec;
        editsFile_ = o_.edits.empty() ? editsPathFor(o_.config) : o_.edits;
        // A list's order to take in makes the file if there is none.
        if (o_.edits.empty() && !fs::exists(editsFile_, ec) && o_.editsFrom.empty()) {
            editsFile_.clear();
            return -1;
        }
        if (!o_.edits.empty() && !fs::exists(editsFile_, ec) && o_.editsFrom.empty())
            return done(1, "the edits file '" + editsFile_ + "' does not exist");
        std::string err;
        if (!loadEditsFile(editsFile_, &edits_, &err))
            return done(1, "the edits were not read: " + err);
        return -1;
    }

    // The order of a hand-made list into the edits file, kept before any
    // list is written. False, said, when the folder is no list or the file
    // cannot be written.
    bool takeInOrder() {
        T_importedOrder what;
        std::string err;
        if (!editsFromEnigma2(o_.editsFrom, programJobSource(&ui_, &runner_).db, &edits_, &what,
                              &err)) {
            run_.error = "the order of '" + o_.editsFrom + "' was not taken: " + err;
            std::fprintf(stderr, "velartis-cli: %s\n", run_.error.c_str());
            return false;
        }
        if (!saveEditsFile(editsFile_, edits_, &err)) {
            run_.error = "the edits were not kept: " + err;
            std::fprintf(stderr, "velartis-cli: %s\n", run_.error.c_str());
            return false;
        }
        if (!o_.quiet) {
            printLang(stdout, MsgLang.cliEditsImported, o_.editsFrom.c_str(), what.ordered,
                      what.created, what.renamed, editsFile_.c_str());
            std::fputc('\n', stdout);
        }
        return true;
    }

    // A list in Windows-1252 shows names of other scripts spelled in Latin
    // letters: the job's success says how many, the report counts them.
    void noteSpelled(const T_family& f) {
        if (f.utf8Names && f.utf8Names(cfgParam)) return;
        const T_channelTables db = programJobSource(&ui_, &runner_).db;
        WriterInput in{};
        in.satDB = db.satDB;
        in.chDB = db.chDB;
        in.favDB = db.favDB;
        run_.jobs.back().spelledNames = spelledNameCount(in);
    }

    // The edits this family's list cannot show as they are: with the job's
    // warnings, and said unless quiet.
    void noteNotShown(const T_family& f) {
        if (editsFile_.empty()) return;
        const T_notShown n = editsNotShown(edits_, f.nameChars, f.channelLock);
        std::vector<std::string> lines;
        for (const std::string& e : n.cutNames)
            lines.push_back(
                cp1252ToUtf8(strFormat(MsgLang.cliEditsNameCut, f.label, f.nameChars, "")) + e);
        for (const std::string& e : n.locks)
            lines.push_back(cp1252ToUtf8(strFormat(MsgLang.cliEditsNoLock, f.label, "")) + e);
        for (const std::string& l : lines) {
            run_.jobs.back().warnings.push_back(l);
            if (!o_.quiet) std::printf("  %s\n", l.c_str());
        }
    }

    void applyTheEdits() {
        if (editsFile_.empty()) return;
        const T_editsReport r =
            applyEdits(edits_, programJobSource(&ui_, &runner_).db, cfgParam.listType);
        size_t total = 0;
        for (const T_edit& e : edits_.edits) total += e.kind != EditKind::kComment;
        auto list = [](const std::vector<std::string>& items) {
            std::string j = "[";
            for (size_t i = 0; i < items.size(); ++i) j += (i ? ", " : "") + jsonString(items[i]);
            return j + "]";
        };
        run_.edits = "{\"file\": " + jsonString(editsFile_) +
                     ", \"edits\": " + std::to_string(total) +
                     ", \"applied\": " + std::to_string(r.applied) +
                     ", \"unmatched\": " + list(r.unmatched) + ", \"refused\": " + list(r.refused) +
                     ", \"cut\": " + list(r.cut) + ", \"unknown\": " + list(r.unknown) + "}";
        if (o_.quiet) return;
        printLang(stdout, MsgLang.cliEditsApplied, r.applied, total, editsFile_.c_str());
        std::fputc('\n', stdout);
        const std::pair<const char*, const std::vector<std::string>*> parts[] = {
            {MsgLang.cliEditsRefused, &r.refused},
            {MsgLang.cliEditsUnmatched, &r.unmatched},
            {MsgLang.cliEditsCut, &r.cut},
            {MsgLang.cliEditsUnknown, &r.unknown}};
        for (const auto& [text, items] : parts)
            for (const std::string& line : *items) {
                std::fputs("  ", stdout);
                printLang(stdout, text, line.c_str());
                std::fputc('\n', stdout);
            }
    }

    int writeLists() {
        if (o_.families.empty()) {
            if (!o_.quiet) std::printf("%s\n", cp1252ToUtf8(MsgLang.cliNoFormat).c_str());
            return done(0);
        }
        if (!plan_.makeFolder.empty()) {
            std::error_code ec;
            fs::create_directories(plan_.makeFolder, ec);
            if (ec) {
                const std::string gone = removedFolderReason(plan_.makeFolder.string());
                return done(1, "cannot make the folder '" + plan_.makeFolder.string() +
                                   "': " + (gone.empty() ? ec.message() : gone));
            }
        }
        int result = 0;
        for (int family : o_.families) {
            const T_family* f = familyByType(family);
            const size_t before = ui_.written.size();
            const std::string target = listTarget(*f, o_.output);
            if (!runJob(f->cliName, f->label, [&](JobEndHandler end) {
                    return startWriterJob(source(), family, target, false, end);
                }))
                return done(1, std::string("cannot start the ") + f->label + " job");
            const std::vector<std::string> paths(ui_.written.begin() + static_cast<long>(before),
                                                 ui_.written.end());
            run_.jobs.back().files = fileRecords(paths);
            if (ended_.code != 0) {
                result = 1;
                continue;
            }
            printWritten(*f, paths);
            noteSpelled(*f);
            noteNotShown(*f);
            if (!o_.box.box.host.empty() && !paths.empty()) {
                BoxCliOptions box = o_.box;
                box.family = family == 1 ? "e1" : "e2";
                if (sendFolder(fs::path(paths.front()).parent_path().string(), box, ui_,
                               &run_.send) != 0)
                    result = 1;
            }
        }
        std::fflush(stdout);
        if (result == 0) keepStamp();
        return done(result);
    }

    void printWritten(const T_family& f, const std::vector<std::string>& paths) const {
        if (paths.empty()) return;
        if (f.fileFormat) {
            for (const std::string& p : paths) {
                if (o_.quiet) {
                    std::printf("%s\n", p.c_str());
                } else {
                    std::fputs("  ", stdout);
                    printLang(stdout, MsgLang.cliWrote, p.c_str());
                    std::fputc('\n', stdout);
                }
            }
            return;
        }
        const std::string dir = fs::path(paths.front()).parent_path().string();
        if (o_.quiet) {
            std::printf("%s\n", dir.c_str());
        } else {
            std::fputs("  ", stdout);
            printLang(stdout, MsgLang.cliWroteFiles, paths.size(), dir.c_str());
            std::fputc('\n', stdout);
        }
    }

    T_jobSource source() { return programJobSource(&ui_, &runner_, &o_.db.conn); }

    // The folder that holds the lists, where their stamp is kept.
    std::string stampFolder() const {
        const fs::path p(o_.output);
        std::error_code ec;
        if (fs::is_directory(p, ec) || (!plan_.makeFolder.empty() && plan_.makeFolder == p))
            return p.string();
        return p.has_parent_path() ? p.parent_path().string() : ".";
    }

    // Everything that shapes the lists: the two files, the families and
    // where they go, the options that change their bytes, and the server.
    uint64_t settings() const {
        std::string cfg, master;
        readFileWhole(o_.config, &cfg);
        readFileWhole(o_.master, &master);
        std::string families, flags, edits;
        if (!editsFile_.empty()) edits = formatEdits(edits_);
        for (int f : o_.families) families += familyByType(f)->cliName + std::string(",");
        flags = o_.enigmaText + (o_.log ? " log" : "") + (o_.noLog ? " nolog" : "") + " lang" +
                std::to_string(o_.langId);
        // Only when on, so the hash of a run without it stays what it was.
        if (o_.lamedb5) flags += " lamedb5";
        const T_dbConnOverride& c = o_.db.conn;
        const std::string server = c.host + "|" + std::to_string(c.port) + "|" + c.socket + "|" +
                                   c.name + "|" + c.optionFile;
        // Without edits the hash stays what earlier versions stamped.
        if (edits.empty()) return settingsHash({cfg, master, families, o_.output, flags, server});
        return settingsHash({cfg, master, families, o_.output, flags, server, edits});
    }

    // True, said and recorded, when the last list of this output was made
    // with the same settings from the data version the server has now.
    bool unchangedSinceLastList() {
        ListStamp stamp;
        if (o_.families.empty() || !readStamp(stampPath(stampFolder()), &stamp)) return false;
        const uint64_t now = settings();
        if (stamp.settings != now) return false;
        int64_t version = -1;
        std::string err;
        // Any doubt downloads: the download tells a failure properly.
        if (!readDataVersion(cfgParam, o_.db.conn, &version, &err)) return false;
        if (!stampCurrent(stamp, now, version)) return false;
        run_.unchanged = true;
        run_.dataVersion = version;
        if (!o_.quiet) {
            printLang(stdout, MsgLang.cliUnchanged, static_cast<long long>(version));
            std::fputc('\n', stdout);
        }
        return true;
    }

    // After every list was written: what they were made from, for the next
    // --if-changed run.
    void keepStamp() {
        if (!o_.ifChanged || run_.dataVersion < 0 || ui_.written.empty()) return;
        ListStamp stamp{settings(), run_.dataVersion, ui_.written};
        std::string err;
        if (!writeStamp(stampPath(stampFolder()), stamp, &err))
            std::fprintf(stderr, "velartis-cli: the stamp of the lists was not kept: %s\n",
                         err.c_str());
    }

    const CliOptions& o_;
    const OutputPlan& plan_;
    ConsoleEvents ui_;
    ThreadRunner runner_;
    std::string editsFile_;  // empty: no edits apply
    T_editsDoc edits_;
    CliRunRecord run_;
    T_jobEnd ended_{};
};

}  // namespace

int runCli(int argc, char** argv) {
    // "velartis-cli import ..." is a command of its own; everything else is
    // the download and generation as before.
    if (argc >= 2 && std::strcmp(argv[1], "import") == 0) return runImportCli(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "send") == 0) return runSendCli(argc - 1, argv + 1);
    initAppIdentity(&cfgParam);
    CliOptions o;
    if (int code = readOptions(argc, argv, &o); code >= 0) return code;
    OutputPlan plan;
    if (int code = planOutput(o, &plan); code >= 0) return code;
    return CliRun(o, plan).go();
}
