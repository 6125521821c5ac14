#pragma once
// Reads an AZbox list back from its bytes alone. all_channel.dat: the node
// section is walked by its counts, a channel's address taken from its
// transponder's first-channel field and then from link 1 of the node
// before it; every link must follow the chain rules and every reference
// record must land on a channel node with the same tuning, each node
// reached once by the all-channel table and at most once by any other.
// DVBS.dat is walked by its counts and must list every transponder node;
// antenna_list.dat has its 256 slots.
#include <array>
#include <set>

#include "tests/readback/readback.h"

struct AzboxRead {
    Faults faults;
    uint32_t transponders = 0, channels = 0, tv = 0, radio = 0, favRecords = 0;
    std::map<uint32_t, size_t> nodeAt;  // channel node address -> file offset
    std::set<std::array<uint32_t, 4>>
        tpNodes;  // satellite reference (low byte), frequency, nid, tid
};

namespace readback {
constexpr size_t kAzNodes = 1595992, kAzTpNode = 528, kAzChNode = 200;
constexpr uint32_t kAzOnlyLink = 0x0012EEC8;
}  // namespace readback

inline void readAzboxAllChannel(const std::string& file, AzboxRead* r) {
    using namespace readback;
    Faults& f = r->faults;
    const Bytes b{file};
    if (b.size() < kAzNodes ||
        !b.is(0, std::string_view("\x09\0\xFF\0\xFF\xFF\0\x01\x01\0\0\0", 12)) ||
        !b.is(275620, std::string_view("\x01\0\0\0\0\0\0\0\0\0\x01\0", 12)) ||
        !b.all(1595748, 242, '\0')) {
        f.add("all_channel.dat: header or fixed bytes");
        return;
    }
    // Name tables: count, names of at most 98 bytes, empty records after.
    struct Names {
        const char* what;
        size_t at;
        uint32_t cap;
    };
    for (Names t : {Names{"bouquet", 12, 2000},
                    {"category", 208014, 300},
                    {"nation", 239216, 300},
                    {"favourite", 270418, 50}}) {
        const uint32_t n = b.u16(t.at + t.cap * 104);
        if (n > t.cap) f.add("%s table: count %u", t.what, n);
        for (uint32_t i = 0; i < t.cap; ++i)
            if (i < n ? b.u8(t.at + 104 * i + 4) > 98 : i > 0 && !b.all(t.at + 104 * i, 104, '\0'))
                f.add("%s table record %u", t.what, i);
    }
    r->favRecords = b.u16(275618);

    // The node section, walked by its counts: a head block, then each
    // transponder node followed by its channel nodes.
    const size_t head = kAzNodes;
    const uint32_t T1 = b.u32(head);
    r->transponders = b.u16(1595990);
    if (r->transponders && (b.u32(head + 4) != T1 - 0x70 || b.u32(head + 80) != T1 - 0x54 ||
                            b.u32(head + 84) != T1 - 0x54))
        f.add("head block");
    size_t off = head + (r->transponders ? 304 : 0), prevTp = 0;
    uint32_t chain = T1 + 0x124, prevT = T1 - 0x70, lastAddr = 0;
    bool prevEmpty = false;  // a transponder without channels shares its addresses with the next
    for (uint32_t i = 0; i < r->transponders; ++i) {
        const uint32_t T = b.u32(off + 80) - 0x1C, k = b.u16(off + 302), count = b.u16(off + 322);
        if (!b.has(off, kAzTpNode) || b.u32(off + 84) != T + 0x1C || b.u32(off + 308) != T + 0x1C ||
            b.u16(off + 526) != k ||
            (i == 0 ? T != T1 : T < prevT || (T == prevT && !prevEmpty) || T <= lastAddr)) {
            f.add("transponder node %u at %zu: cut off, not on a node or reached twice", i, off);
            return;
        }
        // Link 1 names the next transponder node (the last one itself), link 2 the one before.
        if (i > 0 && b.u32(prevTp) != T) f.add("transponder node %u: link 1", i - 1);
        if (b.u32(off + 4) != prevT) f.add("transponder node %u: link 2", i);
        r->tpNodes.insert({b.u8(off + 8), b.u32(off + 316), b.u16(off + 10), b.u16(off + 312)});
        // The only channel links to a fixed value; the first of several
        // back to the chain, each further one to the one before; the last
        // of several forward to the chain.
        uint32_t addr = b.u32(off + 328), prev = 0;
        for (uint32_t j = 0; j < count; ++j) {
            const size_t ch = off + kAzTpNode + kAzChNode * j;
            if (!b.has(ch, kAzChNode) || addr <= lastAddr || b.u16(ch + 198) != k) {
                f.add(
                    "channel node %u of transponder %u at %zu: cut off, not on a node or reached "
                    "twice",
                    j, i, ch);
                return;
            }
            r->nodeAt[lastAddr = addr] = ch;
            const uint32_t l1 = b.u32(ch), l2 = b.u32(ch + 4);
            const bool last = j + 1 == count;
            if ((count == 1 && l1 != kAzOnlyLink) || (count > 1 && last && l1 != chain) ||
                l2 != (j ? prev : chain))
                f.add("channel node %u of transponder %u: links %08x %08x", j, i, l1, l2);
            prev = addr;
            addr = l1;
        }
        if (count ? prev != b.u32(off + 332) : b.u32(off + 328) != T || b.u32(off + 332) != T)
            f.add("transponder node %u: first or last channel address", i);
        if (count) chain = prev;
        prevT = T, prevTp = off, prevEmpty = count == 0;
        off += kAzTpNode + kAzChNode * count;
    }
    if (prevTp && b.u32(prevTp) != prevT) f.add("last transponder node: link 1");
    if (off != b.size()) f.add("all_channel.dat: %zu bytes, nodes end at %zu", b.size(), off);
    r->channels = static_cast<uint32_t>(r->nodeAt.size());

    // Reference tables: records up to the count land on channel nodes with
    // the same tuning; the rest are empty.
    auto table = [&](const char* what, size_t at, uint32_t n, uint32_t cap, uint16_t type,
                     bool once) {
        std::set<uint32_t> seen;
        if (n > cap) {
            f.add("%s table: count %u", what, n);
            return;
        }
        for (uint32_t i = 0; i < cap; ++i) {
            const size_t rec = at + 24 * i;
            if (i >= n) {
                if (!b.all(rec, 24, '\0')) f.add("%s table: record %u past the count", what, i);
                continue;
            }
            auto node = r->nodeAt.find(b.u32(rec + 20));
            if (node == r->nodeAt.end()) {
                f.add("%s table record %u: address %08x is no channel node", what, i,
                      b.u32(rec + 20));
                continue;
            }
            const size_t c = node->second;
            if (b.u16(rec + 2) != i + 1)
                f.add("%s table record %u: running number %u", what, i, b.u16(rec + 2));
            if (b.u16(c + 138) != b.u16(rec + 14) || b.u32(c + 120) != b.u32(rec + 8) ||
                b.u16(c + 130) != b.u16(rec + 18) || b.u16(c + 136) != b.u16(rec + 16) ||
                b.u16(c + 116) != b.u16(rec + 6) || (type && b.u16(c + 128) != type))
                f.add("%s table record %u: not the tuning or type of its node", what, i);
            if (!seen.insert(node->first).second)
                f.add("%s table: node %08x reached twice", what, node->first);
        }
        if (once && seen.size() != r->channels)
            f.add("%s table reaches %zu of %u nodes", what, seen.size(), r->channels);
    };
    table("all-channel", 275632, b.u16(635632), 15000, 0, true);
    if (b.at(275632, 360004) != b.at(1235744, 360004)) f.add("second all-channel table differs");
    table("TV", 635636, r->tv = b.u16(875636), 10000, 0x0101, false);
    table("radio", 875640, r->radio = b.u16(995640), 5000, 0x0102, false);
    for (uint32_t g = 0; g < 50; ++g) {
        const uint32_t n = b.u16(1235644 + 2 * g);
        if (g >= r->favRecords && n)
            f.add("favourite block %u past the group count holds %u", g, n);
        table(("favourite block " + std::to_string(g)).c_str(), 995644 + 4800 * g, n, 200, 0,
              false);
    }
}

inline void readAzboxDvbs(const std::string& file, AzboxRead* r) {
    Faults& f = r->faults;
    const Bytes b{file};
    if (!b.has(0, 128) || b.u8(100) != 2) {
        f.add("DVBS.dat: header");
        return;
    }
    size_t off = 128, found = 0;
    for (uint32_t s = 0, n = b.u16(0); s < n; ++s) {
        const uint32_t ref = b.u8(off + 8);
        uint32_t tps = b.u16(off + 76);
        if (!b.has(off, 124 + 36 * tps) || b.u8(off + 96) != 2 || b.u16(off + 106) != 1) {
            f.add("DVBS.dat satellite %u at %zu: cut off or not on a record", s, off);
            return;
        }
        for (off += 124; tps--; off += 36, ++found) {
            if (b.u32(off + 16) != 2) f.add("DVBS.dat transponder at %zu: not on a record", off);
            r->tpNodes.erase({ref, b.u32(off + 8), b.u16(off + 12), b.u16(off + 14)});
        }
    }
    if (off != b.size()) f.add("DVBS.dat: %zu bytes, records end at %zu", b.size(), off);
    if (found != r->transponders)
        f.add("DVBS.dat lists %zu transponders, all_channel.dat %u", found, r->transponders);
    for (const auto& t : r->tpNodes)
        f.add("transponder %u MHz of satellite %u is not in DVBS.dat", t[1] / 1000, t[0]);
}

inline AzboxRead readAzbox(const ListFiles& files) {
    AzboxRead r;
    auto get = [&](const char* name) -> const std::string& {
        static const std::string none;
        const std::string* f = fileOf(files, name);
        if (!f) r.faults.add("%s: missing", name);
        return f ? *f : none;
    };
    readAzboxAllChannel(get("all_channel.dat"), &r);
    readAzboxDvbs(get("DVBS.dat"), &r);
    const Bytes a{get("antenna_list.dat")};
    bool slots = a.size() == 32804 && a.all(36 + 8192, 24576, '\0');
    for (uint32_t n = 0; n < 256 && slots; ++n) slots = a.u16(36 + 32 * n) == n;
    if (!slots) r.faults.add("antenna_list.dat: size or slot numbers");
    return r;
}
