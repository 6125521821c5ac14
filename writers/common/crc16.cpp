#include "writers/common/crc16.h"

#include <array>

namespace {
constexpr uint16_t kPoly = 0x8005;

constexpr std::array<uint16_t, 256> crcTable() {
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t r = static_cast<uint16_t>(i << 8);
        for (int k = 0; k < 8; ++k)
            r = (r & 0x8000) ? static_cast<uint16_t>((r << 1) ^ kPoly)
                             : static_cast<uint16_t>(r << 1);
        t[i] = r;
    }
    return t;
}
constexpr std::array<uint16_t, 256> kCrcTable16 = crcTable();
}  // namespace

uint32_t reflect16(uint32_t value, uint8_t n) {
    uint32_t r = 0;
    for (unsigned i = 0; i < n && i < 32; ++i) {
        unsigned to = n - 1u - i;
        if (to < 32 && (value & (uint32_t{1} << i))) r |= uint32_t{1} << to;
    }
    return r;
}

uint16_t crcFast16(const void* data, size_t length) {
    const auto* p = static_cast<const unsigned char*>(data);
    uint16_t r = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned idx = ((r >> 8) ^ reflect16(p[i], 8)) & 0xFF;
        r = static_cast<uint16_t>((r << 8) ^ kCrcTable16[idx]);
    }
    return static_cast<uint16_t>(reflect16(r, 16));
}

uint16_t crcSlow16(const void* data, size_t length) {
    const auto* p = static_cast<const unsigned char*>(data);
    uint16_t r = 0;
    for (size_t i = 0; i < length; ++i) {
        r = static_cast<uint16_t>(r ^ (reflect16(p[i], 8) << 8));
        for (int k = 0; k < 8; ++k)
            r = (r & 0x8000) ? static_cast<uint16_t>((r << 1) ^ kPoly)
                             : static_cast<uint16_t>(r << 1);
    }
    return static_cast<uint16_t>(reflect16(r, 16));
}
