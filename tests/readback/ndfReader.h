#pragma once
// Reads an NDF file back record by record, as the receiver walks it: the
// size field and the check byte, 64 dish records, 64 satellite entries,
// the transponders, the channels (variable length), 16 favourite groups,
// "END". Every index must land on a record of its table; a group names a
// channel once.
#include <set>
#include <string>
#include <vector>

#include "tests/readback/readback.h"

struct NdfRead {
    Faults faults;
    uint32_t satellites = 0, transponders = 0, channels = 0;  // records found
    std::vector<std::string> channelNames;                    // as the box shows them
};

inline NdfRead readNdf(const std::string& image) {
    NdfRead r;
    Faults& f = r.faults;
    const Bytes b{image};
    const size_t n = b.size();
    if (!b.is(0, std::string_view("NDF\0", 4)) || n < 20) {
        f.add("not an NDF file");
        return r;
    }
    if (b.u32(4) != n) f.add("size field %u, file %zu bytes", b.u32(4), n);
    uint32_t sum = 1;
    for (size_t i = 0; i + 1 < n; ++i) sum += b.u8(i);
    if ((sum & 0xFF) != b.u8(n - 1))
        f.add("check byte %02x, bytes sum to %02x", b.u8(n - 1), sum & 0xFF);
    if (b.u8(8) != 1 || b.u8(16) != 64 || b.u8(529) != 64)
        f.add("header or table counts other than 64");

    // Satellite entries: name, position, positioner, index; the real ones
    // come before the fillers (empty name, position 0, index k).
    size_t off = 530;
    for (uint32_t k = 0; k < 64; ++k) {
        const uint32_t len = b.u8(off);
        if (!b.has(off, len + 5) || b.u8(off + len + 4) != k) {
            f.add("satellite entry %u at %zu: cut off or index %u", k, off, b.u8(off + len + 4));
            return r;
        }
        if (len || b.u16(off + 1) || b.u8(off + 3)) {
            if (r.satellites != k) f.add("satellite entry %u after a filler", k);
            r.satellites = k + 1;
        }
        off += len + 5;
    }
    const uint32_t tps = b.u16(off);
    off += 2;
    for (uint32_t t = 0; t < tps; ++t, off += 19) {
        if (!b.has(off, 19) || b.u8(off + 5) || b.u32(off + 15) != 0x80000000u) {
            f.add("transponder %u at %zu: cut off or not on a record", t, off);
            return r;
        }
        if (b.u8(off + 6) >= r.satellites)
            f.add("transponder %u: satellite %u of %u", t, b.u8(off + 6), r.satellites);
    }
    r.transponders = tps;
    const uint32_t chs = b.u16(off);
    off += 2;
    for (uint32_t c = 0; c < chs; ++c) {
        // name, sid, PMT, PCR, 01 FF, video, audio count, languages, PIDs.
        const size_t name = b.u8(off), audio = b.u8(off + name + 11);
        size_t at = off + name + 12 + 3 * audio;
        const bool text = b.u8(at) == 1;
        if (!b.has(off, name + 12 + 3 * audio + 1) || b.u16(off + name + 7) != 0xFF01 ||
            b.u8(at) > 1 || (text && b.u8(at + 1) != 0xFF)) {
            f.add("channel %u at %zu: cut off or not on a record", c, off);
            return r;
        }
        at += text ? 4 : 1;
        if (!b.has(at, 8) || b.u8(at + 5)) {
            f.add("channel %u at %zu: cut off", c, off);
            return r;
        }
        if (b.u16(at + 6) >= tps) f.add("channel %u: transponder %u of %u", c, b.u16(at + 6), tps);
        r.channelNames.push_back(image.substr(off + 1, name));
        off = at + 8;
    }
    r.channels = chs;
    if (b.u8(off++) != 16) f.add("favourite count byte %u", b.u8(off - 1));
    for (uint32_t g = 0; g < 16; ++g) {
        const size_t name = b.u8(off);
        const uint32_t m = b.u16(off + 1 + name);
        if (!b.has(off, name + 5 + 2 * m) || b.u16(off + name + 3 + 2 * m)) {
            f.add("favourite group %u at %zu: cut off or not closed by 00 00", g, off);
            return r;
        }
        std::set<uint32_t> seen;
        for (uint32_t e = 0; e < m; ++e) {
            const uint32_t ch = b.u16(off + name + 3 + 2 * e);
            if (ch >= chs) f.add("favourite group %u entry %u: channel %u of %u", g, e, ch, chs);
            if (!seen.insert(ch).second)
                f.add("favourite group %u: channel %u reached twice", g, ch);
        }
        off += name + 5 + 2 * m;
    }
    if (!b.is(off, "END") || off + 4 != n)
        f.add("\"END\" and the check byte not at the end (%zu of %zu)", off, n);
    return r;
}
