#pragma once
// Plain non-blocking TCP sockets for the station's own small servers: POSIX sockets, Winsock on
// Windows. Nothing here waits: the station polls its sockets from the display tick.

#include <cstdint>

using TcpSocket = std::intptr_t;
constexpr TcpSocket noTcpSocket = -1;

// Listens on the port, on every interface, or on the loopback interface alone; port 0 takes any
// free one. Returns the socket, or noTcpSocket; boundPort is the port it listens on.
TcpSocket TcpListen(int port, bool loopbackOnly, int& boundPort);
// The next waiting connection, non-blocking, with no delay on small writes; noTcpSocket when
// none is waiting.
TcpSocket TcpAccept(TcpSocket listener);
// Connects to the loopback interface's port (a test's client), then reads and writes without
// waiting as the others. noTcpSocket on failure.
TcpSocket TcpConnectLoopback(int port);
// Up to count bytes that have arrived: how many, 0 when none is waiting, -1 when the peer closed
// or the connection failed.
int TcpReceive(TcpSocket socket, unsigned char* buffer, int count);
// Hands up to count bytes to the system without waiting: how many it took (0 when its buffer is
// full), -1 when the connection failed.
int TcpSend(TcpSocket socket, const unsigned char* bytes, int count);
void TcpClose(TcpSocket socket);
// The machine's first IPv4 address on a network (not loopback), as text, for the rider to type
// into an app; false when it has none.
bool TcpNetworkAddress(char* text, int size);
