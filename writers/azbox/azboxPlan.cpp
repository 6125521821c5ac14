#include "writers/azbox/azboxPlan.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <unordered_map>

#include "channels/location.h"
#include "config/textFunc.h"

namespace azbox {

namespace {

bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

uint64_t tpKey(int32_t satId, int32_t stpId) {
    return static_cast<uint64_t>(static_cast<uint32_t>(satId)) << 32 | static_cast<uint32_t>(stpId);
}

// Why a transponder cannot be written, or null.
const char* tpFault(const T_dbTp& t) {
    if (!inRange(t.polarity, 0, 3)) return "polarity code outside 0 to 3";
    if (!inRange(t.fec, 0, 9)) return "FEC code outside 0 to 9";
    if (!inRange(t.modulation, 0, 2)) return "modulation code outside 0 to 2";
    return nullptr;
}

// Why a dish set-up has no record in antenna_list.dat, or empty.
std::string dishFault(const T_dbSat& s) {
    if (!inRange(s.lnbType, 0, 2)) return strFormat("LNB type %d outside 0 to 2", s.lnbType);
    if (!inRange(s.power, 0, 3)) return strFormat("LNB power %d outside 0 to 3", s.power);
    if (!inRange(s.switchType, 0, 2))
        return strFormat("switch type %d outside 0 to 2", s.switchType);
    if (!inRange(s.diseqc, 0, 3)) return strFormat("DiSEqC code %d outside 0 to 3", s.diseqc);
    if (s.switchType != 0 && !inRange(s.switch10, 0, 3))
        return strFormat("switch 1.0 port %d outside 0 to 3", s.switch10);
    if (s.switchType == 2 && !inRange(s.switch11, 0, 15))
        return strFormat("switch 1.1 port %d outside 0 to 15", s.switch11);
    return {};
}

void planFavourites(const WriterInput& in, Plan* pl, std::vector<std::string>* skipped) {
    const T_dbFavTable& favs = *in.favDB;
    const T_dbChFavTable& links = *in.chFavDB;
    const uint32_t nFav = favs.count < kFavDbSlots ? favs.count : kFavDbSlots - 1;
    const uint32_t nLinks = links.count < kChFavDbSlots ? links.count : kChFavDbSlots - 1;
    const uint32_t nChAll = in.chDB->count < kChDbSlots ? in.chDB->count : kChDbSlots - 1;

    // The channels of each group id, in link order. Links beyond the first
    // channels, or to a channel that was left out, have no node to point at.
    std::unordered_map<int32_t, std::vector<uint32_t>> byFav;
    for (uint32_t i = 1; i <= nLinks; ++i) {
        const T_dbChFav& l = links.chFav[i];
        const int64_t m = static_cast<int64_t>(l.chIndex) + 1;
        if (m < 1 || m > nChAll) {
            if (skipped)
                skipped->push_back(
                    strFormat("Favourite link %u (group %d): channel index %d is not "
                              "in the channel list; left out.",
                              i, l.fav_id, l.chIndex));
            continue;
        }
        if (m > pl->nCh || pl->tpOfCh[static_cast<size_t>(m)] == 0) continue;
        byFav[l.fav_id].push_back(static_cast<uint32_t>(m));
    }

    static const std::vector<uint32_t> kNone;
    auto members = [&](const T_dbFav& f) -> const std::vector<uint32_t>& {
        auto it = byFav.find(f.fav_id);
        return it == byFav.end() ? kNone : it->second;
    };
    std::vector<uint32_t> overflowing;
    for (uint32_t g = 1; g <= nFav; ++g) {
        const T_dbFav& f = favs.fav[g];
        const auto& chs = members(f);
        FavGroup grp{f.fav_id, fieldText(f.fav_name), {}};
        grp.channels.assign(chs.begin(),
                            chs.begin() + std::min<std::ptrdiff_t>(std::ssize(chs), kAzFavBlock));
        pl->favGroups.push_back(std::move(grp));
        if (chs.size() > kAzFavBlock) overflowing.push_back(g);
    }
    // A B group takes ranks 201 to 400, but only when every overflowing
    // group gets one within the fixed number of group records.
    if (overflowing.empty() || nFav + overflowing.size() > kAzFavGroups) return;
    for (uint32_t g : overflowing) {
        const T_dbFav& f = favs.fav[g];
        const auto& chs = members(f);
        FavGroup grp{f.fav_id + 100, fieldText(f.fav_name) + "-B", {}};
        grp.channels.assign(
            chs.begin() + kAzFavBlock,
            chs.begin() + std::min<std::ptrdiff_t>(std::ssize(chs), 2 * kAzFavBlock));
        pl->favGroups.push_back(std::move(grp));
    }
}

}  // namespace

BuildResult imageResult(const ByteImage& b, std::string* out, const char* file) {
    if (!b.broken()) return {};
    out->clear();
    return BuildResult::fail(strFormat("The AZBox file %s overran its image.", file));
}

void putSatName(ByteImage& b, size_t off, const WriterInput& in, const T_dbSat& s) {
    if (in.cfg->listType == 2 && !endsWithLocation(fieldView(s.satName), s.position)) {
        char name[sizeof s.satName + sizeof s.location + 2];
        std::snprintf(name, sizeof name, "%.*s %.*s",
                      static_cast<int>(strnlen(s.satName, sizeof s.satName)), s.satName,
                      static_cast<int>(strnlen(s.location, sizeof s.location)), s.location);
        b.text(off, name, sizeof name, 64);
    } else {
        b.text(off, s.satName, 64);
    }
}

void makePlan(const WriterInput& in, Plan* pl, std::vector<std::string>* skipped) {
    const T_dbSatTable& sats = *in.satDB;
    const T_dbTpTable& tps = *in.tpDB;
    const T_dbChTable& chs = *in.chDB;
    pl->nSat = sats.count < kSatDbSlots ? sats.count : kSatDbSlots - 1;
    pl->nTp = tps.count < kTpDbSlots ? tps.count : kTpDbSlots - 1;
    pl->nCh = chs.count < kChDbSlots ? chs.count : kChDbSlots - 1;
    if (pl->nCh > kAzMaxChannels) pl->nCh = kAzMaxChannels;

    // Satellites: a repeated sat_id names the first record with it.
    std::unordered_map<int32_t, uint32_t> satById;
    satById.reserve(pl->nSat * 2);
    pl->firstSat.assign(pl->nSat + 1, 0);
    for (uint32_t s = 1; s <= pl->nSat; ++s)
        pl->firstSat[s] = satById.emplace(sats.sat[s].sat_id, s).first->second;

    // Transponders: a channel's transponder is the first record with its
    // sat_id and stp_id, even when that one is left out.
    std::unordered_map<uint64_t, uint32_t> tpByKey;
    tpByKey.reserve(pl->nTp * 2);
    pl->satOfTp.assign(pl->nTp + 1, 0);
    pl->tpLists.assign(pl->nSat + 1, {});
    for (uint32_t k = 1; k <= pl->nTp; ++k) {
        const T_dbTp& t = tps.tp[k];
        tpByKey.emplace(tpKey(t.sat_id, t.stp_id), k);
        auto sat = satById.find(t.sat_id);
        const char* why = sat == satById.end() ? "its satellite is not in the list" : tpFault(t);
        if (why) {
            if (skipped)
                skipped->push_back(strFormat("Transponder %u (satellite %d, %d MHz): %s; left out.",
                                             k, t.sat_id, t.frequency, why));
            continue;
        }
        pl->satOfTp[k] = sat->second;
        pl->tpLists[sat->second].push_back(k);
    }

    // Channels.
    pl->tpOfCh.assign(pl->nCh + 1, 0);
    pl->channelsWritten = 0;
    for (uint32_t m = 1; m <= pl->nCh; ++m) {
        const T_dbCh& c = chs.ch[m];
        auto tp = tpByKey.find(tpKey(c.sat_id, c.stp_id));
        std::string why;
        if (tp == tpByKey.end())
            why = "its transponder is not in the list";
        else if (pl->satOfTp[tp->second] == 0)
            why = "its transponder was left out";
        else if (c.ch_type != 0 && c.ch_type != 1)
            why = strFormat("channel type %d is neither TV (0) nor radio (1)", c.ch_type);
        if (!why.empty()) {
            if (skipped)
                skipped->push_back(
                    strFormat("Channel %u \"%s\" (satellite %d, transponder %d): %s; left out.", m,
                              fieldText(c.ch_name).c_str(), c.sat_id, c.stp_id, why.c_str()));
            continue;
        }
        pl->tpOfCh[m] = tp->second;
        ++pl->channelsWritten;
    }

    // Node order: satellites in order, each with its transponders, each
    // with its channels in chDB order.
    std::vector<uint32_t> posOfTp(pl->nTp + 1, 0);
    pl->chain.clear();
    for (uint32_t s = 1; s <= pl->nSat; ++s) {
        if (pl->firstSat[s] != s) continue;
        for (uint32_t k : pl->tpLists[s]) {
            posOfTp[k] = static_cast<uint32_t>(pl->chain.size());
            pl->chain.push_back(k);
        }
    }
    pl->chBegin.assign(pl->chain.size() + 1, 0);
    for (uint32_t m = 1; m <= pl->nCh; ++m)
        if (pl->tpOfCh[m]) ++pl->chBegin[posOfTp[pl->tpOfCh[m]] + 1];
    for (size_t i = 1; i < pl->chBegin.size(); ++i) pl->chBegin[i] += pl->chBegin[i - 1];
    pl->members.assign(pl->channelsWritten, 0);
    {
        std::vector<uint32_t> fill(pl->chBegin.begin(), pl->chBegin.end() - 1);
        for (uint32_t m = 1; m <= pl->nCh; ++m)
            if (pl->tpOfCh[m]) pl->members[fill[posOfTp[pl->tpOfCh[m]]]++] = m;
    }

    // Node addresses. A transponder without channels leaves R where it is,
    // so the next transponder gets the same addresses.
    pl->T.assign(pl->nTp + 1, 0);
    pl->V.assign(pl->nTp + 1, 0);
    pl->A.assign(pl->nCh + 1, 0);
    uint32_t R = kAzFirstAddress;
    for (size_t i = 0; i < pl->chain.size(); ++i) {
        const uint32_t k = pl->chain[i];
        pl->T[k] = R + 0x54;
        pl->V[k] = R + 0x104;
        for (uint32_t j = pl->chBegin[i]; j < pl->chBegin[i + 1]; ++j) {
            const uint32_t m = pl->members[j];
            pl->A[m] = (j == pl->chBegin[i] ? pl->V[k] : R) + 0xD0;
            R = pl->A[m];
        }
    }

    planFavourites(in, pl, skipped);

    // Satellite slots of antenna_list.dat: the first satellite of a slot
    // takes it, so the file keeps its fixed size.
    pl->refusal.clear();
    for (uint32_t s = 1; s <= pl->nSat; ++s) {
        const T_dbSat& sat = sats.sat[s];
        const int64_t slot = in.cfg->listType == 0 ? sat.sat_id : s;
        if (slot < 0 || slot > 255 || pl->slotSat[slot] != 0) continue;
        pl->slotSat[slot] = s;
        std::string why = dishFault(sat);
        if (!why.empty() && pl->refusal.empty())
            pl->refusal = strFormat("Satellite %u \"%s\": %s; no AZBox antenna record for it.", s,
                                    fieldText(sat.satName).c_str(), why.c_str());
    }

    pl->allChannelSize = kAzAllChannelFixed;
    if (!pl->chain.empty())
        pl->allChannelSize += kAzHeadSize + pl->chain.size() * kAzTpNodeSize +
                              static_cast<size_t>(pl->channelsWritten) * kAzChNodeSize;
    pl->dvbsSize = 128;
    for (uint32_t s = 1; s <= pl->nSat; ++s)
        pl->dvbsSize += 124 + pl->tpLists[pl->firstSat[s]].size() * 36;
}

std::string allChannelTooLarge(size_t size) {
    return strFormat(
        "Too many transponders and channels for AZBox format. (all_channel.dat: %zu "
        "bytes, %zu max)",
        size, kAzAllChannelMax);
}

std::string dvbsTooLarge(size_t size) {
    return strFormat("Too many transponders for AZBox format. (DVBS.dat: %zu bytes, %zu max)", size,
                     kAzDvbsMax);
}

}  // namespace azbox

BuildResult checkAzbox(const WriterInput& in, std::vector<std::string>* skipped) {
    if (in.report && in.report->fakeSatellites > kAzMaxFakeSatellites)
        return BuildResult::fail(fieldText(in.lang->msgAzboxMaxSat));
    azbox::Plan plan;
    azbox::makePlan(in, &plan, skipped);
    if (!plan.refusal.empty()) return BuildResult::fail(plan.refusal);
    if (plan.allChannelSize > kAzAllChannelMax)
        return BuildResult::fail(azbox::allChannelTooLarge(plan.allChannelSize));
    if (plan.dvbsSize > kAzDvbsMax) return BuildResult::fail(azbox::dvbsTooLarge(plan.dvbsSize));
    return {};
}

std::string azboxSkippedHeading(size_t count) {
    return strFormat("%zu records do not fit the AZBox format and were left out:", count);
}
