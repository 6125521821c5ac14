#pragma once
// Configuration records shared by the window, the configuration files and
// every job. Fixed capacities; each table says whether it starts at index 0
// or 1 and every reader keeps to that.
#include <cstddef>
#include <cstdint>

constexpr int kPathMax = 260;

struct T_cfgStruct {
    char appName[20];
    char appVersion[8];
    int lang;
    int latDeg;
    int latDec;
    int lonDeg;
    int lonDec;
    int lonWE;
    int listType;
    int fileType;
    int e1Type;
    int e2Type;
    int chFake;
    int logFile;
    int maxBou;
    int maxCTv;
    int maxCRa;
    int gHD;
    int g3D;
    int gRad;
    int gTP;
    char dbHost[20];
    char dbUser[20];
    char dbPassword[20];
    char dbName[20];
    char forumUrl1[150];
    char forumUrl2[150];
    char forumUrl3[150];
    int showForum;
    // Code page of the names in the Enigma lists: 0 UTF-8, 1 Windows-1252.
    // A choice of the front end for this run; the configuration files do
    // not carry it (their format is shared with other installations).
    int enigmaCp1252;
    // 1: the Enigma2 list also gets a lamedb5 beside lamedb. Chosen the
    // same way as enigmaCp1252, never read from or written to the files.
    int enigmaLamedb5;
};

// Names in the records are UTF-8 (the files may be Windows-1252): room for
// their characters at up to four bytes each.
constexpr size_t kCfgNameChars = 31;
constexpr size_t kCfgNationChars = 51;
constexpr size_t cfgRoom(size_t chars) { return chars * 4 + 1; }

struct T_satRec {
    int satId;
    char satName[cfgRoom(kCfgNameChars)];
    int selected;
    int lnbType;
    int freqLo;
    int freqHi;
    int power;
    int tone22k;
    int out12V;
    int switchType;
    int diseqc;
    int switch10;
    int switch11;
    int positionerId;
    int skew;
    int feedTp;
    char radioFilter[4];
    char tvFilter[6];
    char catFilter[50];
};

// Satellites, first index 1 (at most 253).
constexpr int kSatSlots = 254;
struct T_idxSat {
    T_satRec sat[kSatSlots];
    uint32_t count;
};

struct T_catRec {
    int catId;
    char catName[cfgRoom(kCfgNameChars)];
};
// Categories, first index 0.
constexpr int kCatSlots = 40;
struct T_idxCat {
    T_catRec cat[kCatSlots];
    uint32_t count;
};

struct T_favRec {
    int favId;
    char favName[cfgRoom(kCfgNameChars)];
    int favOn;
};
// Favourite groups, first index 0.
constexpr int kFavSlots = 50;
struct T_idxFav {
    T_favRec fav[kFavSlots];
    uint32_t count;
};
// Excluded favourite groups, first index 1 (at most 49).
struct T_idxFavI {
    T_favRec fav[kFavSlots];
    uint32_t count;
};

struct T_bouRec {
    int bouId;
    char bouName[cfgRoom(kCfgNameChars)];
    int bouNatId;
    char bouNation[cfgRoom(kCfgNationChars)];
};
// Bouquets, first index 0.
constexpr int kBouSlots = 500;
struct T_idxBou {
    T_bouRec bou[kBouSlots];
    uint32_t count;
};
// Excluded ("Side Bouquet") bouquets, first index 1 (at most 499).
struct T_idxBouI {
    T_bouRec bou[kBouSlots];
    uint32_t count;
};

struct T_natRec {
    int natId;
    char natName[cfgRoom(kCfgNationChars)];
};
// Nations, first index 1 (at most 249).
constexpr int kNatSlots = 250;
struct T_idxNat {
    T_natRec nat[kNatSlots];
    uint32_t count;
};

// LNB oscillator frequencies in MHz, indexed by freqLo / freqHi.
extern const int kLnbFreqMHz[10];

// Program-wide records.
extern T_cfgStruct cfgParam;
extern T_idxSat satParam;
extern T_idxCat catParam;
extern T_idxFav favParam;
extern T_idxFavI favIParam;
extern T_idxBou bouParam;
extern T_idxBouI bouIParam;
extern T_idxNat natParam;
extern char currDir[kPathMax];
extern char cfgFile[kPathMax];
extern char icoFile[kPathMax];

// Built-in connection values and forum addresses, as hexadecimal text of
// their characters. Decoded into cfgParam on every load.
namespace builtin {
extern const char* const kDbHostHex;
extern const char* const kDbUserHex;
extern const char* const kDbPasswordHex;
extern const char* const kDbNameHex;
extern const char* const kForumUrl1Hex;
extern const char* const kForumUrl2Hex;
}  // namespace builtin

// Sets appName and appVersion as the window does when it is created.
void initAppIdentity(T_cfgStruct* cfg);
