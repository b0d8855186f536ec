// A training app's bytes, cut into reads of any length, through the bounded reader and the
// sensor's answers, as the server takes them: the reader never holds more than its limit, every
// message taken is answered with a whole message of its own type and sequence, and junk is told.
//
// Input: steps. A step is a byte, bits 0-6 a length, then that many bytes arrive in one read
// (as many as the reader has room for; the rest are lost, as the server reads no more than room).
#include "fuzz/fuzz_expect.h"
#include "share/direct_connect.h"
#include "share/sensor_gatt.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DcReader reader;
    reader.count = 0;
    SensorValues values{};
    std::strcpy(values.serialNumber, "123");
    std::strcpy(values.softwareVersion, "4");
    SensorSubscriptions subscriptions{};
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] & 0x7F, size - at - 1);
        at += 1;
        const int taken = std::min(static_cast<int>(length), DcReaderRoom(reader));
        std::memcpy(reader.bytes + reader.count, data + at, taken);
        reader.count += taken;
        at += length;
        FUZZ_EXPECT(reader.count <= dcReaderLimit, std::to_string(reader.count));
        for (;;) {
            DcHeader header{};
            std::uint8_t payload[dcMostPayload];
            const DcTake take = DcTakeMessage(reader, header, payload);
            if (take == DcTake::NeedMore) break;
            // The server closes the connection on junk: nothing more is read from it.
            if (take == DcTake::Junk) return 0;
            FUZZ_EXPECT(header.length <= dcMostPayload, std::to_string(header.length));
            std::uint8_t answer[sensorAnswerMost];
            const int bytes = AnswerSensorRequest(values, header, payload, subscriptions, answer);
            FUZZ_EXPECT(bytes >= dcHeaderBytes && bytes <= sensorAnswerMost, std::to_string(bytes));
            FUZZ_EXPECT(((answer[4] << 8) | answer[5]) == bytes - dcHeaderBytes,
                        "the answer's length is its payload's");
            FUZZ_EXPECT(answer[1] == header.type && answer[2] == header.sequence,
                        "an answer carries its request's type and sequence");
            FUZZ_EXPECT(answer[0] == dcVersion, "an answer is version 1");
        }
    }
    return 0;
}
