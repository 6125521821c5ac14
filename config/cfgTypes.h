#pragma once
// Configuration records shared by the window, the configuration files and
// every job. Fixed capacities; each table says whether it starts at index 0
// or 1 and every reader keeps to that.
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
};

struct T_satRec {
    int satId;
    char satName[32];
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
    char catName[32];
};
// Categories, first index 0.
constexpr int kCatSlots = 40;
struct T_idxCat {
    T_catRec cat[kCatSlots];
    uint32_t count;
};

struct T_favRec {
    int favId;
    char favName[32];
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
    char bouName[32];
    int bouNatId;
    char bouNation[52];
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
    char natName[52];
};
// Nations, first index 1 (at most 249).
constexpr int kNatSlots = 250;
struct T_idxNat {
    T_natRec nat[kNatSlots];
    uint32_t count;
};

// LNB oscillator frequencies in MHz, indexed by freqLo / freqHi.
extern const int kLnbFreqMHz[10];

struct LangStruct;
struct T_dbSatTable;
struct T_dbTpTable;
struct T_dbChTable;
struct T_dbFavTable;
struct T_dbChFavTable;
struct T_dbReport;
struct T_Widget;
struct T_dbDropped;
struct T_dbConnOverride;

// Parameter record of a job: one pointer to every shared record, then what
// else a job is given or hands back. Everything a job needs comes through
// it; a job reads no side global.
struct T_FnPARAM {
    char* cfgFile;
    T_cfgStruct* cfgParam;
    T_idxSat* satParam;
    T_idxBou* bouParam;
    T_idxBouI* bouIParam;
    T_idxCat* catParam;
    T_idxFav* favParam;
    T_idxFavI* favIParam;
    T_idxNat* natParam;
    LangStruct* MsgLang;
    T_dbSatTable* satDB;
    T_dbTpTable* tpDB;
    T_dbChTable* chDB;
    T_dbFavTable* favDB;
    T_dbChFavTable* chFavDB;
    T_dbReport* Report;
    T_Widget* Widget;
    // Where a download job counts the rows it could not keep; null: the job
    // keeps the count to itself.
    T_dbDropped* dropped = nullptr;
    // Connection values in place of the built-in ones; null keeps those.
    const T_dbConnOverride* dbConn = nullptr;
    // Set by a download job from the server's message row, for the front end
    // to put into its live cfgParam once the job ended: 1 the server asks
    // for the forum page, 2 it does not know this version; 0 nothing to put.
    int showForum = 0;
};

// Program-wide records.
extern T_cfgStruct cfgParam;
extern T_idxSat satParam;
extern T_idxCat catParam;
extern T_idxFav favParam;
extern T_idxFavI favIParam;
extern T_idxBou bouParam;
extern T_idxBouI bouIParam;
extern T_idxNat natParam;
extern T_FnPARAM fnParam;
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
