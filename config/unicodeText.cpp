#include "config/unicodeText.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <cstring>
#include <memory>

#include "config/codepage.h"

namespace {
// One code point at s[*i]; a malformed byte gives itself as U+FFFD and
// consumes one byte.
uint32_t nextCp(std::string_view s, size_t* i) {
    const unsigned char c = static_cast<unsigned char>(s[*i]);
    size_t len = c < 0x80             ? 1
                 : (c & 0xE0) == 0xC0 ? 2
                 : (c & 0xF0) == 0xE0 ? 3
                 : (c & 0xF8) == 0xF0 ? 4
                                      : 0;
    if (len == 0 || *i + len > s.size()) {
        ++*i;
        return 0xFFFD;
    }
    uint32_t v = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[*i + k]);
        if ((t & 0xC0) != 0x80) {
            ++*i;
            return 0xFFFD;
        }
        v = (v << 6) | (t & 0x3F);
    }
    // Overlong forms (a NUL as C0 80), surrogates and values past U+10FFFF
    // are as malformed as a stray byte.
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
        ++*i;
        return 0xFFFD;
    }
    *i += len;
    return v;
}

// The byte of a code point in Windows-1252, the C1 controls included.
bool cp1252Byte(uint32_t cp, unsigned char* b) {
    if (cp >= 0x80 && cp < 0xA0 && cp1252CodePoint(static_cast<unsigned char>(cp)) == 0) {
        *b = static_cast<unsigned char>(cp);
        return true;
    }
    return cp1252FromCodePoint(cp, b);
}

// ICU transliterators are not safe to share between threads; each thread
// makes its own once (it takes a few milliseconds).
icu::Transliterator* translit(const char* id) {
    UErrorCode err = U_ZERO_ERROR;
    auto* t =
        icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, err);
    if (U_FAILURE(err)) {
        delete t;
        return nullptr;
    }
    return t;
}
// Cyrillic by BGN/PCGN, which reads as people spell the names (Rossiya,
// Kyyiv), Ukrainian where a letter only Ukrainian has says so; every
// other script by ICU's general rules.
enum class Script { kAny, kRussian, kUkrainian };
icu::Transliterator* toLatin(Script s) {
    thread_local std::unique_ptr<icu::Transliterator> any(translit("Any-Latin")),
        ru(translit("Russian-Latin/BGN; Any-Latin")),
        uk(translit("Ukrainian-Latin/BGN; Any-Latin"));
    return s == Script::kUkrainian ? uk.get() : s == Script::kRussian ? ru.get() : any.get();
}

Script scriptOf(std::string_view s) {
    Script out = Script::kAny;
    size_t i = 0;
    while (i < s.size()) {
        const uint32_t cp = nextCp(s, &i);
        // і ї є ґ, capital or small
        if (cp == 0x0406 || cp == 0x0456 || cp == 0x0407 || cp == 0x0457 || cp == 0x0404 ||
            cp == 0x0454 || cp == 0x0490 || cp == 0x0491)
            return Script::kUkrainian;
        if (cp >= 0x0400 && cp <= 0x04FF) out = Script::kRussian;
    }
    return out;
}

icu::Transliterator* latinAscii() {
    thread_local std::unique_ptr<icu::Transliterator> t(translit("Latin-ASCII"));
    return t.get();
}

std::string transliterated(icu::Transliterator* t, std::string_view run) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(
        icu::StringPiece(run.data(), static_cast<int32_t>(run.size())));
    if (t) t->transliterate(u);
    std::string out;
    u.toUTF8String(out);
    return out;
}

// Appends what Windows-1252 can show of Latin text: kept characters as
// bytes, others through Latin-ASCII, the rest left out (counted in *dropped).
void appendLatin(std::string& out, std::string_view latin, std::string* dropped) {
    size_t i = 0;
    while (i < latin.size()) {
        const size_t start = i;
        const uint32_t cp = nextCp(latin, &i);
        unsigned char b;
        if (cp != 0xFFFD && cp1252Byte(cp, &b)) {
            out += static_cast<char>(b);
            continue;
        }
        const std::string ascii = transliterated(latinAscii(), latin.substr(start, i - start));
        size_t k = 0;
        bool any = false;
        while (k < ascii.size()) {
            const uint32_t c = nextCp(ascii, &k);
            if (c != 0xFFFD && cp1252FromCodePoint(c, &b) && c != cp) {
                out += static_cast<char>(b);
                any = true;
            }
        }
        if (!any) dropped->append(latin.substr(start, i - start));
    }
}

std::string codePoints(std::string_view s) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%sU+%04X", out.empty() ? "" : " ", nextCp(s, &i));
        out += buf;
    }
    return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Chinese, Japanese or Korean letters in the text.
bool isCjk(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const uint32_t cp = nextCp(s, &i);
        if ((cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
            (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0x20000 && cp <= 0x3FFFF))
            return true;
    }
    return false;
}
}  // namespace

uint32_t nextCodePoint(std::string_view s, size_t* i) { return nextCp(s, i); }

size_t utf8Chars(std::string_view s) {
    size_t n = 0, i = 0;
    while (i < s.size()) {
        nextCp(s, &i);
        ++n;
    }
    return n;
}

size_t utf8PrefixBytes(std::string_view s, size_t maxChars, size_t maxBytes) {
    size_t i = 0, n = 0;
    while (i < s.size() && n < maxChars) {
        size_t next = i;
        nextCp(s, &next);
        if (next > maxBytes) break;
        i = next;
        ++n;
    }
    return i;
}

void copyUtf8(char* dst, size_t size, std::string_view src) {
    if (size == 0) return;
    src = src.substr(0, strnlen(src.data(), src.size()));
    const size_t n = utf8PrefixBytes(src, std::string_view::npos, size - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

std::string latin1ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const uint32_t cp = cp1252CodePoint(c);
        appendUtf8(out, cp ? cp : c);
    }
    return out;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool fitsCp1252(std::string_view utf8) {
    size_t i = 0;
    unsigned char b;
    while (i < utf8.size()) {
        const uint32_t cp = nextCp(utf8, &i);
        if (cp == 0xFFFD || !cp1252Byte(cp, &b)) return false;
    }
    return true;
}

std::string toCp1252Latin(std::string_view utf8, bool* changed) {
    std::string out;
    out.reserve(utf8.size());
    std::string dropped;
    bool spelled = false;
    Script script = Script::kAny;
    bool scriptKnown = false;
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t start = i;
        uint32_t cp = nextCp(utf8, &i);
        unsigned char b;
        if (cp != 0xFFFD && cp1252Byte(cp, &b)) {
            out += static_cast<char>(b);
            continue;
        }
        // A run of characters the code page lacks goes to the transliterator
        // whole: scripts such as Chinese or Arabic are spelled by the word.
        size_t end = i;
        while (end < utf8.size()) {
            size_t next = end;
            cp = nextCp(utf8, &next);
            if (cp != 0xFFFD && cp1252Byte(cp, &b)) break;
            end = next;
        }
        i = end;
        if (!scriptKnown) script = scriptOf(utf8), scriptKnown = true;
        const std::string_view run = utf8.substr(start, end - start);
        std::string latin = transliterated(toLatin(script), run);
        // BGN marks letters that would read as another with a middle dot
        // (Det·skiy), which a list's name does without; pinyin's tone marks
        // go whole, not where the code page happens to have the letter.
        for (size_t at; (at = latin.find("\xC2\xB7")) != std::string::npos;) latin.erase(at, 2);
        if (isCjk(run)) latin = transliterated(latinAscii(), latin);
        appendLatin(out, latin, &dropped);
        spelled = true;
    }
    if (spelled && !dropped.empty()) {
        // Something was left out: no blanks at the ends or twice in a row.
        std::string tidy;
        for (char c : out)
            if (!(isBlank(c) && (tidy.empty() || isBlank(tidy.back())))) tidy += c;
        while (!tidy.empty() && isBlank(tidy.back())) tidy.pop_back();
        out = tidy.empty() ? codePoints(dropped) : tidy;
    }
    if (changed) *changed = spelled;
    return out;
}
