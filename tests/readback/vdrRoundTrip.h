#pragma once
// A channels.conf read back through the program's own VDR importer gives
// every channel of the tables with what the tables hold of it: name,
// type, PIDs, audio tracks and languages, CA systems, ids, transponder,
// position, and its first group.
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "config/textFunc.h"
#include "import/importSources.h"
#include "import/importText.h"
#include "tests/readback/readback.h"
#include "writers/common/ids.h"
#include "writers/frame/writerFrame.h"

inline Faults vdrRoundTrip(const WriterInput& in, const std::string& image,
                           size_t* read = nullptr) {
    Faults f;
    ImportModel m;
    ImportError err;
    if (!readVdr("list.conf", image, &m, &err)) {
        f.add("the importer refuses it: %s", err.text().c_str());
        return f;
    }
    if (read) *read = m.chs.size();
    // Channels by position, frequency, polarisation and service id.
    using Key = std::tuple<int, int, int, unsigned>;
    std::map<Key, size_t> byKey;
    std::map<size_t, std::set<std::string>> groupsOf;
    for (size_t i = 0; i < m.chs.size(); ++i) {
        const ImpTransponder& t = m.tps[m.chs[i].tp];
        byKey.emplace(Key{m.sats[t.sat].position, t.frequency, t.polarity, m.chs[i].sid}, i);
    }
    for (const ImpGroup& g : m.bouquets)
        for (size_t c : g.channels) groupsOf[c].insert(g.name);
    auto pid = [](const char* hex, size_t n) {
        const unsigned v = idValue16(hex, n);
        return v <= 0x1FFF ? v : 0u;
    };
    std::map<int32_t, const T_dbSat*> sats;
    std::map<std::pair<int32_t, int32_t>, const T_dbTp*> tps;
    for (uint32_t s = in.satDB->count; s >= 1; --s)
        sats[in.satDB->sat[s].sat_id] = &in.satDB->sat[s];
    for (uint32_t s = in.tpDB->count; s >= 1; --s)
        tps[{in.tpDB->tp[s].sat_id, in.tpDB->tp[s].stp_id}] = &in.tpDB->tp[s];
    std::set<Key> seen;
    for (uint32_t i = 1; i <= in.chDB->count; ++i) {
        const T_dbCh& c = in.chDB->ch[i];
        if (c.fake) continue;
        auto si = sats.find(c.sat_id);
        auto ti = tps.find({c.sat_id, c.stp_id});
        if (si == sats.end() || ti == tps.end()) continue;
        const T_dbSat* sat = si->second;
        const T_dbTp* tp = ti->second;
        const std::string name(fieldView(c.ch_name));
        const Key key{sat->position, tp->frequency, tp->polarity, idValue16(c.sid)};
        auto it = byKey.find(key);
        if (it == byKey.end()) {
            f.add("channel %u \"%s\" not read back", i, name.c_str());
            continue;
        }
        const ImpChannel& r = m.chs[it->second];
        const ImpTransponder& t = m.tps[r.tp];
        auto differs = [&](const char* what) {
            f.add("channel %u \"%s\": %s", i, name.c_str(), what);
        };
        if (!seen.insert(key).second) continue;
        // The group it is first met in holds it (a long name is cut).
        std::string group(fieldView(sat->satName));
        if (!in.cfg || in.cfg->listType == 0) {
            group = fieldView(c.groupName);
            if (sat->location[0]) group += " " + std::string(fieldView(sat->location));
        }
        for (char& ch : group)
            if (ch == '#') ch = '-';  // the importer keeps it out of the configuration files
        bool inGroup = false;
        for (const std::string& g : groupsOf[it->second]) inGroup |= group.rfind(g, 0) == 0;
        if (!inGroup) differs(("not in its group " + group).c_str());
        std::string wantName = name;
        for (char& ch : wantName) {
            if (ch == ',' || ch == ';') ch = '.';
            if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
        }
        wantName = trim(wantName);
        if (wantName.empty()) wantName = "Service " + std::to_string(idValue16(c.sid));
        if (r.name != wantName) differs(("name \"" + r.name + "\"").c_str());
        const unsigned vpid = c.ch_type == 0 ? pid(c.vpid, sizeof c.vpid) : 0;
        if (r.radio != (vpid == 0) || r.vpid != vpid) differs("video PID or type");
        if (r.hd != (vpid != 0 && c.hd != 0)) differs("HD");
        if (r.txt != pid(c.txt_pid, sizeof c.txt_pid)) differs("teletext PID");
        std::vector<ImpAudio> want, dolby;
        for (uint32_t a = 1; a <= c.audioCount && a < kAudioSlots; ++a) {
            const T_dbAudio& x = c.audio[a];
            ImpAudio w;
            w.pid = pid(x.apid, sizeof x.apid);
            if (w.pid == 0) continue;
            w.lang = languageCode(fieldView(x.lang_name));
            if (w.lang.empty()) w.lang = kUndeterminedLanguage;
            w.dts = x.dts != 0;
            w.ac3 = x.ac3 != 0 && !w.dts;
            (w.dts || w.ac3 ? dolby : want).push_back(w);
        }
        want.insert(want.end(), dolby.begin(), dolby.end());
        bool audioSame = want.size() == r.audio.size();
        for (size_t a = 0; audioSame && a < want.size(); ++a)
            audioSame = want[a].pid == r.audio[a].pid && want[a].lang == r.audio[a].lang &&
                        want[a].ac3 == r.audio[a].ac3 && want[a].dts == r.audio[a].dts;
        if (!audioSame) differs("audio tracks");
        unsigned pcr = pid(c.pcr_pid, sizeof c.pcr_pid);
        if (pcr == 0) pcr = vpid != 0 ? vpid : (want.empty() ? 0 : want.front().pid);
        if (r.pcr != pcr) differs("PCR PID");
        std::set<int> cas;
        for (uint32_t k = 1; k <= c.casCount && k < kCasSlots; ++k)
            if ((c.cas[k] >= 0 && c.cas[k] <= 10) || c.cas[k] == 31) cas.insert(c.cas[k]);
        if (std::vector<int>(cas.begin(), cas.end()) != r.cas) differs("CA systems");
        const bool s2 = tp->modulation != 0;
        const int pilot = s2 ? (tp->pilot == 0 || tp->pilot == 1 ? tp->pilot : 2) : 0;
        if (t.sr != tp->sr || t.fec != (tp->fec >= 0 && tp->fec <= 9 ? tp->fec : 0) ||
            t.modulation != tp->modulation || t.pilot != pilot || t.nid != idValue16(tp->nid) ||
            t.tid != idValue16(tp->tid))
            differs("transponder values");
    }
    return f;
}
