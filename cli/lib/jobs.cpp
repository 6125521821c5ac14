#include "cli/lib/jobs.h"

#include "download/download.h"
#include "writers/frame/writerFrame.h"

JobFn downloadJobFor(int listType) {
    switch (listType) {
    case 1: return DownloadDataBSat;
    case 2: return DownloadDataFSat;
    default: return DownloadDataCh;
    }
}

JobFn writerJobFor(int fileType) {
    switch (fileType) {
    case 0: return WriteNDF;
    case 1: return WriteE1;
    case 3: return WriteAZbox;
    case 4:
    case 5: return WriteSB5S2HD;
    case 6:
    case 7: return WriteST1JS1;
    default: return WriteE2;
    }
}

T_dbConnOverride dbOverride(const CliDbOptions& o) {
    T_dbConnOverride c;
    c.host = o.host;
    c.user = o.user;
    c.password = o.password;
    c.passwordSet = o.passwordSet;
    c.name = o.name;
    c.socket = o.socket;
    c.port = o.port;
    return c;
}

void printDropped(FILE* out, const T_dbDropped& dropped) {
    std::string lines = droppedLines(dropped);
    // Printed one to a line, without the CR LF the message box uses.
    size_t pos = 0;
    while (pos < lines.size()) {
        size_t end = lines.find("\r\n", pos);
        std::string line = lines.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty()) std::fprintf(out, "%s\n", line.c_str());
        if (end == std::string::npos) break;
        pos = end + 2;
    }
}
