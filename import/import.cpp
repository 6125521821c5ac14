#include "import/import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <tuple>
#include <utility>

#include "config/cfgFile.h"
#include "config/cfgTypes.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/textFunc.h"
#include "download/dbLink.h"
#include "import/importCfg.h"
#include "import/importDb.h"

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Sources are a few megabytes at most; the bound keeps a device, a pipe or
// a runaway file from filling the memory.
constexpr size_t kMaxSourceBytes = size_t{16} << 20;

bool readBounded(const std::string& path, size_t max, std::string* out, std::string* err) {
    std::string reason;
    switch (readRegularFile(path, max, out, &reason)) {
    case BoundedRead::kOk: return true;
    case BoundedRead::kTooLarge:
        *err = path + " is larger than " + std::to_string(max >> 20) +
               " MB, more than such a file holds";
        return false;
    case BoundedRead::kCannotRead: break;
    }
    *err = "cannot read " + path + ": " + reason;
    return false;
}

// A configuration file's text; a missing one is the given default.
bool cfgText(const std::string& path, const std::string& fallback, std::string* text, bool* existed,
             std::string* err) {
    *existed = exists(path);
    if (!*existed) {
        *text = fallback;
        return true;
    }
    return readBounded(path, kMaxCfgBytes, text, err);
}

// A configuration file about to be replaced: its folder must take a new
// file, and a file there must be a writable regular file. Checked before
// the commit, so that a file that cannot be written stops the import
// instead of leaving the database and the files apart.
bool canReplace(const std::string& path, std::string* err) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            *err = "cannot write " + path + ": it is not a regular file";
            return false;
        }
        if (access(path.c_str(), W_OK) != 0) {
            *err = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    struct stat ds {};
    if (stat(dir.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode)) {
        *err = "cannot write " + path + ": the folder " + dir + " does not exist";
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        *err = "cannot write " + path + ": the folder " + dir +
               " cannot be written to: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool readSources(const ImportRequest& req, ImportModel* m, std::string* err) {
    ImportError e;
    if (req.kind == ImportKind::kEnigma2) {
        if (req.paths.size() != 1) {
            *err = "an Enigma2 import takes one settings folder";
            return false;
        }
        const std::string dir = req.paths.front();
        // A file the folder has but that cannot be read stops the import,
        // also where the file is optional.
        std::string readErr;
        FolderReader read = [&dir, &readErr](const std::string& name, std::string* bytes) {
            const std::string p = dir + "/" + name;
            return exists(p) && readBounded(p, kMaxSourceBytes, bytes, &readErr);
        };
        const bool ok = readEnigma2(dir, read, m, &e, req.source);
        if (!readErr.empty()) {
            *err = readErr;
            return false;
        }
        if (!ok) {
            *err = e.text();
            return false;
        }
        return true;
    }
    for (const std::string& path : req.paths) {
        std::string bytes;
        if (!readBounded(path, kMaxSourceBytes, &bytes, err)) return false;
        const bool ok = req.kind == ImportKind::kVdr
                            ? readVdr(path, std::move(bytes), m, &e)
                            : readDvbv5(path, std::move(bytes), req.source, m, &e);
        if (!ok) {
            *err = e.text();
            return false;
        }
    }
    return true;
}

ImportOutcome runImport(const ImportRequest& req) {
    ImportOutcome out;
    auto fail = [&out](std::string why) {
        out.error = std::move(why);
        return out;
    };
    ImportModel m;
    std::string err;
    if (!readSources(req, &m, &err)) return fail(err + "; nothing was imported");
    if (m.sats.empty())
        return fail("the source holds no satellite channel or transponder; nothing was imported");
    out.lines.push_back(
        strFormat("Read %llu lines: %zu satellites, %zu transponders, %zu channels, "
                  "%zu bouquets, %zu favourite groups.",
                  static_cast<unsigned long long>(m.notes.linesRead), m.sats.size(), m.tps.size(),
                  m.chs.size(), m.bouquets.size(), m.favourites.size()));

    // The configuration files: their names for ids, and the base of the merge.
    std::string master, user;
    bool masterExisted = false, userExisted = false;
    if (!cfgText(req.masterPath, newMasterText(), &master, &masterExisted, &err) ||
        !cfgText(req.userPath, newUserText(), &user, &userExisted, &err))
        return fail(err + "; nothing was imported");
    if (master.size() > kMaxCfgBytes || user.size() > kMaxCfgBytes)
        return fail(
            "a configuration file is larger than a configuration can be; nothing was imported");
    IdHints hints;
    T_cfgStruct id{};
    initAppIdentity(&id);
    hints.appKey = fieldText(id.appName) + fieldText(id.appVersion);
    if (!readCfgHints(master, user, &hints, &err)) return fail(err + "; nothing was imported");

    DbLink db;
    if (!db.open(req.conn)) return fail("cannot connect to the channel database: " + db.error());
    // Imports go to the primary: a replica would refuse the first write, or
    // take it and part from its primary.
    if (db.readOnly())
        return fail("the server " + db.server() +
                    " takes no writes (a replica, or read_only is set): imports go to the "
                    "primary, named with --db-primary HOST[:PORT]; nothing was imported");
    // A database made before the data version was kept gets it here, outside
    // the import's transaction (a table is made with its own commit).
    if (!req.dryRun &&
        (!db.exec("CREATE TABLE IF NOT EXISTS DataVersion (id tinyint NOT NULL, version bigint "
                  "NOT NULL, changed timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE "
                  "CURRENT_TIMESTAMP, PRIMARY KEY (id)) ENGINE=InnoDB") ||
         !db.exec("INSERT IGNORE INTO DataVersion (id, version) VALUES (1, "
                  "FLOOR(UNIX_TIMESTAMP(NOW(6)) * 1000000))")))
        return fail("cannot keep the data version: " + db.error() + "; nothing was imported");
    ImportDbReport rep;
    const ImportMode mode = req.merge ? ImportMode::kMerge : ImportMode::kReplace;
    if (!importIntoDb(db, m, hints, mode, &rep, &err)) return fail(err + "; nothing was imported");
    CfgMerge merged;
    if (req.writeConfig && !mergeCfg(master, user, rep, &merged, &err)) {
        db.exec("ROLLBACK");
        return fail(err + "; nothing was imported");
    }
    if (req.writeConfig)
        for (const auto& [path, text, old] : {std::tuple{req.masterPath, merged.master, master},
                                              std::tuple{req.userPath, merged.user, user}})
            if (!(text == old && exists(path)) && !canReplace(path, &err)) {
                db.exec("ROLLBACK");
                return fail(err + "; nothing was imported");
            }
    for (const char* t : kImportTables) {
        out.rowsAdded += rep.tables[t].added;
        out.rowsRemoved += rep.tables[t].removed;
    }
    // A source with a few channels of a satellite would empty it: the user
    // says whether that is meant.
    const bool refused = !req.replace && !req.merge && out.rowsRemoved > out.rowsAdded;
    if (req.dryRun || refused) {
        db.exec("ROLLBACK");
    } else if (!db.exec("COMMIT")) {
        // Lost on the way back, a commit may have been made all the same.
        return fail("the commit was not confirmed (" + db.error() +
                    "): the database holds either the whole import or none of it; the "
                    "configuration files were left as they were");
    }
    db.close();

    out.lines.push_back(refused ? "Rows the import would change (refused: nothing was changed):"
                        : req.dryRun
                            ? "Rows a real import would change (dry run: nothing was changed):"
                            : "Rows changed in the channel database:");
    for (const char* t : kImportTables) {
        const TableCount& c = rep.tables[t];
        std::string line =
            strFormat("  %-16s %llu added", t, static_cast<unsigned long long>(c.added));
        for (const auto& [n, word] :
             {std::pair{c.updated, "updated"}, std::pair{c.unchanged, "unchanged"},
              std::pair{c.removed, "removed"}})
            if (n) line += strFormat(", %llu %s", static_cast<unsigned long long>(n), word);
        out.lines.push_back(line);
    }
    std::string sats;
    for (const IdName& s : rep.sats)
        sats += (sats.empty() ? "" : ", ") + strFormat("%d ", s.id) + s.name;
    out.lines.push_back("Satellites: " + sats);
    const ImportNotes& n = m.notes;
    const std::pair<uint64_t, const char*> noted[] = {
        {n.replacedChars,
         "Names: %llu control, malformed or undefined characters were replaced by '?'."},
        {rep.spelledNames,
         "Names: %llu were stored spelled in Latin letters: the database's name columns are "
         "latin1 (tools/dbserver.sh migrate-utf8 moves them to Unicode)."},
        {n.cutNames, "Names: %llu were cut to the length their column holds."},
        {n.notSatellite,
         "Passed over: %llu cable, terrestrial or other entries that are not of a satellite."},
        {n.otherModulation,
         "Transponders: %llu in 16APSK, 32APSK or turbo 8PSK, which the "
         "database has no code for, stored as DVB-S2 8PSK."},
        {n.danglingRefs,
         "Passed over: %llu bouquet or blacklist entries naming a service lamedb lacks."},
        {n.otherEntries,
         "Passed over: %llu bouquet entries that are streams, markers or sub-bouquets."},
    };
    for (const auto& [count, text] : noted)
        if (count) out.lines.push_back(strFormat(text, static_cast<unsigned long long>(count)));
    // Rows left out are named, the first few of them, so that they can be found.
    auto named = [](const std::vector<std::string>& where) {
        constexpr size_t kNamed = 5;
        std::string s;
        for (size_t i = 0; i < where.size() && i < kNamed; ++i) s += (i ? ", " : "") + where[i];
        if (where.size() > kNamed) s += strFormat(" and %zu more", where.size() - kNamed);
        return s + ".";
    };
    const size_t repeated = n.repeatedChannels.size(), untunable = n.untunable.size();
    if (repeated)
        out.lines.push_back(
            strFormat("Dropped: %zu %s with the same transponder and service id as one read "
                      "before, whose values are kept: ",
                      repeated, repeated == 1 ? "channel" : "channels") +
            named(n.repeatedChannels));
    if (untunable)
        out.lines.push_back(strFormat("Passed over: %zu %s without channels outside the bounds "
                                      "receivers tune: ",
                                      untunable, untunable == 1 ? "transponder" : "transponders") +
                            named(n.untunable));
    if (refused)
        return fail(strFormat(
            "the import would remove %llu rows (%llu of them channels) of its satellites that "
            "the source lacks, and add only %llu. Nothing was changed. Give --replace to remove "
            "them all the same, or --merge to add and update without removing channels",
            static_cast<unsigned long long>(out.rowsRemoved),
            static_cast<unsigned long long>(rep.tables["Channels"].removed),
            static_cast<unsigned long long>(out.rowsAdded)));
    if (!req.writeConfig) return out.ok = true, out;

    const std::string verb = req.dryRun ? "would get" : "got";
    out.lines.push_back(strFormat("%s %s %u bouquets, %u favourite groups and %u nations%s.",
                                  req.masterPath.c_str(), verb.c_str(), merged.bouquetsAdded,
                                  merged.favouritesAdded, merged.nationsAdded,
                                  masterExisted ? "" : " (a new file)"));
    out.lines.push_back(strFormat("%s %s %u satellites%s.", req.userPath.c_str(), verb.c_str(),
                                  merged.satsAdded, userExisted ? "" : " (a new file)"));
    for (const std::string& c : merged.conflicts)
        out.lines.push_back("Kept: " + c + "; the file's entry is left as it is.");
    if (req.dryRun) return out.ok = true, out;
    // The database holds the import by now; a file that cannot be written
    // is told, and the same import again writes it with the same ids.
    for (const auto& [path, text, old] : {std::tuple{req.masterPath, merged.master, master},
                                          std::tuple{req.userPath, merged.user, user}}) {
        if (text == old && exists(path)) continue;
        if (!writeFileWhole(path, text, &err))
            return fail("the channel database holds the import, but " + path +
                        " was not written (" + err + "); the same import again writes it");
    }
    out.ok = true;
    return out;
}
