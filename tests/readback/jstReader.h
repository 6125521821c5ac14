#pragma once
// Reads a Pvr-ST1 / Pvr-JS1 (JST) file back: fixed size and header, then
// the five blocks at their fixed offsets, each with its frame (DB 81,
// count, byte count), records inside the block and FF fill to its end.
// Every index must land on a record of its table.
#include "tests/readback/readback.h"

struct JstRead {
    Faults faults;
    uint32_t satellites = 0, transponders = 0, tv = 0, radio = 0;
};

inline JstRead readJst(const std::string& image) {
    JstRead r;
    Faults& f = r.faults;
    const Bytes b{image};
    if (b.size() != 336000 || !b.is(0, "WCXT") || !(b.is(4, "57") || b.is(4, "5S")) ||
        !b.is(6, "51CHAN0006") || !b.is(28, "CHANNEL") || !b.is(50, "Dalmero Team")) {
        f.add("not a JST file of 336000 bytes (%zu)", b.size());
        return r;
    }
    // The frame's count decides; its byte count is 16 bits wide and keeps
    // only the low part of a larger block.
    auto block = [&](const char* what, size_t at, size_t size, size_t rec, uint32_t max) {
        const uint32_t n = b.u16(at + 2);
        if (b.u16(at) != 0x81DB || b.u16(at + 4) != (n * rec & 0xFFFF) || !b.all(at + 6, 6, '\0') ||
            n > max || 12 + n * rec > size ||
            !b.all(at + 12 + n * rec, size - 12 - n * rec, '\xFF')) {
            f.add("%s block: frame, %u records or FF fill", what, n);
            return 0u;
        }
        return n;
    };
    const uint32_t sats = r.satellites = block("satellite", 128, 8192, 44, 64);
    const uint32_t tps = r.transponders = block("transponder", 8320, 65536, 16, 2040);
    for (uint32_t t = 0; t < tps; ++t) {
        const size_t rec = 8320 + 12 + 16 * t;
        if (b.u8(rec) >= sats) f.add("transponder %u: satellite %u of %u", t, b.u8(rec), sats);
        if (b.u8(rec + 1) || b.u16(rec + 2) || b.u16(rec + 6) || b.u32(rec + 12))
            f.add("transponder %u: not on a record", t);
    }
    r.tv = block("TV", 73856, 196608, 44, 4199);
    r.radio = block("radio", 270464, 61440, 44, 719);
    for (auto [at, n] : {std::pair{73856u, r.tv}, std::pair{270464u, r.radio}})
        for (uint32_t c = 0; c < n; ++c) {
            const size_t rec = at + 12 + 44 * c;
            if (b.u16(rec) >= tps)
                f.add("channel %u at %zu: transponder %u of %u", c, rec, b.u16(rec), tps);
            if (b.u32(rec + 32) || b.u8(rec + 39) != 0xFF || (b.u32(rec + 40) & 0x600) != 0x600)
                f.add("channel %u at %zu: not on a record", c, rec);
        }
    if (!b.is(331904, std::string_view("\xDB\x81\x50\0\xC0\x0D\0\0\0\0\0\0", 12)) ||
        !b.all(331916, 3520, '\0') || !b.all(335436, 564, '\xFF'))
        f.add("favourite block");
    return r;
}
