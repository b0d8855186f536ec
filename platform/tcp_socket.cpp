#include "platform/tcp_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
#ifdef _WIN32
using Native = SOCKET;
bool NativeValid(Native s) {
    return s != INVALID_SOCKET;
}
bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
void CloseNative(Native s) {
    closesocket(s);
}
// Winsock is started once, on the first socket, and stays for the program's life.
bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
bool MakeNonBlocking(Native s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
constexpr int sendFlags = 0;
#else
using Native = int;
bool NativeValid(Native s) {
    return s >= 0;
}
bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
void CloseNative(Native s) {
    close(s);
}
bool StartSockets() {
    return true;
}
bool MakeNonBlocking(Native s) {
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
// A peer that has gone raises no SIGPIPE: the write fails and the client is closed.
constexpr int sendFlags = MSG_NOSIGNAL;
#endif

Native NativeOf(TcpSocket s) {
    return static_cast<Native>(s);
}

// Notifications are a few dozen bytes each and due at once: no waiting to fill a segment.
void SendAtOnce(Native s) {
    int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}
} // namespace

TcpSocket TcpListen(int port, bool loopbackOnly, int& boundPort) {
    boundPort = 0;
    if (!StartSockets() || port < 0 || port > 65535) return noTcpSocket;
    const Native s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (!NativeValid(s)) return noTcpSocket;
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, 8) != 0 || !MakeNonBlocking(s) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseNative(s);
        return noTcpSocket;
    }
    boundPort = ntohs(address.sin_port);
    return static_cast<TcpSocket>(s);
}

TcpSocket TcpAccept(TcpSocket listener) {
    if (listener == noTcpSocket) return noTcpSocket;
    const Native s = accept(NativeOf(listener), nullptr, nullptr);
    if (!NativeValid(s)) return noTcpSocket;
    if (!MakeNonBlocking(s)) {
        CloseNative(s);
        return noTcpSocket;
    }
    SendAtOnce(s);
    return static_cast<TcpSocket>(s);
}

TcpSocket TcpConnectLoopback(int port) {
    if (!StartSockets() || port <= 0 || port > 65535) return noTcpSocket;
    const Native s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (!NativeValid(s)) return noTcpSocket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !MakeNonBlocking(s)) {
        CloseNative(s);
        return noTcpSocket;
    }
    SendAtOnce(s);
    return static_cast<TcpSocket>(s);
}

int TcpReceive(TcpSocket socket, unsigned char* buffer, int count) {
    if (socket == noTcpSocket) return -1;
    if (count <= 0) return 0;
    const auto got = recv(NativeOf(socket), reinterpret_cast<char*>(buffer), count, 0);
    if (got > 0) return static_cast<int>(got);
    if (got == 0) return -1;
    return WouldBlock() ? 0 : -1;
}

int TcpSend(TcpSocket socket, const unsigned char* bytes, int count) {
    if (socket == noTcpSocket) return -1;
    if (count <= 0) return 0;
    const auto sent =
        send(NativeOf(socket), reinterpret_cast<const char*>(bytes), count, sendFlags);
    if (sent >= 0) return static_cast<int>(sent);
    return WouldBlock() ? 0 : -1;
}

void TcpClose(TcpSocket socket) {
    if (socket != noTcpSocket) CloseNative(NativeOf(socket));
}

namespace {
bool TextOf(const in_addr& address, char* text, int size) {
    return inet_ntop(AF_INET, &address, text, static_cast<socklen_t>(size)) != nullptr;
}
} // namespace

#ifdef _WIN32
bool TcpNetworkAddress(char* text, int size) {
    char host[256];
    if (!StartSockets() || gethostname(host, sizeof host) != 0) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0) return false;
    bool named = false;
    for (const addrinfo* a = found; a != nullptr && !named; a = a->ai_next) {
        const in_addr address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
        if ((ntohl(address.s_addr) >> 24) != 127) named = TextOf(address, text, size);
    }
    freeaddrinfo(found);
    return named;
}
#else
bool TcpNetworkAddress(char* text, int size) {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return false;
    bool named = false;
    for (const ifaddrs* i = interfaces; i != nullptr && !named; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
            (i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        named = TextOf(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, text, size);
    }
    freeifaddrs(interfaces);
    return named;
}
#endif
