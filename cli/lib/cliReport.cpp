#include "cli/lib/cliReport.h"

#include <cstdio>
#include <cstdlib>

#include "config/codepage.h"

namespace {

std::string num(uint64_t n) { return std::to_string(n); }

// "Dropped: 12 channels over the table capacity of 19999" as its count and
// reason; each line of droppedLines has that shape.
void droppedReasons(const T_dbDropped& d, std::string* out, uint64_t* total) {
    const std::string lines = droppedLines(d);
    const std::string lead = "Dropped: ";
    size_t pos = 0;
    bool first = true;
    while (pos < lines.size()) {
        size_t end = lines.find("\r\n", pos);
        std::string line = lines.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? lines.size() : end + 2;
        if (line.rfind(lead, 0) != 0) continue;
        char* rest = nullptr;
        unsigned long long n = std::strtoull(line.c_str() + lead.size(), &rest, 10);
        while (*rest == ' ') ++rest;
        *total += n;
        *out += std::string(first ? "" : ", ") + "{\"rows\": " + num(n) +
                ", \"reason\": " + jsonString(rest) + "}";
        first = false;
    }
}

}  // namespace

std::string jsonString(const std::string& raw) {
    const std::string s = isValidUtf8(raw) ? raw : cp1252ToUtf8(raw);
    std::string out = "\"";
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", u);
                out += esc;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string runJson(const CliRunRecord& run) {
    std::string j = "{\n";
    j += "  \"program\": " + jsonString(run.program) + ",\n";
    j += "  \"version\": " + jsonString(run.version) + ",\n";
    j += "  \"exitCode\": " + std::to_string(run.exitCode) + ",\n";
    j += "  \"error\": " + jsonString(run.error) + ",\n";
    j += std::string("  \"unchanged\": ") + (run.unchanged ? "true" : "false") + ",\n";
    j += "  \"dataVersion\": " +
         (run.dataVersion < 0 ? std::string("null") : std::to_string(run.dataVersion)) + ",\n";
    if (!run.server.empty()) j += "  \"server\": " + jsonString(run.server) + ",\n";
    if (run.downloaded) {
        j += std::string("  \"connected\": ") + (run.connectFailure.empty() ? "true" : "false") +
             ",\n";
    }
    if (run.downloaded && !run.connectFailure.empty()) {
        // Nothing was read: no counts that could pass for an empty server.
        j += "  \"connectFailure\": " + jsonString(run.connectFailure) + ",\n";
        j += "  \"report\": null,\n  \"counts\": null,\n  \"dropped\": null,\n";
    } else if (run.downloaded) {
        j += "  \"report\": {";
        for (size_t i = 0; i < run.report.size(); ++i)
            j += std::string(i ? ", " : "") + jsonString(run.report[i].first) + ": " +
                 jsonString(run.report[i].second);
        j += "},\n";
        const T_dbReport& c = run.counts;
        const std::pair<const char*, uint32_t> counts[] = {{"satellites", c.satellites},
                                                           {"fakeSatellites", c.fakeSatellites},
                                                           {"transponders", c.transponders},
                                                           {"bouquets", c.bouquets},
                                                           {"tvChannels", c.tvChannels},
                                                           {"tvFake", c.tvFake},
                                                           {"tvFta", c.tvFta},
                                                           {"tvCod", c.tvCod},
                                                           {"tvHd", c.tvHd},
                                                           {"tv3d", c.tv3d},
                                                           {"radioChannels", c.radioChannels},
                                                           {"radioFta", c.radioFta},
                                                           {"radioCod", c.radioCod},
                                                           {"favouriteGroups", c.favGroups},
                                                           {"favouriteChannels", c.favChannels}};
        j += "  \"counts\": {";
        bool first = true;
        for (const auto& [key, n] : counts) {
            j += std::string(first ? "" : ", ") + "\"" + key + "\": " + num(n);
            first = false;
        }
        j += "},\n";
        std::string reasons;
        uint64_t total = 0;
        droppedReasons(run.dropped, &reasons, &total);
        j += "  \"dropped\": {\"rows\": " + num(total) + ", \"reasons\": [" + reasons + "]},\n";
    }
    if (!run.edits.empty()) j += "  \"edits\": " + run.edits + ",\n";
    if (!run.send.empty()) j += "  \"send\": " + run.send + ",\n";
    j += "  \"jobs\": [";
    for (size_t i = 0; i < run.jobs.size(); ++i) {
        const CliJobRecord& job = run.jobs[i];
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.3f", job.seconds);
        j += std::string(i ? "," : "") + "\n    {\"job\": " + jsonString(job.job) +
             ", \"label\": " + jsonString(job.label) + ", \"code\": " + num(job.code) +
             ", \"result\": " + jsonString(job.result) + ", \"seconds\": " + secs +
             (job.job == "download" ? "" : ", \"spelledNames\": " + num(job.spelledNames)) +
             ",\n     \"message\": " + jsonString(job.message) + ",\n     \"messages\": [";
        for (size_t m = 0; m < job.messages.size(); ++m)
            j += std::string(m ? ", " : "") + jsonString(job.messages[m]);
        j += "],\n     \"warnings\": [";
        for (size_t w = 0; w < job.warnings.size(); ++w)
            j += std::string(w ? ", " : "") + jsonString(job.warnings[w]);
        j += "],\n     \"files\": [";
        for (size_t f = 0; f < job.files.size(); ++f)
            j += std::string(f ? ",\n       " : "") +
                 "{\"path\": " + jsonString(job.files[f].path) +
                 ", \"bytes\": " + num(job.files[f].bytes) + "}";
        j += "]}";
    }
    j += run.jobs.empty() ? "]\n" : "\n  ]\n";
    return j + "}\n";
}
