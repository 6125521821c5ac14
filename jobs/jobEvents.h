#pragma once
// How a job reaches the user. A job calls only these events; it never sees
// a control, a dialog or a front end. The window implements them by
// greying and restoring its own controls, the command-line tool by its
// terminal line, its --quiet output and its JSON report.
//
// A job calls them from its own thread. Everything but message posts or
// records and returns at once; message waits for the user's answer, which
// the front end gives from its own thread (see the thread contract in
// platform/platform.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

// The two progress bars: the download's and the generation's.
enum class JobBar { kDownload, kGenerate };

// What a status line says, so that no front end has to read its words: a
// step of the job, its failure, a warning, its closing text, a file being
// written or put in place. The words themselves are the job's language.
enum class JobStatus { kStep, kError, kWarning, kDone, kWriting, kWritten };

// The download's report, one field per line of the window's report box.
enum class ReportField { kSat, kTp, kBou, kTv, kRadio, kFavGrp, kFavCh };
constexpr int kReportFieldCount = 7;
// A field's fixed label, as the log file words it in every language; a
// person is shown the language's own (lblRepSat ...).
inline const char* reportFieldLabel(ReportField f) {
    static const char* const kLabels[kReportFieldCount] = {
        "Satelliti:",    "Transponder:",     "Bouquets:",       "Canali TV:",
        "Canali Radio:", "Gruppi Favoriti:", "Canali Favoriti:"};
    return kLabels[static_cast<int>(f)];
}

class JobEvents {
public:
    virtual ~JobEvents() = default;

    // The job begins: what could change what it reads is greyed.
    virtual void started() = 0;
    // The job is over and the window may be used again; generate is false
    // when no list can be generated from the tables (a failed download).
    virtual void finished(bool generate) = 0;

    // Both parts of the status line: word (part 0) and detail (part 1).
    // For kWriting and kWritten the detail is a file-system path.
    virtual void status(JobStatus kind, const std::string& word, const std::string& detail) = 0;
    // Only the detail of the current step changes.
    virtual void step(const std::string& detail) = 0;
    // Whole percent, 0 to 100.
    virtual void progress(JobBar bar, int pos) = 0;
    // One field of the download's report, as the window shows it.
    virtual void report(ReportField field, const std::string& text) = 0;
    // A file of the list (not its log) is in place under path, the name
    // the user knows it by; size bytes long.
    virtual void fileWritten(const std::string& path, size_t size) = 0;
    // A message the user must see, and for kMbYesNo or kMbOkCancel answer;
    // flags as platform.h gives them. Blocks until answered.
    virtual int message(const std::string& text, const std::string& caption, unsigned flags) = 0;

    // The user asked the job to stop. A job asks between its steps and its
    // files and then ends as a failed one would, writing nothing more.
    virtual bool cancelled() { return false; }

    // The local time a job stamps its names and lists with.
    virtual VaTime localTime() { return systemLocalTime(); }
};
