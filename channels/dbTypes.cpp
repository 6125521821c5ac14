#include "channels/dbTypes.h"

T_dbSatTable satDB;
T_dbTpTable tpDB;
T_dbChTable chDB;
T_dbFavTable favDB;
T_dbChFavTable chFavDB;
T_dbReport Report;

namespace {
template <typename Rec, uint32_t N>
Rec* appendSlot(Rec (&slots)[N], uint32_t& count) {
    if (count + 1 >= N) return nullptr;
    ++count;
    slots[count] = Rec{};
    return &slots[count];
}
}  // namespace

T_dbSat* appendSat(T_dbSatTable* t) { return appendSlot(t->sat, t->count); }
T_dbTp* appendTp(T_dbTpTable* t) { return appendSlot(t->tp, t->count); }
T_dbCh* appendCh(T_dbChTable* t) { return appendSlot(t->ch, t->count); }
T_dbFav* appendFav(T_dbFavTable* t) { return appendSlot(t->fav, t->count); }
T_dbChFav* appendChFav(T_dbChFavTable* t) { return appendSlot(t->chFav, t->count); }

T_dbAudio* appendAudio(T_dbCh* ch) { return appendSlot(ch->audio, ch->audioCount); }

bool appendCas(T_dbCh* ch, int32_t casId) {
    if (ch->casCount + 1 >= static_cast<uint32_t>(kCasSlots)) return false;
    ch->cas[++ch->casCount] = casId;
    return true;
}

void resetChannelDb(T_dbSatTable* s, T_dbTpTable* t, T_dbChTable* c, T_dbFavTable* f,
                    T_dbChFavTable* cf, T_dbReport* r) {
    s->count = t->count = c->count = f->count = cf->count = 0;
    *r = T_dbReport{};
}

void countChannels(const T_dbChTable& ch, T_dbReport* r) {
    r->tvChannels = r->tvFake = r->tvFta = r->tvCod = r->tvHd = r->tv3d = 0;
    r->radioChannels = r->radioFta = r->radioCod = r->bouquets = 0;
    for (uint32_t i = 1; i <= ch.count; ++i) {
        const T_dbCh& c = ch.ch[i];
        if (i == 1 || c.sat_id != ch.ch[i - 1].sat_id || c.groupId != ch.ch[i - 1].groupId)
            ++r->bouquets;
        if (c.fake) {
            ++r->tvFake;
        } else if (c.ch_type == 0) {
            ++r->tvChannels;
            ++(c.scrambled ? r->tvCod : r->tvFta);
            if (c.hd) ++r->tvHd;
            if (c.d3) ++r->tv3d;
        } else {
            ++r->radioChannels;
            ++(c.scrambled ? r->radioCod : r->radioFta);
        }
    }
}
