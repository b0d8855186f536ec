#include "tests/support/share_client.h"

#include <algorithm>

std::vector<std::uint8_t> ShortUuidBytes(std::uint16_t shortUuid) {
    std::vector<std::uint8_t> uuid(dcUuidBytes);
    DcUuidOf(shortUuid, uuid.data());
    return uuid;
}

bool ShareTestClient::Connect(int port) {
    socket = TcpConnectLoopback(port);
    return socket != noTcpSocket;
}

void ShareTestClient::Send(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> bytes(dcHeaderBytes + payload.size());
    DcEncode(DcHeader{dcVersion, type, sequence++, 0, 0}, payload.data(),
             static_cast<int>(payload.size()), bytes.data());
    SendRaw(bytes);
}

void ShareTestClient::SendRaw(const std::vector<std::uint8_t>& bytes) {
    // Loopback takes a test's few bytes at once.
    TcpSend(socket, bytes.data(), static_cast<int>(bytes.size()));
}

void ShareTestClient::Receive() {
    for (;;) {
        const int got = TcpReceive(socket, reader.bytes + reader.count, DcReaderRoom(reader));
        if (got < 0) closed = true;
        if (got <= 0) return;
        reader.count += got;
        DcHeader header{};
        std::uint8_t payload[dcMostPayload];
        while (DcTakeMessage(reader, header, payload) == DcTake::Message)
            messages.push_back(
                {header, std::vector<std::uint8_t>(payload, payload + header.length)});
    }
}

std::vector<std::vector<std::uint8_t>>
ShareTestClient::Notifications(std::uint16_t characteristic) const {
    const std::vector<std::uint8_t> uuid = ShortUuidBytes(characteristic);
    std::vector<std::vector<std::uint8_t>> values;
    for (const ShareMessage& m : messages) {
        if (m.header.type != dcNotification || m.payload.size() < uuid.size() ||
            !std::equal(uuid.begin(), uuid.end(), m.payload.begin()))
            continue;
        values.emplace_back(m.payload.begin() + dcUuidBytes, m.payload.end());
    }
    return values;
}
