#pragma once
// Sends a list folder that Velartis wrote to a receiver, and puts a backup
// back. The order never changes: back up the box's list files into a dated
// local folder with a manifest; upload every file under a temporary name
// beside its target and check it; rename them all into place; remove what
// the new list no longer names; reload through the web interface and check
// the box now shows the new list. A failure before the first rename leaves
// the box as it was; one after it puts the backup back. The result says
// which list the box holds.
//
// A send is a job: its steps and progress go through the job's events (the
// generation's bar), its texts are the language's, and it may be cancelled
// until the first rename; from then on it ends the list's way or the
// backup's.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/langTypes.h"
#include "platform/platform.h"
#include "send/boxLink.h"

class JobEvents;

enum class BoxKind { kEnigma2, kEnigma1 };
// A satellites.xml under /etc/enigma2 hides the one under /etc/tuxbox.
enum class ShadowChoice { kStop, kReplace };

struct SendOptions {
    BoxKind kind = BoxKind::kEnigma2;
    bool reload = true;
    ShadowChoice shadow = ShadowChoice::kStop;
    std::string backupRoot;  // the dated backup folder goes in here
    std::string stamp;       // the backup folder's time, "2026-12-07_18-30-05"
};

// Which list the box holds once a send or restore ended, for scripts
// (boxStateName) and tests; the result's boxState says it in words.
enum class BoxState {
    kOld,        // as before: nothing was changed, or the backup was put back
    kNew,        // the new list, loaded and seen by the check
    kNotLoaded,  // the new list (or the backup's) in place, not loaded: the
                 // box takes it at its restart (a success where no reload
                 // was asked for or the box has no web interface)
    kBackup,     // a restore put the backup's list in place and loaded it
    kUnknown,    // a failure while putting files back: see the result's words
};
const char* boxStateName(BoxState s);

struct SendResult {
    bool ok = false;
    BoxState state = BoxState::kOld;
    std::string error;                  // why it failed
    std::string backup;                 // the backup folder made (or restored)
    std::vector<std::string> backedUp;  // box paths copied into the backup
    std::vector<std::string> sent;      // box paths now holding the new files
    std::vector<std::string> removed;   // box paths removed
    std::string reload;                 // the web interface's answer
    std::string verified;               // what the box showed afterwards
    std::string boxState;               // which list the box holds now
};

// Where backups go unless told: $XDG_DATA_HOME/velartis/backups, by
// default ~/.local/share/velartis/backups.
std::string defaultBackupRoot();
// The backup folder's time as its name gives it: "2026-12-07_18-30-05".
std::string backupStamp(int year, int month, int day, int hour, int minute, int second);

// The texts are lang's (Windows-1252, as every language table).
SendResult sendList(const std::string& listFolder, const BoxAddress& box, const SendOptions& o,
                    const LangStruct& lang, JobEvents& events);
SendResult restoreBackup(const std::string& backupFolder, const BoxAddress& box,
                         const SendOptions& o, const LangStruct& lang, JobEvents& events);

// A send run by a front end's job runner: sendJob(&request) sends (or,
// with restore set, restores) folder and keeps the result in the request.
// Brackets itself with the events' started and finished, as every job.
struct T_sendRequest {
    std::string folder;
    bool restore = false;
    BoxAddress box;
    SendOptions options;
    LangStruct lang{};  // the texts, copied when the send starts
    JobEvents* events = nullptr;
    SendResult result;
};
uint32_t sendJob(void* request);
// Starts the send on a front end's runner; onEnd gets the result on the
// front end's thread. The request lives until then. False when a job is
// running or none could be started.
bool startSendJob(JobRunner& runner, T_sendRequest request,
                  std::function<void(const SendResult&)> onEnd);

// The bouquet names a bouquet index and its files give, in order: what the
// box's web interface must show once it has taken the list.
std::vector<std::string> bouquetNames(const std::string& index,
                                      const std::function<std::string(const std::string&)>& file);
