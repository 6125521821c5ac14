#pragma once
// What an importer reads from a source, in the schema's units and codes,
// before any id is given: satellites by orbital position, transponders by
// their place in the source, channels, bouquets and favourite groups by
// name. Names are UTF-8 text already cut to their column widths in characters.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

// Column widths of the schema that names are cut to.
constexpr size_t kSatNameMax = 31;
constexpr size_t kChNameMax = 40;
constexpr size_t kBouNameMax = 31;
constexpr size_t kFavNameMax = 27;
constexpr size_t kTpNameMax = 15;

// Defaults where a source has no value (documented in import/README.md).
constexpr int kDefaultTvCategory = 1;      // "Generalist" of the bundled master list
constexpr int kDefaultRadioCategory = 11;  // "Radio"
constexpr int kAdultCategory = 9;          // an Enigma2 blacklist entry
constexpr const char* kUndeterminedLanguage = "und";

struct ImpSatellite {
    int position = 0;  // tenths of a degree, west as 3600 - x
    std::string name;  // empty: the source names none
    // The name only guesses (a dvbv5 file's name): it names a new satellite
    // but does not rename one the database has.
    bool nameGuessed = false;
    bool channels = false;  // the source carries channels of it (replace, not complete)
};

struct ImpTransponder {
    size_t sat = 0;     // index into ImportModel::sats
    int frequency = 0;  // MHz
    int polarity = 0;   // 0 V, 1 H, 2 circular right, 3 circular left
    int sr = 0;         // kS/s
    int fec = 0;
    int modulation = 0;
    int pilot = 0;
    unsigned nid = 0;
    unsigned tid = 0;
};

struct ImpAudio {
    unsigned pid = 0;
    std::string lang;  // ISO 639-2, lower case
    bool ac3 = false;
    bool dts = false;
};

struct ImpChannel {
    size_t tp = 0;  // index into ImportModel::tps
    unsigned sid = 0;
    std::string name;
    bool radio = false;
    bool hd = false;
    bool subtitle = false;
    bool locked = false;
    int category = 0;  // 0: the default of its type
    unsigned vpid = 0, pcr = 0, txt = 0, pmt = 0;
    std::vector<ImpAudio> audio;
    std::vector<int> cas;  // conditional-access system codes, each once
    std::string where;     // "file:line" it was read from, for the report
};

// A bouquet or a favourite group: its channels in order.
struct ImpGroup {
    std::string name;
    std::vector<size_t> channels;
};

// What the report tells besides the rows.
struct ImportNotes {
    uint64_t linesRead = 0;
    uint64_t replacedChars = 0;    // control or malformed characters, shown as '?'
    uint64_t cutNames = 0;         // names longer than their column
    uint64_t notSatellite = 0;     // cable, terrestrial and other entries passed over
    uint64_t otherModulation = 0;  // 16APSK, 32APSK, turbo 8PSK: stored as DVB-S2 8PSK
    uint64_t danglingRefs = 0;     // bouquet entries naming a service the list lacks
    uint64_t otherEntries = 0;     // streams, sub-bouquets and other non-DVB bouquet entries
    // Channels met again (same transponder and service id), "file:line (as
    // file:line)"; the first one's values are kept.
    std::vector<std::string> repeatedChannels;
    // Transponders without channels (tables, satellites.xml) outside the
    // bounds receivers tune, "file:line (why)"; passed over.
    std::vector<std::string> untunable;
};

struct ImportModel {
    std::vector<ImpSatellite> sats;
    std::vector<ImpTransponder> tps;
    std::vector<ImpChannel> chs;
    std::vector<ImpGroup> bouquets;
    std::vector<ImpGroup> favourites;
    ImportNotes notes;

    // Index of the satellite at a position, added when new.
    size_t satAt(int position);
    // Index of the group of that name, added when new.
    size_t bouquet(const std::string& name);
    size_t favourite(const std::string& name);

private:
    std::map<int, size_t> satIndex_;
    std::map<std::string, size_t> bouIndex_, favIndex_;
};

// Adds transponders and channels once: a transponder by satellite,
// frequency, polarity and ids, a channel by transponder and service id
// (a channel met again joins the new group, keeps its first fields and is
// noted). What the model holds already counts, so that a channel repeated
// in a second file of the same import is found too.
class ModelBuilder {
public:
    explicit ModelBuilder(ImportModel* m);
    size_t transponder(const ImpTransponder& t);
    size_t channel(ImpChannel&& c);
    // Appends the channel to a bouquet (isFavourite false) or favourite
    // group, unless it is in it already.
    void join(size_t group, size_t channel, bool isFavourite);

private:
    ImportModel* m_;
    std::map<std::tuple<size_t, int, int, unsigned, unsigned>, size_t> tps_;
    std::map<std::pair<size_t, unsigned>, size_t> chs_;
    std::set<std::tuple<bool, size_t, size_t>> members_;
};

// A refused source: the file, the line (1-based; 0 for the whole file) and why.
struct ImportError {
    std::string file;
    uint64_t line = 0;
    std::string reason;
    std::string text() const;
};
