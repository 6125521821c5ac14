#pragma once
// Reads a fuzz input as a stream of small structured values. Any byte string
// decodes to something: past the end every read gives zeros, so a mutation
// never makes an input invalid, only different.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool empty() const { return p_ >= end_; }
    size_t left() const { return static_cast<size_t>(end_ - p_); }

    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return u16() | static_cast<uint32_t>(u16()) << 16; }
    bool flag() { return byte() & 1; }
    // A value in [lo, hi], from one byte.
    int range(int lo, int hi) { return lo + byte() % (hi - lo + 1); }

    // A signed 32-bit value. Most of the byte space gives the small codes
    // the records use; the rest gives 16-bit values, the edges where
    // conversions and sums break, and raw 32-bit values.
    int32_t num() {
        const uint8_t b = byte();
        if (b < 0xC0) return static_cast<int32_t>(b) - 0x20;  // -32 .. 159
        if (b < 0xE0) return u16();
        if (b < 0xF0) {
            static const int32_t edge[16] = {INT_MIN, INT_MAX, -1,      255,        256,   1799,
                                             1800,    3599,    3600,    65535,      65536, 99999,
                                             11747,   27500,   1000000, INT_MIN + 1};
            return edge[b & 15];
        }
        return static_cast<int32_t>(u32());
    }

    // A fixed text field: a length byte, then that many bytes of any value.
    // A length of the field's size (or more) fills the field without a NUL.
    void text(char* field, size_t size) {
        std::memset(field, 0, size);
        size_t n = byte() % (size + 1);
        for (size_t i = 0; i < n; ++i) field[i] = static_cast<char>(byte());
    }
    template <size_t N>
    void text(char (&field)[N]) {
        text(field, N);
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};
