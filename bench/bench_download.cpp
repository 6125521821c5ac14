// Times the bouquets-as-channels download against a running server and the
// same queries replayed through the mariadb command-line client in the same
// run, and reports the job's peak memory.
//
//   bench_download [--host H] [--port N] [--user U] [--password P] [--db NAME]
//                  [--runs N] [--client PATH]
//
// Every satellite of the database is selected; marker channels are off so
// that a full-capacity database fills the channel table with real channels.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/dbTypes.h"
#include "download/download.h"
#include "download/jobParam.h"
#include "download/session.h"
#include "platform/memoryPlatform.h"
#include "platform/widget.h"

namespace {

struct Options {
    std::string host = "127.0.0.1", user = "vauser", password = "vapass1", db = "velartis";
    std::string client = "mariadb";
    unsigned port = 3306;
    int runs = 3;
};

std::vector<std::string> traced;
void trace(const std::string& sql) { traced.push_back(sql); }

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long maxRssKb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: bench_download [--host H] [--port N] [--user U] [--password P] "
                 "[--db NAME] [--runs N] [--client PATH]\n");
    std::exit(64);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) usage();
        std::string v = argv[++i];
        if (a == "--host")
            o.host = v;
        else if (a == "--port")
            o.port = static_cast<unsigned>(toInt(v.c_str()));
        else if (a == "--user")
            o.user = v;
        else if (a == "--password")
            o.password = v;
        else if (a == "--db")
            o.db = v;
        else if (a == "--runs")
            o.runs = std::max(1, toInt(v.c_str()));
        else if (a == "--client")
            o.client = v;
        else
            usage();
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    Options o = parse(argc, argv);
    T_dbConnOverride conn;
    conn.host = o.host;
    conn.port = o.port;
    conn.user = o.user;
    conn.password = o.password;
    conn.passwordSet = true;
    conn.name = o.db;

    // Every satellite on the server, in id order.
    std::vector<int> satIds;
    {
        DbSession db;
        if (!db.open(dbConnValues(cfgParam, conn))) {
            std::fprintf(stderr, "bench_download: cannot connect: %s\n", db.error().c_str());
            return 1;
        }
        DbResult r;
        if (!db.query("SELECT sat_id FROM Sats ORDER BY sat_id", &r)) {
            std::fprintf(stderr, "bench_download: %s\n", db.error().c_str());
            return 1;
        }
        while (r.next() && satIds.size() < kSatSlots - 1) satIds.push_back(r.row().num(0));
    }

    initAppIdentity(&cfgParam);
    cfgParam.lang = kLangEnglish;
    cfgParam.gHD = cfgParam.g3D = cfgParam.gRad = cfgParam.gTP = 1;
    cfgParam.chFake = 0;
    MsgLang = *langTable(kLangEnglish);
    for (int id : satIds) {
        T_satRec& s = satParam.sat[++satParam.count];
        s.satId = id;
        std::snprintf(s.satName, sizeof s.satName, "Sat %d", id);
        s.selected = 1;
        s.feedTp = 1;
        copyText(s.radioFilter, "111");
        copyText(s.tvFilter, "11111");
    }

    MemoryPlatform ui;
    createWidgetHandles(&Widget, &ui);
    T_dbDropped dropped{};
    T_FnPARAM p = globalJobParam();
    p.dbConn = &conn;
    p.dropped = &dropped;

    char sqlFile[] = "/tmp/bench_download_XXXXXX";
    int fd = mkstemp(sqlFile);
    if (fd < 0) {
        std::perror("bench_download: mkstemp");
        return 1;
    }
    close(fd);
    std::string cmd = shellQuote(o.client) + " --no-defaults --batch --compress " +
                      "--default-character-set=latin1 -h " + shellQuote(o.host) + " -P " +
                      std::to_string(o.port) + " -u " + shellQuote(o.user) + " -p" +
                      shellQuote(o.password) + " " + shellQuote(o.db) + " < " + sqlFile +
                      " > /dev/null";

    long rssBefore = maxRssKb();
    std::vector<double> jobTimes, clientTimes;
    for (int run = 0; run < o.runs; ++run) {
        traced.clear();
        dbQueryTrace = trace;
        auto t0 = std::chrono::steady_clock::now();
        uint32_t rc = DownloadDataCh(&p);
        jobTimes.push_back(seconds(t0));
        dbQueryTrace = nullptr;
        if (rc != kDownloadOk) {
            std::fprintf(stderr, "bench_download: the download failed (%u): %s\n", rc,
                         ui.find("status")->status[1].c_str());
            std::remove(sqlFile);
            return 1;
        }
        // The counter statement replayed as well: the client runs exactly
        // what the job ran.
        FILE* f = std::fopen(sqlFile, "wb");
        if (!f) {
            std::perror("bench_download: query file");
            return 1;
        }
        for (const std::string& q : traced) std::fprintf(f, "%s;\n", q.c_str());
        std::fclose(f);
        t0 = std::chrono::steady_clock::now();
        int st = std::system(cmd.c_str());
        clientTimes.push_back(seconds(t0));
        if (st != 0) {
            std::fprintf(stderr, "bench_download: the client failed (%d): %s\n", st, cmd.c_str());
            std::remove(sqlFile);
            return 1;
        }
    }
    std::remove(sqlFile);
    long rssAfter = maxRssKb();

    double job = median(jobTimes), client = median(clientTimes);
    std::printf(
        "satellites %zu, queries %zu, rows kept: %u transponders, %u channels, "
        "%u favourite links\n",
        satIds.size(), traced.size(), tpDB.count, chDB.count, chFavDB.count);
    std::string lines = droppedLines(dropped);
    for (char& c : lines)
        if (c == '\r') c = ' ';
    std::printf("dropped:%s\n", lines.empty() ? " nothing" : lines.c_str());
    for (int run = 0; run < o.runs; ++run)
        std::printf("run %d: job %.3f s, client %.3f s\n", run + 1, jobTimes[run],
                    clientTimes[run]);
    std::printf("job (median of %d)     %.3f s\n", o.runs, job);
    std::printf("client (median of %d)  %.3f s\n", o.runs, client);
    std::printf("ratio job/client      %.2f\n", job / client);
    std::printf("peak memory (maxrss)  %ld KiB (before the first job %ld KiB)\n", rssAfter,
                rssBefore);
    return 0;
}
