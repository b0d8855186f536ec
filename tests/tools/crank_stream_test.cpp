// When the emulated crank is on the air: its answer delay, the silence asked for and a dropped
// link that only the station's reopen brings back.
#include "tools/crank_model.h"

#include <gtest/gtest.h>

namespace {
constexpr double never = -1.0;

StreamState Started(const StreamSettings& settings) {
    StreamState state;
    StartStream(state, settings, 0.0);
    return state;
}
} // namespace

TEST(CrankStream, WithNoOptionsTheCrankStreamsFromTheStart) {
    StreamSettings settings{0.0, never, never, never};
    StreamState state = Started(settings);
    EXPECT_EQ(StreamNow(state, settings, 0.0), OnAir::Streaming);
    EXPECT_EQ(StreamNow(state, settings, 3600.0), OnAir::Streaming);
}

TEST(CrankStream, TheAnswerDelayHoldsFramesBackAfterTheStartAnOpenAndAnIdentityRequest) {
    StreamSettings settings{1.5, never, never, never};
    StreamState state = Started(settings);
    EXPECT_EQ(StreamNow(state, settings, 1.4), OnAir::Answering);
    EXPECT_EQ(StreamNow(state, settings, 1.5), OnAir::Streaming);
    StationOpened(state, settings, 10.0);
    EXPECT_EQ(StreamNow(state, settings, 11.4), OnAir::Answering);
    EXPECT_EQ(StreamNow(state, settings, 11.5), OnAir::Streaming);
    IdentityRequested(state, settings, 20.0);
    EXPECT_EQ(StreamNow(state, settings, 21.0), OnAir::Answering);
    EXPECT_EQ(StreamNow(state, settings, 21.5), OnAir::Streaming);
}

TEST(CrankStream, SilenceLastsForGoodUnlessGivenALength) {
    StreamSettings forGood{0.0, 5.0, never, never};
    StreamState state = Started(forGood);
    EXPECT_EQ(StreamNow(state, forGood, 4.9), OnAir::Streaming);
    EXPECT_EQ(StreamNow(state, forGood, 5.0), OnAir::Silent);
    StationOpened(state, forGood, 6.0);
    EXPECT_EQ(StreamNow(state, forGood, 1000.0), OnAir::Silent);

    StreamSettings forAWhile{0.0, 5.0, 3.0, never};
    state = Started(forAWhile);
    EXPECT_EQ(StreamNow(state, forAWhile, 7.9), OnAir::Silent);
    EXPECT_EQ(StreamNow(state, forAWhile, 8.0), OnAir::Streaming);
}

TEST(CrankStream, ADroppedLinkStaysDownUntilTheStationReopensThePortThenStaysUp) {
    StreamSettings settings{0.5, never, never, 2.0};
    StreamState state = Started(settings);
    EXPECT_EQ(StreamNow(state, settings, 1.9), OnAir::Streaming);
    EXPECT_EQ(StreamNow(state, settings, 2.0), OnAir::Dropped);
    EXPECT_EQ(StreamNow(state, settings, 60.0), OnAir::Dropped);
    // A ':' is no reopen: the radio link is still down.
    IdentityRequested(state, settings, 61.0);
    EXPECT_EQ(StreamNow(state, settings, 62.0), OnAir::Dropped);
    StationOpened(state, settings, 70.0);
    EXPECT_EQ(StreamNow(state, settings, 70.4), OnAir::Answering);
    EXPECT_EQ(StreamNow(state, settings, 70.5), OnAir::Streaming);
    EXPECT_EQ(StreamNow(state, settings, 500.0), OnAir::Streaming);
}
