#pragma once
// The station shares its measurement with training apps: a Direct Connect server on plain TCP
// that serves the crank as a Bluetooth power sensor. Accepting and reading are polled from the
// display tick; each window's end notifies the apps that asked. Nothing here waits: an app that
// does not read has its notifications dropped, one that vanishes or sends junk is closed alone.

#include "platform/tcp_socket.h"
#include "share/characteristics.h"
#include "share/direct_connect.h"
#include "share/sensor_gatt.h"

#include <cstdint>

struct PolarFrame;
struct StationCore;
struct WindowResult;

constexpr int shareDefaultPort = 36866;
constexpr int shareMostClients = 8;
// The bytes an app may leave unread: a few seconds of notifications. Past it they are dropped.
constexpr int shareWaitingLimit = 2048;

struct ShareClient {
    bool open;
    TcpSocket socket;
    DcReader reader;
    SensorSubscriptions subscriptions;
    std::uint8_t waiting[shareWaitingLimit];
    int waitingCount;
    std::uint8_t notificationSequence;
};

// What an app computes cadence and speed from, counted from the frames since the start:
// revolutions and the crank's frame clock (20 ms a frame, lost frames counted) at the last mark.
struct ShareTally {
    long long crankRevolutions;
    long long lastMarkFrame;
    bool markSeen;
    double wheelRevolutions;
    double lastWheelMilliseconds;
    bool wheelSeen;
    double energyJoules;
};

struct ShareServer {
    // Switched on for this run (zan_pc --share-power, or the panel's switch kept on).
    bool onForRun;
    // Tests listen on the loopback interface alone, on any free port.
    bool loopbackAnyPort;
    // The sharing file could not be read: it is kept as it is, and the switch holds for this run.
    bool fileUnread;
    // The port could not be had when sharing was last switched on.
    bool portRefused;
    bool listening;
    TcpSocket listener;
    int port;
    ShareClient clients[shareMostClients];
    SensorValues values;
    ShareTally tally;
    long long notificationsSent;
    long long notificationsDropped;

    ~ShareServer();
};

// Listens: on every interface at the default port, or for tests on loopback at any free one.
// False when the port could not be had.
bool StartSharing(ShareServer& share);
// What is shared, where and with how many apps, for the panel's line.
void SharingLine(const ShareServer& share, const char* address, char* text, int size);
// Closes every connection and the listener.
void StopSharing(ShareServer& share);
// Accepts the apps that connected and answers what they sent (the display tick).
void PollSharing(ShareServer& share);
int SharingClients(const ShareServer& share);

// Counts the frame's revolution mark and wheel turns (every frame, whether sharing or not).
void ShareFrame(ShareTally& tally, const StationCore& zan, const PolarFrame& frame);
// The window's power measurement; false when the crank measured no power in it.
bool PowerOfWindow(ShareTally& tally, const StationCore& zan, const WindowResult& result,
                   PowerMeasurement& measurement);
// Notifies the window's result to the apps that asked for it (each window's end).
void ShareWindow(ShareServer& share, const StationCore& zan, const WindowResult& result);
