#pragma once
// The channels of a list in its order, as the text lists (VDR, Neutrino)
// walk them: markers left out, and so is a channel whose satellite or
// transponder record is missing, since it cannot be tuned. Each comes with
// the first records of its keys and its group: its bouquet on its
// satellite in list type 0, its virtual satellite in the others.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "writers/frame/writerFrame.h"

struct ListedChannel {
    const T_dbCh& c;
    const T_dbSat& sat;
    const T_dbTp& tp;
    uint64_t group;  // the same for every channel of one group run
};

class ListWalk {
public:
    explicit ListWalk(const WriterInput& in);
    template <typename Fn>
    void forEach(Fn&& fn) const {
        for (uint32_t i = 1; i <= nCh_; ++i) {
            const T_dbCh& c = in_.chDB->ch[i];
            if (c.fake != 0) continue;
            auto s = sats_.find(c.sat_id);
            auto t = tps_.find(key(c.sat_id, c.stp_id));
            if (s == sats_.end() || t == tps_.end()) continue;
            fn(ListedChannel{c, *s->second, *t->second,
                             listType_ == 0 ? key(c.realSatId, c.groupId)
                                            : static_cast<uint32_t>(c.sat_id)});
        }
    }
    // The group's name: the bouquet and its satellite's location, or the
    // virtual satellite's name.
    std::string groupName(const ListedChannel& l) const;
    // A satellite id and a transponder or group id as one key.
    static uint64_t key(int32_t sat, int32_t id) {
        return static_cast<uint64_t>(static_cast<uint32_t>(sat)) << 32 | static_cast<uint32_t>(id);
    }

private:
    const WriterInput& in_;
    int listType_;
    uint32_t nCh_;
    std::unordered_map<int32_t, const T_dbSat*> sats_;
    std::unordered_map<uint64_t, const T_dbTp*> tps_;
};
