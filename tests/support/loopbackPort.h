#pragma once
// A loopback port for connection failures: one nobody listens on, or
// (listening) one whose connections the kernel takes and nobody answers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The port, or -1; *fd is the listening socket to close when done.
inline int loopbackPort(bool listening, int* fd) {
    *fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (*fd < 0 || bind(*fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(*fd, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        (listening && listen(*fd, 4) != 0))
        return -1;
    if (!listening) close(*fd);
    return ntohs(a.sin_port);
}
