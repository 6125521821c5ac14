#include "writers/common/byteImage.h"

#include <algorithm>
#include <cstring>

// Makes room for n more bytes. The image grows by doubling, but never
// reserves past its limit: the limit is the format's size.
bool ByteImage::regrow(size_t n) {
    if (!fits(n)) {
        broken_ = true;
        return false;
    }
    const size_t need = s_->size() + n;
    if (need <= s_->capacity()) return true;
    const size_t want = std::max(need, std::max<size_t>(2 * s_->capacity(), 256));
    // A fresh string takes exactly the capacity asked for; reserve on the
    // old one may double it past the limit.
    std::string bigger;
    bigger.reserve(std::min(want, limit_));
    bigger.append(*s_);
    s_->swap(bigger);
    return true;
}

void ByteImage::bytes(size_t off, const void* src, size_t n) {
    if (n && inside(off, n)) std::memcpy(s_->data() + off, src, n);
}

void ByteImage::fill(size_t off, size_t n, unsigned char v) {
    if (n && inside(off, n)) std::memset(s_->data() + off, v, n);
}

void ByteImage::copy(size_t to, size_t from, size_t n) {
    if (n && inside(to, n) && inside(from, n)) std::memmove(s_->data() + to, s_->data() + from, n);
}

size_t ByteImage::text(size_t off, const char* text, size_t textSize, size_t width) {
    const size_t n = std::min(strnlen(text, textSize), width);
    if (!inside(off, n)) return 0;
    std::memcpy(s_->data() + off, text, n);
    return n;
}

bool ByteImage::zeros(size_t n) {
    if (!grow(n)) return false;
    s_->append(n, '\0');
    return true;
}

bool ByteImage::addText(const char* text, size_t textSize, size_t width) {
    if (!grow(width)) return false;
    const size_t n = std::min(strnlen(text, textSize), width);
    s_->append(text, n);
    s_->append(width - n, '\0');
    return true;
}
