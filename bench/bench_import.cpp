// Import of a generated VDR channels.conf into the channel database, beside
// the time the same server takes to load the same rows from an SQL file
// with the mariadb command-line client. Prints figures; not a test.
//
//   bench_import --host H --port P --user U --password W --db NAME
//                [--channels 20000] [--runs 7] [--client mariadb] [--work DIR]
//
// NAME must be a database with the schema that the benchmark may empty.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "download/dbLink.h"
#include "import/import.h"

namespace {

struct Options {
    std::string host = "127.0.0.1", user = "vauser", password = "vapass1", db = "velartis";
    unsigned port = 3306;
    int channels = 20000, runs = 7;
    std::string client = "mariadb", work = "/tmp";
};

// Four satellites, 150 transponders each, channels spread over 40 groups;
// a tenth radio, a third scrambled with one or two CA systems, one to four
// audio tracks with languages, some with Dolby.
std::string channelsConf(int n, unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* const sources[] = {"S19.2E", "S13.0E", "S28.2E", "S0.8W"};
    const char* const langs[] = {"deu", "eng", "fra", "ita", "spa", "pol", "nor", "swe"};
    const char* const cas[] = {"0100", "0500", "0604", "1830", "1702", "0B00", "0D05", "0963"};
    std::string s;
    int perGroup = n / 40 + 1;
    for (int i = 0; i < n; ++i) {
        if (i % perGroup == 0) s += ":Group " + std::to_string(i / perGroup + 1) + "\n";
        const int sat = i % 4, tp = pick(0, 149);
        const int freq = 10700 + tp * 13 + sat;
        const bool s2 = tp % 3 == 0, radio = pick(0, 9) == 0, scrambled = pick(0, 2) == 0;
        char line[512];
        std::string audio;
        const int tracks = radio ? 1 : pick(1, 4);
        for (int a = 0; a < tracks; ++a)
            audio += (a ? "," : "") + std::to_string(100 + a) + "=" + langs[pick(0, 7)] + "@3";
        if (!radio && pick(0, 3) == 0) audio += ";110=" + std::string(langs[pick(0, 7)]) + "@106";
        std::string ca = "0";
        if (scrambled) {
            ca = cas[pick(0, 7)];
            if (pick(0, 1)) ca += std::string(",") + cas[pick(0, 7)];
        }
        std::snprintf(line, sizeof line, "Channel %d;Provider %d:%d:%cC%sM%sO35S%d:%s:%d:%s:%s:%d:%s:%d:%d:%d:0\n",
                      i, i % 17, freq, tp % 2 ? 'H' : 'V', s2 ? "23" : "34", s2 ? "5" : "2", s2 ? 1 : 0,
                      sources[sat], s2 ? 22000 : 27500, radio ? "0" : (s2 ? "101=27" : "101=2"),
                      audio.c_str(), radio ? 0 : 200, ca.c_str(), i / 4 % 65535 + 1, 1 + sat,
                      1000 + sat * 1000 + tp);
        s += line;
    }
    return s;
}

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

struct Stats {
    double median, min, max;
};
Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    double med = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {med, v.front(), v.back()};
}

bool emptyTables(DbLink& db) {
    for (const char* t : {"ChannelFavorite", "Favorites", "ChannelCas", "ChannelAudio", "Languages",
                          "ChannelBouquet", "Bouquets", "Channels", "Transponders", "Sats", "TeamMsg",
                          "BrenikToolsCounter"})
        if (!db.exec(std::string("TRUNCATE TABLE ") + t)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string k = argv[i], v = argv[i + 1];
        if (k == "--host") o.host = v;
        else if (k == "--port") o.port = static_cast<unsigned>(std::atoi(v.c_str()));
        else if (k == "--user") o.user = v;
        else if (k == "--password") o.password = v;
        else if (k == "--db") o.db = v;
        else if (k == "--channels") o.channels = std::atoi(v.c_str());
        else if (k == "--runs") o.runs = std::max(1, std::atoi(v.c_str()));
        else if (k == "--client") o.client = v;
        else if (k == "--work") o.work = v;
        else {
            std::fprintf(stderr, "bench_import: unknown option %s\n", k.c_str());
            return 64;
        }
    }
    const std::string conf = o.work + "/bench_channels.conf", sql = o.work + "/bench_rows.sql";
    std::ofstream(conf, std::ios::binary) << channelsConf(o.channels, 7);

    ImportRequest req;
    req.kind = ImportKind::kVdr;
    req.paths = {conf};
    req.writeConfig = false;
    req.conn.host = o.host;
    req.conn.port = o.port;
    req.conn.user = o.user;
    req.conn.password = o.password;
    req.conn.passwordSet = true;
    req.conn.name = o.db;
    DbLink db;
    if (!db.open(req.conn)) {
        std::fprintf(stderr, "bench_import: %s\n", db.error().c_str());
        return 1;
    }

    // A first import, untimed, writes the SQL file: the same rows in the
    // same statements, for the client to load.
    std::string rows = "SET NAMES utf8mb4;\nSTART TRANSACTION;\n";
    setDbLinkTrace([&rows](const std::string& s) {
        if (s.rfind("INSERT", 0) == 0) rows += s + ";\n";
    });
    if (!emptyTables(db)) return 1;
    ImportOutcome first = runImport(req);
    setDbLinkTrace(nullptr);
    if (!first.ok) {
        std::fprintf(stderr, "bench_import: %s\n", first.error.c_str());
        return 1;
    }
    rows += "COMMIT;\n";
    std::ofstream(sql, std::ios::binary) << rows;
    const std::string load = "'" + o.client + "' --no-defaults -h " + o.host + " -P " +
                             std::to_string(o.port) + " -u " + o.user + " -p" + o.password +
                             " --default-character-set=utf8mb4 " + o.db + " < '" + sql + "'";

    std::vector<double> imp, cli;
    for (int r = 0; r < o.runs; ++r) {
        if (!emptyTables(db)) return 1;
        auto t0 = std::chrono::steady_clock::now();
        ImportOutcome out = runImport(req);
        imp.push_back(seconds(t0));
        if (!out.ok || out.rowsAdded != first.rowsAdded) {
            std::fprintf(stderr, "bench_import: run %d: %s\n", r + 1, out.error.c_str());
            return 1;
        }
        if (!emptyTables(db)) return 1;
        t0 = std::chrono::steady_clock::now();
        int rc = std::system(load.c_str());
        cli.push_back(seconds(t0));
        if (rc != 0) {
            std::fprintf(stderr, "bench_import: the client failed to load %s\n", sql.c_str());
            return 1;
        }
    }
    const Stats a = stats(imp), b = stats(cli);
    const double n = static_cast<double>(first.rowsAdded);
    std::printf("Import of a %d-channel channels.conf: %llu rows, %d runs each\n", o.channels,
                static_cast<unsigned long long>(first.rowsAdded), o.runs);
    std::printf("  velartis-cli import : median %.3f s (min %.3f, max %.3f), %.0f rows/s\n", a.median,
                a.min, a.max, n / a.median);
    std::printf("  mariadb < rows.sql  : median %.3f s (min %.3f, max %.3f), %.0f rows/s\n", b.median,
                b.min, b.max, n / b.median);
    std::printf("  ratio import / client: %.2f (target: within 2)\n", a.median / b.median);
    return 0;
}
