#pragma once
// What every list reader shares: the faults it found and a view of the
// bytes that reads nothing past the end. A reader never trusts a count or
// an offset before it has checked that it lands inside the file.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The files of one list by name; a single-file list has one, "image".
using ListFiles = std::map<std::string, std::string>;

inline const std::string* fileOf(const ListFiles& f, const std::string& name) {
    auto it = f.find(name);
    return it == f.end() ? nullptr : &it->second;
}

struct Faults {
    std::vector<std::string> lines;
    void add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (lines.size() >= 200) return;
        char buf[400];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        lines.emplace_back(buf);
    }
    bool ok() const { return lines.empty(); }
    // A planted fault was found: some line names it.
    bool has(std::string_view what) const {
        for (const std::string& l : lines)
            if (l.find(what) != std::string::npos) return true;
        return false;
    }
    void merge(const Faults& o) {
        for (const std::string& l : o.lines) lines.push_back(l);
    }
};

inline ::testing::AssertionResult readsBack(const Faults& f) {
    if (f.ok()) return ::testing::AssertionSuccess();
    auto r = ::testing::AssertionFailure() << f.lines.size() << " faults:";
    for (size_t i = 0; i < f.lines.size() && i < 12; ++i) r << "\n  " << f.lines[i];
    return r;
}

// Bytes of one file; reads past the end give 0, so a reader checks has()
// first and reports what it found.
struct Bytes {
    std::string_view s;
    bool bigEndian = false;

    size_t size() const { return s.size(); }
    bool has(size_t off, size_t n) const { return off <= s.size() && n <= s.size() - off; }
    uint32_t u8(size_t off) const {
        return off < s.size() ? static_cast<unsigned char>(s[off]) : 0u;
    }
    uint32_t u16(size_t off) const {
        return bigEndian ? u8(off) << 8 | u8(off + 1) : u8(off) | u8(off + 1) << 8;
    }
    uint32_t u32(size_t off) const {
        return bigEndian ? u16(off) << 16 | u16(off + 2) : u16(off) | u16(off + 2) << 16;
    }
    std::string_view at(size_t off, size_t n) const {
        return has(off, n) ? s.substr(off, n) : std::string_view{};
    }
    bool is(size_t off, std::string_view want) const { return at(off, want.size()) == want; }
    bool all(size_t off, size_t n, char c) const {
        if (!has(off, n)) return false;
        for (size_t i = off; i < off + n; ++i)
            if (s[i] != c) return false;
        return true;
    }
};
