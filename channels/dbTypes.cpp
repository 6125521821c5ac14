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
