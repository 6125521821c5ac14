// A hand-made Enigma2 list turned into edits of the downloaded list.
#include <algorithm>
#include <map>
#include <set>

#include "channels/dbTypes.h"
#include "channels/location.h"
#include "config/codepage.h"
#include "config/textFunc.h"
#include "edits/edits.h"
#include "import/import.h"

namespace {

// "ARD 19.2E" -> "ARD": the lists add the position to a bouquet's name.
std::string withoutPosition(const std::string& name) {
    const size_t space = name.rfind(' ');
    int position = 0;
    if (space == std::string::npos || space == 0 ||
        !parsePosition(std::string_view(name).substr(space + 1), &position))
        return name;
    return name.substr(0, space);
}

}  // namespace

bool editsFromEnigma2(const std::string& folder, const T_channelTables& db, T_editsDoc* doc,
                      T_importedOrder* what, std::string* err) {
    ImportRequest req;
    req.kind = ImportKind::kEnigma2;
    req.paths = {folder};
    req.source.everyUserBouquet = true;
    ImportModel m;
    if (!readSources(req, &m, err)) return false;
    if (!db.complete()) return true;

    std::set<std::string> bouquets;
    std::map<std::tuple<int, uint32_t, uint32_t, uint32_t>, std::string> names;
    const ChanRefs refs(db);
    for (uint32_t i = 1; i <= db.chDB->count; ++i) {
        bouquets.insert(fieldText(db.chDB->ch[i].groupName));
        if (db.chDB->ch[i].fake) continue;
        const T_chanRef c = refs.of(i);
        names.emplace(std::make_tuple(c.position, c.nid, c.tid, c.sid), c.name);
    }
    T_importedOrder done;
    std::vector<T_edit> made;
    std::set<std::string> groups, renamed;
    for (const ImpGroup& g : m.favourites) {
        if (g.channels.empty()) continue;
        T_edit e;
        e.bouquet = withoutPosition(g.name);
        // The two halves of a bouquet (TV and radio) are one group already;
        // a name met twice keeps its first.
        if (!groups.insert(e.bouquet).second) continue;
        e.kind = bouquets.count(e.bouquet) ? EditKind::kOrder : EditKind::kNewBouquet;
        ++(e.kind == EditKind::kOrder ? done.ordered : done.created);
        for (size_t ci : g.channels) {
            const ImpChannel& ch = m.chs[ci];
            const ImpTransponder& tp = m.tps[ch.tp];
            T_chanRef c;
            c.position = m.sats[tp.sat].position;
            c.nid = tp.nid;
            c.tid = tp.tid;
            c.sid = ch.sid;
            const std::string& boxName = ch.name;
            auto known = names.find({c.position, c.nid, c.tid, c.sid});
            c.name = known != names.end() ? known->second : boxName;
            e.channels.push_back(c);
            // The box's own name, where the user gave the channel another.
            if (known != names.end() && !boxName.empty() && boxName != known->second &&
                renamed.insert(chanKeyText(c)).second) {
                T_edit r;
                r.kind = EditKind::kRename;
                r.channels = {c};
                r.name = boxName;
                made.push_back(r);
                ++done.renamed;
            }
        }
        made.push_back(std::move(e));
    }
    // What the folder now says replaces what the document said of the same
    // bouquets and channels.
    auto replaced = [&](const T_edit& e) {
        if (e.kind == EditKind::kOrder || e.kind == EditKind::kNewBouquet)
            return groups.count(e.bouquet) > 0;
        if (e.kind == EditKind::kRename) return renamed.count(chanKeyText(e.channels.front())) > 0;
        return false;
    };
    doc->edits.erase(std::remove_if(doc->edits.begin(), doc->edits.end(), replaced),
                     doc->edits.end());
    doc->edits.insert(doc->edits.end(), made.begin(), made.end());
    if (what) *what = done;
    return true;
}
