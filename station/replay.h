#pragma once
// A ride played again: the raw stream beside a session given to the station as its crank's port,
// block by block at the link ticks they came in, so the same frame path measures it again.

#include "export/raw_stream_reader.h"
#include "link/crank_port.h"
#include "review/ride_review.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The port of a replay: the port's bytes of every block whose tick has come, in order. It cannot
// be written: the recorded crank already answered what the station sent, and a command to the
// crank is refused. The bytes after a setup block wait until that setup is taken: however many
// ticks one read reaches, each byte is measured under the setup the live station measured it
// under. The blocks are read from the stream as they come due; what is held is the bytes due and
// not yet read (at most a port queue's worth, 64 KB, and a block).
class ReplayPort final : public CrankPort {
  public:
    explicit ReplayPort(const RawStream& stream) : stream(stream), reader(stream) {}

    // Told each setup change as soon as the bytes before it are read, when given: the station
    // then measures the bytes after it under that setup, within one read.
    void OnSetupChange(void* data, void (*take)(void* data, const RawSetup& setup)) {
        setupData = data;
        setupTaker = take;
    }

    // The link tick the replay has reached, counted from the stream's clock's start.
    void ReachTick(std::uint32_t tick);
    std::uint32_t Tick() const { return tick; }
    int InQLen() override;
    int Read(unsigned char* buffer, int count) override;
    bool Write(int) override { return false; }
    bool Writable() const override { return false; }
    // The setup block due by now, once every byte before it is read: the setup the live station
    // measured under from there on.
    const RawSetup* TakeSetupChange();
    // Every port byte of the stream is read: the recorded ride is over.
    bool Ended() const;
    // The instant on the stream's clock the replay has reached, in milliseconds: the last display
    // tick taken, and 20 ms for each link tick since.
    double ReachedMs() const;

  private:
    // Takes the blocks due by now into the waiting bytes, up to a setup not yet taken or a full
    // port queue.
    void TakeDueBlocks();

    const RawStream& stream;
    RawBlockReader reader;
    std::uint32_t tick = 0;
    // The next block, read from the stream but not yet due.
    bool ahead = false;
    RawStreamBlock next{};
    // The bytes due and not yet read, from waitingFrom on.
    std::vector<unsigned char> waiting;
    std::size_t waitingFrom = 0;
    // A setup block due, held until the bytes before it are read; the one taken last.
    bool setupDue = false;
    RawSetup dueSetup{};
    RawSetup takenSetup{};
    // The blocks taken from the stream so far.
    std::size_t blocksTaken = 0;
    // The last display tick taken: its link tick and its instant.
    std::uint32_t displayTick = 0;
    std::uint32_t displayMs = 0;
    void* setupData = nullptr;
    void (*setupTaker)(void* data, const RawSetup& setup) = nullptr;
};

// Minutes and seconds of the ride, rounded to the second, the minutes as many as it has: 83:12;
// a time before the session opened is negative: -2:05.
std::string RideMinutes(double seconds);

// zan_pc --replay FILE.zanraw --export: plays the stream through the station's core on the
// ride's own clock, as fast as it goes, into a new session file beside the stream under its name
// (never over an existing one) and its FIT and TCX files. False with the reason in error; the
// session file's path in sessionPath, and a cut stream's note in note. It needs no engine.
bool ReplayExport(const std::string& streamPath, std::string& sessionPath, std::string& note,
                  std::string& error);

// A raw stream read for the review window: played through the station's core, as the export
// plays it, into a session kept in memory; no file is written anywhere. The ride then has the
// session's rows with every row's pedalling metrics, each frame the station took, and a cut
// stream's note. False, with a one-line reason, when the stream is refused. It may run on any
// thread: the core it plays through is its own.
bool ReadReviewStream(const std::string& streamPath, ReviewRide& ride, std::string& error);
// A session file (.csv) or a raw stream (.zanraw), by its name's ending.
bool ReadRideOrStream(const std::string& path, ReviewRide& ride, std::string& error);
