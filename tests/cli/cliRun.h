#pragma once
// Runs the built command-line tool and captures what it prints, with an empty
// home folder and no VELARTIS_DB_* of the caller. env: more words for env(1).
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

struct CliResult {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

// How often what occurs in text.
inline size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

inline std::string cliCommand(const std::string& args, const std::string& env) {
    static const std::string home = [] {
        std::string h =
            std::string(::testing::TempDir()) + "va_cli_home_" + std::to_string(getpid());
        std::filesystem::create_directories(h);
        return h;
    }();
    return "env -u VELARTIS_DB_HOST -u VELARTIS_DB_PORT -u VELARTIS_DB_USER "
           "-u VELARTIS_DB_PASSWORD -u VELARTIS_DB_NAME -u VELARTIS_DB_SOCKET HOME='" +
           home + "' " + env + " '" + VA_CLI_PATH + "' " + args;
}

inline CliResult runCliTool(const std::string& args, const std::string& env = "") {
    CliResult r;
    std::string cmd = cliCommand(args, env) + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The same on a pseudo-terminal of the given width, as a user at a
// terminal runs it (the terminal turns each "\n" into "\r\n").
inline CliResult runCliOnTerminal(const std::string& args, const std::string& env = "",
                                  unsigned short columns = 100) {
    CliResult r;
    const std::string cmd = cliCommand(args, env);
    struct winsize ws {};
    ws.ws_col = columns;
    ws.ws_row = 40;
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    if (pid < 0) return r;
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    char buf[4096];
    for (;;) {
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0) break;  // EIO once the child's side is closed
        r.out.append(buf, static_cast<size_t>(n));
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
