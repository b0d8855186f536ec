#include "measure/display_filter.h"
#include "tests/support/station_fixture.h"

#include <algorithm>

class DisplayFilterTest : public StationTest {
  protected:
    void Trace(float* trace, std::initializer_list<float> samples) {
        std::copy(samples.begin(), samples.end(), trace);
        zan.link.lastWindowFrames = static_cast<int>(samples.size());
    }
};

TEST_F(DisplayFilterTest, WithoutFilteringTheOutputIsTheInput) {
    zan.setup.setup.displayFilter = 0;
    Trace(zan.measure.leftForceTrace, {1, 7, -3, 12, 5});
    Filt(zan.measure, 1, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    EXPECT_EQ(std::vector<float>(zan.measure.displayTrace, zan.measure.displayTrace + 5),
              (std::vector<float>{1, 7, -3, 12, 5}));
}

TEST_F(DisplayFilterTest, FilteredConstantTraceStaysConstantToItsLastSample) {
    zan.setup.setup.displayFilter = 1;
    std::fill(zan.measure.powerTrace, zan.measure.powerTrace + 100, 42.0f);
    zan.measure.powerTrace[100] = 999.0f; // a stale sample of the next window is not averaged in
    zan.link.lastWindowFrames = 100;
    Filt(zan.measure, 2, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    for (int i = 0; i < 100; ++i) ASSERT_FLOAT_EQ(zan.measure.displayTrace[i], 42.0f) << i;
}

TEST_F(DisplayFilterTest, FilteredStepLeadsTheRawCurve) {
    zan.setup.setup.displayFilter = 1;
    std::fill(zan.measure.rightForceTrace, zan.measure.rightForceTrace + 10, 0.0f);
    std::fill(zan.measure.rightForceTrace + 10, zan.measure.rightForceTrace + 20, 100.0f);
    zan.link.lastWindowFrames = 20;
    Filt(zan.measure, 0, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    EXPECT_EQ(std::vector<float>(zan.measure.displayTrace + 6, zan.measure.displayTrace + 11),
              (std::vector<float>{0, 25, 50, 75, 100}));
}

TEST_F(DisplayFilterTest, WindowOfOneFrameGivesThatSample) {
    zan.setup.setup.displayFilter = 3;
    Trace(zan.measure.rightForceTrace, {17.5f});
    Filt(zan.measure, 0, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    EXPECT_FLOAT_EQ(zan.measure.displayTrace[0], 17.5f);
}

TEST_F(DisplayFilterTest, OtherSelectorsAndEmptyWindowsChangeNothing) {
    Trace(zan.measure.powerTrace, {1, 2, 3});
    zan.measure.displayTrace[0] = -7.0f;
    for (const int selector : {3, 4, -1, 99})
        Filt(zan.measure, selector, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    zan.link.lastWindowFrames = 0;
    Filt(zan.measure, 2, zan.link.lastWindowFrames, zan.setup.setup.displayFilter);
    EXPECT_FLOAT_EQ(zan.measure.displayTrace[0], -7.0f);
    EXPECT_FLOAT_EQ(zan.measure.powerTrace[3], 0.0f);
}
