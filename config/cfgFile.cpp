#include "config/cfgFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/fileIo.h"
#include "config/langTypes.h"
#include "config/textFunc.h"
#include "platform/widget.h"

namespace {

constexpr size_t kLineBuf = 200;  // a line holds at most 199 characters
const char* const kCorrupt = "Corrupted Config File";
const char* const kAppError = "Application Error";

std::string lastError;

void fail(const std::string& text, const char* caption) {
    lastError = text;
    if (Widget.ui)
        Widget.ui->messageBox(nullptr, text, caption, kMbIconError);
}

// Splits a file into the lines a 200-character line buffer would read: CR LF
// counts as LF, and a longer line comes back in pieces of 199 characters.
class LineReader {
public:
    explicit LineReader(std::string text) : text_(std::move(text)) {}
    bool next(char (&buf)[kLineBuf]) {
        if (pos_ >= text_.size()) return false;
        size_t n = 0;
        while (pos_ < text_.size() && n < kLineBuf - 1) {
            char c = text_[pos_];
            if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
                ++pos_;
                continue;
            }
            buf[n++] = c;
            ++pos_;
            if (c == '\n') break;
        }
        buf[n] = '\0';
        ++lineNo_;
        return true;
    }
    int lineNo() const { return lineNo_; }

private:
    std::string text_;
    size_t pos_ = 0;
    int lineNo_ = 0;
};

bool isSkipped(const char* line) {
    return line[0] == '#' || line[0] == ';' || std::strlen(line) <= 1;
}

bool startsWith(const char* s, const char* prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// Splits a field line into exactly n fields, each closed by '#'. False when
// the line has fewer.
bool splitFields(char* line, int n, char** out) {
    char* tok = MyStrtok(line, "#");
    for (int i = 0; i < n; ++i) {
        if (!tok) return false;
        out[i] = tok;
        tok = MyStrtok(nullptr, "#");
    }
    return tok != nullptr;  // the text after the last '#' (the line end)
}

struct SectionCtx {
    const char* file;
    const char* section;
    LineReader& in;
};

bool tooFewFields(const SectionCtx& s, int need) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "Error in %s, line %d, section [%s].\nThe line has fewer than %d fields.\n\n"
                  "Download a new cfg file.",
                  s.file, s.in.lineNo(), s.section, need);
    fail(text, kCorrupt);
    return false;
}

bool tooMany(const SectionCtx& s, int max) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "Error in %s, line %d, section [%s].\nMore than %d entries.\n\n"
                  "Download a new cfg file.",
                  s.file, s.in.lineNo(), s.section, max);
    fail(text, kCorrupt);
    return false;
}

// Reads the field lines of one section until its closing line or the end of
// the file. onLine gets the split fields; it returns false to stop.
template <typename F>
bool readSection(const SectionCtx& s, int nFields, const char* closing, bool* closed, F onLine) {
    char buf[kLineBuf];
    *closed = false;
    while (s.in.next(buf)) {
        if (startsWith(buf, closing)) {
            *closed = true;
            return true;
        }
        if (isSkipped(buf)) continue;
        char* f[19];
        if (!splitFields(buf, nFields, f)) return tooFewFields(s, nFields);
        if (!onLine(f)) return false;
    }
    return true;
}

// Copies up to `width` value characters behind a key and converts them.
int keyValue(const char* line, size_t at, size_t width) {
    char small[8] = {0};
    size_t len = std::strlen(line);
    for (size_t i = 0; i < width && at + i < len && i < sizeof small - 1; ++i)
        small[i] = line[at + i];
    return toInt(small);
}

bool readMaster(const char* path, const std::string& text, T_idxCat* cat, T_idxFav* fav,
                T_idxBou* bou, T_idxNat* nat) {
    LineReader in(text);
    char buf[kLineBuf];
    bool closed;
    while (in.next(buf)) {
        rmSpace(buf);
        if (startsWith(buf, "[CAT]")) {
            SectionCtx s{path, "CAT", in};
            if (!readSection(s, 2, "[/CAT]", &closed, [&](char** f) {
                    if (cat->count >= static_cast<uint32_t>(kCatSlots)) return tooMany(s, kCatSlots);
                    T_catRec& r = cat->cat[cat->count];
                    r.catId = toInt(f[0]);
                    copyText(r.catName, f[1]);
                    ++cat->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf, "[FAV]")) {
            SectionCtx s{path, "FAV", in};
            if (!readSection(s, 2, "[/FAV]", &closed, [&](char** f) {
                    if (fav->count >= static_cast<uint32_t>(kFavSlots)) return tooMany(s, kFavSlots);
                    T_favRec& r = fav->fav[fav->count];
                    r.favId = toInt(f[0]);
                    copyText(r.favName, f[1]);
                    r.favOn = 1;
                    ++fav->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf, "[BOU]")) {
            SectionCtx s{path, "BOU", in};
            if (!readSection(s, 4, "[/BOU]", &closed, [&](char** f) {
                    if (bou->count >= static_cast<uint32_t>(kBouSlots)) return tooMany(s, kBouSlots);
                    T_bouRec& r = bou->bou[bou->count];
                    r.bouId = toInt(f[0]);
                    copyText(r.bouName, f[1]);
                    r.bouNatId = toInt(f[2]);
                    copyText(r.bouNation, f[3]);
                    ++bou->count;
                    return true;
                }))
                return false;
        } else if (startsWith(buf, "[NAT]")) {
            SectionCtx s{path, "NAT", in};
            if (!readSection(s, 2, "[/NAT]", &closed, [&](char** f) {
                    if (nat->count + 1 >= static_cast<uint32_t>(kNatSlots))
                        return tooMany(s, kNatSlots - 1);
                    T_natRec& r = nat->nat[++nat->count];
                    r.natId = toInt(f[0]);
                    copyText(r.natName, f[1]);
                    return true;
                }))
                return false;
            if (closed) break;  // [NAT] is the last section
        }
    }
    return true;
}

// The category string of every satellite must have one character per category.
bool checkCategories(const T_idxSat* sat, const T_idxCat* cat, const size_t* catLen) {
    for (uint32_t i = 1; i <= sat->count; ++i) {
        if (catLen[i] != cat->count) {
            char text[300];
            std::snprintf(text, sizeof text,
                          "Error in sat_id %d.\nWrong category number.\nAttempded %d found %d\n\n"
                          "Download a new cfg file.",
                          sat->sat[i].satId, static_cast<int>(cat->count),
                          static_cast<int>(catLen[i]));
            fail(text, kCorrupt);
            return false;
        }
    }
    return true;
}

void readKey(const char* line, T_cfgStruct* cfg) {
    struct Key {
        const char* key;
        int* field;
        size_t width;
    };
    const Key keys[] = {{"LANG=", &cfg->lang, 1},     {"LIST=", &cfg->listType, 1},
                        {"FILE=", &cfg->fileType, 1}, {"CHFAKE=", &cfg->chFake, 1},
                        {"LOGFILE=", &cfg->logFile, 1}, {"LONGWE=", &cfg->lonWE, 1},
                        {"E1TYPE=", &cfg->e1Type, 1}, {"E2TYPE=", &cfg->e2Type, 1},
                        {"MAXBOU=", &cfg->maxBou, 3}, {"MAXCTV=", &cfg->maxCTv, 5},
                        {"MAXCRA=", &cfg->maxCRa, 5}, {"GHD=", &cfg->gHD, 1},
                        {"G3D=", &cfg->g3D, 1},       {"GRAD=", &cfg->gRad, 1},
                        {"GTP=", &cfg->gTP, 1}};
    for (const Key& k : keys)
        if (startsWith(line, k.key)) *k.field = keyValue(line, std::strlen(k.key), k.width);
    // Degrees from the two characters after '=', tenths from the one after them and the dot.
    if (startsWith(line, "LAT=")) {
        cfg->latDeg = keyValue(line, 4, 2);
        cfg->latDec = keyValue(line, 7, 1);
    }
    if (startsWith(line, "LONG=")) {
        cfg->lonDeg = keyValue(line, 5, 2);
        cfg->lonDec = keyValue(line, 8, 1);
    }
}

bool readUser(const char* path, const std::string& text, T_cfgStruct* cfg, T_idxSat* sat,
              T_idxBouI* bouI, const T_idxCat* cat, T_idxFavI* favI) {
    LineReader in(text);
    char buf[kLineBuf];
    bool closed;
    size_t catLen[kSatSlots] = {0};
    while (in.next(buf)) {
        rmSpace(buf);
        readKey(buf, cfg);
        if (startsWith(buf, "[SAT]")) {
            SectionCtx s{path, "SAT", in};
            if (!readSection(s, 19, "[/SAT]", &closed, [&](char** f) {
                    if (sat->count + 1 >= static_cast<uint32_t>(kSatSlots))
                        return tooMany(s, kSatSlots - 1);
                    T_satRec& r = sat->sat[++sat->count];
                    r.satId = toInt(f[0]);
                    copyText(r.satName, f[1]);
                    int* nums[] = {&r.selected, &r.lnbType,  &r.freqLo,   &r.freqHi,
                                   &r.power,    &r.tone22k,  &r.out12V,   &r.switchType,
                                   &r.switch10, &r.switch11, &r.diseqc,   &r.positionerId,
                                   &r.skew,     &r.feedTp};
                    for (int i = 0; i < 14; ++i) *nums[i] = toInt(f[2 + i]);
                    copyText(r.radioFilter, f[16]);
                    copyText(r.tvFilter, f[17]);
                    copyText(r.catFilter, f[18]);
                    catLen[sat->count] = std::strlen(f[18]);
                    return true;
                }))
                return false;
        } else if (startsWith(buf, "[FAVI]")) {
            SectionCtx s{path, "FAVI", in};
            if (!readSection(s, 2, "[/FAVI]", &closed, [&](char** f) {
                    if (favI->count + 1 >= static_cast<uint32_t>(kFavSlots))
                        return tooMany(s, kFavSlots - 1);
                    T_favRec& r = favI->fav[++favI->count];
                    r.favId = toInt(f[0]);
                    copyText(r.favName, f[1]);
                    r.favOn = 0;
                    return true;
                }))
                return false;
        } else if (startsWith(buf, "[BOUI]")) {
            SectionCtx s{path, "BOUI", in};
            if (!readSection(s, 4, "[/BOUI]", &closed, [&](char** f) {
                    if (bouI->count + 1 >= static_cast<uint32_t>(kBouSlots))
                        return tooMany(s, kBouSlots - 1);
                    T_bouRec& r = bouI->bou[++bouI->count];
                    r.bouId = toInt(f[0]);
                    copyText(r.bouName, f[1]);
                    r.bouNatId = toInt(f[2]);
                    copyText(r.bouNation, f[3]);
                    return true;
                }))
                return false;
            if (!checkCategories(sat, cat, catLen)) return false;
            if (closed) break;  // [BOUI] is the last section
        }
        if (!checkCategories(sat, cat, catLen)) return false;
    }
    return true;
}

}  // namespace

const std::string& lastCfgError() { return lastError; }

bool loadCfgFrom(const char* masterFile, const char* fileName, T_cfgStruct* cfg, T_idxSat* sat,
                 T_idxBou* bou, T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI,
                 T_idxNat* nat) {
    lastError.clear();
    sat->count = cat->count = bou->count = bouI->count = fav->count = favI->count = nat->count = 0;
    cfg->showForum = 0;

    std::string master, user;
    if (!readFileWhole(masterFile, &master) || !readFileWhole(fileName, &user)) {
        fail("Unable to open configuration file.", kAppError);
        return false;
    }
    hexToText(cfg->dbHost, sizeof cfg->dbHost, builtin::kDbHostHex);
    hexToText(cfg->dbUser, sizeof cfg->dbUser, builtin::kDbUserHex);
    hexToText(cfg->dbPassword, sizeof cfg->dbPassword, builtin::kDbPasswordHex);
    hexToText(cfg->dbName, sizeof cfg->dbName, builtin::kDbNameHex);
    hexToText(cfg->forumUrl1, sizeof cfg->forumUrl1, builtin::kForumUrl1Hex);
    hexToText(cfg->forumUrl2, sizeof cfg->forumUrl2, builtin::kForumUrl2Hex);

    if (!readMaster(masterFile, master, cat, fav, bou, nat)) return false;
    return readUser(fileName, user, cfg, sat, bouI, cat, favI);
}

bool loadCfg(const char* fileName, T_cfgStruct* cfg, T_idxSat* sat, T_idxBou* bou,
             T_idxBouI* bouI, T_idxCat* cat, T_idxFav* fav, T_idxFavI* favI, T_idxNat* nat) {
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
        if (n > 0) t.append(line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
    };
    t += "# Dalmero Team\n# Velartis User Application Config\n# Non modificare questo file!\n\n";
    add("LANG=%d\nLIST=%d\nFILE=%d\nCHFAKE=%d\nLOGFILE=%d\nLAT=%02d.%d\nLONG=%02d.%d\n", c->lang,
        c->listType, c->fileType, c->chFake, c->logFile, c->latDeg, c->latDec, c->lonDeg,
        c->lonDec);
    add("LONGWE=%d\nE1TYPE=%d\nE2TYPE=%d\nMAXBOU=%03d\nMAXCTV=%05d\nMAXCRA=%05d\n", c->lonWE,
        c->e1Type, c->e2Type, c->maxBou, c->maxCTv, c->maxCRa);
    add("GHD=%d\nG3D=%d\nGRAD=%d\nGTP=%d\n\n", c->gHD, c->g3D, c->gRad, c->gTP);
    // Text fields are read within their arrays, NUL or not.
    auto text = [](const auto& field) {
        return std::string(field, strnlen(field, sizeof field));
    };
    t += "[SAT]\n";
    for (uint32_t i = 1; i <= sat->count && i < static_cast<uint32_t>(kSatSlots); ++i) {
        const T_satRec& s = sat->sat[i];
        add("%d#", s.satId);
        t += text(s.satName);
        const int nums[] = {s.selected, s.lnbType,  s.freqLo,   s.freqHi,  s.power,
                            s.tone22k,  s.out12V,   s.switchType, s.switch10, s.switch11,
                            s.diseqc,   s.positionerId, s.skew, s.feedTp};
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
    return out;
}

bool saveCfg(T_FnPARAM* p) {
    std::string bytes = composeCfg(p->cfgParam, p->satParam, p->favIParam, p->bouIParam);
    std::string err;
    if (!p->cfgFile || !writeFileWhole(p->cfgFile, bytes, &err)) {
        lastError = err;
        showMessage(p->Widget, p->MsgLang->msgCfgOpenErr, p->MsgLang->msgAppError, kMbIconError);
        return false;
    }
    return true;
}
