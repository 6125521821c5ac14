#include "writers/frame/writerFrame.h"
#include "config/textFunc.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include <algorithm>
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/unicodeText.h"

namespace {

// Longest path the platform takes, NUL excluded.
constexpr size_t kMaxPathLen = kPathMax - 1;

const char* const kLogNotWritten =
    "The list was written correctly, but its log file could not be written.";

// How long a job waits for another run writing into the same folder.
std::atomic<int> lockWaitMs{5000};

// An error text names the destination, never the temporary place of a file.
std::string renamedIn(std::string text, const std::string& from, const std::string& to) {
    if (from == to) return text;
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Everything a job needs around its format: the texts, the events and the
// one way it ends.
struct Job {
    T_jobRequest* p;
    JobEvents& ev;
    const LangStruct* lang;

    explicit Job(T_jobRequest* param) : p(param), ev(*param->events), lang(&param->lang) {}

    // A check before the destination is chosen neither greys nor restores
    // the window: the front end runs it on its own thread.
    void begin() {
        if (!p->checkOnly) ev.started();
    }
    uint32_t end(uint32_t code) {
        if (!p->checkOnly) ev.finished(true);
        return code;
    }
    // " Error" / the message table's text, with the reason behind it in
    // brackets when there is one, so the user can tell what to change; the
    // same in a box, as plainly as a success is told.
    void errorStatus(const char* text, const std::string& reason = {}) {
        std::string detail = text;
        if (!reason.empty()) detail += " (" + reason + ")";
        ev.status(JobStatus::kError, lang->msgError, detail);
        ev.message(reason.empty() ? std::string(text) : std::string(text) + "\n" + reason,
                   lang->msgError, kMbIconError);
    }
    uint32_t fail(const char* text, const std::string& reason = {}) {
        errorStatus(text, reason);
        return end(1);
    }
    uint32_t failBuild(const BuildResult& r) {
        ev.status(JobStatus::kError, lang->msgError, r.message);
        if (r.box) ev.message(r.message, lang->msgError, kMbIconError);
        return end(1);
    }
    void progress(int pos) { ev.progress(JobBar::kGenerate, pos); }
    // True, after saying so, when the user asked the job to stop: the list
    // in place stays as it is.
    bool cancelled() {
        if (!ev.cancelled()) return false;
        ev.status(JobStatus::kError, lang->msgError, lang->msgCanceled);
        return true;
    }
    // Folder jobs write many files into a folder of their own, which takes
    // the target's place once complete, and flush them together at the end:
    // no file of it needs a temporary file of its own.
    bool staged = false;

    // Writes one file whole; false (with the error status set) when it
    // failed. The file goes to disk, which is path itself or its place in
    // the folder being built; the user sees only path. whileWriting runs
    // between "Writing" and "Written", once the bytes are safely out, so a
    // failed write leaves the bar where it was. With later, the file is
    // only staged there, and "Written" is the caller's once it commits it.
    bool writeFile(const std::string& path, const std::string& disk, const std::string& bytes,
                   const std::function<void()>& whileWriting = {}, StagedFile* later = nullptr) {
        if (path.size() > kMaxPathLen) {
            errorStatus(lang->msgFileOpenErr, "path too long: " + path);
            return false;
        }
        ev.status(JobStatus::kWriting, lang->msgWriting, path);
        std::string err;
        if (!(later    ? later->stage(disk, bytes, &err)
              : staged ? writeNewFile(disk, bytes, &err)
                       : writeFileWhole(disk, bytes, &err))) {
            errorStatus(lang->msgFileOpenErr, renamedIn(err, disk, path));
            return false;
        }
        if (whileWriting) whileWriting();
        if (!later) written(path, bytes.size());
        return true;
    }

    void written(const std::string& path, size_t size) {
        ev.status(JobStatus::kWritten, lang->msgWritten, path);
        ev.fileWritten(path, size);
    }

    // Holds the lock of the folder dir for the whole write of dest; false
    // (with the error status set) when another run keeps it past the wait.
    bool lock(FolderLock* l, const std::string& dir, const std::string& dest) {
        std::string err;
        switch (l->acquire(dir, lockWaitMs, &err)) {
        case FolderLock::kLocked: return true;
        case FolderLock::kBusy:
            errorStatus(lang->msgFileOpenErr, dest + " is being written by another run");
            return false;
        default: errorStatus(lang->msgFileOpenErr, err); return false;
        }
    }

    // The list is out but the log the user asked for is not: the job fails
    // and says which of the two it wrote.
    uint32_t failLog(const std::string& reason) {
        errorStatus(kLogNotWritten, reason);
        return end(1);
    }

    // Names the list shows spelled in Latin letters, said with its success.
    uint32_t spelled = 0;

    // The input as the format takes names: as the tables keep them (UTF-8),
    // or spelled in Windows-1252 in a copy that latin owns, counted.
    WriterInput namesFor(const WriterInput& in, bool utf8, LatinTables* latin) {
        if (utf8) return in;
        spelled = spelledNameCount(in);
        return withLatinNames(in, latin);
    }

    uint32_t succeed() {
        std::string text = lang->msgFileWritten;
        if (spelled) text += "\n" + strFormat(lang->msgSpelledNames, spelled);
        ev.message(text, lang->msgMessage, kMbIconInformation);
        ev.status(JobStatus::kDone, lang->msgMessage, lang->msgFileWritten);
        return end(0);
    }
};

std::string joinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string logName(const T_cfgStruct* cfg) { return fieldText(cfg->appName) + ".log"; }

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Removes the folder being built on every way out, unless it was swapped in.
struct Staging {
    std::string path;
    ~Staging() {
        if (!path.empty()) removeTree(path);
    }
};

// "%.*s" arguments for a fixed text field that may lack its NUL.
#define FIELD(f) static_cast<int>(strnlen((f), sizeof(f))), (f)

}  // namespace

WriterInput writerInput(const T_jobRequest* p, const VaTime& start) {
    WriterInput in{};
    in.cfg = &p->cfg;
    in.bouI = &p->bouI;
    in.favI = &p->favI;
    in.nat = &p->nat;
    in.lang = &p->lang;
    in.satDB = p->db.satDB;
    in.tpDB = p->db.tpDB;
    in.chDB = p->db.chDB;
    in.favDB = p->db.favDB;
    in.chFavDB = p->db.chFavDB;
    in.report = p->db.report;
    in.start = start;
    return in;
}

namespace {
// A name field spelled in Windows-1252, cut to the characters it held.
template <size_t N>
void spellField(char (&f)[N], size_t chars) {
    const std::string_view v = fieldView(f);
    if (isAscii(v)) return;  // the same in both
    copyText(f, chars + 1, toCp1252Latin(v).c_str());
}

// A copy of a table's records in use; the rest of it stays untouched memory.
template <class Table, class Rec, size_t N>
std::unique_ptr<Table> copyInUse(const Table& t, Rec (Table::*recs)[N]) {
    auto c = std::unique_ptr<Table>(new Table);
    const size_t n = std::min<size_t>(t.count, N - 1) + 1;
    std::memcpy(static_cast<void*>(c.get()->*recs), t.*recs, n * sizeof(Rec));
    c->count = t.count;
    return c;
}
}  // namespace

WriterInput withLatinNames(const WriterInput& in, LatinTables* keep) {
    WriterInput out = in;
    if (in.satDB) {
        keep->sat = copyInUse(*in.satDB, &T_dbSatTable::sat);
        for (uint32_t i = 1; i <= keep->sat->count && i < kSatDbSlots; ++i) {
            T_dbSat& s = keep->sat->sat[i];
            spellField(s.satName, kSatNameChars);
            spellField(s.sat_name, kSatNameChars);
            spellField(s.location, sizeof s.location - 1);
        }
        out.satDB = keep->sat.get();
    }
    if (in.chDB) {
        keep->ch = copyInUse(*in.chDB, &T_dbChTable::ch);
        for (uint32_t i = 1; i <= keep->ch->count && i < kChDbSlots; ++i) {
            spellField(keep->ch->ch[i].groupName, kGroupNameChars);
            spellField(keep->ch->ch[i].ch_name, kChNameChars);
        }
        out.chDB = keep->ch.get();
    }
    if (in.favDB) {
        keep->fav = copyInUse(*in.favDB, &T_dbFavTable::fav);
        for (uint32_t i = 1; i <= keep->fav->count && i < kFavDbSlots; ++i)
            spellField(keep->fav->fav[i].fav_name, kFavNameChars);
        out.favDB = keep->fav.get();
    }
    return out;
}

uint32_t spelledNameCount(const WriterInput& in) {
    uint32_t n = 0;
    auto spelled = [](std::string_view v) { return !fitsCp1252(v); };
    if (in.satDB)
        for (uint32_t i = 1; i <= in.satDB->count && i < kSatDbSlots; ++i)
            n += spelled(fieldView(in.satDB->sat[i].satName));
    if (in.chDB) {
        // A bouquet's name stands in each of its channels: counted once a run.
        std::string_view lastGroup;
        for (uint32_t i = 1; i <= in.chDB->count && i < kChDbSlots; ++i) {
            const T_dbCh& c = in.chDB->ch[i];
            n += spelled(fieldView(c.ch_name));
            const std::string_view g = fieldView(c.groupName);
            if (g != lastGroup) n += spelled(g);
            lastGroup = g;
        }
    }
    if (in.favDB)
        for (uint32_t i = 1; i <= in.favDB->count && i < kFavDbSlots; ++i)
            n += spelled(fieldView(in.favDB->fav[i].fav_name));
    return n;
}

std::string productionLine(const WriterInput& in) {
    const VaTime& t = in.start;
    return strFormat("Produced with %.*s%.*s by Dalmero Team - %04d-%02d-%02d %02d:%02d:%02d",
                     FIELD(in.cfg->appName), FIELD(in.cfg->appVersion), t.year, t.month, t.day,
                     t.hour, t.minute, t.second);
}

std::string logText(const WriterInput& in, const VaTime& now, bool utf8) {
    // Names go in as the list holds them: in UTF-8 beside a UTF-8 list,
    // spelled in Windows-1252 beside the others.
    auto cfgText = [utf8](std::string_view t) { return utf8 ? std::string(t) : toCp1252Latin(t); };
    auto nameText = [utf8](std::string_view t, size_t chars) {
        return utf8 ? std::string(t) : toCp1252Latin(t).substr(0, chars);
    };
    const T_dbReport& r = *in.report;
    std::string s;
    s += strFormat("%s%s by Dalmero Team - %04d-%02d-%02d %02d:%02d:%02d\r\n\r\nREPORT:\r\n\r\n",
                   cfgText(fieldView(in.cfg->appName)).c_str(),
                   cfgText(fieldView(in.cfg->appVersion)).c_str(), now.year, now.month, now.day,
                   now.hour, now.minute, now.second);
    s += strFormat("Satelliti:               Real=%d Fake=%d\r\n", static_cast<int>(r.satellites),
                   static_cast<int>(r.fakeSatellites));
    s += strFormat("Transponder:             %d\r\n", static_cast<int>(r.transponders));
    s += strFormat("Bouquets:                %d\r\n", static_cast<int>(r.bouquets));
    s += strFormat("Canali TV:               %d (Fake=%d, Fta=%d, Cod=%d) (HD=%d)(3D=%d)\r\n",
                   static_cast<int>(r.tvChannels + r.tvFake), static_cast<int>(r.tvFake),
                   static_cast<int>(r.tvFta), static_cast<int>(r.tvCod), static_cast<int>(r.tvHd),
                   static_cast<int>(r.tv3d));
    s += strFormat("Canali Radio:            %d (Fta=%d, Cod=%d)\r\n",
                   static_cast<int>(r.radioChannels), static_cast<int>(r.radioFta),
                   static_cast<int>(r.radioCod));
    s += strFormat("Gruppi Favoriti:         %d\r\n", static_cast<int>(r.favGroups));
    s += strFormat("Canali Favoriti:         %d\r\n\r\n", static_cast<int>(r.favChannels));

    // Only adjacent records of one satellite are merged: each record is
    // compared with the name printed last.
    const T_dbSatTable& sats = *in.satDB;
    uint32_t satCount = sats.count < kSatDbSlots ? sats.count : kSatDbSlots - 1;
    if (satCount == 0) {
        s += "Satelliti:               -\r\n";
    } else {
        auto name = [&](const T_dbSat& sat) {
            return nameText(fieldView(sat.sat_name), kSatNameChars);
        };
        auto where = [&](const T_dbSat& sat) {
            return nameText(fieldView(sat.location), sizeof sat.location - 1);
        };
        int n = 1;
        const char* last = sats.sat[1].sat_name;
        s += strFormat("Satelliti:               %d %s %s\r\n", n, name(sats.sat[1]).c_str(),
                       where(sats.sat[1]).c_str());
        for (uint32_t i = 2; i <= satCount; ++i) {
            const T_dbSat& sat = sats.sat[i];
            if (std::strncmp(sat.sat_name, last, sizeof sat.sat_name) == 0) continue;
            s += strFormat("                         %d %s %s\r\n", ++n, name(sat).c_str(),
                           where(sat).c_str());
            last = sat.sat_name;
        }
    }
    s += "\r\n";

    uint32_t bouCount = in.bouI ? in.bouI->count : 0;
    if (bouCount >= kBouSlots) bouCount = kBouSlots - 1;
    if (bouCount == 0) {
        s += "Bouquet Esclusi:         -\r\n";
    } else {
        for (uint32_t i = 1; i <= bouCount; ++i)
            s += strFormat(i == 1 ? "Bouquet Esclusi:         %s (%s)\r\n"
                                  : "                         %s (%s)\r\n",
                           cfgText(fieldView(in.bouI->bou[i].bouName)).c_str(),
                           cfgText(fieldView(in.bouI->bou[i].bouNation)).c_str());
    }
    s += "\r\n";

    uint32_t favCount = in.favI ? in.favI->count : 0;
    if (favCount >= kFavSlots) favCount = kFavSlots - 1;
    if (favCount == 0) {
        s += "Gruppi Favoriti Esclusi: -\r\n";
    } else {
        for (uint32_t i = 1; i <= favCount; ++i)
            s += strFormat(
                i == 1 ? "Gruppi Favoriti Esclusi: %s\r\n" : "                         %s\r\n",
                cfgText(fieldView(in.favI->fav[i].favName)).c_str());
    }
    s += "\r\n";
    return s;
}

std::string recordListText(const std::string& heading, const std::vector<std::string>& lines,
                           size_t maxLines) {
    std::string text = heading;
    for (size_t i = 0; i < lines.size() && i < maxLines; ++i) text += "\n" + lines[i];
    if (lines.size() > maxLines) text += strFormat("\n... and %zu more.", lines.size() - maxLines);
    return text;
}

void warnRecords(T_jobRequest* p, const std::string& heading, const std::vector<std::string>& lines,
                 size_t maxLines) {
    if (lines.empty() || p->warned) return;
    p->events->message(recordListText(heading, lines, maxLines), fieldText(p->lang.msgWarning),
                       kMbIconWarning);
}

namespace {
// The text of the log at path; false (with *err set) when there is none.
bool makeLog(T_jobRequest* p, const std::string& path, std::string* text, std::string* err,
             bool utf8) {
    if (path.size() > kMaxPathLen) {
        *err = "path too long: " + path;
        return false;
    }
    VaTime now = p->events->localTime();
    try {
        *text = logText(writerInput(p, now), now, utf8);
    } catch (const std::bad_alloc&) {
        *err = fieldText(p->lang.msgMemErr);
        return false;
    }
    return true;
}

// Writes the log at disk; the reason of a failure names path, where the
// user will look for it.
bool writeLog(T_jobRequest* p, const std::string& path, const std::string& disk, bool staged,
              std::string* err, bool utf8 = false) {
    std::string text;
    if (!makeLog(p, path, &text, err, utf8)) return false;
    if (staged ? writeNewFile(disk, text, err) : writeFileWhole(disk, text, err)) return true;
    *err = renamedIn(*err, disk, path);
    return false;
}

// Removes the log an earlier run left at path, so that it never stays
// beside another list. A file there that is no log of ours is kept.
bool removeEarlierLog(const std::string& path, std::string* err) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
    std::string head;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[512];
        head.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
    }
    const size_t by = head.find(" by Dalmero Team - ");
    if (by == std::string::npos || by > head.find("\r\n") ||
        head.find("\r\n\r\nREPORT:\r\n") == std::string::npos)
        return true;
    return removeFile(path, err);
}
}  // namespace

std::string logPathFor(const std::string& listPath) {
    const size_t nameAt = listPath.find_last_of('/') + 1;  // 0 without a folder
    const size_t n = listPath.size() - nameAt;
    // A three-letter extension becomes "log"; anything else, or a list
    // that is itself named *.log, keeps its whole name and gets ".log".
    if (n >= 4 && listPath[listPath.size() - 4] == '.' &&
        strncasecmp(listPath.c_str() + listPath.size() - 3, "log", 3) != 0)
        return listPath.substr(0, listPath.size() - 3) + "log";
    return listPath + ".log";
}

void setDestinationLockWait(int ms) { lockWaitMs = ms; }

uint32_t LogWriter(T_jobRequest* p, const std::string& path) {
    std::string err;
    if (writeLog(p, path, path, false, &err)) return 0;
    Job job(p);
    job.errorStatus(p->lang.msgFileOpenErr, err);
    job.end(1);
    return 1;
}

uint32_t runFolderJob(T_jobRequest* p, const FolderFormat& fmt) {
    Job job(p);
    const VaTime start = p->events->localTime();
    job.begin();
    LatinTables latin;
    const bool utf8 = fmt.utf8Names && fmt.utf8Names(p->cfg);
    const WriterInput in = job.namesFor(writerInput(p, start), utf8, &latin);

    if (fmt.precheck) {
        BuildResult r = fmt.precheck(in);
        if (!r.ok) return job.failBuild(r);
    }
    if (p->checkOnly) return 0;

    const std::string& parent = p->target;
    // A chosen item without a file-system path would put the folder at the root.
    if (parent.empty()) return job.fail(p->lang.msgFileOpenErr, "no folder was chosen");

    const std::string folder = joinPath(parent, datedFolderName(fmt.folderPrefix, start));
    // Refuse before creating anything when the names would not fit.
    const std::string logFile = joinPath(folder, logName(&p->cfg));
    if (logFile.size() > kMaxPathLen)
        return job.fail(p->lang.msgFileOpenErr, "path too long: " + folder);

    FolderLock lock;
    if (!job.lock(&lock, parent, folder)) return job.end(1);
    // A plain file of that name is no folder to replace.
    struct stat st {};
    int e = ::stat(folder.c_str(), &st) == 0 ? (S_ISDIR(st.st_mode) ? 0 : ENOTDIR)
                                             : (errno == ENOENT ? 0 : errno);
    if (e != 0)
        return job.fail(p->lang.msgFileOpenErr,
                        "cannot create folder " + folder + ": " + std::strerror(e));

    // The list is built complete beside the folder of an earlier job of
    // the same minute and only then takes its place, so a failure or a
    // kill on the way leaves that list whole and the two never mix.
    removeStaleTemps(parent);
    Staging staging;
    std::string err;
    if (!makeTempFolder(folder, &staging.path, &err)) return job.fail(p->lang.msgFileOpenErr, err);

    job.progress(0);
    job.staged = true;
    bool writeFailed = false;
    auto emit = [&](OutFile&& f) -> bool {
        if (writeFailed) return false;
        if (job.cancelled()) {
            writeFailed = true;
            return false;
        }
        if (!job.writeFile(joinPath(folder, f.name), joinPath(staging.path, f.name), f.bytes))
            writeFailed = true;
        // The text is no longer needed once it is on disk.
        std::string().swap(f.bytes);
        return !writeFailed;
    };
    auto milestone = [&](int pos) { job.progress(pos); };
    BuildResult r;
    try {
        r = fmt.build(in, emit, milestone);
    } catch (const std::bad_alloc&) {
        return job.fail(p->lang.msgMemErr);
    }
    if (writeFailed) return job.end(1);
    if (!r.ok) return job.failBuild(r);

    job.progress(fmt.lastMilestone);
    // The log goes in with the list; a log that fails does not hold the
    // list back.
    std::string logErr;
    bool logOk =
        p->cfg.logFile != 1 ||
        writeLog(p, logFile, joinPath(staging.path, logName(&p->cfg)), true, &logErr, utf8);
    if (job.cancelled()) return job.end(1);
    if (!syncFolder(staging.path, &err))
        return job.fail(p->lang.msgFileOpenErr, renamedIn(err, staging.path, folder));
    if (!replaceFolder(staging.path, folder, &err)) return job.fail(p->lang.msgFileOpenErr, err);
    staging.path.clear();

    job.progress(100);
    if (fmt.beforeSuccess) fmt.beforeSuccess(in, job.ev);
    if (!logOk) return job.failLog(logErr);
    return job.succeed();
}

std::string datedFolderName(const std::string& prefix, const VaTime& t) {
    return strFormat("%s_%04d-%02d-%02d_%02d-%02d", prefix.c_str(), t.year, t.month, t.day, t.hour,
                     t.minute);
}

uint32_t refuseWriterJob(T_jobRequest* p, const std::string& why) {
    // Refused before the window is greyed; it is restored all the same.
    Job job(p);
    return job.failBuild(BuildResult::fail(why));
}

SingleFileFormat binFileFormat(const char* nameFmt) {
    SingleFileFormat f;
    f.defaultNameFmt = nameFmt;
    f.filterPattern = "*.bin";
    f.defExt = "bin";
    return f;
}

uint32_t runSingleFileJob(T_jobRequest* p, const SingleFileFormat& fmt) {
    Job job(p);
    const VaTime start = p->events->localTime();
    job.begin();
    LatinTables latin;
    const WriterInput in = job.namesFor(writerInput(p, start), fmt.utf8Names, &latin);

    std::string image;
    job.progress(0);
    BuildResult r;
    try {
        r = fmt.build(in, &image);
    } catch (const std::bad_alloc&) {
        return job.fail(p->lang.msgMemErr);
    }
    if (!r.ok) return job.failBuild(r);
    if (p->checkOnly) return 0;

    if (p->target.empty()) return job.fail(p->lang.msgFileOpenErr);
    std::string path = withDefaultExtension(p->target, fmt.defExt);
    if (path.size() > kMaxPathLen)
        return job.fail(p->lang.msgFileOpenErr, "path too long: " + path);

    // The bar follows the bytes in steps of 100 and ends at 100; only
    // changes are sent.
    const size_t len = image.size();
    auto byteProgress = [&] {
        int shown = 0;
        for (size_t done = 100; done <= len; done += 100) {
            int pos = static_cast<int>(done * 100 / len);
            if (pos != shown) {
                job.progress(pos);
                shown = pos;
            }
        }
        job.progress(100);
    };
    // Two runs saving into one folder at once would mix list and log.
    FolderLock lock;
    if (!job.lock(&lock, parentOf(path), path)) return job.end(1);
    // The list and its log are staged whole first; then the log of the
    // earlier list goes, the new list takes its place and its log follows.
    // A kill at any point leaves the old list with its log, a list without
    // a log, or the new pair: never a list beside another run's log.
    StagedFile list, log;
    if (!job.writeFile(path, path, image, byteProgress, &list)) return job.end(1);
    std::string().swap(image);
    const std::string logPath = logPathFor(path);
    std::string logErr, logBytes, err;
    bool logOk = p->cfg.logFile != 1 || (makeLog(p, logPath, &logBytes, &logErr, fmt.utf8Names) &&
                                         log.stage(logPath, logBytes, &logErr));
    if (job.cancelled()) return job.end(1);
    if (!removeEarlierLog(logPath, &err) || !list.commit(&err))
        return job.fail(p->lang.msgFileOpenErr, err);
    job.written(path, len);
    job.progress(100);

    if (p->cfg.logFile == 1 && logOk) logOk = log.commit(&logErr);
    if (!logOk) return job.failLog(logErr);
    job.progress(100);
    return job.succeed();
}
