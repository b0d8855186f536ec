#include "measure/display_filter.h"
#include "tests/support/station_fixture.h"

#include <algorithm>

class DisplayFilterTest : public StationTest {
  protected:
    void Trace(float* trace, std::initializer_list<float> samples) {
        std::copy(samples.begin(), samples.end(), trace);
        zan.lastWindowFrames = static_cast<int>(samples.size());
    }
};

TEST_F(DisplayFilterTest, WithoutFilteringTheOutputIsTheInput) {
    zan.setup.displayFilter = 0;
    Trace(zan.leftForceTrace, {1, 7, -3, 12, 5});
    Filt(zan, 1, zan.lastWindowFrames, zan.setup.displayFilter);
    EXPECT_EQ(std::vector<float>(zan.displayTrace, zan.displayTrace + 5),
              (std::vector<float>{1, 7, -3, 12, 5}));
}

TEST_F(DisplayFilterTest, FilteredConstantTraceStaysConstantToItsLastSample) {
    zan.setup.displayFilter = 1;
    std::fill(zan.powerTrace, zan.powerTrace + 100, 42.0f);
    zan.powerTrace[100] = 999.0f; // a stale sample of the next window is not averaged in
    zan.lastWindowFrames = 100;
    Filt(zan, 2, zan.lastWindowFrames, zan.setup.displayFilter);
    for (int i = 0; i < 100; ++i) ASSERT_FLOAT_EQ(zan.displayTrace[i], 42.0f) << i;
}

TEST_F(DisplayFilterTest, FilteredStepLeadsTheRawCurve) {
    zan.setup.displayFilter = 1;
    std::fill(zan.rightForceTrace, zan.rightForceTrace + 10, 0.0f);
    std::fill(zan.rightForceTrace + 10, zan.rightForceTrace + 20, 100.0f);
    zan.lastWindowFrames = 20;
    Filt(zan, 0, zan.lastWindowFrames, zan.setup.displayFilter);
    EXPECT_EQ(std::vector<float>(zan.displayTrace + 6, zan.displayTrace + 11),
              (std::vector<float>{0, 25, 50, 75, 100}));
}

TEST_F(DisplayFilterTest, WindowOfOneFrameGivesThatSample) {
    zan.setup.displayFilter = 3;
    Trace(zan.rightForceTrace, {17.5f});
    Filt(zan, 0, zan.lastWindowFrames, zan.setup.displayFilter);
    EXPECT_FLOAT_EQ(zan.displayTrace[0], 17.5f);
}

TEST_F(DisplayFilterTest, OtherSelectorsAndEmptyWindowsChangeNothing) {
    Trace(zan.powerTrace, {1, 2, 3});
    zan.displayTrace[0] = -7.0f;
    for (const int selector : {3, 4, -1, 99})
        Filt(zan, selector, zan.lastWindowFrames, zan.setup.displayFilter);
    zan.lastWindowFrames = 0;
    Filt(zan, 2, zan.lastWindowFrames, zan.setup.displayFilter);
    EXPECT_FLOAT_EQ(zan.displayTrace[0], -7.0f);
    EXPECT_FLOAT_EQ(zan.powerTrace[3], 0.0f);
}
