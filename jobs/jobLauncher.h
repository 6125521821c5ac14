#pragma once
// Starts a front end's jobs: the download job that the list type picks and
// the writer job that the receiver family picks (jobs/families.h).
//
// Each job runs on a parameter record of its own, which the launcher fills
// on the front end's thread at the moment of the start: copies of every
// configuration record and of the message texts, so that what stays usable
// during a job ("Open Cfg", the languages, the sort buttons) cannot change
// what the job reads. The channel database, its report counters and the
// widget record are shared: only the one running job writes the first two,
// and the window greys what could change them. The record lives until the
// job's end has been told and is freed then.
//
// Everything here runs on the front end's thread, the handler too (see the
// thread contract in platform/platform.h).
#include <cstdint>
#include <functional>

#include "config/cfgTypes.h"
#include "download/download.h"
#include "platform/platform.h"

// What a front end learns when a job ended.
struct T_jobEnd {
    bool download;  // a download job; else a writer job
    int type;       // the listType or fileType it was started for
    uint32_t code;  // 0 done, 1 failed; a download also 2: this build is outdated
    // A download's forum request (1 or 2, see T_FnPARAM::showForum), already
    // put into the front end's cfgParam; 0 none.
    int showForum;
    T_dbDropped dropped;  // rows a download could not keep
};
using JobEndHandler = std::function<void(const T_jobEnd&)>;

// The download job of a list type (0 to 2), the writer job of a receiver
// family (0 to 7); null for any other value.
JobFn downloadJobFor(int listType);
JobFn writerJobFor(int fileType);

// Starts the job on a copy of what shared points at. shared is the front
// end's record: its live records, the channel database, Widget (whose ui
// runs the job) and optionally dbConn; cfgFile, dropped and showForum are
// not used. onEnd (may be empty) is called once the job ended; a download's
// forum request has been put into *shared.cfgParam by then.
//
// False when nothing was started: a job is running, shared lacks a record
// or a backend, the list type or family names no job, or no memory or
// thread could be had. The front end tells the user; nothing ends the
// process.
bool startDownloadJob(const T_FnPARAM& shared, JobEndHandler onEnd);
bool startWriterJob(const T_FnPARAM& shared, JobEndHandler onEnd);
