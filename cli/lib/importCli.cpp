#include "cli/lib/importCli.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/lib/dbOptions.h"
#include "import/import.h"
#include "import/importText.h"

int runImportCli(int argc, char** argv) {
    CLI::App app{
        "velartis-cli import: puts the channels of a VDR channels.conf, a dvbv5 channel file or "
        "transponder table, or an Enigma2 settings folder into the channel database, in one "
        "transaction, and adds the satellites, bouquets and favourite groups it wrote to the "
        "master list and the user configuration.",
        "velartis-cli import"};
    app.footer(
        "Sources: vdr FILE..., dvbv5 FILE... (dvbv5-scan output or the transponder tables of "
        "/usr/share/dvb/dvb-s, whose names give the position), enigma2 FOLDER. A satellite "
        "whose channels a source holds ends up with the source's channels: rows the source "
        "lacks are removed. An import that would remove more rows than it adds is refused "
        "unless --replace is given; --merge adds and updates channels and transponders and "
        "removes none (an updated channel takes the source's audio tracks and CA systems). A "
        "satellite "
        "with transponders only gets those it lacks. A satellite the database has keeps its "
        "name unless the source names it (a dvbv5 file's name does not, --sat-name does). "
        "Connection values as for velartis-cli itself.\n\n"
        "Exit status: 0 done, 1 the source was refused or the import failed (nothing changed), "
        "64 wrong usage.");
    app.set_help_flag("-h,--help", "print this help and exit");
    std::string kind;
    ImportRequest req;
    std::string position;
    bool quiet = false, noConfig = false;
    app.add_option("source", kind, "vdr, dvbv5 or enigma2")
        ->required()
        ->check(CLI::IsMember({"vdr", "dvbv5", "enigma2"}));
    app.add_option("paths", req.paths, "the files, or the Enigma2 folder")->required();
    app.add_flag("--dry-run", req.dryRun, "report what would change and change nothing");
    app.add_flag("--replace", req.replace,
                 "let the source's satellites keep only its channels, even where that removes "
                 "more rows than it adds");
    app.add_flag("--merge", req.merge,
                 "add and update the source's channels and transponders, remove none");
    app.add_option("--position", position,
                   "dvbv5: orbital position of the file's satellite, such as 19.2E or 0.8W")
        ->type_name("POS");
    app.add_option("--sat-name", req.source.satName,
                   "dvbv5: name of the satellite, also of one the database has (default: the "
                   "file's name, for a new satellite)")
        ->type_name("NAME");
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
    CliDbOptions db;
    addDbOptions(app, db);
    std::string primary;
    app.add_option("--db-primary", primary,
                   "the server that takes the imports where --db-host (or the environment) "
                   "lists replicas for the downloads; in place of --db-host")
        ->type_name("HOST[:PORT]");
    if (int code = parseCommandLine(app, argc, argv, "velartis-cli import"); code >= 0) return code;
    req.kind = kind == "vdr"     ? ImportKind::kVdr
               : kind == "dvbv5" ? ImportKind::kDvbv5
                                 : ImportKind::kEnigma2;
    req.writeConfig = !noConfig;
    if (req.replace && req.merge) {
        std::fprintf(stderr, "velartis-cli import: give --replace or --merge, not both\n");
        return kExitUsage;
    }
    if (!position.empty() && !parsePosition(position, &req.source.position)) {
        return usageError("velartis-cli import",
                          "--position '" + position + "' is not a position such as 19.2E");
    }
    std::string dbError;
    if (!primary.empty()) {
        // One server: writes never move to another when it does not answer.
        std::vector<DbServer> servers;
        if (!parseDbServers(primary, &servers, &dbError) || servers.size() != 1)
            return usageError("velartis-cli import",
                              dbError.empty() ? "--db-primary names one server" : dbError);
        db.conn.host = primary;
    }
    if (!finishDbOptions(app, db, &dbError)) return usageError("velartis-cli import", dbError);
    req.conn = db.conn;
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
