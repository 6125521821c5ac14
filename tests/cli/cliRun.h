#pragma once
// Runs the built command-line tool and captures what it prints.
#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CliResult {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

inline CliResult runCliTool(const std::string& args) {
    CliResult r;
    std::string cmd = std::string("'") + VA_CLI_PATH + "' " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
