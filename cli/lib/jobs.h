#pragma once
// The jobs the command-line tool starts, as the window's job launcher picks
// them: the download by list type, the writer by receiver family.
#include <cstdio>
#include <string>

#include "download/download.h"
#include "platform/platform.h"

constexpr uint32_t kJobOutdated = 2;  // the server declared this build outdated

struct CliDbOptions {
    std::string host, user, password, name, socket;
    unsigned port = 0;
    bool passwordSet = false;
};

JobFn downloadJobFor(int listType);
JobFn writerJobFor(int fileType);
T_dbConnOverride dbOverride(const CliDbOptions& o);
// Rows the download had to drop.
void printDropped(FILE* out, const T_dbDropped& dropped);
