#pragma once
// The byte image every binary writer builds: integers in the format's byte
// order, text fields, fills. Every write is bounds-checked: one that would
// reach outside the image, or grow it past its limit, changes nothing and
// marks the image broken, so a builder checks once at the end instead of
// after every field.
#include <cstddef>
#include <cstdint>
#include <string>

enum class ByteOrder { little, big };

class ByteImage {
public:
    // Writes into *bytes as it is; appends never let it grow past limit.
    ByteImage(std::string* bytes, ByteOrder order, size_t limit = SIZE_MAX)
        : s_(bytes), order_(order), limit_(limit) {}

    bool broken() const { return broken_; }
    size_t size() const { return s_->size(); }
    const char* data() const { return s_->data(); }
    size_t limit() const { return limit_; }
    void setLimit(size_t limit) { limit_ = limit; }
    // True when n more bytes can be appended.
    bool fits(size_t n) const { return s_->size() <= limit_ && n <= limit_ - s_->size(); }

    // Writes over bytes already in the image.
    void put8(size_t off, uint32_t v) {
        if (inside(off, 1)) (*s_)[off] = static_cast<char>(v & 0xFF);
    }
    void put16(size_t off, uint32_t v) {
        if (inside(off, 2)) encode(s_->data() + off, v, 2);
    }
    void put32(size_t off, uint32_t v) {
        if (inside(off, 4)) encode(s_->data() + off, v, 4);
    }
    void bytes(size_t off, const void* src, size_t n);
    void fill(size_t off, size_t n, unsigned char v);
    // Copies n bytes of the image from one offset to another.
    void copy(size_t to, size_t from, size_t n);
    // A text field at off: the characters of text (never past textSize,
    // never more than width) without terminator; returns how many. The rest
    // of the field is left as it is.
    size_t text(size_t off, const char* text, size_t textSize, size_t width);
    template <size_t N>
    size_t text(size_t off, const char (&field)[N], size_t width) {
        return text(off, field, N, width);
    }

    // Appends at the end. Each returns false (and writes nothing) when the
    // bytes would pass the limit.
    bool add8(uint32_t v) {
        if (!grow(1)) return false;
        s_->push_back(static_cast<char>(v & 0xFF));
        return true;
    }
    bool add16(uint32_t v) {
        char b[2];
        encode(b, v, 2);
        return append(b, 2);
    }
    bool add32(uint32_t v) {
        char b[4];
        encode(b, v, 4);
        return append(b, 4);
    }
    bool append(const void* src, size_t n) {
        if (!grow(n)) return false;
        s_->append(static_cast<const char*>(src), n);
        return true;
    }
    bool zeros(size_t n);
    // A text field of exactly width bytes: the characters (as text() takes
    // them), then zero bytes.
    bool addText(const char* text, size_t textSize, size_t width);
    template <size_t N>
    bool addText(const char (&field)[N], size_t width) {
        return addText(field, N, width);
    }

private:
    bool inside(size_t off, size_t n) {
        const bool ok = off <= s_->size() && n <= s_->size() - off;
        if (!ok) broken_ = true;
        return ok;
    }
    // Room for n more bytes; false (and broken) past the limit.
    bool grow(size_t n) {
        if (fits(n) && n <= s_->capacity() - s_->size()) return true;
        return regrow(n);
    }
    bool regrow(size_t n);
    void encode(char* p, uint32_t v, int width) const {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (order_ == ByteOrder::little ? i : width - 1 - i);
            p[i] = static_cast<char>((v >> shift) & 0xFF);
        }
    }

    std::string* s_;
    ByteOrder order_;
    size_t limit_;
    bool broken_ = false;
};
