#pragma once
// What the start-up and the link watchdog ask of the link's state.

#include "link/link_state.h"

// The values a start works with: cadence and speed read as stopped until the first frame, and
// the revolution tracking starts afresh.
void GiveLinkDefaults(LinkState& link);
// The identification exchange with the crank starts afresh on the next frame.
void RestartHandshake(LinkState& link);
// The handshake is over: nothing more goes to the crank until a search restarts it.
void EndHandshake(LinkState& link);
// Link-timer ticks of 20 ms: two seconds without a frame and the link is lost.
constexpr int lostAfterTicks = 100;
// True while no frame has come for that long: what the panel and the rows had from the crank is
// gone.
bool LinkLost(const LinkState& link);
// True once a frame has come since the start, while the link is not lost.
bool FramesArriving(const LinkState& link);
// The time without frames counts from now.
void RestartSilence(LinkState& link);
// True once after the handshake found a crank whose serial number differs from the setup's.
bool TakeSerialMismatch(LinkState& link);
// The crank's serial number is taken as the given one (the setup's, when the rider keeps it).
void KeepDeviceSerial(LinkState& link, int serial);
// The rider said Yes to the crank's own number: the next save of the setup file writes it.
void TakeDeviceSerial(LinkState& link);
