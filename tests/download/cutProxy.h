#pragma once
// A loopback TCP proxy in front of the test server that can drop the
// connection after a given number of bytes from the server (a link that
// breaks while a result is arriving), pass the server's bytes on a few at a
// time (a server that trickles) or stop passing them on while keeping the
// connection (a server that falls silent). One connection at a time.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

class CutProxy {
public:
    explicit CutProxy(int serverPort) : serverPort_(serverPort) {
        listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listenFd_, 4) != 0 ||
            getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~CutProxy() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listenFd_ >= 0) close(listenFd_);
    }
    CutProxy(const CutProxy&) = delete;
    CutProxy& operator=(const CutProxy&) = delete;

    int port() const { return port_; }
    // Bytes from the server after which the next connection is dropped; -1: never.
    void cutAfter(int64_t n) { cutAfter_ = n; }
    // At most `bytes` from the server every `everyMs` milliseconds; 0: no limit.
    void trickle(int bytes, int everyMs) {
        trickleBytes_ = bytes;
        trickleMs_ = everyMs;
    }
    // Nothing more from the server until switched off again.
    void silent(bool on) { silent_ = on; }
    // Server-to-client bytes of the current (or last) connection, counted
    // before they are passed on.
    int64_t served() const { return served_; }

private:
    static sockaddr_in loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        return a;
    }
    static bool sendAll(int fd, const char* p, size_t n) {
        while (n > 0) {
            ssize_t w = send(fd, p, n, MSG_NOSIGNAL);
            if (w <= 0) return false;
            p += w;
            n -= static_cast<size_t>(w);
        }
        return true;
    }

    void run() {
        while (!stop_) {
            pollfd l{listenFd_, POLLIN, 0};
            if (poll(&l, 1, 50) <= 0) continue;
            int client = accept(listenFd_, nullptr, nullptr);
            if (client < 0) continue;
            int server = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a = loopback(serverPort_);
            if (server >= 0 && connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
                relay(client, server);
            if (server >= 0) close(server);
            close(client);
        }
    }

    void relay(int client, int server) {
        using Clock = std::chrono::steady_clock;
        served_ = 0;
        const int64_t limit = cutAfter_;
        char buf[16384];
        Clock::time_point next = Clock::now();  // when the trickle may pass bytes on
        while (!stop_) {
            const bool held = silent_ || (trickleBytes_ > 0 && Clock::now() < next);
            const auto fromServer = static_cast<short>(held ? 0 : POLLIN);
            pollfd fds[2] = {{client, POLLIN, 0}, {server, fromServer, 0}};
            if (poll(fds, 2, held ? 10 : 50) <= 0) continue;
            if (fds[0].revents) {
                ssize_t n = recv(client, buf, sizeof buf, 0);
                if (n <= 0 || !sendAll(server, buf, static_cast<size_t>(n))) return;
            }
            if (held) {
                if (fds[1].revents) return;  // the server hung up
                continue;
            }
            if (fds[1].revents) {
                const int step = trickleBytes_;
                const size_t want = step > 0 ? std::min(sizeof buf, static_cast<size_t>(step)) : sizeof buf;
                next = Clock::now() + std::chrono::milliseconds(trickleMs_);
                ssize_t n = recv(server, buf, want, 0);
                if (n <= 0) return;
                int64_t pass = n;
                if (limit >= 0 && served_ + pass > limit) pass = limit - served_;
                served_ += pass;
                if (!sendAll(client, buf, static_cast<size_t>(pass)) || pass < n) return;
                if (limit >= 0 && served_ >= limit) return;
            }
        }
    }

    int serverPort_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> cutAfter_{-1};
    std::atomic<int64_t> served_{0};
    std::atomic<int> trickleBytes_{0}, trickleMs_{0};
    std::atomic<bool> silent_{false};
};
