#pragma once
// The fake receiver of tests/support/fakebox, started for one test on
// loopback and stopped by its pid.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "config/fileIo.h"
#include "send/boxLink.h"

class FakeBox {
public:
    // False when the box cannot run here (no pyftpdlib).
    static bool available() {
        return std::system("/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null") == 0;
    }
    // root: the box's /; faults: its faults file. The password is "secret".
    bool start(const std::filesystem::path& root, const std::filesystem::path& faults,
               const std::filesystem::path& ready, const char* server = "pyftpdlib",
               const char* user = "root") {
        pid_ = fork();
        if (pid_ == 0) {
            const std::string script =
                std::string(VA_SOURCE_DIR) + "/tests/support/fakebox/fakebox.py";
            execl("/usr/bin/python3", "python3", script.c_str(), "--root", root.c_str(), "--user",
                  user, "--password", "secret", "--ready", ready.c_str(), "--faults",
                  faults.c_str(), "--ftp-server", server, static_cast<char*>(nullptr));
            _exit(127);
        }
        std::string r;
        for (int i = 0; i < 100 && r.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            readFileWhole(ready.string(), &r);
        }
        if (r.empty()) return false;
        address.host = "127.0.0.1";
        address.ftpPort = static_cast<unsigned>(num(r, "ftp"));
        address.httpPort = static_cast<unsigned>(num(r, "http"));
        address.user = user;
        address.password = "secret";
        address.connectTimeout = 5;
        address.stallTimeout = 5;
        return true;
    }
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    ~FakeBox() { stop(); }

    BoxAddress address;

private:
    static int num(const std::string& json, const std::string& key) {
        const size_t at = json.find("\"" + key + "\":");
        return at == std::string::npos ? -1 : std::atoi(json.c_str() + at + key.size() + 3);
    }
    pid_t pid_ = -1;
};
