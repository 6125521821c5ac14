#pragma once
// What the download jobs do on the server beyond the session itself: the
// filter clauses built from the configuration, query running with
// progress, the message row with the build check, the usage counter and
// the closing report.
#include <cstddef>
#include <functional>
#include <string>

#include "config/cfgTypes.h"
#include "config/langTypes.h"
#include "download/download.h"
#include "download/session.h"
#include "jobs/jobEvents.h"

// Filter clauses. Each is empty when there is nothing to filter.
std::string listClause(const int* ids, size_t n, const char* singleFmt, const char* openText,
                       const char* lastFmt);
std::string excludedBouquetsClause(const T_idxBouI& bouI);
std::string excludedCategoriesClause(const char* catFilter, const T_idxCat& cats);
std::string excludedFavouritesPlainClause(const T_idxFavI& favI);
std::string excludedFavouritesJoinedClause(const T_idxFavI& favI);
// noQuery is set when the satellite has both radio and TV off.
std::string channelTypeClause(const char* radioFilter, const char* tvFilter, int gRad,
                              bool* noQuery);
std::string hdClause(int gHD, const char* tvFilter);
std::string d3Clause(int g3D, const char* tvFilter);
// prefixed: "t.flag_feed" (channel query joined with Transponders t).
std::string feedClause(int gTP, int feedTp, bool prefixed);

// What a job reports through: its events, its language texts and the
// download progress bar held as a real number.
struct T_dlUi {
    JobEvents* ev = nullptr;
    const LangStruct* lang = nullptr;
    double progress = 0;
    int shown = -1;
};
void dlSetProgress(T_dlUi& ui, double pos);
void dlAddProgress(T_dlUi& ui, double amount);
void dlReportText(T_dlUi& ui, ReportField field, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

// True, after saying so and closing, when the user asked the job to stop.
bool dlCancelled(T_dlUi& ui, DbSession& db);
// The server refused a statement or the connection failed during the
// download: the reason in the status and in a box.
void dlServerFailed(T_dlUi& ui, const std::string& why);
// Opens the connection; on failure reports the fixed text in the status
// and, in a box, what was asked for, the client's reason and what to check.
bool dlOpen(T_dlUi& ui, DbSession& db, const T_dbConnValues& v);
// Reads the server's message row for the application key. Sets *showForum
// to 1 when a row asks for the forum page and to 2 when there is no row
// (otherwise leaves it), fills serverMsg. On failure reports, closes the
// session and returns kDownloadFailed or kDownloadOutdated.
DownloadResult dlCheckMessage(T_dlUi& ui, DbSession& db, const std::string& appKey, int* showForum,
                              char (&serverMsg)[kServerMsgSize]);
// Runs one query of a step: shows stepText in status part 1, spreads share
// over the rows; onRow returns false to stop reading (the rest of the
// share is added then). On failure reports the server's error, closes the
// session and returns false.
bool dlRunQuery(T_dlUi& ui, DbSession& db, const std::string& sql, const std::string& stepText,
                double share, const std::function<bool(const DbRow&)>& onRow);
// Adds one to the application's usage counter in one statement; errors ignored.
void dlCountUsage(DbSession& db, const std::string& appKey);
// Closes and shows the closing report (extra lines appended to the
// server message, each on a line of its own).
void dlCloseReport(T_dlUi& ui, DbSession& db, const char* serverMsg, const std::string& extra);
