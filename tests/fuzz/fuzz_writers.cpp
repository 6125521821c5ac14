// Every family's builder on tables decoded from the input: counts, tracks, report
// and markers as a download guarantees them; every value and text arbitrary.
// Input: builder byte, emit byte, configuration, clock, then records (tag, repeat, fields).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/lang.h"
#include "config/textFunc.h"
#include "config/unicodeText.h"
#include "tests/fuzz/fuzzInput.h"
#include "writers/azbox/azbox.h"
#include "writers/common/crc16.h"
#include "writers/ecdf/ecdf.h"
#include "writers/enigma/enigma.h"
#include "writers/jst/jst.h"
#include "writers/ndf/ndf.h"
#include "writers/neutrino/neutrino.h"
#include "writers/vdr/vdr.h"

namespace {

// A broken promise of a builder: reported like a sanitizer finding.
void expect(bool cond, const char* what, const std::string& detail = {}) {
    if (cond) return;
    std::fprintf(stderr, "fuzz_writers: %s %s\n", what, detail.c_str());
    std::abort();
}

struct Db {
    T_cfgStruct cfg{};
    T_idxBou bou{};
    T_idxBouI bouI{};
    T_idxCat cat{};
    T_idxFavI favI{};
    T_idxNat nat{};
    T_dbReport report{};
    std::unique_ptr<T_dbSatTable> sat = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tp = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> ch = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> fav = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> chFav = std::make_unique<T_dbChFavTable>();
};

// Copies: one, or 2^k for the last sixteen values, so that a short input
// can fill a table to its format's limit. Several copies take a mask byte:
// its bits make copy k add k to the record's ids (satellite, transponder,
// group, service id, favourite link), so that copies need not be alike.
struct Repeat {
    uint32_t copies = 1;
    uint8_t mask = 0;
    uint32_t step(uint32_t k, int bit) const { return mask >> bit & 1 ? k : 0; }
};
// Adds with wrap-around, as unsigned arithmetic does.
void add(int32_t& v, uint32_t d) { v = static_cast<int32_t>(static_cast<uint32_t>(v) + d); }
Repeat repeat(FuzzInput& in) {
    Repeat r;
    const uint8_t b = in.byte();
    if (b >= 0xF0) r.copies = 1u << (b - 0xF0);
    if (r.copies > 1) r.mask = in.byte();
    return r;
}

// Four hex digits of a service id moved on by k.
void stepSid(char* sid, size_t size, uint32_t k) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X",
                  (static_cast<unsigned>(hex2dec(sid)) + k) & 0xFFFFu);
    copyText(sid, size, digits);
}

void step(T_dbSat& s, const Repeat& r, uint32_t k) {
    add(s.sat_id, r.step(k, 0)), add(s.realSatId, r.step(k, 0)), add(s.groupId, r.step(k, 2));
}
void step(T_dbTp& t, const Repeat& r, uint32_t k) {
    add(t.sat_id, r.step(k, 0)), add(t.realSatId, r.step(k, 0)), add(t.stp_id, r.step(k, 1));
    add(t.groupId, r.step(k, 2));
}
void step(T_dbCh& c, const Repeat& r, uint32_t k) {
    add(c.sat_id, r.step(k, 0)), add(c.realSatId, r.step(k, 0)), add(c.stp_id, r.step(k, 1));
    add(c.groupId, r.step(k, 2)), add(c.bou_id, r.step(k, 2));
    if (r.step(k, 3)) stepSid(c.sid, sizeof c.sid, k);
}
void step(T_dbChFav& l, const Repeat& r, uint32_t k) {
    add(l.sat_id, r.step(k, 0)), add(l.realSatId, r.step(k, 0)), add(l.stp_id, r.step(k, 1));
    add(l.groupId, r.step(k, 2)), add(l.chIndex, r.step(k, 4)), add(l.fav_id, r.step(k, 5));
    if (r.step(k, 3)) stepSid(l.sid, sizeof l.sid, k);
}
void step(T_dbFav& f, const Repeat& r, uint32_t k) { add(f.fav_id, r.step(k, 5)); }
void step(T_favRec& f, const Repeat& r, uint32_t k) { add(f.favId, r.step(k, 5)); }
void step(T_bouRec& b, const Repeat& r, uint32_t k) { add(b.bouId, r.step(k, 2)); }
void step(T_natRec& n, const Repeat& r, uint32_t k) { add(n.natId, r.step(k, 0)); }
void step(T_catRec& c, const Repeat& r, uint32_t k) { add(c.catId, r.step(k, 0)); }

// Appends the copies of rec to a table of N slots used from index `first`.
// Ids wrap as the server's would not; the builders must not care.
template <typename Rec, size_t N>
void append(Rec (&slots)[N], uint32_t& count, uint32_t first, const Rec& rec, const Repeat& r) {
    for (uint32_t k = 0; k < r.copies && count + first < N; ++k) {
        Rec& slot = slots[first + count++];
        slot = rec;
        step(slot, r, k);
    }
}

void readConfig(FuzzInput& in, T_cfgStruct* c) {
    // One-character keys read one digit; the wider keys as many as they have.
    int* digits[] = {&c->lang,  &c->listType, &c->fileType, &c->chFake, &c->logFile,
                     &c->lonWE, &c->e1Type,   &c->e2Type,   &c->gHD,    &c->g3D,
                     &c->gRad,  &c->gTP,      &c->latDec,   &c->lonDec};
    for (int* f : digits) *f = in.byte() % 10;
    c->latDeg = in.byte() % 109 - 9;
    c->lonDeg = in.byte() % 109 - 9;
    c->maxBou = static_cast<int>(in.u16() % 1099) - 99;
    c->maxCTv = static_cast<int>(in.u32() % 109999) - 9999;
    c->maxCRa = static_cast<int>(in.u32() % 109999) - 9999;
}

VaTime readClock(FuzzInput& in) {
    return VaTime{1970 + in.byte(), in.range(1, 12), in.range(1, 31),
                  in.range(0, 23),  in.range(0, 59), in.range(0, 59)};
}

T_dbSat readSat(FuzzInput& in) {
    T_dbSat s{};
    s.sat_id = in.num();
    s.realSatId = in.flag() ? s.sat_id : in.num();
    in.text(s.satName);
    in.text(s.sat_name);
    in.text(s.location);
    s.groupId = in.num();
    s.position = in.num();
    int32_t* setup[] = {&s.lnbType,      &s.freqLo,     &s.freqHi,   &s.power,    &s.tone22k,
                        &s.out12V,       &s.switchType, &s.switch10, &s.switch11, &s.diseqc,
                        &s.positionerId, &s.skew,       &s.feedTp};
    for (int32_t* f : setup) *f = in.num();
    in.text(s.radioFilter);
    in.text(s.tvFilter);
    in.text(s.catFilter);
    return s;
}

T_dbTp readTp(FuzzInput& in) {
    T_dbTp t{};
    t.sat_id = in.num();
    t.realSatId = in.flag() ? t.sat_id : in.num();
    t.stp_id = in.num();
    t.groupId = in.num();
    in.text(t.tp_name);
    t.frequency = in.num();
    t.polarity = in.num();
    t.sr = in.num();
    t.fec = in.num();
    t.modulation = in.num();
    in.text(t.nid);
    in.text(t.tid);
    t.pilot = in.num();
    return t;
}

T_dbCh readCh(FuzzInput& in) {
    T_dbCh c{};
    c.fake = in.flag();
    c.sat_id = in.num();
    c.realSatId = in.flag() ? c.sat_id : in.num();
    c.stp_id = in.num();
    c.groupId = in.num();
    c.bou_id = in.num();
    in.text(c.groupName);
    c.nat_id = in.num();
    c.cat_id = in.num();
    c.ch_type = c.fake ? 0 : in.num();  // a marker is always TV
    c.hd = in.num();
    c.d3 = in.num();
    in.text(c.ch_name);
    for (char* id : {c.sid, c.vpid, c.pmt_pid, c.pcr_pid, c.txt_pid}) in.text(id, 5);
    int32_t* flags[] = {&c.subtitle, &c.scrambled, &c.locked, &c.skip,
                        &c.dupdpid,  &c.dupdname,  &c.dupdsid};
    for (int32_t* f : flags) *f = in.num();
    return c;
}

void readAudio(FuzzInput& in, T_dbCh* c, const Repeat& r) {
    T_dbAudio a{};
    in.text(a.apid);
    a.lang_id = in.num();
    in.text(a.lang_name);
    a.dts = in.num();
    a.ac3 = in.num();
    if (!c) return;
    for (uint32_t k = 0; k < r.copies; ++k) {
        T_dbAudio* slot = appendAudio(c);
        if (!slot) break;
        *slot = a;
    }
}

void readCas(FuzzInput& in, T_dbCh* c, const Repeat& r) {
    const int32_t id = in.num();
    for (uint32_t k = 0; c && k < r.copies; ++k) {
        int32_t cas = id;
        add(cas, r.step(k, 0));
        if (!appendCas(c, cas)) break;
    }
}

T_dbChFav readLink(FuzzInput& in) {
    T_dbChFav l{};
    l.sat_id = in.num();
    l.realSatId = in.flag() ? l.sat_id : in.num();
    l.stp_id = in.num();
    l.groupId = in.num();
    in.text(l.sid);
    l.ch_type = in.num();
    l.fav_id = in.num();
    l.chIndex = in.num();
    return l;
}

T_bouRec readBou(FuzzInput& in) {
    T_bouRec b{};
    b.bouId = in.num();
    in.text(b.bouName);
    b.bouNatId = in.num();
    in.text(b.bouNation);
    return b;
}

// The counters as the download leaves them (they agree with the tables).
void countReport(Db& db) {
    T_dbReport& r = db.report;
    r = T_dbReport{};
    const bool virtualSats = db.cfg.listType == 1 || db.cfg.listType == 2;
    std::set<int32_t> real;
    for (uint32_t i = 1; i <= db.sat->count; ++i) real.insert(db.sat->sat[i].realSatId);
    r.satellites = virtualSats ? static_cast<uint32_t>(real.size()) : db.sat->count;
    r.fakeSatellites = virtualSats ? db.sat->count : 0;
    r.transponders = db.tp->count;
    countChannels(*db.ch, &r);
    if (db.cfg.listType == 2) r.bouquets = db.sat->count;
    r.favGroups = db.fav->count;
    r.favChannels = db.chFav->count;
}

void decode(FuzzInput& in, Db& db) {
    db.sat->count = db.tp->count = db.ch->count = db.fav->count = db.chFav->count = 0;
    db.bou.count = db.bouI.count = db.cat.count = db.favI.count = db.nat.count = 0;
    T_dbCh* lastCh = nullptr;
    while (!in.empty()) {
        const uint8_t tag = in.byte() % 12;
        const Repeat rep = repeat(in);
        switch (tag) {
        case 0: append(db.sat->sat, db.sat->count, 1, readSat(in), rep); break;
        case 1: append(db.tp->tp, db.tp->count, 1, readTp(in), rep); break;
        case 2:
            append(db.ch->ch, db.ch->count, 1, readCh(in), rep);
            lastCh = db.ch->count ? &db.ch->ch[db.ch->count] : nullptr;
            break;
        case 3: readAudio(in, lastCh, rep); break;
        case 4: readCas(in, lastCh, rep); break;
        case 5: {
            T_dbFav f{};
            f.fav_id = in.num();
            in.text(f.fav_name);
            append(db.fav->fav, db.fav->count, 1, f, rep);
            break;
        }
        case 6: append(db.chFav->chFav, db.chFav->count, 1, readLink(in), rep); break;
        case 7: append(db.bouI.bou, db.bouI.count, 1, readBou(in), rep); break;
        case 8: {
            T_favRec f{};
            f.favId = in.num();
            in.text(f.favName);
            append(db.favI.fav, db.favI.count, 1, f, rep);
            break;
        }
        case 9: {
            T_natRec n{};
            n.natId = in.num();
            in.text(n.natName);
            append(db.nat.nat, db.nat.count, 1, n, rep);
            break;
        }
        case 10: append(db.bou.bou, db.bou.count, 0, readBou(in), rep); break;
        case 11: {
            T_catRec c{};
            c.catId = in.num();
            in.text(c.catName);
            append(db.cat.cat, db.cat.count, 0, c, rep);
            break;
        }
        }
    }
    countReport(db);
}

// The sink of the folder formats: refuses the write numbered `failAt` (a
// full disk) and checks that no two files of one list share a name.
struct Sink {
    int failAt;
    std::set<std::string> names;
    std::string indexes;  // the bouquet index files, one after the other
    bool operator()(OutFile&& f) {
        expect(!f.name.empty(), "a folder list has a file without a name");
        expect(names.insert(f.name).second, "two files of one list share the name", f.name);
        if (f.name.rfind("bouquets.", 0) == 0 || f.name.rfind("userbouquets.", 0) == 0)
            indexes += f.bytes + "\n";
        return static_cast<int>(names.size()) != failAt;
    }
};

// The indexes name exactly the user bouquet files of the list: a name
// without its file is a broken bouquet, a file without its name is lost.
void checkIndexes(const Sink& sink) {
    std::set<std::string> named;
    const std::string key = "userbouquet.";
    for (size_t at = sink.indexes.find(key); at != std::string::npos;
         at = sink.indexes.find(key, at + 1)) {
        const size_t end = sink.indexes.find_first_of("\r\n\" ", at);
        named.insert(sink.indexes.substr(at, end - at));
    }
    for (const std::string& n : named)
        expect(sink.names.count(n) == 1, "an index names a file the list lacks:", n);
    for (const std::string& n : sink.names)
        if (n.rfind(key, 0) == 0) expect(named.count(n) == 1, "no index names", n);
}

BuildResult runEnigma(const WriterInput& in, bool e2, int failAt) {
    Sink sink{failAt, {}, {}};
    OutFileSink emit = [&](OutFile&& f) { return sink(std::move(f)); };
    int last = -1;
    auto milestone = [&](int pos) {
        expect(pos >= last && pos <= 100, "progress went backwards or past 100");
        last = pos;
    };
    BuildResult r = e2 ? buildE2(in, emit, milestone) : buildE1(in, emit, milestone);
    // A stop after a refused write is the frame's to report; any other
    // failure must say why.
    if (!r.ok && static_cast<int>(sink.names.size()) != failAt)
        expect(!r.message.empty(), "an Enigma list failed without a reason");
    if (r.ok) checkIndexes(sink);
    return r;
}

// Each file a zapit document whatever the names hold: UTF-8, no control
// character but tab and newline, and every '<' of markup closed.
BuildResult runNeutrino(const WriterInput& in, int failAt) {
    Sink sink{failAt, {}, {}};
    std::string all;
    OutFileSink emit = [&](OutFile&& f) {
        const std::string_view b = f.bytes;
        expect(b.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit api=\"4\">\n", 0) == 0 &&
                   b.size() >= 9 && b.substr(b.size() - 9) == "</zapit>\n",
               "a Neutrino file that is no zapit document:", f.name);
        all += f.bytes;
        return sink(std::move(f));
    };
    const BuildResult r = buildNeutrino(
        in, emit, [](int pos) { expect(pos >= 0 && pos <= 100, "progress past 100"); });
    size_t open = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(all[i]);
        expect(c >= 0x20 || c == '\t' || c == '\n', "a control character in a Neutrino file");
        if (c == '<') expect(open++ == 0, "a '<' inside markup");
        if (c == '>') expect(open-- == 1, "a '>' outside markup");
    }
    // A malformed byte reads as U+FFFD one byte long; the character itself is three.
    for (size_t i = 0; i < all.size();) {
        const size_t at = i;
        expect(nextCodePoint(all, &i) != 0xFFFD || i - at == 3, "a Neutrino file not in UTF-8");
    }
    return r;
}

BuildResult runAzbox(const WriterInput& in, const AzboxLists& lists) {
    std::vector<std::string> skipped;
    const BuildResult check = checkAzbox(in, &skipped);
    std::string all, dvbs, antenna;
    const BuildResult a = buildAzboxAllChannel(in, lists, &all);
    const BuildResult d = buildAzboxDvbs(in, &dvbs);
    const BuildResult n = buildAzboxAntennaList(in, &antenna);
    // The job checks first and then writes the files one by one: a file that
    // fails after the check passed leaves a folder of two runs.
    if (check.ok) {
        expect(a.ok, "all_channel.dat refused after the check passed:", a.message);
        expect(d.ok, "DVBS.dat refused after the check passed:", d.message);
        expect(n.ok, "antenna_list.dat refused after the check passed:", n.message);
    }
    if (a.ok) expect(all.size() <= kAzAllChannelMax, "all_channel.dat beyond its size");
    if (d.ok) expect(dvbs.size() <= kAzDvbsMax, "DVBS.dat beyond its size");
    if (n.ok) expect(antenna.size() == kAzAntennaSize, "antenna_list.dat of the wrong size");
    return !check.ok ? check : !a.ok ? a : !d.ok ? d : n;
}

// The frame of an NDF file: its size at offset 4, "END", and a check byte
// one more than the sum of the bytes before it.
// Whole lines only, each a group line or a channel of 13 fields.
void checkVdr(const std::string& image) {
    expect(image.empty() || image.back() == '\n', "VDR list without a last newline");
    size_t at = 0;
    while (at < image.size()) {
        const size_t end = image.find('\n', at);
        if (end == std::string::npos) break;
        const std::string_view line(image.data() + at, end - at);
        if (line.empty() || line[0] != ':')
            expect(std::count(line.begin(), line.end(), ':') == 12, "VDR line without 13 fields");
        at = end + 1;
    }
}

void checkNdf(const std::string& image) {
    expect(image.size() >= 12 && image.size() <= kNdfImageSize, "NDF image of a wrong size");
    const auto* b = reinterpret_cast<const unsigned char*>(image.data());
    const uint32_t size = static_cast<uint32_t>(b[4]) | static_cast<uint32_t>(b[5]) << 8 |
                          static_cast<uint32_t>(b[6]) << 16 | static_cast<uint32_t>(b[7]) << 24;
    expect(size == image.size(), "NDF size field differs from the image");
    expect(image.compare(image.size() - 4, 3, "END") == 0, "NDF image without END");
    unsigned char sum = 1;
    for (size_t i = 0; i + 1 < image.size(); ++i) sum = static_cast<unsigned char>(sum + b[i]);
    expect(b[image.size() - 1] == sum, "NDF check byte wrong");
}

// The body of an ECDF file ends in the CRC-16 of what comes before it; the
// table-driven CRC is checked against the bitwise one.
void checkEcdf(const std::string& image) {
    expect(image.size() >= kEcdfHeaderSize + 2 &&
               image.size() <= kEcdfHeaderSize + kEcdfBodyBufferSize,
           "ECDF image of a wrong size");
    const auto* b = reinterpret_cast<const unsigned char*>(image.data());
    const size_t n = image.size();
    const unsigned stored = static_cast<unsigned>(b[n - 2]) << 8 | b[n - 1];
    expect(stored == crcSlow16(b + kEcdfHeaderSize, n - kEcdfHeaderSize - 2), "ECDF CRC wrong");
}

Db& db() {
    static Db* d = new Db;
    return *d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Db& d = db();
    // The builder, and from the same byte the Enigma choices of this run.
    const uint8_t pick = in.byte();
    const int builder = pick % 10;
    const uint8_t e = in.byte();
    const int failAt = e < 0xF0 ? 0 : e - 0xEF;  // 1..16: the write that fails
    initAppIdentity(&d.cfg);
    readConfig(in, &d.cfg);
    d.cfg.enigmaLamedb5 = pick / 10 % 2;
    d.cfg.enigmaCp1252 = pick / 20 % 2;
    const LangStruct* lang = langTable(
        d.cfg.lang >= kLangItalian && d.cfg.lang <= kLangSpanish ? d.cfg.lang : kLangEnglish);
    const VaTime clock = readClock(in);
    decode(in, d);

    const WriterInput utf8{&d.cfg,      &d.bouI,       &d.favI,    &d.nat,
                           lang,        d.sat.get(),   d.tp.get(), d.ch.get(),
                           d.fav.get(), d.chFav.get(), &d.report,  clock};
    // The names are any bytes: the Enigma, VDR and Neutrino lists take them as they are, the
    // others through the spelling in Windows-1252, as a job hands them over.
    LatinTables keep;
    // Builder 9 is VDR, or Neutrino when the lamedb5 bit is set.
    const bool neutrino = builder == 9 && d.cfg.enigmaLamedb5 == 1;
    const WriterInput wi = (builder < 2 && d.cfg.enigmaCp1252 == 0) || builder == 9
                               ? utf8
                               : withLatinNames(utf8, &keep);
    std::string image;
    std::vector<std::string> lines;
    BuildResult r;
    switch (builder) {
    case 0: r = runEnigma(wi, true, failAt); break;
    case 1: r = runEnigma(wi, false, failAt); break;
    case 2:
        r = buildNdfImage(wi, &image, &lines);
        if (r.ok) checkNdf(image);
        break;
    case 3: r = runAzbox(wi, AzboxLists{&d.bou, &d.cat}); break;
    case 4:
    case 5:
        r = buildEcdfImage(wi, builder == 4 ? kEcdfFamilySB5 : kEcdfFamilyS2HD, &image, &lines);
        if (r.ok) checkEcdf(image);
        break;
    case 6:
    case 7:
        r = buildJstImage(wi, builder == 6 ? jst::kFamilyST1 : jst::kFamilyJS1, &image, &lines);
        if (r.ok) expect(image.size() == jst::kImageSize, "JST image of the wrong size");
        break;
    case 8: image = logText(wi, clock); break;
    case 9:
        if (neutrino) {
            r = runNeutrino(wi, failAt);
            break;
        }
        r = buildVdrImage(wi, &image);
        if (r.ok) checkVdr(image);
        break;
    }
    // What an input built, for whoever writes a seed.
    if (std::getenv("VA_FUZZ_VERBOSE"))
        std::fprintf(
            stderr,
            "builder %d: %u sat, %u tp, %u ch, %u fav, %u links: %s (%zu bytes, %zu left out)\n",
            builder, d.sat->count, d.tp->count, d.ch->count, d.fav->count, d.chFav->count,
            r.ok ? "built" : r.message.c_str(), image.size(), lines.size());
    return 0;
}
