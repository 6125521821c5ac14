#pragma once
// The frame every writer job shares: the job's events, the destination
// its request names, date-stamped names, progress, the outcome texts and
// the optional log file. A format only supplies what it
// writes; the frame does everything around it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/langTypes.h"
#include "jobs/jobRequest.h"

// What a writer reads, taken from the job's request.
struct WriterInput {
    const T_cfgStruct* cfg;
    const T_idxBouI* bouI;
    const T_idxFavI* favI;
    const T_idxNat* nat;
    const LangStruct* lang;
    const T_dbSatTable* satDB;
    const T_dbTpTable* tpDB;
    const T_dbChTable* chDB;
    const T_dbFavTable* favDB;
    const T_dbChFavTable* chFavDB;
    const T_dbReport* report;
    VaTime start;  // local time at the job's start
};
WriterInput writerInput(const T_jobRequest* p, const VaTime& start);

// The tables keep names in UTF-8. A format that carries only Windows-1252
// is built from a copy whose names are spelled in it (toCp1252Latin), each
// cut to the characters its field held; keep owns the copies.
struct LatinTables {
    std::unique_ptr<T_dbSatTable> sat;
    std::unique_ptr<T_dbChTable> ch;
    std::unique_ptr<T_dbFavTable> fav;
};
WriterInput withLatinNames(const WriterInput& in, LatinTables* keep);
// The names (satellites, bouquets, channels, favourite groups) such a
// format shows spelled differently from the tables.
uint32_t spelledNameCount(const WriterInput& in);

// "Produced with %s%s by Dalmero Team - %04d-%02d-%02d %02d:%02d:%02d".
std::string productionLine(const WriterInput& in);

// One output file of a folder-style format.
struct OutFile {
    std::string name;   // file name inside the destination folder
    std::string bytes;  // exactly the bytes to write
};

// Outcome of an image builder: ok, or a message (a limit text of the
// message table, or a reason) that the frame shows as the failure.
struct BuildResult {
    bool ok = true;
    std::string message;  // status part 1 and, when box is true, a message box
    bool box = true;      // limit messages also get an error box
    static BuildResult fail(std::string msg, bool box = true) {
        return {false, std::move(msg), box};
    }
};

// A folder-style format (Enigma1, Enigma2, AZbox).
struct FolderFormat {
    std::string folderPrefix;  // e.g. "DalmeroListE2"
    // Checked before the destination is needed (AZbox satellite limit);
    // may be empty.
    std::function<BuildResult(const WriterInput&)> precheck;
    // Builds the files in order. Each file is written as soon as it is
    // returned through emit (so progress follows the files); emit returns
    // false when the write failed and the builder must stop. milestone sets
    // the progress bar.
    std::function<BuildResult(const WriterInput&, const std::function<bool(OutFile&&)>& emit,
                              const std::function<void(int)>& milestone)>
        build;
    int lastMilestone = 100;  // progress shown before the log file
    // True when the list takes names in UTF-8 with this configuration;
    // null: Windows-1252 only.
    bool (*utf8Names)(const T_cfgStruct& cfg) = nullptr;
    // Called at the point the log has been written and progress is 100, just
    // before the success box (Enigma1 channel-count warning); may be empty.
    std::function<void(const WriterInput&, JobEvents&)> beforeSuccess;
};

// A single-file format (NDF, SB-5 / S2 HD, Pvr-ST1 / Pvr-JS1, VDR).
struct SingleFileFormat {
    std::string defaultNameFmt;  // e.g. "DMlistNDF-%04d%02d%02d.ndf" (year, month, day)
    // The window describes the files in its language, naming them by defExt.
    std::string filterPattern;  // e.g. "*.ndf"
    std::string defExt;         // e.g. "ndf"
    // Builds the whole image, checking the format's limits on the way.
    std::function<BuildResult(const WriterInput&, std::string* image)> build;
    // True when the list holds UTF-8: it is built from the tables' names as
    // they are and its log is UTF-8 too; false: Windows-1252, names spelled.
    bool utf8Names = false;
};

// Runs a writer job; returns the job's exit code (0 written, 1 stopped).
// The job reads its request: the launcher's copies of the records
// (jobs/jobLauncher.h) and the destination. With checkOnly it stops before
// the destination, once the format's checks and early warnings are done,
// and tells no start or end: the window runs that part on its own thread
// before it asks the user where to write.
// A folder job builds its dated folder complete under a temporary name
// beside it and then swaps it in, replacing the folder of an earlier job of
// the same minute whole. Both styles hold a lock on the destination's
// parent folder for the whole write; a second run waits a few seconds for
// it and then fails. A log that cannot be written fails the job, the list
// stays written. A list never stands beside another run's log: a folder
// holds its log and is swapped whole; beside a single file, the earlier
// log goes before the new list takes its place.
uint32_t runFolderJob(T_jobRequest* p, const FolderFormat& fmt);
uint32_t runSingleFileJob(T_jobRequest* p, const SingleFileFormat& fmt);
// A job its format refuses before it starts (a limit of the format): the
// reason in the status bar and a box, the window restored; returns 1.
uint32_t refuseWriterJob(T_jobRequest* p, const std::string& why);
// A ".bin" list named by nameFmt (year, month, day); build still to set.
SingleFileFormat binFileFormat(const char* nameFmt);
// The dated folder a folder format writes into at time t, e.g.
// "DalmeroListE2_2024-03-07_09-05": one per minute.
std::string datedFolderName(const std::string& prefix, const VaTime& t);
// How long a job waits for that lock (5 s); for tests.
void setDestinationLockWait(int ms);

// The log beside a single-file list: "list.ndf" gives "list.log"; a name
// without a three-letter extension, or one ending in "log" in any case,
// keeps its whole name and gets ".log", so the log never replaces the list.
std::string logPathFor(const std::string& listPath);

// The records or values a format could not write as they are: a heading,
// the first maxLines of them, then "... and N more.".
std::string recordListText(const std::string& heading, const std::vector<std::string>& lines,
                           size_t maxLines = 20);
// The same as one warning box, shown before the user picks the destination
// (and not again by the job that writes once the user has).
void warnRecords(T_jobRequest* p, const std::string& heading, const std::vector<std::string>& lines,
                 size_t maxLines = 20);

// Writes the log file; 0 when written, 1 when it could not be created.
uint32_t LogWriter(T_jobRequest* p, const std::string& path);
// The log text itself: in UTF-8 beside a list that holds UTF-8 names, else
// in Windows-1252.
std::string logText(const WriterInput& in, const VaTime& now, bool utf8 = false);
