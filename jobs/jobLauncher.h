#pragma once
// Starts a front end's jobs: the download job that the list type picks and
// the writer job that the receiver family picks (jobs/families.h).
//
// Each job runs on a request of its own (jobs/jobRequest.h), which the
// launcher fills on the front end's thread at the moment of the start:
// copies of every configuration record and of the message texts, so that
// what stays usable during a job ("Open Cfg", the languages, the sort
// buttons) cannot change what the job reads. The channel tables and the
// events object are shared: only the one running job writes the tables,
// and the window greys what could change them. The request lives until the
// job's end has been told and is freed then.
//
// Everything here runs on the front end's thread, the handler too (see the
// thread contract in platform/platform.h).
#include <cstdint>
#include <functional>
#include <string>

#include "download/download.h"
#include "jobs/jobRequest.h"
#include "platform/platform.h"

// What a front end starts its jobs from: its live records (copied at each
// start), its channel tables, its events and its job runner.
struct T_jobSource {
    const T_cfgStruct* cfg = nullptr;
    const T_idxSat* sat = nullptr;
    const T_idxBou* bou = nullptr;
    const T_idxBouI* bouI = nullptr;
    const T_idxCat* cat = nullptr;
    const T_idxFav* fav = nullptr;
    const T_idxFavI* favI = nullptr;
    const T_idxNat* nat = nullptr;
    const LangStruct* lang = nullptr;
    T_channelTables db;
    JobEvents* events = nullptr;
    JobRunner* runner = nullptr;
    // A download's connection values; null keeps the built-in ones.
    const T_dbConnOverride* conn = nullptr;
    // A download reads nothing when the database still holds this data
    // version (T_dlRequest::skipIfVersion); -1: always download.
    int64_t skipIfVersion = -1;
};

// What a front end learns when a job ended.
struct T_jobEnd {
    bool download;  // a download job; else a writer job
    int type;       // the listType or fileType it was started for
    uint32_t code;  // 0 done, 1 failed; a download also 2: this build is outdated
    // A download's forum request (1 or 2, see T_dlRequest::showForum); 0 none.
    int showForum;
    T_dbDropped dropped;  // rows a download could not keep
    // Why a download could not connect; kNone when it did, or for a writer.
    DbOpenFault connectFault;
    // The data version a download saw; -1 when the database keeps none.
    int64_t dataVersion = -1;
    // The server of the host list a download used.
    std::string server{};
};
using JobEndHandler = std::function<void(const T_jobEnd&)>;

// The download job of a list type (0 to 2), the writer job of a receiver
// family (0 to 7); null for any other value.
JobFn downloadJobFor(int listType);
JobFn writerJobFor(int fileType);

// Starts the download of the source's list type. onEnd (may be empty) is
// called once the job ended.
//
// False when nothing was started: a job is running, the source lacks a
// record, events or a runner, the list type names no job, or no memory or
// thread could be had. The front end tells the user; nothing ends the
// process.
bool startDownloadJob(const T_jobSource& src, JobEndHandler onEnd);

// Starts the writer of a receiver family into target (the folder that
// takes the list's folder, or the list file). warned: the family's early
// warnings were shown by checkWriterJob, the job does not repeat them.
bool startWriterJob(const T_jobSource& src, int family, const std::string& target, bool warned,
                    JobEndHandler onEnd);

// Runs a family's checks and early warnings at once, on the caller's
// thread, through the source's events: 0 when the user may be asked for
// the destination, 1 when the family refused the list (already said).
uint32_t checkWriterJob(const T_jobSource& src, int family);
