#pragma once
// The three download jobs. Each is a thread function that takes the job's
// T_dlRequest and returns a DownloadResult (0 ok, 1 failed, 2 build outdated).
// This is the public face of the jobs: the server session behind them
// (download/session.h, which needs the client library's <mysql.h>) stays
// inside the folder.
#include <cstdint>
#include <string>

#include "channels/hexId.h"
#include "download/connection.h"
#include "jobs/jobRequest.h"

// Result of a download job's thread. kDownloadOutdated: the server declared
// this build outdated; the front end ends the program with exit code 2.
// kDownloadUnchanged: the database holds the version the front end's tables
// came from (T_dlRequest::skipIfVersion); nothing was read, and the front end
// keeps its tables.
enum DownloadResult : uint32_t {
    kDownloadOk = 0,
    kDownloadFailed = 1,
    kDownloadOutdated = 2,
    kDownloadUnchanged = 3
};

uint32_t DownloadDataCh(void* param);    // list type 0: bouquets as channels
uint32_t DownloadDataBSat(void* param);  // list type 1: bouquets as satellites
uint32_t DownloadDataFSat(void* param);  // list type 2: favourite groups as satellites

// The id and PID columns checked as their rows are read.
enum DlIdField : int {
    kIdTpNid,
    kIdTpTid,  // transponders
    kIdChSid,
    kIdChVpid,
    kIdChPmtPid,
    kIdChPcrPid,
    kIdChTxtPid,  // channels
    kIdAudioSid,
    kIdAudioApid,  // audio rows
    kIdCasSid,     // CAS rows
    kIdFavSid,     // favourite rows
    kIdFields
};

// The numeric columns checked as their rows are read (kDlNumColumns in
// download/downloadCommon.h gives each one's bounds).
enum DlNumField : int {
    kNumSatPosition,  // satellites
    kNumTpSatId,
    kNumTpStpId,
    kNumTpFrequency,
    kNumTpPolarity,
    kNumTpSr,
    kNumTpFec,
    kNumTpModulation,
    kNumTpPilot,  // transponders
    kNumChSatId,
    kNumChStpId,
    kNumChGroupId,
    kNumChType,
    kNumChSubtitle,
    kNumChScrambled,
    kNumChLocked,
    kNumChSkip,
    kNumChDupdpid,
    kNumChDupdname,
    kNumChDupdsid,
    kNumChCatId,
    kNumChHd,
    kNumChD3,
    kNumChNatId,
    kNumChBouId,  // channels
    kNumAudioStpId,
    kNumAudioLangId,
    kNumAudioDts,
    kNumAudioAc3,  // audio rows
    kNumCasStpId,
    kNumCasId,  // CAS rows
    kNumFavId,  // favourite groups
    kNumLinkSatId,
    kNumLinkStpId,
    kNumLinkBouId,
    kNumLinkFavId,
    kNumLinkChType,  // favourite rows
    kNumFields
};

// Rows a download could not keep: a table or list was full, or an id, a
// PID or a number was not usable. The job counts them in T_dlRequest::dropped.
struct T_dbDropped {
    uint32_t satellites;
    uint32_t transponders;
    uint32_t channels;
    uint32_t audioRows;     // audio list of the job
    uint32_t casRows;       // CAS list of the job
    uint32_t channelAudio;  // audio tracks beyond a channel's capacity
    uint32_t channelCas;    // CAS ids beyond a channel's capacity
    uint32_t favGroups;
    uint32_t favLinks;
    // Rows by the first bad id column and its fault (HexIdFault).
    uint32_t badId[kIdFields][kHexIdFaults];
    // Rows by the first bad numeric column and its fault (NumberFault).
    uint32_t badNumber[kNumFields][kNumberFaults];
    // Channels whose transponder was dropped for a bad id or value.
    uint32_t orphanChannels;
    // Channels of a satellite dropped for a bad position.
    uint32_t satChannels;
    // Channels whose transponder did not fit the transponder table: a list
    // would name a transponder that is not in it.
    uint32_t fullTpChannels;
};

// A download job's request: the job's records, the connection values and
// what the job hands back, which the front end takes once the job ended.
struct T_dlRequest : T_jobRequest {
    // Empty fields keep the built-in connection values.
    T_dbConnOverride conn;
    T_dbDropped dropped{};
    // From the server's message row: 1 the server asks for the forum page,
    // 2 it does not know this version; 0 nothing to tell.
    int showForum = 0;
    // Why the connection failed; kNone once connected.
    DbOpenFault connectFault = DbOpenFault::kNone;
    // The database's data version the download saw (every import raises
    // it); -1 when the database keeps none.
    int64_t dataVersion = -1;
    // The server of the host list the download used, "host:port".
    std::string server;
    // The data version of the tables the front end holds: a download that
    // finds it unchanged reads nothing more and ends kDownloadUnchanged.
    // -1: always download.
    int64_t skipIfVersion = -1;
};

// The data version of the database behind o, read with one statement;
// false, with the reason, when the server cannot be reached or keeps none.
bool readDataVersion(const T_cfgStruct& cfg, const T_dbConnOverride& o, int64_t* version,
                     std::string* err);

// One line per kind dropped ("Dropped: 12 channels over the table capacity
// of 19999", "Dropped: 2 channels whose sid is not hexadecimal"), each
// preceded by CR LF; empty when nothing was dropped.
std::string droppedLines(const T_dbDropped& d);
