#include "export/fit_activity.h"

#include "export/whole_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace {

// FIT's base types as a definition message names them.
enum class Base : std::uint8_t {
    Enum = 0x00,
    Uint8 = 0x02,
    Uint16 = 0x84,
    Uint32 = 0x86,
    Uint32z = 0x8C,
};

int SizeOf(Base base) {
    switch (base) {
    case Base::Enum:
    case Base::Uint8:
        return 1;
    case Base::Uint16:
        return 2;
    default:
        return 4;
    }
}

// What readers take for "no value" in each base type.
std::uint32_t InvalidOf(Base base) {
    switch (base) {
    case Base::Enum:
    case Base::Uint8:
        return 0xFF;
    case Base::Uint16:
        return 0xFFFF;
    case Base::Uint32:
        return 0xFFFFFFFF;
    default:
        return 0;
    }
}

struct Field {
    std::uint8_t number;
    Base base;
    // An array's elements go out from the lowest byte up.
    std::uint32_t value;
    std::uint8_t count = 1;
};

// Message numbers of FIT's profile.
constexpr std::uint16_t fileIdMesg = 0;
constexpr std::uint16_t sessionMesg = 18;
constexpr std::uint16_t lapMesg = 19;
constexpr std::uint16_t recordMesg = 20;
constexpr std::uint16_t eventMesg = 21;
constexpr std::uint16_t deviceInfoMesg = 23;
constexpr std::uint16_t activityMesg = 34;

// Field numbers every message shares.
constexpr std::uint8_t timestampField = 253;
constexpr std::uint8_t messageIndexField = 254;

// Values of FIT's enumerations that the file uses.
constexpr std::uint32_t fileActivity = 4;
constexpr std::uint32_t manufacturerDevelopment = 255;
constexpr std::uint32_t sportCycling = 2;
constexpr std::uint32_t eventTimer = 0;
constexpr std::uint32_t eventSession = 8;
constexpr std::uint32_t eventLap = 9;
constexpr std::uint32_t eventActivity = 26;
constexpr std::uint32_t eventTypeStart = 0;
constexpr std::uint32_t eventTypeStop = 1;
constexpr std::uint32_t eventTypeStopAll = 4;
constexpr std::uint32_t lapTriggerSessionEnd = 7;
constexpr std::uint32_t sessionTriggerActivityEnd = 0;
constexpr std::uint32_t activityManual = 0;
constexpr std::uint32_t sourceLocal = 5;
// The station's own product number: with manufacturer "development" any number is ours to pick.
constexpr std::uint32_t stationProduct = 1;

constexpr std::size_t headerSize = 14;
// Profile 21.217, written as major × 1000 + minor as profiles past 21.99 are.
constexpr std::uint16_t profileVersion = 21217;

std::uint16_t Crc(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::uint16_t, 16> table = {
        0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401,
        0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4400};
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        for (const int shift : {0, 4}) {
            const std::uint16_t low = table[crc & 0xF];
            crc = static_cast<std::uint16_t>(((crc >> 4) & 0x0FFF) ^ low ^
                                             table[(data[i] >> shift) & 0xF]);
        }
    }
    return crc;
}

class Writer {
  public:
    // Each local type is always given the same fields, so its definition goes out once, before
    // its first message.
    void Message(std::uint8_t local, std::uint16_t global, std::initializer_list<Field> fields) {
        if (!defined[local]) {
            defined[local] = true;
            bytes.push_back(static_cast<std::uint8_t>(0x40 | local));
            bytes.push_back(0); // reserved
            bytes.push_back(0); // little-endian
            Put(global, 2);
            bytes.push_back(static_cast<std::uint8_t>(fields.size()));
            for (const Field& field : fields) {
                bytes.push_back(field.number);
                bytes.push_back(static_cast<std::uint8_t>(SizeOf(field.base) * field.count));
                bytes.push_back(static_cast<std::uint8_t>(field.base));
            }
        }
        bytes.push_back(local);
        for (const Field& field : fields) Put(field.value, SizeOf(field.base) * field.count);
    }

    std::vector<std::uint8_t> Finish() {
        const auto dataSize = static_cast<std::uint32_t>(bytes.size() - headerSize);
        const std::array<std::uint8_t, headerSize - 2> header = {
            headerSize,
            0x20, // protocol 2.0
            static_cast<std::uint8_t>(profileVersion & 0xFF),
            static_cast<std::uint8_t>(profileVersion >> 8),
            static_cast<std::uint8_t>(dataSize),
            static_cast<std::uint8_t>(dataSize >> 8),
            static_cast<std::uint8_t>(dataSize >> 16),
            static_cast<std::uint8_t>(dataSize >> 24),
            '.',
            'F',
            'I',
            'T'};
        std::copy(header.begin(), header.end(), bytes.begin());
        const std::uint16_t headerCrc = Crc(header.data(), header.size());
        bytes[headerSize - 2] = static_cast<std::uint8_t>(headerCrc & 0xFF);
        bytes[headerSize - 1] = static_cast<std::uint8_t>(headerCrc >> 8);
        Put(Crc(bytes.data(), bytes.size()), 2);
        return std::move(bytes);
    }

  private:
    void Put(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(headerSize);
    std::array<bool, 16> defined{};
};

// One local type per message kind.
enum Local : std::uint8_t {
    fileIdLocal,
    deviceInfoLocal,
    eventLocal,
    recordLocal,
    lapLocal,
    sessionLocal,
    activityLocal,
};

// The value in the field's steps, to the nearest one and at most the field's largest; invalid
// when not finite or below zero, which no field here can hold. llround, not lround: long is 32
// bits on Windows.
std::uint32_t Scaled(double value, double scale, Base base) {
    const std::uint32_t invalid = InvalidOf(base);
    if (!std::isfinite(value)) return invalid;
    const double steps = value * scale;
    if (steps <= -0.5) return invalid;
    if (steps >= invalid - 1.0) return invalid - 1;
    return static_cast<std::uint32_t>(std::llround(steps));
}

// FIT keeps one pedal's share, the right one's when bit 0x80 is set and an unknown one's without
// it: the right share goes out with the bit, so readers get the row's left share as 100 - right.
std::uint32_t Balance(double leftPercent) {
    const std::uint32_t left = Scaled(std::min(leftPercent, 100.0), 1, Base::Uint8);
    return left == InvalidOf(Base::Uint8) ? left : 0x80 | (100 - left);
}

// The lap's and the session's balance keeps hundredths of a percent in 14 bits, with the same
// right-pedal flag in its top bit.
std::uint32_t Balance100(double leftPercent) {
    const std::uint32_t left = Scaled(std::min(leftPercent, 100.0), 100, Base::Uint16);
    return left == InvalidOf(Base::Uint16) ? left : 0x8000 | (10000 - left);
}

// A power phase's two angles, start and end, in 256ths of a turn: an angle just short of the
// top (359.9 degrees) is the top, 0, not a value past the field's largest. 255 is FIT's "no
// value": an angle there goes to the nearer of 254 and 0.
std::uint32_t PhaseAngles(float start, float end) {
    const auto angle = [](float degrees) -> std::uint32_t {
        if (!std::isfinite(degrees)) return InvalidOf(Base::Uint8);
        const double steps = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0) * 256.0 / 360.0;
        const auto nearest = static_cast<std::uint32_t>(std::llround(steps)) % 256;
        if (nearest != InvalidOf(Base::Uint8)) return nearest;
        return steps < 255.0 ? 254 : 0;
    };
    return angle(start) | angle(end) << 8;
}

Field PhaseField(std::uint8_t number, float start, float end) {
    return Field{number, Base::Uint8, PhaseAngles(start, end), 2};
}

std::uint32_t Milliseconds(double seconds) {
    return Scaled(seconds, 1000, Base::Uint32);
}

// When the ride ended: its start plus its length, or its last row when that came later.
std::uint32_t EndTime(const FitActivity& activity) {
    double end = activity.startTime;
    if (std::isfinite(activity.elapsedSeconds) && activity.elapsedSeconds > 0)
        end += std::round(activity.elapsedSeconds);
    if (!activity.records.empty())
        end = std::max(end, static_cast<double>(activity.records.back().timestamp));
    return static_cast<std::uint32_t>(std::min(end, 4294967294.0));
}

void WriteRecord(Writer& writer, const FitRecord& row) {
    writer.Message(recordLocal, recordMesg,
                   {{timestampField, Base::Uint32, row.timestamp},
                    {7, Base::Uint16, Scaled(row.power, 1, Base::Uint16)},
                    {4, Base::Uint8, Scaled(row.cadence, 1, Base::Uint8)},
                    {6, Base::Uint16, Scaled(row.speed, 1000, Base::Uint16)},
                    {3, Base::Uint8, Scaled(row.heartRate, 1, Base::Uint8)},
                    {5, Base::Uint32, Scaled(row.distance, 100, Base::Uint32)},
                    {30, Base::Uint8, Balance(row.leftBalance)},
                    {43, Base::Uint8, Scaled(row.leftTorqueEffectiveness, 2, Base::Uint8)},
                    {44, Base::Uint8, Scaled(row.rightTorqueEffectiveness, 2, Base::Uint8)},
                    {45, Base::Uint8, Scaled(row.leftPedalSmoothness, 2, Base::Uint8)},
                    {46, Base::Uint8, Scaled(row.rightPedalSmoothness, 2, Base::Uint8)},
                    PhaseField(69, row.leftPhase.start, row.leftPhase.end),
                    PhaseField(70, row.leftPhase.peakStart, row.leftPhase.peakEnd),
                    PhaseField(71, row.rightPhase.start, row.rightPhase.end),
                    PhaseField(72, row.rightPhase.peakStart, row.rightPhase.peakEnd)});
}

void WriteEvent(Writer& writer, std::uint32_t timestamp, std::uint32_t eventType) {
    writer.Message(eventLocal, eventMesg,
                   {{timestampField, Base::Uint32, timestamp},
                    {0, Base::Enum, eventTimer},
                    {1, Base::Enum, eventType}});
}

} // namespace

std::vector<std::uint8_t> EncodeFitActivity(const FitActivity& activity) {
    Writer writer;
    const std::uint32_t start = activity.startTime;
    const std::uint32_t end = EndTime(activity);
    const std::uint32_t elapsed = Milliseconds(activity.elapsedSeconds);
    writer.Message(fileIdLocal, fileIdMesg,
                   {{0, Base::Enum, fileActivity},
                    {1, Base::Uint16, manufacturerDevelopment},
                    {2, Base::Uint16, stationProduct},
                    {3, Base::Uint32z, activity.serialNumber},
                    {4, Base::Uint32, start}});
    writer.Message(deviceInfoLocal, deviceInfoMesg,
                   {{timestampField, Base::Uint32, start},
                    {0, Base::Uint8, 0}, // the creator, the station itself
                    {2, Base::Uint16, manufacturerDevelopment},
                    {3, Base::Uint32z, activity.serialNumber},
                    {4, Base::Uint16, stationProduct},
                    {25, Base::Enum, sourceLocal}});
    WriteEvent(writer, start, eventTypeStart);
    for (const FitRecord& row : activity.records) WriteRecord(writer, row);
    WriteEvent(writer, end, eventTypeStopAll);

    const std::uint32_t distance = Scaled(activity.distance, 100, Base::Uint32);
    const std::uint32_t work = Scaled(activity.work, 1, Base::Uint32);
    const std::uint32_t calories = Scaled(activity.calories, 1, Base::Uint16);
    const std::uint32_t averagePower = Scaled(activity.averagePower, 1, Base::Uint16);
    const std::uint32_t maximumPower = Scaled(activity.maximumPower, 1, Base::Uint16);
    const std::uint32_t averageCadence = Scaled(activity.averageCadence, 1, Base::Uint8);
    const std::uint32_t maximumCadence = Scaled(activity.maximumCadence, 1, Base::Uint8);
    const std::uint32_t averageHeartRate = Scaled(activity.averageHeartRate, 1, Base::Uint8);
    const std::uint32_t maximumHeartRate = Scaled(activity.maximumHeartRate, 1, Base::Uint8);
    const std::uint32_t averageSpeed = Scaled(activity.averageSpeed, 1000, Base::Uint16);
    const std::uint32_t maximumSpeed = Scaled(activity.maximumSpeed, 1000, Base::Uint16);
    const std::uint32_t balance = Balance100(activity.leftBalance);
    const std::uint32_t leftEffectiveness =
        Scaled(activity.leftTorqueEffectiveness, 2, Base::Uint8);
    const std::uint32_t rightEffectiveness =
        Scaled(activity.rightTorqueEffectiveness, 2, Base::Uint8);
    const std::uint32_t leftSmoothness = Scaled(activity.leftPedalSmoothness, 2, Base::Uint8);
    const std::uint32_t rightSmoothness = Scaled(activity.rightPedalSmoothness, 2, Base::Uint8);
    // The station has no timer of its own to pause, so the timer ran the whole ride.
    writer.Message(lapLocal, lapMesg,
                   {{timestampField, Base::Uint32, end},
                    {messageIndexField, Base::Uint16, 0},
                    {0, Base::Enum, eventLap},
                    {1, Base::Enum, eventTypeStop},
                    {2, Base::Uint32, start},
                    {7, Base::Uint32, elapsed},
                    {8, Base::Uint32, elapsed},
                    {9, Base::Uint32, distance},
                    {41, Base::Uint32, work},
                    {11, Base::Uint16, calories},
                    {19, Base::Uint16, averagePower},
                    {20, Base::Uint16, maximumPower},
                    {17, Base::Uint8, averageCadence},
                    {18, Base::Uint8, maximumCadence},
                    {15, Base::Uint8, averageHeartRate},
                    {16, Base::Uint8, maximumHeartRate},
                    {13, Base::Uint16, averageSpeed},
                    {14, Base::Uint16, maximumSpeed},
                    {34, Base::Uint16, balance},
                    {91, Base::Uint8, leftEffectiveness},
                    {92, Base::Uint8, rightEffectiveness},
                    {93, Base::Uint8, leftSmoothness},
                    {94, Base::Uint8, rightSmoothness},
                    PhaseField(102, activity.leftPhase.start, activity.leftPhase.end),
                    PhaseField(103, activity.leftPhase.peakStart, activity.leftPhase.peakEnd),
                    PhaseField(104, activity.rightPhase.start, activity.rightPhase.end),
                    PhaseField(105, activity.rightPhase.peakStart, activity.rightPhase.peakEnd),
                    {24, Base::Enum, lapTriggerSessionEnd},
                    {25, Base::Enum, sportCycling}});
    writer.Message(sessionLocal, sessionMesg,
                   {{timestampField, Base::Uint32, end},
                    {messageIndexField, Base::Uint16, 0},
                    {0, Base::Enum, eventSession},
                    {1, Base::Enum, eventTypeStop},
                    {2, Base::Uint32, start},
                    {7, Base::Uint32, elapsed},
                    {8, Base::Uint32, elapsed},
                    {9, Base::Uint32, distance},
                    {48, Base::Uint32, work},
                    {11, Base::Uint16, calories},
                    {20, Base::Uint16, averagePower},
                    {21, Base::Uint16, maximumPower},
                    {18, Base::Uint8, averageCadence},
                    {19, Base::Uint8, maximumCadence},
                    {16, Base::Uint8, averageHeartRate},
                    {17, Base::Uint8, maximumHeartRate},
                    {14, Base::Uint16, averageSpeed},
                    {15, Base::Uint16, maximumSpeed},
                    {37, Base::Uint16, balance},
                    {101, Base::Uint8, leftEffectiveness},
                    {102, Base::Uint8, rightEffectiveness},
                    {103, Base::Uint8, leftSmoothness},
                    {104, Base::Uint8, rightSmoothness},
                    PhaseField(116, activity.leftPhase.start, activity.leftPhase.end),
                    PhaseField(117, activity.leftPhase.peakStart, activity.leftPhase.peakEnd),
                    PhaseField(118, activity.rightPhase.start, activity.rightPhase.end),
                    PhaseField(119, activity.rightPhase.peakStart, activity.rightPhase.peakEnd),
                    {5, Base::Enum, sportCycling},
                    {25, Base::Uint16, 0}, // first lap index
                    {26, Base::Uint16, 1}, // number of laps
                    {28, Base::Enum, sessionTriggerActivityEnd}});
    const std::int64_t local = std::int64_t{end} + activity.localOffset;
    const bool localFits = local >= 0 && local < std::int64_t{InvalidOf(Base::Uint32)};
    writer.Message(activityLocal, activityMesg,
                   {{timestampField, Base::Uint32, end},
                    {0, Base::Uint32, elapsed},
                    {1, Base::Uint16, 1}, // number of sessions
                    {2, Base::Enum, activityManual},
                    {3, Base::Enum, eventActivity},
                    {4, Base::Enum, eventTypeStop},
                    {5, Base::Uint32,
                     localFits ? static_cast<std::uint32_t>(local) : InvalidOf(Base::Uint32)}});
    return writer.Finish();
}

bool WriteFitActivity(const std::string& path, const FitActivity& activity, std::string& error) {
    const std::vector<std::uint8_t> bytes = EncodeFitActivity(activity);
    return WriteWholeFile(path, reinterpret_cast<const char*>(bytes.data()), bytes.size(), error);
}
