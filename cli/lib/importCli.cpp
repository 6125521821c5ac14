#include "cli/lib/importCli.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "download/connEnv.h"
#include "import/import.h"
#include "import/importText.h"

namespace {

// A parse error may quote what follows a mistyped password option.
std::string masked(std::string text, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--db-pas", 0) != 0) continue;
        size_t eq = arg.find('=');
        std::string secret = eq != std::string::npos ? arg.substr(eq + 1)
                             : i + 1 < argc          ? std::string(argv[i + 1])
                                                     : std::string();
        if (secret.empty()) continue;
        for (size_t at; (at = text.find(secret)) != std::string::npos;)
            text.replace(at, secret.size(), "***");
    }
    return text;
}

}  // namespace

int runImportCli(int argc, char** argv) {
    constexpr int kExitUsage = 64;
    CLI::App app{
        "velartis-cli import: puts the channels of a VDR channels.conf, a dvbv5 channel file or "
        "transponder table, or an Enigma2 settings folder into the channel database, in one "
        "transaction, and adds the satellites, bouquets and favourite groups it wrote to the "
        "master list and the user configuration.",
        "velartis-cli import"};
    app.footer(
        "Sources: vdr FILE..., dvbv5 FILE... (dvbv5-scan output or the transponder tables of "
        "/usr/share/dvb/dvb-s, whose names give the position), enigma2 FOLDER. The satellites "
        "whose channels a source holds are replaced whole; a satellite with transponders only "
        "gets those it lacks. Connection values as for velartis-cli itself.\n\n"
        "Exit status: 0 done, 1 the source was refused or the import failed (nothing changed), "
        "64 wrong usage.");
    app.set_help_flag("-h,--help", "print this help and exit");
    std::string kind;
    ImportRequest req;
    std::string position, defaultsFile;
    bool quiet = false, noConfig = false;
    app.add_option("source", kind, "vdr, dvbv5 or enigma2")
        ->required()
        ->check(CLI::IsMember({"vdr", "dvbv5", "enigma2"}));
    app.add_option("paths", req.paths, "the files, or the Enigma2 folder")->required();
    app.add_flag("--dry-run", req.dryRun, "report what would change and change nothing");
    app.add_option("--position", position,
                   "dvbv5: orbital position of the file's satellite, such as 19.2E or 0.8W")
        ->type_name("POS");
    app.add_option("--sat-name", req.source.satName, "dvbv5: name of the satellite")->type_name("NAME");
    app.add_option("--bouquet", req.source.bouquet,
                   "dvbv5: bouquet of the channels (default: the satellite's name)")
        ->type_name("NAME");
    app.add_option("--master", req.masterPath, "the master list to add to (made when missing)")
        ->capture_default_str()
        ->type_name("FILE");
    app.add_option("--config", req.userPath, "the user configuration to add to (made when missing)")
        ->capture_default_str()
        ->type_name("FILE");
    app.add_flag("--no-config", noConfig, "leave the master list and the user configuration alone");
    app.add_flag("-q,--quiet", quiet, "print only errors");
    T_dbConnOverride& c = req.conn;
    app.add_option("--db-host", c.host, "address of the channel database server")->type_name("HOST");
    app.add_option("--db-port", c.port, "port of the channel database server")
        ->check(CLI::Range(1, 65535))
        ->type_name("PORT");
    app.add_option("--db-user", c.user, "user name on the channel database server")->type_name("USER");
    app.add_option("--db-password", c.password, "password on the channel database server")
        ->type_name("PASSWORD");
    app.add_option("--db-name", c.name, "name of the channel database")->type_name("NAME");
    app.add_option("--db-socket", c.socket, "socket of a server on this machine")->type_name("SOCKET");
    app.add_option("--defaults-file", defaultsFile, "read the connection values from this MariaDB option file")
        ->type_name("FILE");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "velartis-cli import: %s\n", masked(e.what(), argc, argv).c_str());
        return kExitUsage;
    }
    c.passwordSet = app.count("--db-password") > 0;
    req.kind = kind == "vdr" ? ImportKind::kVdr : kind == "dvbv5" ? ImportKind::kDvbv5 : ImportKind::kEnigma2;
    req.writeConfig = !noConfig;
    if (!position.empty() && !parsePosition(position, &req.source.position)) {
        std::fprintf(stderr, "velartis-cli import: --position '%s' is not a position such as 19.2E\n",
                     position.c_str());
        return kExitUsage;
    }
    std::string envError;
    if (!dbConnFromEnvironment(&c, &envError)) {
        std::fprintf(stderr, "velartis-cli import: %s\n", envError.c_str());
        return kExitUsage;
    }
    c.optionGroup = "velartis";
    if (!defaultsFile.empty()) {
        FILE* f = std::fopen(defaultsFile.c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "velartis-cli import: cannot read --defaults-file '%s': %s\n",
                         defaultsFile.c_str(), std::strerror(errno));
            return kExitUsage;
        }
        std::fclose(f);
        c.optionFile = defaultsFile;
    }
    const ImportOutcome r = runImport(req);
    if (!quiet || !r.ok)
        for (const std::string& line : r.lines) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (!r.ok) {
        std::fprintf(stderr, "velartis-cli import: %s\n", r.error.c_str());
        return 1;
    }
    return 0;
}
