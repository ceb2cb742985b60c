#pragma once
// A server that takes the connection and never says a word: a port of
// 127.0.0.1 that listens and never accepts (the system completes the
// connection all the same).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

struct SilentServer {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    SilentServer()
    {
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(socket, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(socket, 8) == 0 &&
            ::getsockname(socket, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~SilentServer() { ::close(socket); }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;
};
