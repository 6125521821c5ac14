#include "config/cfgFile.h"

#include "config/codepage.h"
#include "config/unicodeText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "config/fileIo.h"
#include "config/langTypes.h"
#include "config/textFunc.h"

namespace {

const char* const kCorrupt = "Corrupted Config File";
const char* const kAppError = "Application Error";
const char* const kDownloadNew = "\n\nDownload a new cfg file.";

std::string lastError;
const char* lastCaption = "";

void fail(const std::string& text, const char* caption) {
    lastError = text;
    lastCaption = caption;
}

// Refuses a corrupt file, naming the file, the line and (inside a section) the section.
bool corrupt(const char* file, int line, const char* section, const std::string& reason) {
    std::string text = strFormat("Error in %s, line %d", file, line);
    if (section) appendFormat(text, ", section [%s]", section);
    text += ".\n" + reason + kDownloadNew;
    fail(text, kCorrupt);
    return false;
}

// Splits a text into whole lines of any length; LF, CR LF and a lone CR all end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::string* line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find_first_of(std::string_view("\r\n", 2), pos_);
        if (end == std::string_view::npos) end = text_.size();
        line->assign(text_.substr(pos_, end - pos_));
        pos_ = end + 1;
        if (end < text_.size() && text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
        ++lineNo_;
        return true;
    }
    int lineNo() const { return lineNo_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int lineNo_ = 0;
};

// A configuration file is text: refuse UTF-16, NUL and control bytes other
// than TAB, CR and LF (binary data). It comes here as UTF-8 (cfgTextToUtf8).
bool checkText(const char* file, std::string_view* text) {
    if (!text->empty() && text->back() == '\x1A') text->remove_suffix(1);  // DOS end-of-file mark
    LineReader in(*text);
    std::string line;
    while (in.next(&line)) {
        for (size_t i = 0; i < line.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            if (c == 0)
                return corrupt(file, in.lineNo(), nullptr,
                               strFormat("A NUL byte at column %zu: the file is not ANSI text "
                                         "(UTF-16 or binary data).",
                                         i + 1));
            if ((c < 0x20 && c != '\t') || c == 0x7F)
                return corrupt(file, in.lineNo(), nullptr,
                               strFormat("The control byte 0x%02X at column %zu: the file is not "
                                         "a text file.",
                                         c, i + 1));
        }
    }
    return true;
}

bool isComment(const char* line) { return line[0] == '#' || line[0] == ';'; }

// Empty lines (blanks and tabs only) inside and outside sections are skipped.
bool isEmpty(const char* line) { return line[std::strspn(line, " \t")] == '\0'; }

bool startsWith(const char* s, const char* prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// A line of '#'-separated fields, such as a satellite line that lost its section header.
bool isFieldLine(const char* line) { return !isComment(line) && std::strchr(line, '#') != nullptr; }

// Splits a field line into exactly n fields, each closed by '#'. False when
// the line has fewer.
bool splitFields(char* line, int n, char** out) {
    char* tok = MyStrtok(line, "#");
    for (int i = 0; i < n; ++i) {
        if (!tok) return false;
        out[i] = tok;
        tok = MyStrtok(nullptr, "#");
    }
    return tok != nullptr;  // the text after the last '#'
}

struct SectionCtx {
    const char* file;
    const char* section;
    LineReader& in;
};

bool tooFewFields(const SectionCtx& s, int need) {
    return corrupt(s.file, s.in.lineNo(), s.section,
                   strFormat("The line has fewer than %d fields.", need));
}

bool tooMany(const SectionCtx& s, int max) {
    return corrupt(s.file, s.in.lineNo(), s.section, strFormat("More than %d entries.", max));
}

// Decimal value of a numeric field: blanks, an optional sign, digits, blanks.
// False when it is no number; values past the int range stay past it.
bool parseNumber(const char* s, long long* v) {
    s += std::strspn(s, " \t");
    bool neg = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    if (*s < '0' || *s > '9') return false;
    long long n = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        if (n <= LLONG_MAX / 100) n = n * 10 + (*s - '0');
    s += std::strspn(s, " \t");
    if (*s) return false;
    *v = neg ? -n : n;
    return true;
}

// Identifiers of the channel database: any non-negative 32-bit number.
constexpr int kIdMax = INT_MAX;

struct NumField {
    const char* name;
    int lo, hi;
};

// Converts field no. `idx` (from 0) and checks it against its range.
bool numField(const SectionCtx& s, char** f, int idx, const NumField& spec, int* out) {
    long long v = 0;
    if (!parseNumber(f[idx], &v))
        return corrupt(
            s.file, s.in.lineNo(), s.section,
            strFormat("Field %d (%s) is not a number: \"%.24s\".", idx + 1, spec.name, f[idx]));
    if (v < spec.lo || v > spec.hi) {
        // The number as written: a long one is past what v holds exactly.
        const char* t = f[idx] + std::strspn(f[idx], " \t");
        return corrupt(s.file, s.in.lineNo(), s.section,
                       strFormat("Field %d (%s) is %.*s; it must be %d to %d.", idx + 1, spec.name,
                                 static_cast<int>(std::min<size_t>(std::strcspn(t, " \t"), 24)), t,
                                 spec.lo, spec.hi));
    }
    *out = static_cast<int>(v);
    return true;
}

// A filter of '0'/'1' characters, at least `need` of them (longer ones are
// cut at their field as before).
bool flagField(const SectionCtx& s, char** f, int idx, const char* name, size_t need) {
    size_t len = std::strlen(f[idx]);
    bool flags = std::strspn(f[idx], "01") == len;
    if (len < need || !flags)
        return corrupt(s.file, s.in.lineNo(), s.section,
                       strFormat("Field %d (%s) must be %zu or more characters 0 or 1: \"%.24s\".",
                                 idx + 1, name, need, f[idx]));
    return true;
}

// Reads the field lines of one section until its closing line. A section
// that the end of the file cuts off is refused. onLine gets the split
// fields; it returns false to stop.
template <typename F>
bool readSection(const SectionCtx& s, int nFields, const char* closing, F onLine) {
    std::string buf;
    const int header = s.in.lineNo();
    while (s.in.next(&buf)) {
        if (startsWith(buf.c_str(), closing)) return true;
        if (isComment(buf.c_str()) || isEmpty(buf.c_str())) continue;
        char* f[19];
        if (!splitFields(buf.data(), nFields, f)) return tooFewFields(s, nFields);
        if (!onLine(f)) return false;
    }
    return corrupt(
        s.file, header, s.section,
        strFormat("The section has no closing %s line: the file is cut short.", closing));
}

bool fieldOutsideSection(const char* file, int line) {
    return corrupt(file, line, nullptr,
                   "A field line outside any section: its section header is missing.");
}

// Removes every blank of a top-level line, as key and section lines are tested without them.
void stripBlanks(std::string* line) {
    rmSpace(line->data());
    line->resize(std::strlen(line->c_str()));
}

bool readMaster(const char* path, std::string_view text, T_idxCat* cat, T_idxFav* fav,
                T_idxBou* bou, T_idxNat* nat) {
    LineReader in(text);
    std::string buf;
    bool anySection = false;
    const NumField catId{"catId", 0, kIdMax}, favId{"favId", 0, kIdMax}, bouId{"bouId", 0, kIdMax},
        bouNatId{"bouNatId", 0, kIdMax}, natId{"natId", 0, kIdMax};
    while (in.next(&buf)) {
        stripBlanks(&buf);
        if (startsWith(buf.c_str(), "[CAT]")) {
            SectionCtx s{path, "CAT", in};
            if (!readSection(s, 2, "[/CAT]", [&](char** f) {
                    if (cat->count >= static_cast<uint32_t>(kCatSlots))
                        return tooMany(s, kCatSlots);
                    T_catRec& r = cat->cat[cat->count];
                    if (!numField(s, f, 0, catId, &r.catId)) return false;
                    copyUtf8(r.catName, f[1], kCfgNameChars);
                    ++cat->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf.c_str(), "[FAV]")) {
            SectionCtx s{path, "FAV", in};
            if (!readSection(s, 2, "[/FAV]", [&](char** f) {
                    if (fav->count >= static_cast<uint32_t>(kFavSlots))
                        return tooMany(s, kFavSlots);
                    T_favRec& r = fav->fav[fav->count];
                    if (!numField(s, f, 0, favId, &r.favId)) return false;
                    copyUtf8(r.favName, f[1], kCfgNameChars);
                    r.favOn = 1;
                    ++fav->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf.c_str(), "[BOU]")) {
            SectionCtx s{path, "BOU", in};
            if (!readSection(s, 4, "[/BOU]", [&](char** f) {
                    if (bou->count >= static_cast<uint32_t>(kBouSlots))
                        return tooMany(s, kBouSlots);
                    T_bouRec& r = bou->bou[bou->count];
                    if (!numField(s, f, 0, bouId, &r.bouId) ||
                        !numField(s, f, 2, bouNatId, &r.bouNatId))
                        return false;
                    copyUtf8(r.bouName, f[1], kCfgNameChars);
                    copyUtf8(r.bouNation, f[3], kCfgNationChars);
                    ++bou->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf.c_str(), "[NAT]")) {
            SectionCtx s{path, "NAT", in};
            if (!readSection(s, 2, "[/NAT]", [&](char** f) {
                    if (nat->count + 1 >= static_cast<uint32_t>(kNatSlots))
                        return tooMany(s, kNatSlots - 1);
                    T_natRec& r = nat->nat[nat->count + 1];
                    if (!numField(s, f, 0, natId, &r.natId)) return false;
                    copyUtf8(r.natName, f[1], kCfgNationChars);
                    ++nat->count;
                    return true;
                }))
                return false;
            return true;  // [NAT] is the last section
        } else if (isFieldLine(buf.c_str())) {
            return fieldOutsideSection(path, in.lineNo());
        } else {
            continue;
        }
        anySection = true;
    }
    if (!anySection)
        return corrupt(path, in.lineNo(), nullptr,
                       "The file holds no section: it is no master list.");
    return true;
}

// The category string of every satellite must have one character per category.
bool checkCategories(const T_idxSat* sat, const T_idxCat* cat, const size_t* catLen) {
    for (uint32_t i = 1; i <= sat->count; ++i) {
        if (catLen[i] != cat->count) {
            fail(strFormat("Error in sat_id %d.\nWrong category number.\nAttempded %d found %d%s",
                           sat->sat[i].satId, static_cast<int>(cat->count),
                           static_cast<int>(catLen[i]), kDownloadNew),
                 kCorrupt);
            return false;
        }
    }
    return true;
}

enum class KeyResult { notAKey, ok, bad };

KeyResult badKey(const char* file, int lineNo, const std::string& reason) {
    corrupt(file, lineNo, nullptr, reason);
    return KeyResult::bad;
}

// Up to `width` digits at `at` and nothing after them; the value must start
// with a digit and may be shorter (MAXCTV=123), but not longer.
KeyResult keyDigits(const char* file, int lineNo, const char* line, const std::string& name,
                    size_t at, size_t width, int lo, int hi, int* out) {
    size_t n = 0;
    while (n < width && line[at + n] >= '0' && line[at + n] <= '9') ++n;
    if (n == width && line[at + n] >= '0' && line[at + n] <= '9')
        return badKey(file, lineNo,
                      strFormat("The value of %s has more than %zu digits.", name.c_str(), width));
    if (n == 0 || line[at + n] != '\0')
        return badKey(
            file, lineNo,
            strFormat("The value of %s is not a number: \"%.24s\".", name.c_str(), line + at));
    int v = toInt(std::string(line + at, n).c_str());
    if (v < lo || v > hi)
        return badKey(file, lineNo,
                      strFormat("%s is %d; it must be %d to %d.", name.c_str(), v, lo, hi));
    *out = v;
    return KeyResult::ok;
}

// Degrees and tenths, "45.4", "9" or "009.2": up to `width` digits, then
// optionally a dot and one digit, and nothing else; at most maxTenths.
KeyResult keyPosition(const char* file, int lineNo, const char* line, const std::string& name,
                      size_t at, size_t width, int maxTenths, int* deg, int* dec) {
    size_t n = 0;
    while (n < width && line[at + n] >= '0' && line[at + n] <= '9') ++n;
    if (n == width && line[at + n] >= '0' && line[at + n] <= '9')
        return badKey(file, lineNo,
                      strFormat("The value of %s has more than %zu digits.", name.c_str(), width));
    const char* rest = line + at + n;
    const bool tenth = rest[0] == '.' && rest[1] >= '0' && rest[1] <= '9';
    if (n == 0 || (tenth ? rest[2] != '\0' : rest[0] != '\0'))
        return badKey(file, lineNo,
                      strFormat("The value of %s is not a number of degrees such as 45.4: "
                                "\"%.24s\".",
                                name.c_str(), line + at));
    const int d = toInt(std::string(line + at, n).c_str()), t = tenth ? rest[1] - '0' : 0;
    if (d * 10 + t > maxTenths)
        return badKey(file, lineNo,
                      strFormat("%s is %d.%d; it must be 0 to %d.%d degrees.", name.c_str(), d, t,
                                maxTenths / 10, maxTenths % 10));
    *deg = d;
    *dec = t;
    return KeyResult::ok;
}

// One key line; a line of the shape NAME=... whose name is no key is
// refused, so a misspelt key is not ignored.
KeyResult readKey(const char* file, int lineNo, const char* line, T_cfgStruct* cfg,
                  std::string* name) {
    const size_t nameLen = std::strspn(line,
                                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789_");
    if (nameLen == 0 || line[nameLen] != '=') return KeyResult::notAKey;
    name->assign(line, nameLen);
    const size_t at = nameLen + 1;
    struct Key {
        const char* key;
        int T_cfgStruct::*field;
        size_t width;
        int lo, hi;
    };
    // LANG is one digit here: the window and the tool refuse an unknown
    // language with a box of their own after loading.
    static const Key keys[] = {{"LANG", &T_cfgStruct::lang, 1, 0, 9},
                               {"LIST", &T_cfgStruct::listType, 1, 0, 2},
                               {"FILE", &T_cfgStruct::fileType, 2, 0, 9},
                               {"CHFAKE", &T_cfgStruct::chFake, 1, 0, 1},
                               {"LOGFILE", &T_cfgStruct::logFile, 1, 0, 1},
                               {"LONGWE", &T_cfgStruct::lonWE, 1, 0, 1},
                               {"E1TYPE", &T_cfgStruct::e1Type, 1, 0, 2},
                               {"E2TYPE", &T_cfgStruct::e2Type, 1, 0, 2},
                               {"MAXBOU", &T_cfgStruct::maxBou, 3, 0, 999},
                               {"MAXCTV", &T_cfgStruct::maxCTv, 5, 0, 99999},
                               {"MAXCRA", &T_cfgStruct::maxCRa, 5, 0, 99999},
                               {"GHD", &T_cfgStruct::gHD, 1, 0, 1},
                               {"G3D", &T_cfgStruct::g3D, 1, 0, 1},
                               {"GRAD", &T_cfgStruct::gRad, 1, 0, 1},
                               {"GTP", &T_cfgStruct::gTP, 1, 0, 1}};
    for (const Key& k : keys)
        if (*name == k.key)
            return keyDigits(file, lineNo, line, *name, at, k.width, k.lo, k.hi, &(cfg->*k.field));
    // The dish's latitude (north or south) and longitude (east or west, by LONGWE).
    if (*name == "LAT")
        return keyPosition(file, lineNo, line, *name, at, 2, 900, &cfg->latDeg, &cfg->latDec);
    if (*name == "LONG")
        return keyPosition(file, lineNo, line, *name, at, 3, 1800, &cfg->lonDeg, &cfg->lonDec);
    return badKey(file, lineNo, strFormat("Unknown key %.24s.", name->c_str()));
}

bool readUser(const char* path, std::string_view text, T_cfgStruct* cfg, T_idxSat* sat,
              T_idxBouI* bouI, const T_idxCat* cat, T_idxFavI* favI) {
    // The satellite line's numeric fields (no. 1 and 3 to 16) and their ranges.
    static const NumField satNums[16] = {{"satId", 0, kIdMax}, {},
                                         {"selected", 0, 1},   {"lnbType", 0, 2},
                                         {"freqLo", 0, 9},     {"freqHi", 0, 9},
                                         {"power", 0, 3},      {"tone22k", 0, 1},
                                         {"out12V", 0, 1},     {"switchType", 0, 2},
                                         {"switch10", 0, 3},   {"switch11", 0, 15},
                                         {"diseqc", 0, 3},     {"positionerId", 0, 999},
                                         {"skew", 0, 1},       {"feedTp", 0, 1}};
    const NumField favId{"favId", 0, kIdMax}, bouId{"bouId", 0, kIdMax},
        bouNatId{"bouNatId", 0, kIdMax};
    LineReader in(text);
    std::string buf, keyName;
    bool anything = false;
    size_t catLen[kSatSlots] = {0};
    // Where each key and each satellite was first given: a second one would
    // silently win, or write every channel of the satellite twice.
    std::map<std::string, int> keyLines;
    std::map<int, int> satLines;
    while (in.next(&buf)) {
        stripBlanks(&buf);
        KeyResult key = readKey(path, in.lineNo(), buf.c_str(), cfg, &keyName);
        if (key == KeyResult::bad) return false;
        if (key == KeyResult::ok) {
            auto [first, isNew] = keyLines.emplace(keyName, in.lineNo());
            if (!isNew)
                return corrupt(path, in.lineNo(), nullptr,
                               strFormat("%s is given twice (first on line %d).", keyName.c_str(),
                                         first->second));
            anything = true;
        } else if (startsWith(buf.c_str(), "[SAT]")) {
            anything = true;
            SectionCtx s{path, "SAT", in};
            if (!readSection(s, 19, "[/SAT]", [&](char** f) {
                    if (sat->count + 1 >= static_cast<uint32_t>(kSatSlots))
                        return tooMany(s, kSatSlots - 1);
                    T_satRec& r = sat->sat[sat->count + 1];
                    int* nums[16] = {&r.satId,  nullptr,         &r.selected, &r.lnbType,
                                     &r.freqLo, &r.freqHi,       &r.power,    &r.tone22k,
                                     &r.out12V, &r.switchType,   &r.switch10, &r.switch11,
                                     &r.diseqc, &r.positionerId, &r.skew,     &r.feedTp};
                    for (int i = 0; i < 16; ++i)
                        if (nums[i] && !numField(s, f, i, satNums[i], nums[i])) return false;
                    auto [first, isNew] = satLines.emplace(r.satId, s.in.lineNo());
                    if (!isNew)
                        return corrupt(s.file, s.in.lineNo(), s.section,
                                       strFormat("The satellite %d is given twice (first on "
                                                 "line %d).",
                                                 r.satId, first->second));
                    if (!flagField(s, f, 16, "radioFilter", 3) ||
                        !flagField(s, f, 17, "tvFilter", 5) || !flagField(s, f, 18, "catFilter", 0))
                        return false;
                    copyUtf8(r.satName, f[1], kCfgNameChars);
                    copyText(r.radioFilter, f[16]);
                    copyText(r.tvFilter, f[17]);
                    copyText(r.catFilter, f[18]);
                    ++sat->count;
                    catLen[sat->count] = std::strlen(f[18]);
                    return true;
                }))
                return false;
            // Only a [SAT] section changes the satellites, so checking after it
            // finds the same first wrong satellite as checking after every line.
            if (!checkCategories(sat, cat, catLen)) return false;
        } else if (startsWith(buf.c_str(), "[FAVI]")) {
            anything = true;
            SectionCtx s{path, "FAVI", in};
            if (!readSection(s, 2, "[/FAVI]", [&](char** f) {
                    if (favI->count + 1 >= static_cast<uint32_t>(kFavSlots))
                        return tooMany(s, kFavSlots - 1);
                    T_favRec& r = favI->fav[favI->count + 1];
                    if (!numField(s, f, 0, favId, &r.favId)) return false;
                    copyUtf8(r.favName, f[1], kCfgNameChars);
                    r.favOn = 0;
                    ++favI->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf.c_str(), "[BOUI]")) {
            SectionCtx s{path, "BOUI", in};
            return readSection(s, 4, "[/BOUI]", [&](char** f) {
                if (bouI->count + 1 >= static_cast<uint32_t>(kBouSlots))
                    return tooMany(s, kBouSlots - 1);
                T_bouRec& r = bouI->bou[bouI->count + 1];
                if (!numField(s, f, 0, bouId, &r.bouId) ||
                    !numField(s, f, 2, bouNatId, &r.bouNatId))
                    return false;
                copyUtf8(r.bouName, f[1], kCfgNameChars);
                copyUtf8(r.bouNation, f[3], kCfgNationChars);
                ++bouI->count;
                return true;
            });  // [BOUI] is the last section
        } else if (isFieldLine(buf.c_str())) {
            return fieldOutsideSection(path, in.lineNo());
        }
    }
    if (!anything)
        return corrupt(path, in.lineNo(), nullptr,
                       "The file holds no key and no section: it is no configuration file.");
    return true;
}

bool unableToOpen(const char* path, const std::string& reason) {
    fail(strFormat("Unable to open configuration file.\n%s: %s", path, reason.c_str()), kAppError);
    return false;
}

bool tooLarge(const char* path) {
    fail(strFormat("Error in %s.\nThe file is larger than %zu bytes (4 MiB): it is no "
                   "configuration file.%s",
                   path, kMaxCfgBytes, kDownloadNew),
         kCorrupt);
    return false;
}

bool loadTexts(std::string_view masterText, std::string_view userText, const char* masterName,
               const char* userName, T_cfgStruct* cfg, T_idxSat* sat, T_idxBou* bou,
               T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI, T_idxNat* nat) {
    if (masterText.size() > kMaxCfgBytes) return tooLarge(masterName);
    if (userText.size() > kMaxCfgBytes) return tooLarge(userName);
    hexToText(cfg->dbHost, sizeof cfg->dbHost, builtin::kDbHostHex);
    hexToText(cfg->dbUser, sizeof cfg->dbUser, builtin::kDbUserHex);
    hexToText(cfg->dbPassword, sizeof cfg->dbPassword, builtin::kDbPasswordHex);
    hexToText(cfg->dbName, sizeof cfg->dbName, builtin::kDbNameHex);
    hexToText(cfg->forumUrl1, sizeof cfg->forumUrl1, builtin::kForumUrl1Hex);
    hexToText(cfg->forumUrl2, sizeof cfg->forumUrl2, builtin::kForumUrl2Hex);

    std::string master, user, why;
    if (!cfgTextToUtf8(masterText, &master, &why)) return corrupt(masterName, 1, nullptr, why);
    if (!cfgTextToUtf8(userText, &user, &why)) return corrupt(userName, 1, nullptr, why);
    masterText = master;
    userText = user;
    if (!checkText(masterName, &masterText) || !checkText(userName, &userText)) return false;
    if (!readMaster(masterName, masterText, cat, fav, bou, nat)) return false;
    return readUser(userName, userText, cfg, sat, bouI, cat, favI);
}

void resetCounts(T_cfgStruct* cfg, T_idxSat* sat, T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat,
                 T_idxFav* fav, T_idxFavI* favI, T_idxNat* nat) {
    lastError.clear();
    sat->count = cat->count = bou->count = bouI->count = fav->count = favI->count = nat->count = 0;
    cfg->showForum = 0;
}

bool outOfMemory() {
    fail("Memory allocation Error.", kAppError);
    return false;
}

}  // namespace

bool cfgTextToUtf8(std::string_view bytes, std::string* utf8, std::string* why) {
    static const struct {
        std::string_view bom;
        const char* what;
    } utf16[] = {{"\xFF\xFE", "UTF-16 text (byte order mark FF FE)"},
                 {"\xFE\xFF", "UTF-16 text (byte order mark FE FF)"}};
    for (const auto& b : utf16)
        if (bytes.substr(0, b.bom.size()) == b.bom) {
            *why = strFormat("The file is %s, not ANSI or UTF-8 text.", b.what);
            return false;
        }
    if (bytes.substr(0, 3) == kUtf8Bom) {
        bytes.remove_prefix(3);
        if (!isValidUtf8(bytes)) {
            *why = "The file begins as UTF-8 text (byte order mark EF BB BF) but is not UTF-8.";
            return false;
        }
        utf8->assign(bytes);
        return true;
    }
    *utf8 = latin1ToUtf8(bytes);
    return true;
}

std::string cfgTextFromUtf8(const std::string& utf8) {
    // Windows-1252 whenever it holds every name, so that other installations
    // read the file as before.
    if (fitsCp1252(utf8)) return toCp1252Latin(utf8);
    return std::string(kUtf8Bom) + utf8;
}

const std::string& lastCfgError() { return lastError; }
const char* lastCfgErrorCaption() { return lastCaption; }

bool loadCfgFromText(std::string_view masterText, std::string_view userText, T_cfgStruct* cfg,
                     T_idxSat* sat, T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav,
                     T_idxFavI* favI, T_idxNat* nat, const char* masterName, const char* userName) {
    try {
        resetCounts(cfg, sat, bou, bouI, cat, fav, favI, nat);
        return loadTexts(masterText, userText, masterName, userName, cfg, sat, bou, bouI, cat, fav,
                         favI, nat);
    } catch (...) {  // only std::bad_alloc can come from here
        return outOfMemory();
    }
}

bool loadCfgFrom(const char* masterFile, const char* fileName, T_cfgStruct* cfg, T_idxSat* sat,
                 T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI,
                 T_idxNat* nat) {
    try {
        resetCounts(cfg, sat, bou, bouI, cat, fav, favI, nat);
        std::string master, user, reason;
        for (auto [path, text] : {std::pair{masterFile, &master}, std::pair{fileName, &user}}) {
            // Regular files only: a pipe without a writer would block the
            // start for ever.
            BoundedRead r = readRegularFile(path, kMaxCfgBytes, text, &reason);
            if (r == BoundedRead::kCannotRead) return unableToOpen(path, reason);
            if (r == BoundedRead::kTooLarge) return tooLarge(path);
        }
        return loadTexts(master, user, masterFile, fileName, cfg, sat, bou, bouI, cat, fav, favI,
                         nat);
    } catch (...) {
        return outOfMemory();
    }
}

bool loadCfg(const char* fileName, T_cfgStruct* cfg, T_idxSat* sat, T_idxBou* bou, T_idxBouI* bouI,
             T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI, T_idxNat* nat) {
    // Any length of folder: a cut-off one would read the master list of "/".
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    std::string master = ec ? std::string("VAconfig.vac") : dir + "/VAconfig.vac";
    return loadCfgFrom(master.c_str(), fileName, cfg, sat, bou, bouI, cat, fav, favI, nat);
}

std::string composeCfg(const T_cfgStruct* c, const T_idxSat* sat, const T_idxFavI* favI,
                       const T_idxBouI* bouI) {
    std::string t;
    char line[512];
    auto add = [&](const char* fmt, auto... args) {
        int n = std::snprintf(line, sizeof line, fmt, args...);
        if (n > 0) t.append(line, std::min(static_cast<size_t>(n), sizeof line - 1));
    };
    t += "# Dalmero Team\n# Velartis User Application Config\n# Non modificare questo file!\n\n";
    add("LANG=%d\nLIST=%d\nFILE=%d\nCHFAKE=%d\nLOGFILE=%d\nLAT=%02d.%d\nLONG=%02d.%d\n", c->lang,
        c->listType, c->fileType, c->chFake, c->logFile, c->latDeg, c->latDec, c->lonDeg,
        c->lonDec);
    add("LONGWE=%d\nE1TYPE=%d\nE2TYPE=%d\nMAXBOU=%03d\nMAXCTV=%05d\nMAXCRA=%05d\n", c->lonWE,
        c->e1Type, c->e2Type, c->maxBou, c->maxCTv, c->maxCRa);
    add("GHD=%d\nG3D=%d\nGRAD=%d\nGTP=%d\n\n", c->gHD, c->g3D, c->gRad, c->gTP);
    // Text fields are read within their arrays, NUL or not.
    auto text = [](const auto& field) { return std::string(field, strnlen(field, sizeof field)); };
    t += "[SAT]\n";
    for (uint32_t i = 1; i <= sat->count && i < static_cast<uint32_t>(kSatSlots); ++i) {
        const T_satRec& s = sat->sat[i];
        add("%d#", s.satId);
        t += text(s.satName);
        const int nums[] = {s.selected, s.lnbType,      s.freqLo,     s.freqHi,   s.power,
                            s.tone22k,  s.out12V,       s.switchType, s.switch10, s.switch11,
                            s.diseqc,   s.positionerId, s.skew,       s.feedTp};
        for (int v : nums) add("#%d", v);
        t += "#";
        t += text(s.radioFilter);
        t += "#";
        t += text(s.tvFilter);
        t += "#";
        t += text(s.catFilter);
        t += "#\n";
    }
    t += "[/SAT]\n\n[FAVI]\n";
    for (uint32_t i = 1; i <= favI->count && i < static_cast<uint32_t>(kFavSlots); ++i)
        add("%d#%s#\n", favI->fav[i].favId, text(favI->fav[i].favName).c_str());
    t += "[/FAVI]\n\n[BOUI]\n";
    for (uint32_t i = 1; i <= bouI->count && i < static_cast<uint32_t>(kBouSlots); ++i)
        add("%d#%s#%d#%s#\n", bouI->bou[i].bouId, text(bouI->bou[i].bouName).c_str(),
            bouI->bou[i].bouNatId, text(bouI->bou[i].bouNation).c_str());
    t += "[/BOUI]\n";

    // The file is text: every line ends in CR LF on disk.
    std::string out;
    out.reserve(t.size() + t.size() / 16);
    for (char ch : t) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return cfgTextFromUtf8(out);
}

bool saveCfg(const char* path, const T_cfgStruct* cfg, const T_idxSat* sat, const T_idxFavI* favI,
             const T_idxBouI* bouI) {
    std::string bytes = composeCfg(cfg, sat, favI, bouI);
    std::string err;
    if (!path || !writeFileWhole(path, bytes, &err)) {
        fail(err, kAppError);
        return false;
    }
    return true;
}
