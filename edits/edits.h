#pragma once
// The user's own edits to a downloaded list: a small text document kept
// beside the configuration, one edit per line, applied to the channel
// tables after every download and before any writer. Channels are named by
// stable keys (orbital position, network id, transport stream id, service
// id) with their name as a fallback; bouquets and favourite groups by name.
// An edit that matches nothing today is reported and kept: it applies again
// when its channel comes back.
//
// The document (UTF-8):
//
//   # comment                     kept where it stands
//   order "Sport" CH CH ...       these channels first, in this order
//   rename CH to "New name"
//   rename-bouquet "Old" to "New"
//   hide CH                       from every bouquet
//   hide CH in "Sport"
//   copy CH to "News"             a copy at the end of "News"
//   move CH from "Sport" to "News"
//   bouquet "Mine" CH CH ...      a bouquet of the user's own
//   lock CH on|off                parental lock
//   lock-bouquet "Adult" on|off
//   favourite CH to "Group"       a copy into a favourite group
//
// where CH is a key and the channel's name: 19.2E:0001:0437:6D66 "Das Erste".
// A line of another kind is kept as it stands and reported as unknown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "jobs/jobRequest.h"

struct T_dbCh;

// A channel as an edit names it. name is UTF-8.
struct T_chanRef {
    int position = 0;  // tenths of a degree east, west as 3600 - x
    uint32_t nid = 0, tid = 0, sid = 0;
    std::string name;
    bool operator==(const T_chanRef& o) const {
        return position == o.position && nid == o.nid && tid == o.tid && sid == o.sid &&
               name == o.name;
    }
};

enum class EditKind {
    kOrder,
    kRename,
    kRenameBouquet,
    kHide,
    kCopy,
    kMove,
    kNewBouquet,
    kLock,
    kLockBouquet,
    kFavourite,
    kComment,  // a comment or an empty line
    kUnknown,  // a line this version does not know: kept, reported
};

struct T_edit {
    EditKind kind = EditKind::kComment;
    std::vector<T_chanRef> channels;  // order and bouquet: many; the others one
    std::string bouquet;  // the bouquet or group the edit is about (UTF-8):
                          // order, hide in, copy/move to, the old name of
                          // rename-bouquet, lock-bouquet, bouquet, favourite
    std::string from;     // move: the bouquet it leaves
    std::string name;     // rename, rename-bouquet: the new name
    bool on = true;       // lock, lock-bouquet
    std::string text;     // kComment, kUnknown: the line as it stands
    bool operator==(const T_edit& o) const = default;
};

struct T_editsDoc {
    std::vector<T_edit> edits;
};

// Reads a document; false with "line N: reason" for a line of a known kind
// that is malformed (nothing is half read). Unknown kinds are kept.
bool parseEdits(const std::string& text, T_editsDoc* doc, std::string* err);
// The document as text, one line per edit, in its order.
std::string formatEdits(const T_editsDoc& doc);
// One edit as its line (without the line end).
std::string formatEdit(const T_edit& e);

// The file a configuration's edits are kept in: beside it, "Default.cfg"
// -> "Default.edits".
std::string editsPathFor(const std::string& configPath);
// A missing file is an empty document. False with the reason otherwise.
bool loadEditsFile(const std::string& path, T_editsDoc* doc, std::string* err);
// Written whole (temporary file, then rename).
bool saveEditsFile(const std::string& path, const T_editsDoc& doc, std::string* err);

// What applying a document did.
struct T_editsReport {
    size_t applied = 0;                  // edits that changed the list
    std::vector<std::string> unmatched;  // the lines of edits that matched nothing
    std::vector<std::string> refused;    // "line: reason" (a table full, no such bouquet)
    std::vector<std::string> cut;        // names cut to their field: line → "what shows"
    std::vector<std::string> unknown;    // lines of kinds this version does not know
};

// Applies the document to the tables a download of listType (0 to 2)
// filled, in the document's order, keeping the tables' invariants: each
// bouquet (mode 0) or virtual satellite (modes 1, 2) stays one run, the
// favourite links follow their channels, the report counters are counted
// again. An edit that would overflow a table is refused, nothing else
// dropped.
T_editsReport applyEdits(const T_editsDoc& doc, const T_channelTables& db, int listType);

// The keys of the channels of one set of tables, as edits name them: the
// satellites' positions and the transponders' ids indexed once, the ids as
// 16-bit values, as every list names them (writers/common/ids.h).
class ChanRefs {
public:
    explicit ChanRefs(const T_channelTables& db);
    // The key alone (no name): position, network, transport stream, service.
    T_chanRef keyOf(const T_dbCh& ch) const;
    // Key and name of a channel row (1 to count).
    T_chanRef of(uint32_t row) const;

private:
    T_channelTables db_;
    std::unordered_map<int32_t, int32_t> position_;                    // by realSatId
    std::unordered_map<uint64_t, std::pair<uint32_t, uint32_t>> ids_;  // nid, tid
};

// The key and name of a channel row of the tables (row 1 to count), as an
// edit would name it. Indexes the tables each time: for many rows, ChanRefs.
T_chanRef chanRefOf(const T_channelTables& db, uint32_t row);
// The key part as the document writes it: "19.2E:0001:0437:6D66".
std::string chanKeyText(const T_chanRef& c);

// The bouquet order and channel names of an Enigma2 settings folder the
// user has (a list made by hand on the box), as edits for the tables a
// download filled: each of its user bouquets an order of the bouquet of
// that name (its name without a trailing position: "ARD 19.2E" is "ARD"),
// or a bouquet of the user's own where the download has none; each name
// that differs from the download's a rename. They replace earlier edits of
// the same bouquets and channels in the document. False, with the file,
// line and reason, for a folder that is no Enigma2 list.
struct T_importedOrder {
    size_t ordered = 0, created = 0, renamed = 0;
};
bool editsFromEnigma2(const std::string& folder, const T_channelTables& db, T_editsDoc* doc,
                      T_importedOrder* what, std::string* err);

// The edits of a document that a format cannot show as they are: renames
// longer than its name field (nameChars characters) and, where it has no
// lock per channel, the locks. Each as the edit's line.
struct T_notShown {
    std::vector<std::string> cutNames, locks;
};
T_notShown editsNotShown(const T_editsDoc& doc, unsigned nameChars, bool channelLock);
