#pragma once
// The command-line tool's report for scripts (--report-json): the report
// fields and counters of the download, the rows it dropped and why, and
// each job with its result and the files it wrote. Every text is UTF-8.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "channels/dbTypes.h"
#include "download/download.h"

struct CliFileRecord {
    std::string path;
    uint64_t bytes = 0;
};

struct CliJobRecord {
    std::string job;                    // "download", or the --format name of a writer
    std::string label;                  // as on the result line: "Download", "Enigma2", ...
    uint32_t code = 1;                  // the job's own code (0 done, 1 failed, 2 outdated)
    std::string result;                 // "done", "failed", "outdated"
    std::string message;                // what the job ended with: its first error or closing text
    std::vector<std::string> messages;  // the texts of its message boxes
    std::vector<std::string> warnings;  // its warnings, never its result
    // Of a list in Windows-1252: the names it shows spelled in Latin letters.
    uint32_t spelledNames = 0;
    double seconds = 0;
    std::vector<CliFileRecord> files;
};

struct CliRunRecord {
    std::string program, version;
    int exitCode = 0;
    std::string error;        // why the run stopped before or between jobs
    bool downloaded = false;  // a download ran: the fields below are set
    // Why it could not connect ("unreachable", "accessDenied",
    // "unknownDatabase", "other"); empty when it did. Then nothing was read.
    std::string connectFailure;
    // The seven report fields as printed: key and text.
    std::vector<std::pair<std::string, std::string>> report;
    T_dbReport counts{};
    T_dbDropped dropped{};
    std::vector<CliJobRecord> jobs;
    // --if-changed found the last list current: nothing was downloaded.
    bool unchanged = false;
    // The data version the lists were made from (or found current); -1
    // when the database keeps none or nothing was read.
    int64_t dataVersion = -1;
    std::string server;  // the server of the host list that answered
    std::string send;    // --send: what sending the list did, as a JSON object
    std::string edits;   // what the edits did, as a JSON object; empty: none applied
};

// The run as one JSON object.
std::string runJson(const CliRunRecord& run);

// A string as a JSON string literal: quotes, backslashes and control
// characters escaped; bytes that are not UTF-8 are read as Windows-1252.
std::string jsonString(const std::string& s);
