#pragma once
// A training app of the tests' own: a Direct Connect client on the loopback interface that sends
// requests and keeps every message the station sends back, in order.

#include "platform/tcp_socket.h"
#include "share/direct_connect.h"

#include <cstdint>
#include <vector>

struct ShareMessage {
    DcHeader header;
    std::vector<std::uint8_t> payload;
};

struct ShareTestClient {
    TcpSocket socket = noTcpSocket;
    DcReader reader{};
    std::vector<ShareMessage> messages;
    // The station closed the connection.
    bool closed = false;
    std::uint8_t sequence = 0;

    ShareTestClient() = default;
    ShareTestClient(const ShareTestClient&) = delete;
    ShareTestClient& operator=(const ShareTestClient&) = delete;
    ~ShareTestClient() { TcpClose(socket); }

    bool Connect(int port);
    void Send(std::uint8_t type, const std::vector<std::uint8_t>& payload);
    void SendRaw(const std::vector<std::uint8_t>& bytes);
    // Takes every byte that has arrived; messages grow, or closed is set.
    void Receive();
    // The values of the notifications of the characteristic received so far.
    std::vector<std::vector<std::uint8_t>> Notifications(std::uint16_t characteristic) const;
};

std::vector<std::uint8_t> ShortUuidBytes(std::uint16_t shortUuid);
