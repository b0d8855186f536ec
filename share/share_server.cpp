#include "share/share_server.h"

#include "measure/polar.h"
#include "station/station.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr double frameMilliseconds = 20.0;
// The wheel periods a turning wheel gives: 2 m at 120 km/h to 2 m at under 1 km/h.
constexpr double shortestWheelPeriod = 60.0;
constexpr double longestWheelPeriod = 8000.0;
// Reads in one poll per app: one that floods is served its share, and no more.
constexpr int readsPerPoll = 8;

void CloseClient(ShareClient& client) {
    TcpClose(client.socket);
    client.open = false;
    client.socket = noTcpSocket;
}

// Hands waiting bytes to the system; closes the client on a failed connection.
void Flush(ShareClient& client) {
    if (!client.open || client.waitingCount == 0) return;
    const int sent = TcpSend(client.socket, client.waiting, client.waitingCount);
    if (sent < 0) {
        CloseClient(client);
        return;
    }
    std::copy(client.waiting + sent, client.waiting + client.waitingCount, client.waiting);
    client.waitingCount -= sent;
}

// Queues a whole message or nothing: a part would break the framing for the app.
bool Queue(ShareClient& client, const std::uint8_t* bytes, int count) {
    if (client.waitingCount + count > shareWaitingLimit) return false;
    std::copy(bytes, bytes + count, client.waiting + client.waitingCount);
    client.waitingCount += count;
    return true;
}

void Notify(ShareServer& share, bool SensorSubscriptions::*wanted, std::uint16_t uuid,
            const std::uint8_t* value, int valueBytes) {
    std::uint8_t message[dcHeaderBytes + dcUuidBytes + powerMeasurementMost];
    for (ShareClient& client : share.clients) {
        if (!client.open || !(client.subscriptions.*wanted)) continue;
        const int bytes =
            SensorNotification(uuid, client.notificationSequence, value, valueBytes, message);
        if (Queue(client, message, bytes)) {
            client.notificationSequence += 1;
            share.notificationsSent += 1;
        } else {
            share.notificationsDropped += 1;
        }
        Flush(client);
    }
}

// The app's requests answered; false when it sent what no message can follow.
bool Answer(ShareServer& share, ShareClient& client) {
    DcHeader header{};
    std::uint8_t payload[dcMostPayload];
    std::uint8_t answer[sensorAnswerMost];
    for (;;) {
        const DcTake taken = DcTakeMessage(client.reader, header, payload);
        if (taken == DcTake::NeedMore) return true;
        if (taken == DcTake::Junk) return false;
        const int bytes =
            AnswerSensorRequest(share.values, header, payload, client.subscriptions, answer);
        // An app that asks and never reads the answers is not waited for.
        if (!Queue(client, answer, bytes)) return false;
    }
}

void ServeClient(ShareServer& share, ShareClient& client) {
    for (int read = 0; read < readsPerPoll && client.open; ++read) {
        DcReader& reader = client.reader;
        const int got =
            TcpReceive(client.socket, reader.bytes + reader.count, DcReaderRoom(reader));
        if (got < 0) {
            CloseClient(client);
            return;
        }
        reader.count += got;
        if (!Answer(share, client)) {
            // The answers to what came before the junk still go out, as far as they fit.
            Flush(client);
            if (client.open) CloseClient(client);
            return;
        }
        if (got == 0) break;
    }
    Flush(client);
}

std::int16_t Clamp16(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

// The extreme forces and the dead spot angles from the polar view's mean curves. The sensor's
// top dead spot is where the power turns positive and its bottom one where it stops being so:
// the left pedal's power phase, as the balance is the left pedal's share, in degrees from its top.
bool TakeFigures(const StationCore& zan, PowerMeasurement& m) {
    const PolarState& polar = zan.measure.polar;
    if (polar.keptCount == 0) return false;
    PolarFigures recent;
    const PolarFigures* figures = &polar.made;
    if (polar.figuresBehind) {
        MakeRecentFigures(polar, polar.turnsAveraged, recent);
        figures = &recent;
    }
    if (figures->turns == 0) return false;
    const auto [lowRight, highRight] =
        std::minmax_element(figures->right, figures->right + polarPoints);
    const auto [lowLeft, highLeft] =
        std::minmax_element(figures->left, figures->left + polarPoints);
    m.forcesKnown = true;
    m.maxForce = Clamp16(std::max(*highRight, *highLeft));
    m.minForce = Clamp16(std::min(*lowRight, *lowLeft));
    const PowerPhase& left = figures->leftPedal.phase;
    if (std::isfinite(left.start) && std::isfinite(left.end)) {
        const auto degrees = [](float angle) {
            return static_cast<std::uint16_t>((std::lround(angle) % 360 + 360) % 360);
        };
        m.deadSpotsKnown = true;
        m.topDeadSpot = degrees(left.start);
        m.bottomDeadSpot = degrees(left.end);
    }
    return true;
}
} // namespace

ShareServer::~ShareServer() {
    StopSharing(*this);
}

bool StartSharing(ShareServer& share) {
    if (share.listening) return true;
    const int wanted = share.loopbackAnyPort ? 0 : shareDefaultPort;
    share.listener = TcpListen(wanted, share.loopbackAnyPort, share.port);
    share.listening = share.listener != noTcpSocket;
    share.portRefused = !share.listening;
    return share.listening;
}

void SharingLine(const ShareServer& share, const char* address, char* text, int size) {
    if (!share.listening) {
        if (share.portRefused)
            std::snprintf(text, size, "Not shared: port %d could not be opened.", shareDefaultPort);
        else
            std::snprintf(text, size, "Not shared with training apps.");
        return;
    }
    const int apps = SharingClients(share);
    std::snprintf(text, size,
                  "Power, cadence, balance and heart rate shared at %s:%d; %d %s connected.",
                  address, share.port, apps, apps == 1 ? "app" : "apps");
}

void StopSharing(ShareServer& share) {
    for (ShareClient& client : share.clients)
        if (client.open) CloseClient(client);
    if (share.listening) TcpClose(share.listener);
    share.listening = false;
    share.listener = noTcpSocket;
}

void PollSharing(ShareServer& share) {
    if (!share.listening) return;
    for (TcpSocket s = TcpAccept(share.listener); s != noTcpSocket; s = TcpAccept(share.listener)) {
        ShareClient* free = nullptr;
        for (ShareClient& client : share.clients)
            if (!client.open && free == nullptr) free = &client;
        // More apps than the station serves: the newest is turned away.
        if (free == nullptr) {
            TcpClose(s);
            continue;
        }
        *free = ShareClient{};
        free->open = true;
        free->socket = s;
    }
    for (ShareClient& client : share.clients)
        if (client.open) ServeClient(share, client);
}

int SharingClients(const ShareServer& share) {
    return static_cast<int>(std::count_if(std::begin(share.clients), std::end(share.clients),
                                          [](const ShareClient& c) { return c.open; }));
}

void ShareFrame(ShareTally& tally, const StationCore& zan, const PolarFrame& frame) {
    // The polar clock has moved past this frame, lost frames before it counted.
    const long long frameClock = zan.measure.polar.clock - 1;
    if (frame.revolutionStarts) {
        // The first mark after a start or a stall closes a revolution the tracking did not time.
        tally.crankRevolutions += std::max(1, frame.revolutionSpan);
        tally.lastMarkFrame = frameClock;
        tally.markSeen = true;
    }
    const double period = zan.link.soundWheelWord / 2.0;
    if (period < shortestWheelPeriod || period > longestWheelPeriod) return;
    const double frameEnd = static_cast<double>(frameClock + 1) * frameMilliseconds;
    const double before = tally.wheelRevolutions;
    tally.wheelRevolutions += frameMilliseconds * (1 + std::max(0, frame.lostBefore)) / period;
    const double whole = std::floor(tally.wheelRevolutions);
    if (whole > std::floor(before)) {
        tally.lastWheelMilliseconds = frameEnd - (tally.wheelRevolutions - whole) * period;
        tally.wheelSeen = true;
    }
}

bool PowerOfWindow(ShareTally& tally, const StationCore& zan, const WindowResult& result,
                   PowerMeasurement& m) {
    m = PowerMeasurement{};
    if (result.crankLost || result.powerUnmeasured || !std::isfinite(result.powerTotal))
        return false;
    m.power = Clamp16(result.powerTotal);
    tally.energyJoules +=
        std::max(0.0f, result.powerTotal) * zan.link.lastWindowFrames * frameMilliseconds / 1000.0;
    if (result.powerTotal > 0.0f && result.balanceLeft >= 0.0f && result.balanceLeft <= 100.0f) {
        m.balanceKnown = true;
        m.balanceLeftHalves = static_cast<std::uint8_t>(std::lround(result.balanceLeft * 2.0f));
    }
    if (tally.markSeen) {
        m.crankKnown = true;
        m.crankRevolutions = static_cast<std::uint16_t>(tally.crankRevolutions & 0xFFFF);
        // 20 ms a frame is 512/25 of 1/1024 s.
        m.crankEventTime = static_cast<std::uint16_t>((tally.lastMarkFrame * 512 / 25) & 0xFFFF);
    }
    if (tally.wheelSeen) {
        m.wheelKnown = true;
        m.wheelRevolutions =
            static_cast<std::uint32_t>(static_cast<long long>(tally.wheelRevolutions) & 0xFFFFFFFF);
        m.wheelEventTime =
            static_cast<std::uint16_t>(std::llround(tally.lastWheelMilliseconds * 2.048) & 0xFFFF);
    }
    m.energyKnown = true;
    m.energy = static_cast<std::uint16_t>(std::llround(tally.energyJoules / 1000.0) & 0xFFFF);
    TakeFigures(zan, m);
    return true;
}

void ShareWindow(ShareServer& share, const StationCore& zan, const WindowResult& result) {
    PowerMeasurement measurement;
    const bool measured = PowerOfWindow(share.tally, zan, result, measurement);
    if (!share.listening) return;
    std::snprintf(share.values.serialNumber, sizeof share.values.serialNumber, "%d",
                  zan.link.deviceSerial);
    std::snprintf(share.values.softwareVersion, sizeof share.values.softwareVersion, "%d",
                  zan.link.deviceVersion);
    if (measured) {
        std::uint8_t value[powerMeasurementMost];
        const int bytes = EncodePowerMeasurement(measurement, value);
        Notify(share, &SensorSubscriptions::power, powerMeasurementUuid, value, bytes);
    }
    // The heart rate comes in the crank's frames: a lost link has none either.
    if (!result.crankLost && result.heartRate > 0.0f) {
        std::uint8_t value[heartRateMeasurementBytes];
        EncodeHeartRate(static_cast<int>(std::lround(result.heartRate)), value);
        Notify(share, &SensorSubscriptions::heartRate, heartRateMeasurementUuid, value,
               heartRateMeasurementBytes);
    }
}
