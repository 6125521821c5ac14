// Applying the edits document to the channel tables of a download.
//
// The channels are worked on as a sequence of row numbers into a store
// (the download's rows, then the copies edits make); the tables are
// written back once at the end, the favourite links pointed at their
// channels' new rows and the report counted again.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "channels/dbTypes.h"
#include "channels/location.h"
#include "config/codepage.h"
#include "config/textFunc.h"
#include "config/unicodeText.h"
#include "edits/edits.h"
#include "writers/common/ids.h"

namespace {

// Names in the tables: a bouquet's as the download cuts it, by list type.
constexpr size_t kBouquetNameChars[3] = {20, 16, 16};
constexpr size_t kChannelNameChars = kChNameChars;

template <size_t N>
std::string utf8Of(const char (&field)[N]) {
    return fieldText(field);
}

// A cut name in the report, in no language: the edit -> "what shows".
std::string shownAs(const std::string& line, const std::string& name) {
    return line + " \xE2\x86\x92 \"" + name + "\"";
}

struct Key {
    int position;
    uint32_t nid, tid, sid;
    bool operator==(const Key& o) const {
        return position == o.position && nid == o.nid && tid == o.tid && sid == o.sid;
    }
};

class Applier {
public:
    Applier(const T_channelTables& db, int listType) : db_(db), type_(listType), refs_(db) {
        store_.assign(db.chDB->ch + 1, db.chDB->ch + 1 + db.chDB->count);
        for (uint32_t i = 0; i < store_.size(); ++i) {
            keys_.push_back(keyOf(store_[i]));
            seq_.push_back(i);
        }
    }

    void apply(const T_edit& e, T_editsReport* rep);
    void finish(bool changed);

private:
    using Run = std::pair<size_t, size_t>;  // [first, end) in seq_

    Key keyOf(const T_dbCh& c) const {
        const T_chanRef r = refs_.keyOf(c);
        return Key{r.position, r.nid, r.tid, r.sid};
    }
    T_dbCh& row(size_t at) { return store_[seq_[at]]; }
    const Key& key(size_t at) const { return keys_[seq_[at]]; }

    std::vector<Run> runs() const {
        std::vector<Run> out;
        for (size_t i = 0; i < seq_.size(); ++i) {
            const T_dbCh& c = store_[seq_[i]];
            if (out.empty() || c.sat_id != store_[seq_[out.back().first]].sat_id ||
                c.groupId != store_[seq_[out.back().first]].groupId)
                out.push_back({i, i + 1});
            else
                out.back().second = i + 1;
        }
        return out;
    }
    std::vector<Run> runsNamed(const std::string& name) const {
        const std::string& cp = name;
        std::vector<Run> out;
        for (const Run& r : runs())
            if (fieldView(store_[seq_[r.first]].groupName) == cp) out.push_back(r);
        return out;
    }

    // The rows (in sequence order) a channel reference names: by its key,
    // else, when no row has that key, by position and name.
    std::vector<size_t> matches(const T_chanRef& c, size_t from = 0, size_t to = SIZE_MAX) const {
        to = std::min(to, seq_.size());
        const Key want{c.position, c.nid, c.tid, c.sid};
        std::vector<size_t> out;
        for (size_t i = from; i < to; ++i)
            if (!store_[seq_[i]].fake && key(i) == want) out.push_back(i);
        if (!out.empty() || anywhere(want)) return out;
        const std::string& cp = c.name;
        for (size_t i = from; i < to; ++i)
            if (!store_[seq_[i]].fake && key(i).position == c.position &&
                fieldView(store_[seq_[i]].ch_name) == cp)
                out.push_back(i);
        return out;
    }
    bool anywhere(const Key& k) const {
        for (size_t i = 0; i < seq_.size(); ++i)
            if (!store_[seq_[i]].fake && key(i) == k) return true;
        return false;
    }

    // A name for a field of `chars` characters; *cut says whether it was
    // shortened.
    std::string fitted(const std::string& utf8, size_t chars, bool* cut) const {
        const size_t n = utf8PrefixBytes(utf8, chars);
        *cut = n < utf8.size();
        return utf8.substr(0, n);
    }
    void removeRows(std::vector<size_t> rows);
    bool insertCopy(T_dbCh c, const Key& k, const Run& into, std::string* why);
    bool ensureTp(const T_dbCh& c, std::string* why);

    void orderRun(const Run& r, const std::vector<T_chanRef>& refs, bool* any);
    bool newBouquet(const T_edit& e, T_editsReport* rep, const std::string& line);
    bool favourite(const T_edit& e, std::string* why);

    const T_channelTables& db_;
    const int type_;
    // Built before any edit: the positions and ids of copies and new
    // transponder records are those of rows already there.
    const ChanRefs refs_;
    std::vector<T_dbCh> store_;
    std::vector<Key> keys_;
    std::vector<uint32_t> seq_;
};

void Applier::removeRows(std::vector<size_t> rows) {
    std::sort(rows.begin(), rows.end());
    std::vector<bool> drop(seq_.size(), false);
    for (size_t r : rows) drop[r] = true;
    // A bouquet left with its marker only goes with it.
    for (const Run& r : runs()) {
        bool real = false;
        for (size_t i = r.first; i < r.second; ++i) real = real || (!row(i).fake && !drop[i]);
        if (!real)
            for (size_t i = r.first; i < r.second; ++i) drop[i] = true;
    }
    std::vector<uint32_t> kept;
    for (size_t i = 0; i < seq_.size(); ++i)
        if (!drop[i]) kept.push_back(seq_[i]);
    seq_.swap(kept);
}

// A virtual satellite (list types 1, 2) has transponder records of its
// own: a channel copied into one needs its transponder there.
bool Applier::ensureTp(const T_dbCh& c, std::string* why) {
    if (type_ == 0) return true;
    T_dbTpTable& t = *db_.tpDB;
    const T_dbTp* any = nullptr;
    for (uint32_t i = 1; i <= t.count; ++i) {
        const T_dbTp& p = t.tp[i];
        if (p.sat_id == c.sat_id && p.stp_id == c.stp_id && p.groupId == c.groupId) return true;
        if (p.realSatId == c.realSatId && p.stp_id == c.stp_id) any = &p;
    }
    if (!any) {
        *why = "the channel's transponder is not in the list";
        return false;
    }
    if (t.count + 1 >= kTpDbSlots) {
        *why = "the transponder table is full";
        return false;
    }
    T_dbTp copy = *any;
    copy.sat_id = c.sat_id;
    copy.groupId = c.groupId;
    t.tp[++t.count] = copy;
    return true;
}

bool Applier::insertCopy(T_dbCh c, const Key& k, const Run& into, std::string* why) {
    if (seq_.size() + 1 >= kChDbSlots) {
        *why = "the channel table is full";
        return false;
    }
    const T_dbCh& head = row(into.first);
    const T_dbCh* real = nullptr;
    for (size_t i = into.first; i < into.second && !real; ++i)
        if (!row(i).fake) real = &row(i);
    c.sat_id = head.sat_id;
    c.groupId = head.groupId;
    c.bou_id = real ? real->bou_id : head.bou_id;
    c.nat_id = real ? real->nat_id : c.nat_id;
    std::memcpy(c.groupName, head.groupName, sizeof c.groupName);
    if (!ensureTp(c, why)) return false;
    store_.push_back(c);
    keys_.push_back(k);
    seq_.insert(seq_.begin() + static_cast<long>(into.second),
                static_cast<uint32_t>(store_.size() - 1));
    return true;
}

void Applier::orderRun(const Run& r, const std::vector<T_chanRef>& refs, bool* any) {
    std::vector<uint32_t> markers, front, rest;
    std::vector<bool> taken(r.second - r.first, false);
    for (size_t i = r.first; i < r.second; ++i)
        if (row(i).fake) {
            markers.push_back(seq_[i]);
            taken[i - r.first] = true;
        }
    for (const T_chanRef& c : refs)
        for (size_t i : matches(c, r.first, r.second))
            if (!taken[i - r.first]) {
                taken[i - r.first] = true;
                front.push_back(seq_[i]);
            }
    if (front.empty()) return;
    *any = true;
    for (size_t i = r.first; i < r.second; ++i)
        if (!taken[i - r.first]) rest.push_back(seq_[i]);
    size_t at = r.first;
    for (const auto* part : {&markers, &front, &rest})
        for (uint32_t s : *part) seq_[at++] = s;
}

bool Applier::newBouquet(const T_edit& e, T_editsReport* rep, const std::string& line) {
    // The channels by physical satellite, in the edit's order, as rows of
    // the store: the sequence changes as the satellites get theirs.
    std::vector<int32_t> sats;
    std::map<int32_t, std::vector<uint32_t>> bySat;
    for (const T_chanRef& c : e.channels) {
        const std::vector<size_t> m = matches(c);
        if (m.empty()) continue;
        const int32_t sat = row(m.front()).realSatId;
        if (!bySat.count(sat)) sats.push_back(sat);
        auto& v = bySat[sat];
        if (std::find_if(v.begin(), v.end(),
                         [&](uint32_t s) { return keys_[s] == key(m.front()); }) == v.end())
            v.push_back(seq_[m.front()]);
    }
    if (sats.empty()) return false;
    bool cut = false;
    const std::string name = fitted(e.bouquet, kBouquetNameChars[type_], &cut);
    if (cut) rep->cut.push_back(shownAs(line, name));
    int32_t groupId = 0;
    for (const T_dbCh& c : store_) groupId = std::max(groupId, c.groupId);
    for (uint32_t i = 1; i <= db_.satDB->count; ++i)
        groupId = std::max(groupId, db_.satDB->sat[i].groupId);
    bool made = false;
    for (int32_t sat : sats) {
        const std::vector<uint32_t>& rows = bySat[sat];
        ++groupId;
        std::string why;
        if (seq_.size() + rows.size() + 1 >= kChDbSlots) {
            rep->refused.push_back(line + ": the channel table is full");
            continue;
        }
        int32_t satId = sat;
        if (type_ != 0) {
            // A virtual satellite of its own, after the others.
            T_dbSatTable& s = *db_.satDB;
            const T_dbSat* like = nullptr;
            for (uint32_t i = 1; i <= s.count && !like; ++i)
                if (s.sat[i].realSatId == sat) like = &s.sat[i];
            if (!like || s.count + 1 >= kSatDbSlots) {
                rep->refused.push_back(line + ": the satellite table is full");
                continue;
            }
            T_dbSat v = *like;
            satId = sat * 1000 + groupId;
            v.sat_id = satId;
            v.groupId = groupId;
            const std::string shown =
                type_ == 1 ? name + " " + std::string(fieldView(like->location)) : name;
            copyUtf8(v.satName, shown);
            s.sat[++s.count] = v;
        }
        // Mode 0: after the satellite's last channel; the others at the end.
        size_t at = seq_.size();
        if (type_ == 0) {
            for (size_t i = 0; i < seq_.size(); ++i)
                if (row(i).sat_id == sat) at = i + 1;
        }
        std::vector<uint32_t> added;
        const T_dbCh* marker = nullptr;
        for (const T_dbCh& c : store_)
            if (c.fake) marker = &c;
        if (type_ == 0 && marker) {
            T_dbCh m = *marker;
            const T_dbCh first = store_[rows.front()];
            m.sat_id = first.sat_id;
            m.realSatId = first.realSatId;
            m.stp_id = first.stp_id;
            m.groupId = m.bou_id = groupId;
            copyUtf8(m.groupName, name);
            copyUtf8(m.ch_name, ("@ " + name + " @"));
            store_.push_back(m);
            keys_.push_back(keyOf(m));
            added.push_back(static_cast<uint32_t>(store_.size() - 1));
        }
        for (uint32_t r : rows) {
            T_dbCh c = store_[r];
            c.sat_id = satId;
            c.groupId = groupId;
            c.bou_id = type_ == 1 ? groupId : c.bou_id;
            copyUtf8(c.groupName, name);
            if (!ensureTp(c, &why)) break;
            store_.push_back(c);
            keys_.push_back(keys_[r]);
            added.push_back(static_cast<uint32_t>(store_.size() - 1));
        }
        if (!why.empty()) {
            rep->refused.push_back(line + ": " + why);
            continue;
        }
        seq_.insert(seq_.begin() + static_cast<long>(at), added.begin(), added.end());
        made = true;
    }
    return made;
}

bool Applier::favourite(const T_edit& e, std::string* why) {
    const std::vector<size_t> m = matches(e.channels.front());
    if (m.empty()) return false;
    T_dbFavTable& f = *db_.favDB;
    const std::string& name = e.bouquet;
    int32_t favId = -1, maxId = 0;
    for (uint32_t i = 1; i <= f.count; ++i) {
        maxId = std::max(maxId, f.fav[i].fav_id);
        if (fieldView(f.fav[i].fav_name) == name) favId = f.fav[i].fav_id;
    }
    if (favId < 0) {
        if (f.count + 1 >= kFavDbSlots) {
            *why = "the favourite group table is full";
            return false;
        }
        ++f.count;
        f.fav[f.count].fav_id = favId = maxId + 1;
        copyUtf8(f.fav[f.count].fav_name, name);
    }
    const T_dbCh& c = row(m.front());
    T_dbChFavTable& l = *db_.chFavDB;
    for (uint32_t i = 1; i <= l.count; ++i)
        if (l.chFav[i].fav_id == favId && l.chFav[i].realSatId == c.realSatId &&
            l.chFav[i].stp_id == c.stp_id && fieldView(l.chFav[i].sid) == fieldView(c.sid))
            return true;
    if (l.count + 1 >= kChFavDbSlots) {
        *why = "the favourite channel table is full";
        return false;
    }
    T_dbChFav& n = l.chFav[++l.count];
    n = T_dbChFav{};
    n.sat_id = c.sat_id;
    n.realSatId = c.realSatId;
    n.stp_id = c.stp_id;
    n.groupId = c.groupId;
    copyText(n.sid, std::string(fieldView(c.sid)).c_str());
    n.ch_type = c.ch_type;
    n.fav_id = favId;
    return true;
}

void Applier::apply(const T_edit& e, T_editsReport* rep) {
    const std::string line = formatEdit(e);
    if (e.kind == EditKind::kComment) return;
    if (e.kind == EditKind::kUnknown) {
        rep->unknown.push_back(line);
        return;
    }
    bool done = false, cut = false;
    std::string why;
    switch (e.kind) {
    case EditKind::kOrder:
        for (const Run& r : runsNamed(e.bouquet)) orderRun(r, e.channels, &done);
        break;
    case EditKind::kRename: {
        const std::string name = fitted(e.name, kChannelNameChars, &cut);
        for (size_t i : matches(e.channels.front())) {
            copyUtf8(row(i).ch_name, name);
            done = true;
        }
        if (done && cut) rep->cut.push_back(shownAs(line, name));
        break;
    }
    case EditKind::kRenameBouquet: {
        const std::string& old = e.bouquet;
        const std::string name = fitted(e.name, kBouquetNameChars[type_], &cut);
        std::set<int32_t> sats;
        for (const Run& r : runsNamed(e.bouquet)) {
            for (size_t i = r.first; i < r.second; ++i) {
                copyUtf8(row(i).groupName, name);
                if (row(i).fake) copyUtf8(row(i).ch_name, ("@ " + name + " @"));
            }
            sats.insert(row(r.first).sat_id);
            done = true;
        }
        if (type_ != 0)
            for (uint32_t i = 1; i <= db_.satDB->count; ++i) {
                T_dbSat& s = db_.satDB->sat[i];
                if (!sats.count(s.sat_id)) continue;
                const std::string shown =
                    type_ == 1 ? name + " " + std::string(fieldView(s.location)) : name;
                copyUtf8(s.satName, shown);
            }
        if (type_ == 2)
            for (uint32_t i = 1; i <= db_.favDB->count; ++i)
                if (fieldView(db_.favDB->fav[i].fav_name) == old)
                    copyUtf8(db_.favDB->fav[i].fav_name, name);
        if (done && cut) rep->cut.push_back(shownAs(line, name));
        break;
    }
    case EditKind::kHide: {
        std::vector<size_t> rows;
        if (e.bouquet.empty()) {
            rows = matches(e.channels.front());
        } else {
            for (const Run& r : runsNamed(e.bouquet)) {
                const std::vector<size_t> m = matches(e.channels.front(), r.first, r.second);
                rows.insert(rows.end(), m.begin(), m.end());
            }
        }
        done = !rows.empty();
        if (done) removeRows(rows);
        break;
    }
    case EditKind::kCopy:
    case EditKind::kMove: {
        std::vector<size_t> from;
        if (e.kind == EditKind::kMove) {
            for (const Run& r : runsNamed(e.from)) {
                const std::vector<size_t> m = matches(e.channels.front(), r.first, r.second);
                from.insert(from.end(), m.begin(), m.end());
            }
        } else {
            from = matches(e.channels.front());
        }
        if (from.empty()) break;
        const T_dbCh src = row(from.front());
        const Key k = key(from.front());
        std::vector<Run> into;
        for (const Run& r : runsNamed(e.bouquet))
            if (row(r.first).realSatId == src.realSatId) into.push_back(r);
        if (into.empty()) {
            why = "no bouquet \"" + e.bouquet + "\" on the channel's satellite";
            break;
        }
        // From the last run back, so the earlier runs' places hold.
        for (auto r = into.rbegin(); r != into.rend() && why.empty(); ++r) {
            bool there = false;
            for (size_t i = r->first; i < r->second; ++i) there = there || key(i) == k;
            if (!there) insertCopy(src, k, *r, &why);
        }
        if (!why.empty()) break;
        done = true;
        if (e.kind == EditKind::kMove) {
            std::vector<size_t> rows;
            for (const Run& r : runsNamed(e.from)) {
                const std::vector<size_t> m = matches(e.channels.front(), r.first, r.second);
                rows.insert(rows.end(), m.begin(), m.end());
            }
            if (!rows.empty()) removeRows(rows);
        }
        break;
    }
    case EditKind::kNewBouquet:
        if (!runsNamed(e.bouquet).empty()) {
            // The bouquet is there already: the channels it lacks join it.
            for (const T_chanRef& c : e.channels) {
                T_edit copy;
                copy.kind = EditKind::kCopy;
                copy.channels = {c};
                copy.bouquet = e.bouquet;
                T_editsReport inner;
                apply(copy, &inner);
                done = done || inner.applied > 0;
                for (const std::string& r : inner.refused) rep->refused.push_back(line + ": " + r);
            }
            if (done)
                ++rep->applied;
            else if (rep->refused.empty())
                rep->unmatched.push_back(line);
            return;
        }
        done = newBouquet(e, rep, line);
        break;
    case EditKind::kLock:
        for (size_t i : matches(e.channels.front())) {
            row(i).locked = e.on ? 1 : 0;
            done = true;
        }
        break;
    case EditKind::kLockBouquet:
        for (const Run& r : runsNamed(e.bouquet))
            for (size_t i = r.first; i < r.second; ++i) {
                if (!row(i).fake) row(i).locked = e.on ? 1 : 0;
                done = true;
            }
        break;
    case EditKind::kFavourite: done = favourite(e, &why); break;
    case EditKind::kComment:
    case EditKind::kUnknown: break;
    }
    if (!why.empty())
        rep->refused.push_back(line + ": " + why);
    else if (done)
        ++rep->applied;
    else
        rep->unmatched.push_back(line);
}

void Applier::finish(bool changed) {
    if (!changed) return;
    T_dbChTable& ch = *db_.chDB;
    for (size_t i = 0; i < seq_.size(); ++i) ch.ch[i + 1] = store_[seq_[i]];
    ch.count = static_cast<uint32_t>(seq_.size());

    // Virtual satellites left without channels go, with their transponders.
    if (type_ != 0) {
        std::set<int32_t> used;
        for (uint32_t i = 1; i <= ch.count; ++i) used.insert(ch.ch[i].sat_id);
        T_dbSatTable& s = *db_.satDB;
        uint32_t n = 0;
        for (uint32_t i = 1; i <= s.count; ++i)
            if (used.count(s.sat[i].sat_id)) s.sat[++n] = s.sat[i];
        s.count = n;
        T_dbTpTable& t = *db_.tpDB;
        n = 0;
        for (uint32_t i = 1; i <= t.count; ++i)
            if (used.count(t.tp[i].sat_id)) t.tp[++n] = t.tp[i];
        t.count = n;
    }

    // Each favourite link to its channel's row: the same bouquet's first,
    // else any row of the channel; a link whose channel is gone goes too.
    std::map<std::tuple<int32_t, int32_t, int32_t, std::string>, uint32_t> exact;
    std::map<std::tuple<int32_t, int32_t, std::string>, uint32_t> anyRow;
    for (uint32_t i = ch.count; i >= 1; --i) {
        const T_dbCh& c = ch.ch[i];
        if (c.fake) continue;
        const std::string sid(fieldView(c.sid));
        exact[{c.sat_id, c.stp_id, c.groupId, sid}] = i;
        anyRow[{c.realSatId, c.stp_id, sid}] = i;
    }
    T_dbChFavTable& l = *db_.chFavDB;
    uint32_t n = 0;
    for (uint32_t i = 1; i <= l.count; ++i) {
        T_dbChFav f = l.chFav[i];
        const std::string sid(fieldView(f.sid));
        uint32_t at = 0;
        if (auto e = exact.find({f.sat_id, f.stp_id, f.groupId, sid}); e != exact.end()) {
            at = e->second;
        } else if (auto a = anyRow.find({f.realSatId, f.stp_id, sid}); a != anyRow.end()) {
            at = a->second;
            f.sat_id = ch.ch[at].sat_id;
            f.groupId = ch.ch[at].groupId;
        }
        if (!at) continue;
        f.chIndex = static_cast<int32_t>(at - 1);
        l.chFav[++n] = f;
    }
    l.count = n;

    // The counters the window and the writers' reports show.
    T_dbReport& r = *db_.report;
    countChannels(ch, &r);
    if (type_ != 0) r.fakeSatellites = db_.satDB->count;
    r.transponders = db_.tpDB->count;
    r.favGroups = db_.favDB->count;
    r.favChannels = l.count;
}

}  // namespace

T_editsReport applyEdits(const T_editsDoc& doc, const T_channelTables& db, int listType) {
    T_editsReport rep;
    if (!db.complete() || listType < 0 || listType > 2) return rep;
    bool any = false;
    for (const T_edit& e : doc.edits) any = any || (e.kind != EditKind::kComment);
    if (!any) return rep;
    Applier a(db, listType);
    for (const T_edit& e : doc.edits) a.apply(e, &rep);
    a.finish(rep.applied > 0);
    return rep;
}

ChanRefs::ChanRefs(const T_channelTables& db) : db_(db) {
    if (!db.complete()) return;
    // The first of each, as the tables list them.
    for (uint32_t i = 1; i <= db.satDB->count && i < kSatDbSlots; ++i)
        position_.emplace(db.satDB->sat[i].realSatId, db.satDB->sat[i].position);
    for (uint32_t i = 1; i <= db.tpDB->count && i < kTpDbSlots; ++i) {
        const T_dbTp& t = db.tpDB->tp[i];
        ids_.emplace(
            uint64_t{static_cast<uint32_t>(t.realSatId)} << 32 | static_cast<uint32_t>(t.stp_id),
            std::make_pair(uint32_t{idValue16(t.nid)}, uint32_t{idValue16(t.tid)}));
    }
}

T_chanRef ChanRefs::keyOf(const T_dbCh& ch) const {
    T_chanRef c;
    if (auto p = position_.find(ch.realSatId); p != position_.end()) c.position = p->second;
    const uint64_t tp =
        uint64_t{static_cast<uint32_t>(ch.realSatId)} << 32 | static_cast<uint32_t>(ch.stp_id);
    if (auto t = ids_.find(tp); t != ids_.end()) {
        c.nid = t->second.first;
        c.tid = t->second.second;
    }
    c.sid = idValue16(ch.sid);
    return c;
}

T_chanRef ChanRefs::of(uint32_t row) const {
    if (!db_.complete() || row < 1 || row > db_.chDB->count) return {};
    T_chanRef c = keyOf(db_.chDB->ch[row]);
    c.name = utf8Of(db_.chDB->ch[row].ch_name);
    return c;
}

T_chanRef chanRefOf(const T_channelTables& db, uint32_t row) { return ChanRefs(db).of(row); }
