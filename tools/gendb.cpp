// velartis-gendb: writes a synthetic channel database as SQL for the schema
// of tools/schema.sql, of any size, the same for the same seed. With
// --cfg-out it also writes a master list and a user configuration that
// select every generated satellite, so the program can be run on the data.
//
// Load the output with: tools/dbserver.sh load FILE

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

// splitmix64: small, fast and identical on every platform, unlike the
// standard distributions, whose results are left to the library.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; n > 0
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 11) % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <typename T>
    const T& pick(const std::vector<T>& v) {
        return v[below(static_cast<uint32_t>(v.size()))];
    }
    template <typename T>
    void shuffle(std::vector<T>& v) {
        for (size_t i = v.size(); i > 1; --i)
            std::swap(v[i - 1], v[below(static_cast<uint32_t>(i))]);
    }

private:
    uint64_t state_;
};

struct Options {
    uint64_t seed = 1;
    long sats = 4;
    long tps = 48;
    long channels = 400;
    long audio = 800;
    long cas = 300;
    long favs = 8;
    long favlinks = 200;
    long bouquets = 20;
    int listType = 0;
    std::string out = "-";
    std::string cfgOut;
};

struct Category {
    int id;
    const char* name;
    const char* prefix;  // start of the channel names of the category
};

// The same categories as the bundled master list; 9 and 19 are the locked ones.
const std::vector<Category> kCategories = {
    {1, "Generalist", "Channel"}, {2, "News", "News"},          {3, "Sport", "Sport"},
    {4, "Movies", "Cinema"},      {5, "Kids", "Kids"},          {6, "Music", "Music"},
    {7, "Documentary", "Docu"},   {8, "Regional", "Regional"},  {9, "Adult", "Night"},
    {11, "Radio", "Radio"},       {19, "Erotic", "Late Night"},
};

const std::vector<const char*> kNations = {
    "Italy",  "Germany", "France",  "United Kingdom", "Spain",         "Austria",
    "Norway", "Sweden",  "Denmark", "Poland",         "International", "Nordic Countries",
};

const std::vector<const char*> kLanguages = {
    "ita", "eng", "fra", "deu", "spa", "pol", "nor", "swe",
    "dan", "por", "gre", "tur", "ara", "rus", "nld",
};

// Capacities of the program's configuration tables.
constexpr size_t kMaxCfgSats = 253;
constexpr size_t kMaxCfgFavs = 50;
constexpr size_t kMaxCfgBouquets = 500;

struct Sat {
    int id;
    int position;
    std::string name, location;
};

struct Tp {
    int sat, stp, frequency, polarity, sr, fec, modulation, pilot, feed;
    std::string name, nid, tid;
};

struct Channel {
    int sat, stp;
    int sid;
    int type;  // 0 TV, 1 radio
    int cat, hd, d3, scrambled, locked, subtitle;
    int pidBase;
    std::string name;
};

struct ChannelBouquet {
    size_t channel;
    int bou, sort;
};

std::string hex4(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

std::string fmt(const char* f, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, f, args...);
    return buf;
}

std::string positionText(int position) {
    return position <= 1800 ? fmt("%d.%dE", position / 10, position % 10)
                            : fmt("%d.%dW", (3600 - position) / 10, (3600 - position) % 10);
}

// Splits total over n slots, at most cap each; the remainder goes to slots in
// shuffled order. Returns fewer than total only when every slot is full.
std::vector<int> spread(long total, size_t n, int cap, Rng& rng) {
    std::vector<int> counts(n, 0);
    if (n == 0 || total <= 0) return counts;
    long base = std::min<long>(total / static_cast<long>(n), cap);
    std::fill(counts.begin(), counts.end(), static_cast<int>(base));
    long left = total - base * static_cast<long>(n);
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    rng.shuffle(order);
    while (left > 0) {
        bool placed = false;
        for (size_t i : order) {
            if (left == 0) break;
            if (counts[i] < cap) {
                ++counts[i];
                --left;
                placed = true;
            }
        }
        if (!placed) break;
    }
    return counts;
}

// Multi-row INSERT statements of at most 1000 rows each.
class Inserter {
public:
    Inserter(std::string& out, std::string head) : out_(out), head_(std::move(head)) {}
    ~Inserter() { finish(); }
    void row(const std::string& values) {
        if (rows_ % 1000 == 0) {
            if (rows_ > 0) out_ += ";\n";
            out_ += head_;
            out_ += " VALUES\n(";
        } else {
            out_ += ",\n(";
        }
        out_ += values;
        out_ += ')';
        ++rows_;
    }
    void finish() {
        if (rows_ > 0 && !done_) out_ += ";\n";
        done_ = true;
    }
    long rows() const { return rows_; }

private:
    std::string& out_;
    std::string head_;
    long rows_ = 0;
    bool done_ = false;
};

[[noreturn]] void usage(int code) {
    std::fprintf(
        code ? stderr : stdout,
        "usage: velartis-gendb [--seed N] [--sats N] [--tps N] [--channels N] [--audio N]\n"
        "                      [--cas N] [--favs N] [--favlinks N] [--bouquets N]\n"
        "                      [--list 0|1|2] [--out FILE] [--cfg-out DIR]\n"
        "Writes a channel database as SQL (to FILE, or standard output for -).\n"
        "--cfg-out DIR also writes DIR/VAconfig.vac and DIR/Default.cfg for it,\n"
        "with every satellite selected and list type --list (default 0).\n");
    std::exit(code);
}

long number(const char* opt, const char* text, long lo, long hi) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
        std::fprintf(stderr, "velartis-gendb: %s needs a number from %ld to %ld, not '%s'\n", opt,
                     lo, hi, text);
        std::exit(64);
    }
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    constexpr long kBig = 10'000'000;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "-h" || a == "--help") usage(0);
        if (i + 1 >= argc) {
            std::fprintf(stderr, "velartis-gendb: %s needs a value\n", argv[i]);
            usage(64);
        }
        const char* v = argv[++i];
        if (a == "--seed") o.seed = static_cast<uint64_t>(number(argv[i - 1], v, 0, 0x7FFFFFFFL));
        // Virtual satellites are numbered sat_id * 1000 + group id, so bouquet and
        // group ids stay below 1000 and satellite ids keep that in an int.
        else if (a == "--sats")
            o.sats = number(argv[i - 1], v, 1, 2'000'000);
        else if (a == "--tps")
            o.tps = number(argv[i - 1], v, 0, kBig);
        else if (a == "--channels")
            o.channels = number(argv[i - 1], v, 0, kBig);
        else if (a == "--audio")
            o.audio = number(argv[i - 1], v, 0, kBig);
        else if (a == "--cas")
            o.cas = number(argv[i - 1], v, 0, kBig);
        else if (a == "--favs")
            o.favs = number(argv[i - 1], v, 0, 999);
        else if (a == "--favlinks")
            o.favlinks = number(argv[i - 1], v, 0, kBig);
        else if (a == "--bouquets")
            o.bouquets = number(argv[i - 1], v, 1, 999);
        else if (a == "--list")
            o.listType = static_cast<int>(number(argv[i - 1], v, 0, 2));
        else if (a == "--out")
            o.out = v;
        else if (a == "--cfg-out")
            o.cfgOut = v;
        else {
            std::fprintf(stderr, "velartis-gendb: unknown option %s\n", argv[i - 1]);
            usage(64);
        }
    }
    if (o.channels > 0 && o.tps == 0) {
        std::fprintf(stderr, "velartis-gendb: channels need at least one transponder\n");
        std::exit(64);
    }
    return o;
}

bool writeFile(const std::string& path, const std::string& data) {
    FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "velartis-gendb: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (f == stdout ? std::fflush(f) == 0 : std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "velartis-gendb: writing %s failed\n", path.c_str());
    return ok;
}

std::string crlf(const std::string& text) {
    std::string r;
    r.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') r += '\r';
        r += c;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const Options opt = parse(argc, argv);
    Rng rng(opt.seed);

    // Satellites, spread over the arc; positions are in tenths of a degree,
    // west ones stored as 3600 - tenths.
    std::vector<Sat> sats;
    for (long i = 0; i < opt.sats; ++i) {
        Sat s;
        s.id = static_cast<int>(i + 1);
        s.position = static_cast<int>((i * 3600) / opt.sats);
        s.location = positionText(s.position);
        s.name = fmt("Sat %03d %s", s.id, s.location.c_str());
        sats.push_back(std::move(s));
    }

    // Transponders: a block per satellite, frequencies rising over the Ku band.
    std::vector<Tp> tps;
    std::vector<size_t> tpsOfSat(sats.size(), 0);
    {
        const std::vector<int> srs = {22000, 27500, 29900, 30000, 23000, 24500, 28000};
        const std::vector<int> feedSrs = {4340, 6111, 7200, 9874};
        const std::vector<int> fecs = {2, 3, 3, 4, 5, 9, 1, 7, 8};
        size_t k = 0;
        for (size_t s = 0; s < sats.size(); ++s) {
            long n = opt.tps / opt.sats + (static_cast<long>(s) < opt.tps % opt.sats ? 1 : 0);
            tpsOfSat[s] = static_cast<size_t>(n);
            int nid = 1 + static_cast<int>(rng.below(0x0FFF));
            for (long j = 0; j < n; ++j, ++k) {
                Tp t;
                t.sat = sats[s].id;
                t.stp = static_cast<int>(j + 1);
                t.frequency =
                    10700 + static_cast<int>((j * 2050) / n) + static_cast<int>(rng.below(8));
                t.polarity =
                    rng.chance(3) ? 2 + static_cast<int>(rng.below(2)) : static_cast<int>(j % 2);
                t.feed = rng.chance(5) ? 1 : 0;
                t.sr = t.feed ? rng.pick(feedSrs) : rng.pick(srs);
                t.fec = rng.pick(fecs);
                uint32_t m = rng.below(10);
                t.modulation = m < 4 ? 0 : (m < 5 ? 1 : 2);
                t.pilot = t.modulation == 0 ? 0 : static_cast<int>(rng.below(3));
                t.nid = hex4(nid);
                t.tid = hex4(1 + static_cast<int>(rng.below(0xFFFE)));
                t.name = t.feed ? fmt("Feed %d%c", t.frequency, "VHRL"[t.polarity])
                                : fmt("TP %d", t.stp);
                tps.push_back(std::move(t));
            }
        }
    }

    // Channels, scattered over the transponders; service ids are unique per
    // transponder and avoid 0000 and FFFF (FFFF marks bouquet markers).
    std::vector<Channel> channels;
    {
        std::vector<int> onTp(tps.size(), 0);
        std::vector<int> sidBase(tps.size());
        for (auto& b : sidBase) b = static_cast<int>(rng.below(0xF000));
        std::vector<size_t> tvCats, radioCats;
        for (size_t c = 0; c < kCategories.size(); ++c) {
            int id = kCategories[c].id;
            if (id == 11 || id == 6) radioCats.push_back(c);
            if (id != 11 && id != 9 && id != 19) tvCats.push_back(c);
        }
        channels.reserve(static_cast<size_t>(opt.channels));
        for (long i = 0; i < opt.channels; ++i) {
            size_t tp = rng.below(static_cast<uint32_t>(tps.size()));
            Channel c;
            c.sat = tps[tp].sat;
            c.stp = tps[tp].stp;
            int j = onTp[tp]++;
            c.sid = 1 + (sidBase[tp] + j) % 0xFFFD;
            c.type = rng.chance(20) ? 1 : 0;
            const Category& cat =
                c.type ? kCategories[rng.pick(radioCats)]
                       : kCategories[rng.chance(4) ? (rng.chance(50) ? 8 : 10) : rng.pick(tvCats)];
            c.cat = cat.id;
            c.hd = c.type == 0 && rng.chance(30);
            c.d3 = c.hd && rng.chance(5);
            c.scrambled = rng.chance(45);
            c.locked = c.cat == 9 || c.cat == 19;
            c.subtitle = c.type == 0 && rng.chance(20);
            c.pidBase = 0x0100 + (j % 400) * 16;
            c.name = fmt("%s %05ld%s", cat.prefix, i + 1, c.d3 ? " 3D" : (c.hd ? " HD" : ""));
            channels.push_back(std::move(c));
        }
    }

    // Bouquets: each has a home satellite whose channels it carries; a tenth of
    // the channels sit in a second bouquet as well. Pairs of bouquets share a
    // sort_id, so the bou_id tie-break of the queries is exercised too.
    std::vector<ChannelBouquet> cbs;
    std::vector<int> bouSort(static_cast<size_t>(opt.bouquets));
    {
        std::vector<int> perm(bouSort.size());
        for (size_t b = 0; b < perm.size(); ++b) perm[b] = static_cast<int>(b);
        rng.shuffle(perm);
        for (size_t b = 0; b < perm.size(); ++b) bouSort[b] = (perm[b] / 2 + 1) * 10;

        std::vector<std::vector<int>> homed(sats.size());
        for (long b = 1; b <= opt.bouquets; ++b)
            homed[static_cast<size_t>((b - 1) % opt.sats)].push_back(static_cast<int>(b));
        std::vector<int> nextSort(bouSort.size() + 1, 1);
        for (size_t i = 0; i < channels.size(); ++i) {
            size_t s = static_cast<size_t>(channels[i].sat - 1);
            int first = homed[s].empty()
                            ? static_cast<int>(s % static_cast<size_t>(opt.bouquets)) + 1
                            : rng.pick(homed[s]);
            cbs.push_back({i, first, nextSort[static_cast<size_t>(first)]++});
            if (opt.bouquets > 1 && rng.chance(10)) {
                int second = 1 + static_cast<int>(rng.below(static_cast<uint32_t>(opt.bouquets)));
                if (second == first) second = second % static_cast<int>(opt.bouquets) + 1;
                cbs.push_back({i, second, nextSort[static_cast<size_t>(second)]++});
            }
        }
    }

    std::string sql;
    sql.reserve(static_cast<size_t>(opt.channels) * 600 + 4096);
    sql += fmt("-- Generated by velartis-gendb --seed %llu --sats %ld --tps %ld --channels %ld\n",
               static_cast<unsigned long long>(opt.seed), opt.sats, opt.tps, opt.channels);
    sql += fmt("--   --audio %ld --cas %ld --favs %ld --favlinks %ld --bouquets %ld\n", opt.audio,
               opt.cas, opt.favs, opt.favlinks, opt.bouquets);
    // Every generated text is ASCII, the same bytes in any character set.
    sql +=
        "-- Load after schema.sql (tools/dbserver.sh load FILE does both).\n"
        "SET NAMES utf8mb4;\nSET autocommit = 0;\n\n";

    {
        Inserter ins(sql,
                     "INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use)");
        ins.row(
            fmt("'Velartis1.3', 'Generated channel data, seed %llu.\\\\n%ld satellites, %ld "
                "channels.', "
                "'00', '00', 'N', 'Y'",
                static_cast<unsigned long long>(opt.seed), opt.sats, opt.channels));
    }
    {
        Inserter ins(sql, "INSERT INTO BrenikToolsCounter (application, counter)");
        ins.row("'Velartis1.3', 0");
    }
    {
        Inserter ins(sql, "INSERT INTO Sats (sat_id, sat_name, position, location)");
        for (const Sat& s : sats)
            ins.row(
                fmt("%d, '%s', %d, '%s'", s.id, s.name.c_str(), s.position, s.location.c_str()));
    }
    {
        Inserter ins(sql, "INSERT INTO Languages (lang_id, lang_name)");
        for (size_t l = 0; l < kLanguages.size(); ++l)
            ins.row(fmt("%zu, '%s'", l + 1, kLanguages[l]));
    }
    {
        Inserter ins(
            sql,
            "INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, "
            "modulation, nid, tid, pilot, flag_feed)");
        for (const Tp& t : tps)
            ins.row(fmt("%d, %d, '%s', %d, %d, %d, %d, %d, '%s', '%s', %d, %d", t.sat, t.stp,
                        t.name.c_str(), t.frequency, t.polarity, t.sr, t.fec, t.modulation,
                        t.nid.c_str(), t.tid.c_str(), t.pilot, t.feed));
    }
    {
        Inserter ins(
            sql,
            "INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, "
            "txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, "
            "d3)");
        for (const Channel& c : channels) {
            std::string vpid = c.type == 0 ? hex4(c.pidBase + 1) : "0000";
            std::string pcr = c.type == 0 ? vpid : hex4(c.pidBase + 2);
            std::string txt =
                c.type == 0 && (c.subtitle || c.pidBase % 32 == 0) ? hex4(c.pidBase + 15) : "0000";
            ins.row(
                fmt("%d, %d, '%s', '%s', %d, '%s', '%s', '%s', '%s', %d, %d, %d, 0, 0, 0, 0, %d, "
                    "%d, %d",
                    c.sat, c.stp, hex4(c.sid).c_str(), c.name.c_str(), c.type, vpid.c_str(),
                    hex4(c.pidBase).c_str(), pcr.c_str(), txt.c_str(), c.subtitle, c.scrambled,
                    c.locked, c.cat, c.hd, c.d3));
        }
    }
    {
        Inserter ins(sql, "INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id)");
        for (long b = 1; b <= opt.bouquets; ++b)
            ins.row(fmt("%ld, 'Bouquet %03ld', %ld, %d", b, b,
                        (b - 1) % static_cast<long>(kNations.size()) + 1,
                        bouSort[static_cast<size_t>(b - 1)]));
    }
    {
        Inserter ins(sql, "INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id)");
        for (const ChannelBouquet& cb : cbs) {
            const Channel& c = channels[cb.channel];
            ins.row(
                fmt("%d, %d, '%s', %d, %d", c.sat, c.stp, hex4(c.sid).c_str(), cb.bou, cb.sort));
        }
    }

    long audioRows = 0;
    {
        // A channel holds at most 29 tracks in the program; more would be dropped.
        std::vector<int> counts = spread(opt.audio, channels.size(), 29, rng);
        Inserter ins(
            sql,
            "INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts)");
        for (size_t i = 0; i < channels.size(); ++i) {
            const Channel& c = channels[i];
            int lang = 1 + static_cast<int>(rng.below(static_cast<uint32_t>(kLanguages.size())));
            for (int t = 0; t < counts[i]; ++t) {
                int ac3 = c.type == 0 && t > 0 && rng.chance(c.hd ? 60 : 20);
                int dts = c.type == 0 && c.hd && rng.chance(3);
                int trackLang =
                    t == 0 || rng.chance(50)
                        ? lang
                        : 1 + static_cast<int>(rng.below(static_cast<uint32_t>(kLanguages.size())));
                ins.row(fmt("%d, %d, '%s', %d, '%s', %d, %d, %d", c.sat, c.stp, hex4(c.sid).c_str(),
                            t + 1, hex4(c.pidBase + 2 + t % 13).c_str(), trackLang, ac3, dts));
            }
        }
        audioRows = ins.rows();
    }

    long casRows = 0;
    {
        // CAS ids are bit numbers of a 32-bit mask, so a channel has at most 32;
        // they go to scrambled channels unless there are too few of those.
        std::vector<size_t> eligible;
        for (size_t i = 0; i < channels.size(); ++i)
            if (channels[i].scrambled) eligible.push_back(i);
        if (static_cast<long>(eligible.size()) * 32 < opt.cas) {
            eligible.clear();
            for (size_t i = 0; i < channels.size(); ++i) eligible.push_back(i);
        }
        std::vector<int> counts = spread(opt.cas, eligible.size(), 32, rng);
        Inserter ins(sql, "INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id)");
        std::vector<int> ids(32);
        for (size_t e = 0; e < eligible.size(); ++e) {
            const Channel& c = channels[eligible[e]];
            int n = counts[e];
            // The common systems have the small codes; use those first.
            int pool = n <= 11 ? 11 : 32;
            for (int k = 0; k < pool; ++k) ids[static_cast<size_t>(k)] = k;
            for (int k = 0; k < n; ++k)
                std::swap(ids[static_cast<size_t>(k)],
                          ids[static_cast<size_t>(k) + rng.below(static_cast<uint32_t>(pool - k))]);
            std::sort(ids.begin(), ids.begin() + n);
            for (int k = 0; k < n; ++k)
                ins.row(fmt("%d, %d, '%s', %d", c.sat, c.stp, hex4(c.sid).c_str(),
                            ids[static_cast<size_t>(k)]));
        }
        casRows = ins.rows();
    }

    std::vector<int> favSort(static_cast<size_t>(opt.favs));
    {
        std::vector<int> perm(favSort.size());
        for (size_t f = 0; f < perm.size(); ++f) perm[f] = static_cast<int>(f + 1);
        rng.shuffle(perm);
        for (size_t f = 0; f < perm.size(); ++f) favSort[f] = perm[f] * 10;
        Inserter ins(sql, "INSERT INTO Favorites (fav_id, fav_name, enable, sort_id)");
        for (long f = 1; f <= opt.favs; ++f)
            ins.row(
                fmt("%ld, 'Favourites %03ld', '1', %d", f, f, favSort[static_cast<size_t>(f - 1)]));
    }

    long linkRows = 0;
    {
        // A link names one bouquet copy of a channel; each (copy, group) once.
        const uint64_t possible =
            static_cast<uint64_t>(cbs.size()) * static_cast<uint64_t>(opt.favs);
        uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(opt.favlinks), possible);
        std::vector<uint64_t> picks;
        if (wanted > possible / 2) {
            picks.resize(possible);
            for (uint64_t p = 0; p < possible; ++p) picks[p] = p;
            rng.shuffle(picks);
            picks.resize(wanted);
        } else {
            std::unordered_set<uint64_t> used;
            while (picks.size() < wanted) {
                uint64_t p = static_cast<uint64_t>(rng.below(static_cast<uint32_t>(cbs.size()))) *
                                 static_cast<uint64_t>(opt.favs) +
                             rng.below(static_cast<uint32_t>(opt.favs));
                if (used.insert(p).second) picks.push_back(p);
            }
        }
        std::vector<int> nextSort(static_cast<size_t>(opt.favs) + 1, 1);
        Inserter ins(sql,
                     "INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id)");
        for (uint64_t p : picks) {
            const ChannelBouquet& cb =
                cbs[static_cast<size_t>(p / static_cast<uint64_t>(opt.favs))];
            int fav = static_cast<int>(p % static_cast<uint64_t>(opt.favs)) + 1;
            const Channel& c = channels[cb.channel];
            ins.row(fmt("%d, %d, '%s', %d, %d, %d", c.sat, c.stp, hex4(c.sid).c_str(), cb.bou, fav,
                        nextSort[static_cast<size_t>(fav)]++));
        }
        linkRows = ins.rows();
        if (static_cast<uint64_t>(opt.favlinks) > possible)
            std::fprintf(stderr,
                         "velartis-gendb: only %llu distinct favourite links are possible\n",
                         static_cast<unsigned long long>(possible));
    }
    sql += "COMMIT;\n";

    if (audioRows < opt.audio && !channels.empty())
        std::fprintf(stderr, "velartis-gendb: audio tracks capped at 29 per channel: %ld rows\n",
                     audioRows);
    if (casRows < opt.cas && !channels.empty())
        std::fprintf(stderr, "velartis-gendb: CAS ids capped at 32 per channel: %ld rows\n",
                     casRows);

    if (!writeFile(opt.out, sql)) return 1;
    std::fprintf(
        stderr,
        "velartis-gendb: %zu satellites, %zu transponders, %zu channels, %zu bouquet links, "
        "%ld audio, %ld CAS, %ld favourite groups, %ld favourite links, %ld bouquets\n",
        sats.size(), tps.size(), channels.size(), cbs.size(), audioRows, casRows, opt.favs,
        linkRows, opt.bouquets);

    if (!opt.cfgOut.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(opt.cfgOut, ec);
        if (ec) {
            std::fprintf(stderr, "velartis-gendb: cannot create %s: %s\n", opt.cfgOut.c_str(),
                         ec.message().c_str());
            return 1;
        }
        if (sats.size() > kMaxCfgSats || static_cast<size_t>(opt.favs) > kMaxCfgFavs ||
            static_cast<size_t>(opt.bouquets) > kMaxCfgBouquets)
            std::fprintf(
                stderr,
                "velartis-gendb: the configuration files hold only the first %zu satellites, "
                "%zu favourite groups and %zu bouquets\n",
                kMaxCfgSats, kMaxCfgFavs, kMaxCfgBouquets);

        std::string vac = "[CAT]\n";
        for (const Category& c : kCategories) vac += fmt("%d#%s#\n", c.id, c.name);
        vac += "[/CAT]\n\n[FAV]\n";
        for (long f = 1; f <= opt.favs && static_cast<size_t>(f) <= kMaxCfgFavs; ++f)
            vac += fmt("%ld#Favourites %03ld#\n", f, f);
        vac += "[/FAV]\n\n[BOU]\n";
        for (long b = 1; b <= opt.bouquets && static_cast<size_t>(b) <= kMaxCfgBouquets; ++b) {
            long nat = (b - 1) % static_cast<long>(kNations.size()) + 1;
            vac += fmt("%ld#Bouquet %03ld#%ld#%s#\n", b, b, nat,
                       kNations[static_cast<size_t>(nat - 1)]);
        }
        vac += "[/BOU]\n\n[NAT]\n";
        for (size_t n = 0; n < kNations.size(); ++n) vac += fmt("%zu#%s#\n", n + 1, kNations[n]);
        vac += "[/NAT]\n";

        std::string cfg =
            "# Dalmero Team\n# Velartis User Application Config\n# Non modificare questo file!\n\n";
        cfg +=
            fmt("LANG=2\nLIST=%d\nFILE=2\nCHFAKE=0\nLOGFILE=1\nLAT=45.4\nLONG=09.2\nLONGWE="
                "1\nE1TYPE=0\n"
                "E2TYPE=0\nMAXBOU=000\nMAXCTV=00000\nMAXCRA=00000\nGHD=1\nG3D=1\nGRAD=1\nGTP=0\n\n",
                opt.listType);
        cfg += "[SAT]\n";
        const std::string catFilter(kCategories.size(), '1');
        for (size_t s = 0; s < sats.size() && s < kMaxCfgSats; ++s) {
            // Universal LNB 9750/10600, DiSEqC 1.0 on ports 1 to 4 in turn.
            cfg += fmt("%d#%s#1#1#3#6#3#0#0#1#%zu#0#0#0#0#0#111#11111#%s#\n", sats[s].id,
                       sats[s].name.c_str(), s % 4, catFilter.c_str());
        }
        cfg += "[/SAT]\n\n[FAVI]\n[/FAVI]\n\n[BOUI]\n[/BOUI]\n";

        const std::string dir = opt.cfgOut;
        if (!writeFile(dir + "/VAconfig.vac", crlf(vac)) ||
            !writeFile(dir + "/Default.cfg", crlf(cfg)))
            return 1;
        std::fprintf(stderr, "velartis-gendb: wrote %s/VAconfig.vac and %s/Default.cfg\n",
                     dir.c_str(), dir.c_str());
    }
    return 0;
}
