#include "import/importDb.h"

#include "config/unicodeText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <utility>

#include "config/textFunc.h"
#include "import/importText.h"

const char* const kImportTables[11] = {
    "Sats",         "Transponders", "Channels",  "Bouquets",        "ChannelBouquet", "Languages",
    "ChannelAudio", "ChannelCas",   "Favorites", "ChannelFavorite", "TeamMsg"};

namespace {

// Seconds an import waits for rows another import holds.
constexpr unsigned kImportLockWait = 30;
constexpr unsigned kErrLockWaitTimeout = 1205;

using Rows = std::vector<std::vector<std::string>>;

int num(const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 10)); }
unsigned hexNum(const std::string& s) {
    return static_cast<unsigned>(std::strtoul(s.c_str(), nullptr, 16));
}
std::string hex4(unsigned v) { return strFormat("'%04X'", v & 0xFFFF); }

// Multi-row statements of a bounded size: the head, then the rows joined
// by commas, then the tail.
class Batch {
public:
    Batch(DbLink& db, std::string head, std::string tail = "")
        : db_(db), head_(std::move(head)), tail_(std::move(tail)) {}
    bool add(const std::string& row) {
        sql_ += sql_.empty() ? head_ : ",";
        sql_ += row;
        return sql_.size() < kMaxStatement || flush();
    }
    bool flush() {
        if (sql_.empty()) return true;
        if (!db_.exec(sql_ + tail_)) return false;
        sql_.clear();
        return true;
    }

private:
    static constexpr size_t kMaxStatement = 512 * 1024;
    DbLink& db_;
    std::string head_, tail_, sql_;
};

// The tables that hold a satellite's rows; the first columns are the key.
struct SatTable {
    const char* name;
    size_t keyColumns;
};
constexpr SatTable kSatTables[] = {{"Transponders", 2}, {"Channels", 3},   {"ChannelBouquet", 4},
                                   {"ChannelAudio", 4}, {"ChannelCas", 4}, {"ChannelFavorite", 5}};
enum SatTableIndex { kTps, kChs, kCb, kAudio, kCas, kCf, kSatTableCount };

// Rows of one table by key ("192|3|000A|", upper case as the collation
// compares): the other columns, to tell an updated row from an unchanged one.
using TableRows = std::map<std::string, std::string>;

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A new id for a group: above every id in use, below 1000 (the virtual
// satellites number bouquets and favourite groups as sat_id * 1000 + id).
bool newGroupId(const std::set<int>& used, int* id) {
    int next = used.empty() ? 1 : std::max(1, *used.rbegin() + 1);
    if (next < 1000) {
        *id = next;
        return true;
    }
    for (int i = 1; i < 1000; ++i)
        if (!used.count(i)) {
            *id = i;
            return true;
        }
    return false;
}

// The receiver lists get a satellite's name cut to this many characters
// (the downloads read substr(sat_name, 1, 24)).
constexpr size_t kListSatNameCut = 24;

// True when name is what a list written from the database shows of a
// longer name there: the database's name is kept then, since the list
// only lost its end. A name that differs otherwise, or a shorter prefix
// that the user may have chosen, is the source's.
bool isListCut(const std::string& name, const std::string& dbName) {
    const size_t cut = utf8PrefixBytes(dbName, kListSatNameCut);
    if (cut == dbName.size() || name.empty()) return false;
    ImportNotes scratch;
    return importName(dbName.substr(0, cut), true, kSatNameMax, &scratch, true) == name;
}

struct Importer {
    DbLink& db;
    const ImportModel& m;
    const IdHints& hints;
    ImportMode mode;
    ImportDbReport* r;
    std::string* err;

    std::vector<int> satId;             // per model satellite
    std::vector<int> stpId;             // per model transponder; 0: not written
    std::vector<int> bouId, favId;      // per model group
    std::map<std::string, int> langId;  // code -> id
    std::vector<bool> tpHasChannels;
    std::vector<TableRows> before;               // the satellites' rows before the import
    std::vector<std::set<std::string>> written;  // keys of the rows the import writes

    bool fail(const std::string& what) {
        *err = what + (db.error().empty() ? "" : ": " + db.error());
        // Another import holds the rows beyond the lock wait.
        if (db.errorCode() == kErrLockWaitTimeout)
            *err += " (another import is writing to the database; try again when it has ended)";
        return false;
    }
    bool exec(const std::string& sql) {
        return db.exec(sql) || fail("the database refused a statement");
    }
    bool query(const std::string& sql, Rows* rows) {
        return db.query(sql, rows) || fail("the database refused a query");
    }
    TableCount& count(const char* table) { return r->tables[table]; }

    std::string satList(bool replacedOnly) const {
        std::string s;
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "," + string.
        for (size_t i = 0; i < m.sats.size(); ++i) {
            if (replacedOnly && !m.sats[i].channels) continue;
            if (!s.empty()) s += ',';
            s += std::to_string(satId[i]);
        }
        return s;
    }

    bool satellites() {
        Rows rows;
        if (!query("SELECT sat_id, sat_name, position FROM Sats ORDER BY sat_id FOR UPDATE", &rows))
            return false;
        std::map<int, size_t> byPosition;
        std::set<int> ids;
        for (size_t i = 0; i < rows.size(); ++i) {
            ids.insert(num(rows[i][0]));
            byPosition.emplace(num(rows[i][2]), i);
        }
        satId.resize(m.sats.size());
        for (size_t s = 0; s < m.sats.size(); ++s) {
            const ImpSatellite& sat = m.sats[s];
            auto it = byPosition.find(sat.position);
            std::string name = sat.name;
            if (it != byPosition.end()) {
                const std::vector<std::string>& row = rows[it->second];
                satId[s] = num(row[0]);
                // A list names a satellite once even where the database's
                // name holds the position, and reading it takes the position
                // off: that is still the database's name.
                const bool sameName =
                    name == row[1].substr(0, nameWithoutLocation(row[1], sat.position));
                if (isListCut(name, row[1]) || sat.nameGuessed || sameName) name = row[1];
                if (!name.empty() && name != row[1]) {
                    if (!exec("UPDATE Sats SET sat_name=" + db.quote(name) +
                              " WHERE sat_id=" + row[0]))
                        return false;
                    ++count("Sats").updated;
                }
                if (name.empty()) name = row[1];
            } else {
                // The bundled data numbers a satellite by its position.
                int id = sat.position;
                if (ids.count(id)) id = *ids.rbegin() + 1;
                ids.insert(id);
                satId[s] = id;
                if (name.empty()) name = "Sat " + locationText(sat.position);
                if (!exec(
                        strFormat(
                            "INSERT INTO Sats (sat_id, sat_name, position, location) VALUES (%d, ",
                            id) +
                        db.quote(name) + strFormat(", %d, ", sat.position) +
                        db.quote(locationText(sat.position)) + ")"))
                    return false;
                ++count("Sats").added;
            }
            r->sats.push_back(IdName{satId[s], name});
        }
        return true;
    }

    bool transponders() {
        tpHasChannels.assign(m.tps.size(), false);
        for (const ImpChannel& c : m.chs) tpHasChannels[c.tp] = true;
        stpId.assign(m.tps.size(), 0);
        Rows rows;
        if (!query("SELECT sat_id, stp_id, frequency, polarity, tid FROM Transponders WHERE sat_id "
                   "IN (" +
                       satList(false) + ") ORDER BY sat_id, stp_id FOR UPDATE",
                   &rows))
            return false;
        // Rows and model transponders by satellite, so that each satellite
        // looks at its own only.
        std::map<int, std::vector<size_t>> rowsOf;
        for (size_t i = 0; i < rows.size(); ++i) rowsOf[num(rows[i][0])].push_back(i);
        std::vector<std::vector<size_t>> tpsOf(m.sats.size());
        for (size_t t = 0; t < m.tps.size(); ++t) tpsOf[m.tps[t].sat].push_back(t);
        using Band = std::pair<int, int>;  // frequency, polarity
        auto bandOf = [&](size_t t) { return Band(m.tps[t].frequency, m.tps[t].polarity); };
        for (size_t s = 0; s < m.sats.size(); ++s) {
            struct Old {
                int stp;
                unsigned tid;
                bool taken;
            };
            std::map<Band, std::vector<Old>> old;  // in id order within a band
            int maxStp = 0;
            for (size_t i : rowsOf[satId[s]]) {
                const auto& row = rows[i];
                old[Band(num(row[2]), num(row[3]))].push_back(
                    Old{num(row[1]), hexNum(row[4]), false});
                maxStp = std::max(maxStp, num(row[1]));
            }
            std::vector<size_t>& mine = tpsOf[s];
            // In frequency order, so that new ids follow the band.
            std::stable_sort(mine.begin(), mine.end(),
                             [&](size_t a, size_t b) { return bandOf(a) < bandOf(b); });
            if (!m.sats[s].channels) {
                // Transponders only: add those the satellite lacks.
                std::set<Band> known;
                for (const auto& [band, list] : old) known.insert(band);
                for (size_t t : mine)
                    if (known.insert(bandOf(t)).second) stpId[t] = ++maxStp;
                continue;
            }
            // A transponder without ids and channels that another one of the
            // same frequency and polarity covers is left out, and so is one
            // without channels that repeats a kept one's ids.
            auto informative = [&](size_t t) {
                return tpHasChannels[t] || m.tps[t].tid != 0 || m.tps[t].nid != 0;
            };
            std::set<Band> covered;
            for (size_t t : mine)
                if (informative(t)) covered.insert(bandOf(t));
            std::vector<size_t> kept;
            std::set<std::tuple<int, int, unsigned, unsigned>> keptIds;
            for (size_t t : mine) {
                const ImpTransponder& tp = m.tps[t];
                if (!informative(t) && covered.count(bandOf(t))) continue;
                const auto ids = std::make_tuple(tp.frequency, tp.polarity, tp.tid, tp.nid);
                if (!tpHasChannels[t] && keptIds.count(ids)) continue;
                keptIds.insert(ids);
                kept.push_back(t);
            }
            // The old id of the same frequency, polarity and stream id, else
            // of the same frequency and polarity, else a new one.
            for (int pass = 0; pass < 2; ++pass)
                for (size_t t : kept) {
                    if (stpId[t]) continue;
                    auto it = old.find(bandOf(t));
                    if (it == old.end()) continue;
                    for (Old& o : it->second)
                        if (!o.taken && (pass == 1 || o.tid == m.tps[t].tid)) {
                            o.taken = true;
                            stpId[t] = o.stp;
                            break;
                        }
                }
            for (size_t t : kept)
                if (!stpId[t]) stpId[t] = ++maxStp;
        }
        return true;
    }

    bool groups(bool favourites) {
        const char* table = favourites ? "Favorites" : "Bouquets";
        const char* idCol = favourites ? "fav_id" : "bou_id";
        const char* nameCol = favourites ? "fav_name" : "bou_name";
        Rows rows;
        if (!query(strFormat("SELECT %s, %s, sort_id, %s FROM %s ORDER BY %s FOR UPDATE", idCol,
                             nameCol, favourites ? "0" : "nat_id", table, idCol),
                   &rows))
            return false;
        std::map<std::string, int> byName, nationOf;
        std::set<int> dbIds;
        int maxSort = 0;
        for (const auto& row : rows) {
            byName.emplace(row[1], num(row[0]));
            nationOf.emplace(row[1], num(row[3]));
            dbIds.insert(num(row[0]));
            maxSort = std::max(maxSort, num(row[2]));
        }
        std::set<int> used = dbIds;
        const std::set<int>& cfgUsed = favourites ? hints.favouriteIdsUsed : hints.bouquetIdsUsed;
        used.insert(cfgUsed.begin(), cfgUsed.end());
        const std::map<std::string, int>& named =
            favourites ? hints.favouriteIds : hints.bouquetIds;
        const std::vector<ImpGroup>& gs = favourites ? m.favourites : m.bouquets;
        std::vector<int>& ids = favourites ? favId : bouId;
        ids.assign(gs.size(), 0);
        for (size_t g = 0; g < gs.size(); ++g) {
            auto it = byName.find(gs[g].name);
            int nation = hints.nationId;
            if (it != byName.end()) {
                ids[g] = it->second;
                nation = nationOf[gs[g].name];
            } else {
                auto h = named.find(gs[g].name);
                int id = 0;
                if (h != named.end() && !dbIds.count(h->second) && h->second > 0 &&
                    h->second < 1000)
                    id = h->second;
                else if (!newGroupId(used, &id))
                    return fail(std::string("no ") + (favourites ? "favourite group" : "bouquet") +
                                " id below 1000 is left");
                used.insert(id);
                dbIds.insert(id);
                ids[g] = id;
                std::string sql =
                    favourites ? strFormat(
                                     "INSERT INTO Favorites (fav_id, fav_name, enable, sort_id) "
                                     "VALUES (%d, ",
                                     id) +
                                     db.quote(gs[g].name) + strFormat(", '1', %d)", ++maxSort)
                               : strFormat(
                                     "INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id) "
                                     "VALUES (%d, ",
                                     id) +
                                     db.quote(gs[g].name) +
                                     strFormat(", %d, %d)", hints.nationId, ++maxSort);
                if (!exec(sql)) return false;
                ++count(table).added;
            }
            (favourites ? r->favourites : r->bouquets)
                .push_back(IdName{ids[g], gs[g].name, nation});
        }
        return true;
    }

    bool languages() {
        Rows rows;
        if (!query("SELECT lang_id, lang_name FROM Languages ORDER BY lang_id FOR UPDATE", &rows))
            return false;
        int maxId = 0;
        for (const auto& row : rows) {
            std::string code = languageCode(row[1]);
            if (!code.empty()) langId.emplace(code, num(row[0]));
            maxId = std::max(maxId, num(row[0]));
        }
        for (const ImpChannel& c : m.chs)
            for (const ImpAudio& a : c.audio) {
                if (langId.count(a.lang)) continue;
                auto twin = langId.find(languageTwin(a.lang));
                if (twin != langId.end()) {
                    langId[a.lang] = twin->second;
                    continue;
                }
                langId[a.lang] = ++maxId;
                if (!exec(strFormat("INSERT INTO Languages (lang_id, lang_name) VALUES (%d, ",
                                    maxId) +
                          db.quote(a.lang) + ")"))
                    return false;
                ++count("Languages").added;
            }
        return true;
    }

    // The rows of every satellite of the model, by key.
    bool snapshot(std::vector<TableRows>* out) {
        out->assign(kSatTableCount, {});
        for (size_t t = 0; t < kSatTableCount; ++t) {
            Rows rows;
            if (!query(std::string("SELECT * FROM ") + kSatTables[t].name + " WHERE sat_id IN (" +
                           satList(false) + ")",
                       &rows))
                return false;
            for (const auto& row : rows) {
                std::string key, rest;
                for (size_t c = 0; c < row.size(); ++c)
                    if (c < kSatTables[t].keyColumns)
                        key += upper(row[c]) + "|";
                    else
                        rest += row[c] + "|";
                (*out)[t].emplace(std::move(key), std::move(rest));
            }
        }
        return true;
    }

    // A replace empties the satellites the model has channels of; a merge
    // takes out only the audio tracks and CA systems of the channels it
    // writes (the transponders and channels are written over in place).
    bool removeOld() {
        const std::string sats = satList(true);
        if (sats.empty()) return true;
        if (mode == ImportMode::kMerge) {
            for (const char* table : {"ChannelAudio", "ChannelCas"}) {
                Batch del(db,
                          std::string("DELETE FROM ") + table + " WHERE (sat_id, stp_id, sid) IN (",
                          ")");
                for (const ImpChannel& c : m.chs)
                    if (!del.add(std::string("(").append(key(c)).append(")")))
                        return fail(std::string("removing the old rows of ") + table + " failed");
                if (!del.flush())
                    return fail(std::string("removing the old rows of ") + table + " failed");
            }
            return true;
        }
        for (const char* table : {"ChannelFavorite", "ChannelCas", "ChannelAudio", "ChannelBouquet",
                                  "Channels", "Transponders"})
            if (!exec(std::string("DELETE FROM ") + table + " WHERE sat_id IN (" + sats + ")"))
                return fail(std::string("removing the old rows of ") + table + " failed");
        return true;
    }

    // Rows written, rows gone: a row the import writes is added, updated or
    // unchanged; a row it does not write that is gone is removed.
    bool tally() {
        std::vector<TableRows> after;
        if (!snapshot(&after)) return false;
        for (size_t t = 0; t < kSatTableCount; ++t) {
            TableCount& c = count(kSatTables[t].name);
            for (const std::string& k : written[t]) {
                auto old = before[t].find(k);
                if (old == before[t].end())
                    ++c.added;
                else if (old->second != after[t][k])
                    ++c.updated;
                else
                    ++c.unchanged;
            }
            for (const auto& [k, rest] : before[t])
                if (!after[t].count(k)) ++c.removed;
        }
        return true;
    }

    std::string key(const ImpChannel& c) const {
        const ImpTransponder& t = m.tps[c.tp];
        return strFormat("%d, %d, '%04X'", satId[t.sat], stpId[c.tp], c.sid & 0xFFFF);
    }
    // The snapshot's key of a channel's row, with more key columns after it.
    std::string rowKey(const ImpChannel& c, const std::vector<int>& more = {}) const {
        const ImpTransponder& t = m.tps[c.tp];
        std::string k = strFormat("%d|%d|%04X|", satId[t.sat], stpId[c.tp], c.sid & 0xFFFF);
        for (int v : more) k += std::to_string(v) + "|";
        return k;
    }

    // The last place in each group of each satellite ("sat|group") that a
    // merge keeps, so that new members follow the kept ones.
    std::map<std::string, int> lastPlaces(SatTableIndex t) const {
        std::map<std::string, int> last;
        if (mode != ImportMode::kMerge) return last;
        for (const auto& [k, rest] : before[t]) {
            const std::vector<std::string_view> f = split(k, '|');
            int& place = last[std::string(f[0]) + "|" + std::string(f[t == kCb ? 3 : 4])];
            place = std::max(place, num(std::string(split(rest, '|')[0])));
        }
        return last;
    }

    bool insertRows() {
        // A merge writes over the rows of the same key and keeps the others.
        const std::string verb = mode == ImportMode::kMerge ? "REPLACE" : "INSERT";
        written.assign(kSatTableCount, {});
        Batch tps(db, verb +
                          " INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, "
                          "fec, modulation, nid, tid, pilot, flag_feed) VALUES ");
        static const char kPol[4] = {'V', 'H', 'R', 'L'};
        for (size_t t = 0; t < m.tps.size(); ++t) {
            if (!stpId[t]) continue;
            const ImpTransponder& tp = m.tps[t];
            const std::string name = strFormat("%d %c", tp.frequency, kPol[tp.polarity & 3]);
            written[kTps].insert(strFormat("%d|%d|", satId[tp.sat], stpId[t]));
            if (!tps.add(strFormat("(%d, %d, '%s', %d, %d, %d, %d, %d, %s, %s, %d, 0)",
                                   satId[tp.sat], stpId[t], name.c_str(), tp.frequency, tp.polarity,
                                   tp.sr, tp.fec, tp.modulation, hex4(tp.nid).c_str(),
                                   hex4(tp.tid).c_str(), tp.pilot)))
                return fail("writing the transponders failed");
        }
        if (!tps.flush()) return fail("writing the transponders failed");

        Batch chs(db, verb +
                          " INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, "
                          "pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, "
                          "dupdsid, cat_id, hd, d3) VALUES ");
        Batch audio(db,
                    "INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, "
                    "dts) VALUES ");
        Batch cas(db, "INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES ");
        for (const ImpChannel& c : m.chs) {
            const std::string k = key(c);
            const int cat = c.category ? c.category
                            : c.radio  ? kDefaultRadioCategory
                                       : kDefaultTvCategory;
            std::string row = "(" + k + ", " + db.quote(c.name) +
                              strFormat(", %d, ", c.radio ? 1 : 0) + hex4(c.vpid) + ", " +
                              hex4(c.pmt) + ", " + hex4(c.pcr) + ", " + hex4(c.txt) +
                              strFormat(", %d, %d, %d, 0, 0, 0, 0, %d, %d, 0)", c.subtitle ? 1 : 0,
                                        c.cas.empty() ? 0 : 1, c.locked ? 1 : 0, cat, c.hd ? 1 : 0);
            written[kChs].insert(rowKey(c));
            if (!chs.add(row)) return fail("writing the channels failed");
            int sort = 0;
            for (const ImpAudio& a : c.audio) {
                written[kAudio].insert(rowKey(c, {++sort}));
                if (!audio.add(
                        "(" + k + strFormat(", %d, ", sort) + hex4(a.pid) +
                        strFormat(", %d, %d, %d)", langId[a.lang], a.ac3 ? 1 : 0, a.dts ? 1 : 0)))
                    return fail("writing the audio tracks failed");
            }
            for (int code : c.cas) {
                written[kCas].insert(rowKey(c, {code}));
                if (!cas.add("(" + k + strFormat(", %d)", code)))
                    return fail("writing the CA systems failed");
            }
        }
        if (!chs.flush() || !audio.flush() || !cas.flush())
            return fail("writing the channels failed");

        // Bouquet and group places: in a merge a channel keeps the place it
        // has, and one new to the group comes after the kept ones.
        auto satOf = [&](size_t ch) { return satId[m.tps[m.chs[ch].tp].sat]; };
        std::map<std::string, int> last = lastPlaces(kCb);
        std::vector<int> firstBouquet(m.chs.size(), 0);
        // A channel's place in its group: under --merge a row already there
        // keeps its place and a new one goes after the group's last; else
        // the source's order. False: the row stays as it is.
        auto place = [&](int table, const std::string& k, int sat, int group, int* sort) {
            if (mode == ImportMode::kMerge) {
                if (before[table].count(k)) return false;
                *sort = ++last[strFormat("%d|%d", sat, group)];
            } else {
                ++*sort;
            }
            written[table].insert(k);
            return true;
        };
        Batch cb(db, "INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES ");
        for (size_t g = 0; g < m.bouquets.size(); ++g) {
            int sort = 0;
            for (size_t ch : m.bouquets[g].channels) {
                if (!firstBouquet[ch]) firstBouquet[ch] = bouId[g];
                if (!place(kCb, rowKey(m.chs[ch], {bouId[g]}), satOf(ch), bouId[g], &sort))
                    continue;
                if (!cb.add("(" + key(m.chs[ch]) + strFormat(", %d, %d)", bouId[g], sort)))
                    return fail("writing the bouquets' channels failed");
            }
        }
        if (!cb.flush()) return fail("writing the bouquets' channels failed");
        last = lastPlaces(kCf);
        Batch cf(db,
                 "INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id) "
                 "VALUES ");
        for (size_t g = 0; g < m.favourites.size(); ++g) {
            int sort = 0;
            for (size_t ch : m.favourites[g].channels) {
                if (!place(kCf, rowKey(m.chs[ch], {firstBouquet[ch], favId[g]}), satOf(ch),
                           favId[g], &sort))
                    continue;
                if (!cf.add("(" + key(m.chs[ch]) +
                            strFormat(", %d, %d, %d)", firstBouquet[ch], favId[g], sort)))
                    return fail("writing the favourite groups' channels failed");
            }
        }
        return cf.flush() || fail("writing the favourite groups' channels failed");
    }

    // A database made from imports alone has no message row for this
    // version, without which no download starts.
    bool messageRow() {
        Rows rows;
        const std::string key = db.quote(hints.appKey);
        if (!query("SELECT COUNT(*) FROM TeamMsg WHERE application=" + key, &rows)) return false;
        if (!rows.empty() && num(rows[0][0]) > 0) return true;
        if (!exec("INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use) "
                  "VALUES (" +
                  key + ", 'Channel data imported with velartis-cli.', '00', '00', 'N', 'Y')") ||
            !exec("INSERT IGNORE INTO BrenikToolsCounter (application, counter) VALUES (" + key +
                  ", 0)"))
            return false;
        ++count("TeamMsg").added;
        return true;
    }

    // Raises the data version in the import's transaction, so a client that
    // saw the old number downloads again; a database without the table has
    // no clients that skip.
    bool raiseVersion() {
        Rows rows;
        if (!query("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                   "DATABASE() AND TABLE_NAME = 'DataVersion'",
                   &rows))
            return false;
        if (rows.empty() || num(rows[0][0]) == 0) return true;
        return exec("UPDATE DataVersion SET version = version + 1 WHERE id = 1");
    }

    bool run() {
        for (const char* t : kImportTables) r->tables[t];
        // A download's snapshot takes no locks; only another import waits,
        // and not for ever.
        if (!exec(strFormat("SET SESSION innodb_lock_wait_timeout = %u", kImportLockWait)) ||
            !exec("START TRANSACTION"))
            return false;
        return satellites() && transponders() && groups(false) && groups(true) && languages() &&
               snapshot(&before) && removeOld() && insertRows() && messageRow() && tally() &&
               raiseVersion();
    }
};

}  // namespace

bool importIntoDb(DbLink& db, const ImportModel& model, const IdHints& hints, ImportMode mode,
                  ImportDbReport* r, std::string* err) {
    // Latin1 columns take the names as they will read back, so that they
    // compare equal with what the database holds on the next import.
    ImportModel spelled;
    if (!db.namesUtf8()) {
        spelled = model;
        auto spell = [&](std::string& name) {
            if (fitsCp1252(name)) return;
            name = latin1ToUtf8(toCp1252Latin(name));
            ++r->spelledNames;
        };
        for (ImpSatellite& x : spelled.sats) spell(x.name);
        for (ImpChannel& x : spelled.chs) spell(x.name);
        for (ImpGroup& x : spelled.bouquets) spell(x.name);
        for (ImpGroup& x : spelled.favourites) spell(x.name);
    }
    const ImportModel& m = db.namesUtf8() ? model : spelled;
    Importer imp{db, m, hints, mode, r, err, {}, {}, {}, {}, {}, {}, {}, {}};
    if (imp.run()) return true;
    db.exec("ROLLBACK");
    return false;
}
