#include "writers/enigma/enigmaCommon.h"

#include "config/unicodeText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "channels/location.h"
#include "config/codepage.h"
#include "config/textFunc.h"

namespace enigma {

void SlotMap::reserve(size_t n) {
    size_t cap = 16;
    while (cap < n * 2) cap *= 2;
    keys_.assign(cap, 0);
    slots_.assign(cap, 0);
    mask_ = cap - 1;
}

void SlotMap::insertFirst(uint64_t key, uint32_t slot) {
    for (size_t i = hash(key);; i = (i + 1) & mask_) {
        if (slots_[i] == 0) {
            keys_[i] = key;
            slots_[i] = slot;
            return;
        }
        if (keys_[i] == key) return;
    }
}

EnigmaIndex::EnigmaIndex(const WriterInput& in) : in_(in) {
    const uint32_t ns = satCount(in), nt = tpCount(in), nc = chCount(in);
    sats_.reserve(ns);
    for (uint32_t i = 1; i <= ns; ++i)
        sats_.insertFirst(static_cast<uint32_t>(in.satDB->sat[i].realSatId), i);
    tps_.reserve(nt);
    for (uint32_t i = 1; i <= nt; ++i) {
        const T_dbTp& t = in.tpDB->tp[i];
        tps_.insertFirst(key(t.realSatId, t.stp_id), i);
    }
    used_.reserve(nt < nc ? nc : nt);
    for (uint32_t i = 1; i <= nc; ++i) {
        const T_dbCh& c = in.chDB->ch[i];
        used_.insertFirst(key(c.realSatId, c.stp_id), 1);
    }
}

const char* polarizationCode(int32_t polarity) {
    switch (polarity) {
    case 0: return "1";
    case 1: return "0";
    case 2: return "3";
    case 3: return "2";
    default: return "";
    }
}

int32_t fecCode(int32_t fec) {
    if ((fec >= 0 && fec <= 5) || fec == 9) return fec;
    return 15;
}

void putHex(std::string& s, uint32_t v, int width, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char buf[16];
    char* end = buf + sizeof buf;
    char* p = end;
    do {
        *--p = digits[v & 0xF];
        v >>= 4;
    } while (v);
    while (end - p < width && p > buf) *--p = '0';
    s.append(p, static_cast<size_t>(end - p));
}

void putDec(std::string& s, int64_t v, int width) {
    if (v < 0) {
        char buf[32];
        int n = std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
        s.append(buf, static_cast<size_t>(n));
        return;
    }
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    uint64_t u = static_cast<uint64_t>(v);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    while (end - p < width && p > buf) *--p = '0';
    s.append(p, static_cast<size_t>(end - p));
}

void putText(std::string& s, const char* text, size_t max) { s.append(text, strnlen(text, max)); }

void putXmlText(std::string& s, const char* text, size_t max, bool refs) {
    const std::string_view v(text, strnlen(text, max));
    size_t i = 0;
    while (i < v.size()) {
        const unsigned char c = static_cast<unsigned char>(v[i]);
        if (c < 0x80 || !refs) {
            ++i;
            switch (c) {
            case '&': s += "&amp;"; break;
            case '<': s += "&lt;"; break;
            case '>': s += "&gt;"; break;
            case '"': s += "&quot;"; break;
            default: s += c < 0x20 ? ' ' : static_cast<char>(c);
            }
            continue;
        }
        // A UTF-8 name: what ISO-8859-1 holds as its byte, the rest as a
        // character reference, so no script is lost.
        const uint32_t u = nextCodePoint(v, &i);
        if (u >= 0xA0 && u <= 0xFF)
            s += static_cast<char>(u);
        else if (u < 0xA0)
            s += '?';  // a byte Windows-1252 leaves undefined
        else
            appendFormat(s, "&#x%X;", static_cast<unsigned>(u));
    }
}

bool enigmaUtf8(const WriterInput& in) { return !in.cfg || in.cfg->enigmaCp1252 == 0; }

bool enigmaUtf8Names(const T_cfgStruct& cfg) { return cfg.enigmaCp1252 == 0; }

void putServiceRef(std::string& s, EnigmaDialect d, bool tv, uint16_t sid, const T_dbTp* tp,
                   const EnigmaIndex& ix) {
    if (d == EnigmaDialect::E2)
        s += tv ? "#SERVICE 1:0:1:" : "#SERVICE 1:0:2:";
    else
        s += tv ? "#SERVICE: 1:0:1:" : "#SERVICE: 1:0:2:";
    putHex(s, sid, 0, false);
    s += ':';
    putHex(s, tp ? idValue16(tp->tid) : 0, 0, false);
    s += ':';
    putHex(s, tp ? idValue16(tp->nid) : 0, 0, false);
    s += ':';
    putHex(s, ix.nameSpace(tp), 0, false);
    s += ":0:0:0:\n";
}

std::string userBouquetName(bool tv, int number) {
    char buf[48];
    std::snprintf(buf, sizeof buf, tv ? "userbouquet.dbe%02d.tv" : "userbouquet.dbe%02d.radio",
                  number);
    return buf;
}

}  // namespace enigma

using namespace enigma;

namespace {

// What lamedb and lamedb5 say alike, so the two cannot disagree.

// "frequency:symbol rate:polarization:fec:position:inversion:flags", then
// for DVB-S2 ":system:modulation:rolloff:pilot".
void putTuning(std::string& s, const T_dbTp& t, const EnigmaIndex& ix) {
    putDec(s, int64_t{t.frequency} * 1000, 8);
    s += ':';
    std::string sr;
    putDec(sr, int64_t{t.sr} * 1000, 8);
    s.append(sr, 0, 8);
    s += ':';
    s += polarizationCode(t.polarity);
    s += ':';
    putDec(s, fecCode(t.fec));
    s += ':';
    putDec(s, signedPosition(ix.position(&t), kEnigmaLastEast));
    s += ":2:0";
    if (t.modulation != 0) {
        s += ":1:";
        putDec(s, t.modulation);
        s += ":0:";
        putDec(s, t.pilot);
    }
}

void putTransponderKey(std::string& s, const T_dbTp& t, const EnigmaIndex& ix) {
    putHex(s, ix.nameSpace(&t), 8, false);
    s += ':';
    putHex(s, idValue16(t.tid), 4, false);
    s += ':';
    putHex(s, idValue16(t.nid), 4, false);
}

// "sid:namespace:tsid:onid:type:number".
void putServiceKey(std::string& s, const T_dbCh& c, const T_dbTp* t, const EnigmaIndex& ix) {
    appendIdText(s, c.sid);
    s += ':';
    putHex(s, ix.nameSpace(t), 8, true);
    s += ':';
    if (t) appendIdText(s, t->tid);
    s += ':';
    if (t) appendIdText(s, t->nid);
    s += c.ch_type == 0 ? ":1:0" : ":2:0";
}

// The cached pids and the provider: "c:00vpid,...,p:group".
void putServiceData(std::string& s, const T_dbCh& c) {
    // An audio list that was never filled has no first entry to read.
    const T_dbAudio* a = c.audioCount >= 1 ? &c.audio[1] : nullptr;
    bool hasApid = a && a->apid[0] != '\0';
    if (std::strncmp(c.vpid, "0000", sizeof c.vpid) != 0) {
        s += "c:00";
        putText(s, c.vpid);
        s += ',';
    }
    if (hasApid && a->ac3 == 0) {
        s += "c:01";
        putText(s, a->apid);
        s += ',';
    }
    if (std::strncmp(c.txt_pid, "0000", sizeof c.txt_pid) != 0) {
        s += "c:02";
        putText(s, c.txt_pid);
        s += ',';
    }
    s += "c:03";
    putText(s, c.pcr_pid);
    s += ',';
    if (hasApid && a->ac3 == 1) {
        s += "c:04";
        putText(s, a->apid);
        s += ',';
    }
    s += "p:";
    putText(s, c.groupName);
}

}  // namespace

std::string buildServiceList(const WriterInput& in, EnigmaDialect d) {
    EnigmaIndex ix(in);
    std::string s;
    s.reserve(64 * tpCount(in) + 128 * chCount(in) + 256);
    s += d == EnigmaDialect::E2 ? "eDVB services /4/\n" : "eDVB services /2/\n";
    s += "transponders\n";
    const uint32_t nt = tpCount(in);
    for (uint32_t i = 1; i <= nt; ++i) {
        const T_dbTp& t = in.tpDB->tp[i];
        if (!ix.used(t)) continue;
        putTransponderKey(s, t, ix);
        s += "\n\ts ";
        putTuning(s, t, ix);
        s += "\n/\n";
    }
    s += "end\nservices\n";
    const uint32_t nc = chCount(in);
    for (uint32_t i = 1; i <= nc; ++i) {
        prefetchChannel(*in.chDB, i + 4);
        const T_dbCh& c = in.chDB->ch[i];
        if (c.fake != 0) continue;
        putServiceKey(s, c, ix.tp(c.realSatId, c.stp_id), ix);
        s += '\n';
        putText(s, c.ch_name);
        s += '\n';
        putServiceData(s, c);
        s += '\n';
    }
    s += "end\n";
    s += productionLine(in);
    s += '\n';
    return s;
}

std::string buildLamedb5(const WriterInput& in) {
    EnigmaIndex ix(in);
    std::string s;
    s.reserve(64 * tpCount(in) + 128 * chCount(in) + 256);
    s += "eDVB services /5/\n";
    s += "# Transponders: t:dvb_namespace:transport_stream_id:original_network_id,FEPARMS\n";
    s += "#     DVBS  FEPARMS:   s:frequency:symbol_rate:polarisation:fec:orbital_position:"
         "inversion:flags\n";
    s += "#     DVBS2 FEPARMS:   s:frequency:symbol_rate:polarisation:fec:orbital_position:"
         "inversion:flags:system:modulation:rolloff:pilot\n";
    s += "# Services: s:service_id:dvb_namespace:transport_stream_id:original_network_id:"
         "service_type:service_number:source_id,\"service_name\"[,c:cached_pid]*"
         ",p:provider_name\n";
    const uint32_t nt = tpCount(in);
    for (uint32_t i = 1; i <= nt; ++i) {
        const T_dbTp& t = in.tpDB->tp[i];
        if (!ix.used(t)) continue;
        s += "t:";
        putTransponderKey(s, t, ix);
        s += ",s:";
        putTuning(s, t, ix);
        s += '\n';
    }
    const uint32_t nc = chCount(in);
    for (uint32_t i = 1; i <= nc; ++i) {
        prefetchChannel(*in.chDB, i + 4);
        const T_dbCh& c = in.chDB->ch[i];
        if (c.fake != 0) continue;
        s += "s:";
        putServiceKey(s, c, ix.tp(c.realSatId, c.stp_id), ix);
        s += ":0,\"";
        // The receiver ends the name at its first quote and has no escape
        // for one: a quote inside a name becomes an apostrophe. A comma
        // needs nothing, the name is found by its quotes.
        const size_t from = s.size();
        putText(s, c.ch_name);
        std::replace(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), '"', '\'');
        s += "\",";
        putServiceData(s, c);
        s += '\n';
    }
    s += "# ";
    s += productionLine(in);
    s += '\n';
    return s;
}

std::string buildParentalList(const WriterInput& in, EnigmaDialect d) {
    EnigmaIndex ix(in);
    std::string s;
    if (d == EnigmaDialect::E1) s += "Parentallocked Services\n";
    const uint32_t nc = chCount(in);
    for (uint32_t i = 1; i <= nc; ++i) {
        const T_dbCh& c = in.chDB->ch[i];
        if (c.fake != 0 || (c.cat_id != 9 && c.cat_id != 19)) continue;
        const T_dbTp* t = ix.tp(c.realSatId, c.stp_id);
        s += c.ch_type == 0 ? "1:0:1:" : "1:0:2:";
        putHex(s, idValue16(c.sid), 0, true);
        s += ':';
        putHex(s, t ? idValue16(t->tid) : 0, 0, true);
        s += ':';
        putHex(s, t ? idValue16(t->nid) : 0, 0, true);
        s += ':';
        putHex(s, ix.nameSpace(t), 0, true);
        s += ":0:0:0:\n";
    }
    return s;
}

std::string buildSatellitesXml(const WriterInput& in) {
    EnigmaIndex ix(in);
    std::string s;
    s.reserve(160 * tpCount(in) + 256);
    const bool refs = enigmaUtf8(in);
    s += "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<satellites>";
    bool open = false;
    int32_t last = 0;
    const uint32_t nt = tpCount(in);
    for (uint32_t i = 1; i <= nt; ++i) {
        const T_dbTp& t = in.tpDB->tp[i];
        const T_dbSat* sat = ix.sat(t.realSatId);
        // Without its satellite a transponder would land under another one.
        if (!sat) continue;
        if (!open || t.realSatId != last) {
            s += "\n\t";
            if (open) s += "</sat>\n\t";
            s += "<sat name=\"";
            putXmlText(s, sat->satName, sizeof sat->satName, refs);
            if (!endsWithLocation(fieldView(sat->satName), sat->position)) {
                s += ' ';
                putXmlText(s, sat->location, sizeof sat->location, refs);
            }
            s += "\" flags=\"0\" position=\"";
            putDec(s, signedPosition(sat->position, kEnigmaLastEast));
            s += "\">";
            last = t.realSatId;
            open = true;
        }
        s += "\n\t\t<transponder frequency=\"";
        putDec(s, int64_t{t.frequency} * 1000);
        s += "\" symbol_rate=\"";
        putDec(s, int64_t{t.sr} * 1000);
        s += "\" polarization=\"";
        s += polarizationCode(t.polarity);
        s += "\" fec_inner=\"";
        putDec(s, fecCode(t.fec));
        if (t.modulation == 0) {
            s += "\" inversion=\"2\" modulation=\"0\" system=\"0\"/>";
        } else {
            s += "\" inversion=\"2\" modulation=\"";
            putDec(s, t.modulation);
            s += "\" system=\"1\" pilot=\"2\" rolloff=\"0\"/>";
        }
    }
    // The root element is closed even when no satellite was written, so the
    // file stays well-formed.
    s += open ? "\n</sat>\n</satellites>\n" : "\n</satellites>\n";
    return s;
}

bool buildFavouriteBouquets(const WriterInput& in, EnigmaDialect d, UserBouquetCounters* c,
                            const OutFileSink& emit) {
    EnigmaIndex ix(in);
    const bool e2 = d == EnigmaDialect::E2;
    int32_t prevFav = 0, prevSat = 0;
    const uint32_t ng = favCount(in);
    const uint32_t ne = chFavCount(in);
    // The links of each group in table order, found in one pass; groups
    // that share an id share the list.
    SlotMap groupOf;
    groupOf.reserve(ng);
    for (uint32_t g = 1; g <= ng; ++g)
        groupOf.insertFirst(static_cast<uint32_t>(in.favDB->fav[g].fav_id), g);
    std::vector<std::vector<uint32_t>> links(ng + 1);
    for (uint32_t i = 1; i <= ne; ++i)
        if (uint32_t g = groupOf.find(static_cast<uint32_t>(in.chFavDB->chFav[i].fav_id)))
            links[g].push_back(i);
    for (uint32_t g = 1; g <= ng; ++g) {
        const T_dbFav& fav = in.favDB->fav[g];
        std::string tv, radio;
        int tvN = 0, radioN = 0;
        bool first = true;
        for (uint32_t i : links[groupOf.find(static_cast<uint32_t>(fav.fav_id))]) {
            const T_dbChFav& e = in.chFavDB->chFav[i];
            const bool isTv = e.ch_type == 0;
            std::string& t = isTv ? tv : radio;
            int& n = isTv ? tvN : radioN;
            if (n++ == 0) {
                t += "#NAME ";
                putText(t, fav.fav_name);
                t += '\n';
            }
            // A marker heads each stretch of one satellite within a group.
            bool marker = e2 ? (e.fav_id != prevFav || e.realSatId != prevSat)
                             : (first || e.realSatId != prevSat);
            if (marker) {
                ++c->marker;
                const T_dbSat* sat = ix.sat(e.realSatId);
                t += e2 ? "#SERVICE 1:64:" : "#SERVICE: 1:64:";
                putHex(t, static_cast<uint32_t>(c->marker), 0, true);
                t += e2 ? ":0:0:0:0:0:0:0:\n#DESCRIPTION -------- "
                        : ":0:0:0:0:0:0:0:\n#DESCRIPTION: -------- ";
                putText(t, fav.fav_name);
                t += ' ';
                if (sat) putText(t, sat->location);
                t += " --------\n";
            }
            putServiceRef(t, d, isTv, idValue16(e.sid), ix.tp(e.realSatId, e.stp_id), ix);
            prevFav = e.fav_id;
            prevSat = e.realSatId;
            first = false;
        }
        if (!tv.empty() && !emit(OutFile{userBouquetName(true, c->tv++), std::move(tv)}))
            return false;
        if (!radio.empty() && !emit(OutFile{userBouquetName(false, c->radio++), std::move(radio)}))
            return false;
    }
    return true;
}

bool buildBouquetBouquets(const WriterInput& in, EnigmaDialect d, UserBouquetCounters* c,
                          const OutFileSink& emit) {
    EnigmaIndex ix(in);
    std::string tv, radio;
    int tvN = 0, radioN = 0;
    auto flush = [&](bool isTv) {
        std::string& t = isTv ? tv : radio;
        (isTv ? tvN : radioN) = 0;
        if (t.empty()) return true;
        std::string name = userBouquetName(isTv, isTv ? c->tv++ : c->radio++);
        OutFile f{std::move(name), std::move(t)};
        t.clear();
        return emit(std::move(f));
    };
    bool inRun = false;
    int32_t runGroup = 0, runSat = 0;
    const uint32_t nc = chCount(in);
    for (uint32_t i = 1; i <= nc; ++i) {
        const T_dbCh& ch = in.chDB->ch[i];
        if (ch.fake != 0) continue;
        if (!inRun || ch.groupId != runGroup || ch.realSatId != runSat) {
            // A text the end rule did not close (never with the download's
            // ordering) still goes out whole.
            if (!flush(true) || !flush(false)) return false;
            inRun = true;
            runGroup = ch.groupId;
            runSat = ch.realSatId;
        }
        const bool isTv = ch.ch_type == 0;
        std::string& t = isTv ? tv : radio;
        int& n = isTv ? tvN : radioN;
        if (n++ == 0) {
            const T_dbSat* sat = ix.sat(ch.realSatId);
            t += "#NAME ";
            putText(t, ch.groupName);
            t += ' ';
            if (sat) putText(t, sat->location);
            t += '\n';
        }
        putServiceRef(t, d, isTv, idValue16(ch.sid), ix.tp(ch.realSatId, ch.stp_id), ix);
        bool ends = i == nc;
        if (!ends) {
            const T_dbCh& next = in.chDB->ch[i + 1];
            ends = next.groupId != ch.groupId || next.realSatId != ch.realSatId ||
                   next.ch_type != ch.ch_type;
        }
        if (ends && !flush(isTv)) return false;
    }
    return flush(true) && flush(false);
}

std::string buildBouquetIndex(EnigmaDialect d, bool tv, int count) {
    std::string s = tv ? "#NAME Dalmero - bouquets (TV)\n" : "#NAME Dalmero - bouquets (Radio)\n";
    const char* ext = tv ? "tv" : "radio";
    for (int n = 0; n < count; ++n) {
        if (d == EnigmaDialect::E2) {
            appendFormat(s, "#SERVICE: 1:7:%d:0:0:0:0:0:0:0:userbouquet.dbe%02d.%s\n", tv ? 1 : 2,
                         n, ext);
        } else {
            appendFormat(s,
                         "#SERVICE: 4097:7:0:dbe%02d:0:0:0:0:0:0:/var/tuxbox/config/enigma/"
                         "userbouquet.dbe%02d.%s\n#TYPE 16385\n"
                         "/var/tuxbox/config/enigma/userbouquet.dbe%02d.%s\n",
                         n, n, ext, n, ext);
        }
    }
    return s;
}
