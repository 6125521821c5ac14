#pragma once
// Reads an SB-5 / S2 HD (ECDF) file back: the header's body length and
// checksum, the CRC-16 behind the body, then the tagged sections in order,
// each length agreeing with its counts and within the limits the file
// declares in its own limits section. Every index must land on a record of
// its table; a favourite group names a channel once.
#include <set>

#include "tests/readback/readback.h"

// CRC-16/ARC bit by bit: the reader's own, not the writers' table.
inline uint16_t readbackCrc16(std::string_view s) {
    uint32_t r = 0;
    for (unsigned char c : s) {
        r ^= c;
        for (int k = 0; k < 8; ++k) r = r & 1 ? (r >> 1) ^ 0xA001 : r >> 1;
    }
    return static_cast<uint16_t>(r);
}

struct EcdfRead {
    Faults faults;
    uint32_t satellites = 0, transponders = 0, tv = 0, radio = 0, favEntries = 0;
};

inline EcdfRead readEcdf(const std::string& image) {
    EcdfRead r;
    Faults& f = r.faults;
    const Bytes h{image, true};
    if (!h.is(0, "\x55\xAA\x55\xAA") || h.size() < 64 + 18) {
        f.add("not an ECDF file");
        return r;
    }
    const Bytes b{std::string_view(image).substr(64), true};
    const size_t L = b.size();
    if (h.u32(12) != L) f.add("body length field %u, body %zu bytes", h.u32(12), L);
    uint32_t sum = 0;
    for (size_t i = 0; i < L; ++i) sum += b.u8(i);
    if ((sum & 0xFFFF) != h.u16(6))
        f.add("checksum %04x, body sums to %04x", h.u16(6), sum & 0xFFFF);
    if (b.u16(L - 2) != readbackCrc16(b.s.substr(0, L - 2)))
        f.add("CRC %04x does not verify", b.u16(L - 2));
    if (!b.is(0, std::string_view("\x04\x20\x98\x76\x10\0\0\0\0\0\x10\0", 12)) ||
        b.u32(12) != L - 16)
        f.add("preamble or its length field");

    // Tag, 32-bit length, content; the content must end inside the body.
    size_t off = 16;
    auto section = [&](uint8_t tag, size_t* len) {
        *len = b.u32(off + 1);
        if (b.u8(off) != tag || !b.has(off + 5, *len) || off + 5 + *len > L - 2) {
            f.add("section %02X at body offset %zu: tag %02X, length %zu", tag, off, b.u8(off),
                  *len);
            return false;
        }
        off += 5;
        return true;
    };
    size_t len = 0;
    if (!section(0xD0, &len) || len != 20) return r;
    const uint32_t maxSat = b.u16(off), maxTp = b.u16(off + 2), maxCh = b.u16(off + 4),
                   maxGroups = b.u16(off + 6), maxPerGroup = b.u16(off + 8);
    off += len;
    if (!section(0xE0, &len)) return r;
    const uint32_t sats = r.satellites = b.u8(off);
    if (len != 52 * sats + 1 || sats > maxSat)
        f.add("satellite section: %u records in %zu bytes", sats, len);
    for (uint32_t s = 0; s < sats; ++s)
        if (b.u8(off + 1 + 52 * s) != 1 || b.u16(off + 1 + 52 * s + 50))
            f.add("satellite %u: not on a record", s);
    off += len;
    if (!section(0xE1, &len)) return r;
    const uint32_t tps = r.transponders = b.u16(off);
    if (len != 16 * tps + 2 || tps > maxTp)
        f.add("transponder section: %u records in %zu bytes", tps, len);
    for (uint32_t t = 0; t < tps && 18 + 16 * t <= len; ++t)
        if (b.u8(off + 2 + 16 * t + 10) >= sats)
            f.add("transponder %u: satellite %u of %u", t, b.u8(off + 12 + 16 * t), sats);
    off += len;
    if (!section(0xE2, &len)) return r;
    const size_t end = off + len;
    const uint32_t tv = r.tv = b.u16(off), radio = r.radio = b.u16(off + 2 + 44 * tv);
    if (len != 44 * (tv + radio) + 4 || tv + radio > maxCh)
        f.add("channel section: %u + %u records in %zu bytes", tv, radio, len);
    for (uint32_t c = 0; c < tv + radio; ++c) {
        const size_t rec = off + 2 + 44 * c + (c >= tv ? 2 : 0);
        if (rec + 44 > end) break;
        if (b.u16(rec) >= tps) f.add("channel %u: transponder %u of %u", c, b.u16(rec), tps);
        if (b.u32(rec + 40)) f.add("channel %u: not on a record", c);
    }
    off = end;
    if (!section(0xE3, &len)) return r;
    const size_t favEnd = off + len;
    for (uint32_t g = 0; g < maxGroups && g < 8; ++g) {
        off += 24;
        for (uint32_t type = 0; type < 2; ++type) {
            const uint32_t m = b.u16(off);
            std::set<uint32_t> seen;
            if (m > maxPerGroup || off + 2 + 7 * m > favEnd) {
                f.add("favourite group %u: %u entries", g, m);
                return r;
            }
            // A TV entry is a position among the TV records; a radio entry
            // the channel's record number, which lies among all of them.
            for (uint32_t e = 0; e < m; ++e) {
                const uint32_t ch = b.u16(off + 2 + 7 * e);
                if (ch >= (type ? tv + radio : tv))
                    f.add("favourite group %u entry %u: channel %u out of range", g, e, ch);
                if (!seen.insert(ch).second)
                    f.add("favourite group %u: channel %u reached twice", g, ch);
            }
            r.favEntries += m;
            off += 2 + 7 * m;
        }
    }
    if (off != favEnd || len != 7 * r.favEntries + 224)
        f.add("favourite section: %u entries in %zu bytes", r.favEntries, len);
    off = favEnd;
    if (!section(0xF0, &len) || len != 17 ||
        !b.is(off, std::string_view("\x07\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 17)) ||
        off + len != L - 2)
        f.add("end section not right before the CRC");
    return r;
}
