#pragma once
// Sends a list folder that Velartis wrote to a receiver, and puts a backup
// back. The order never changes: back up the box's list files into a dated
// local folder with a manifest; upload every file under a temporary name
// beside its target and check it; rename them all into place; remove what
// the new list no longer names; reload through the web interface and check
// the box now shows the new list. A failure before the first rename leaves
// the box as it was; one after it puts the backup back. The result says
// which list the box holds.
#include <functional>
#include <string>
#include <vector>

#include "send/boxLink.h"

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

struct SendResult {
    bool ok = false;
    std::string error;                  // why it failed
    std::string backup;                 // the backup folder made (or restored)
    std::vector<std::string> backedUp;  // box paths copied into the backup
    std::vector<std::string> sent;      // box paths now holding the new files
    std::vector<std::string> removed;   // box paths removed
    std::string reload;                 // the web interface's answer
    std::string verified;               // what the box showed afterwards
    std::string boxState;               // which list the box holds now
};

using SendSay = std::function<void(const std::string&)>;

// Where backups go unless told: $XDG_DATA_HOME/velartis/backups, by
// default ~/.local/share/velartis/backups.
std::string defaultBackupRoot();
// The backup folder's time as its name gives it: "2026-12-07_18-30-05".
std::string backupStamp(int year, int month, int day, int hour, int minute, int second);

SendResult sendList(const std::string& listFolder, const BoxAddress& box, const SendOptions& o,
                    const SendSay& say);
SendResult restoreBackup(const std::string& backupFolder, const BoxAddress& box,
                         const SendOptions& o, const SendSay& say);

// The bouquet names a bouquet index and its files give, in order: what the
// box's web interface must show once it has taken the list.
std::vector<std::string> bouquetNames(const std::string& index,
                                      const std::function<std::string(const std::string&)>& file);
