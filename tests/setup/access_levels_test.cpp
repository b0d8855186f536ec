#include "app/callbacks.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

#include <map>
#include <string>
#include <utility>

namespace {
// What a control shows after a command: the attributes the program set on it, "untouched" when
// it set neither visibility nor dimming.
using Looks = std::map<int, std::string>;

Looks Merge(Looks base, const Looks& over) {
    for (const auto& [control, look] : over) base[control] = look;
    return base;
}

// Every code above 2739.
const Looks serviceLooks = {
    {MAIN_CRANK_CADENCE, "shown"},          {MAIN_COM_PORT, "enabled"},
    {MAIN_WARMUP_MODE, "enabled"},          {MAIN_SINGLE_SIDE, "enabled"},
    {MAIN_SERVICE_CMD, "enabled"},          {MAIN_CADI, "dimmed"},
    {MAIN_FACTORY_CMD_1, "dimmed"},         {MAIN_FACTORY_CMD_2, "dimmed"},
    {MAIN_LEFT_CORRECTION_COEFF, "dimmed"}, {MAIN_RIGHT_CORRECTION_COEFF, "dimmed"},
    {MAIN_POLAR_TURNS, "dimmed"},           {MAIN_CALIBRATE_MASS, "dimmed"},
};
// From the calibration code up, the technician's tools: the polar view's averaging and the
// calibration with a mass.
const Looks technicianLooks = {{MAIN_POLAR_TURNS, "enabled"}, {MAIN_CALIBRATE_MASS, "enabled"}};
const Looks serviceRawLooks = Merge(serviceLooks, technicianLooks);
// The calibration view: the covers go and the gains show read-only.
const Looks calibrationLooks = Merge(serviceRawLooks, {{MAIN_CAL_COVER_1, "hidden"},
                                                       {MAIN_CAL_COVER_2, "hidden"},
                                                       {MAIN_RIGHT_FORCE_GAIN, "dimmed"},
                                                       {MAIN_RIGHT_RATIO_SCALE, "dimmed"},
                                                       {MAIN_LEFT_FORCE_GAIN, "dimmed"},
                                                       {MAIN_LEFT_RATIO_SCALE, "dimmed"}});
// The factory: everything enabled.
const Looks factoryLooks = {
    {MAIN_CRANK_CADENCE, "shown"},
    {MAIN_CAL_COVER_1, "hidden"},
    {MAIN_CAL_COVER_2, "hidden"},
    {MAIN_COM_PORT, "enabled"},
    {MAIN_WARMUP_MODE, "enabled"},
    {MAIN_CADI, "enabled"},
    {MAIN_SINGLE_SIDE, "enabled"},
    {MAIN_FACTORY_CMD_1, "enabled"},
    {MAIN_FACTORY_CMD_2, "enabled"},
    {MAIN_LEFT_CORRECTION_COEFF, "enabled"},
    {MAIN_RIGHT_CORRECTION_COEFF, "enabled"},
    {MAIN_SERVICE_CMD, "enabled"},
    {MAIN_RIGHT_FORCE_GAIN, "enabled"},
    {MAIN_RIGHT_RATIO_SCALE, "enabled"},
    {MAIN_LEFT_FORCE_GAIN, "enabled"},
    {MAIN_LEFT_RATIO_SCALE, "enabled"},
    {MAIN_DEBU, "enabled"},
    {MAIN_SERIAL, "enabled"},
    {MAIN_POLAR_TURNS, "enabled"},
    {MAIN_CALIBRATE_MASS, "enabled"},
};
// Code 0, the rider's view.
const Looks lockedLooks = {
    {MAIN_CAL_COVER_1, "shown"},        {MAIN_CAL_COVER_2, "shown"},
    {MAIN_RIGHT_FORCE_GAIN, "enabled"}, {MAIN_RIGHT_RATIO_SCALE, "enabled"},
    {MAIN_LEFT_FORCE_GAIN, "enabled"},  {MAIN_LEFT_RATIO_SCALE, "enabled"},
    {MAIN_CRANK_CADENCE, "hidden"},     {MAIN_COM_PORT, "dimmed"},
    {MAIN_WARMUP_MODE, "dimmed"},       {MAIN_SERVICE_CMD, "dimmed"},
    {MAIN_POLAR_TURNS, "dimmed"},       {MAIN_CALIBRATE_MASS, "dimmed"},
};
const Looks noLooks = {};
} // namespace

class AccessLevelsTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
    }

    void Enter(int code) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_ACCESS_CODE, code);
        PWD(zan.setup.mainPanel, MAIN_ACCESS_CODE, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Select(int side) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, side);
        OFT(zan.setup.mainPanel, MAIN_SINGLE_SIDE, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Tick() { DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0); }

    // Back to the panel as the resource gives it, so whatever a command sets can be told from
    // what it leaves alone.
    void ForgetLooks() {
        for (auto& [number, control] : engine.Panel(zan.setup.mainPanel).controls) {
            control.intAttributes.erase(ATTR_DIMMED);
            control.intAttributes.erase(ATTR_VISIBLE);
        }
    }
    std::string LookOf(int number) {
        const auto& attributes = Main(number).intAttributes;
        std::string look;
        if (attributes.count(ATTR_VISIBLE) > 0)
            look += attributes.at(ATTR_VISIBLE) != 0 ? "shown" : "hidden";
        if (attributes.count(ATTR_DIMMED) > 0)
            look += attributes.at(ATTR_DIMMED) != 0 ? "dimmed" : "enabled";
        return look.empty() ? "untouched" : look;
    }
    // The catalogue's name, or the number of a button that has none.
    std::string NameOf(int number) {
        const CatalogueEntry* entry = FindCatalogueEntry(MAIN, number);
        if (entry == nullptr || entry->name == nullptr) return "control " + std::to_string(number);
        return entry->name;
    }
    // Every control of the main panel looks as expected; those not named are untouched.
    void ExpectLooks(const Looks& expected) {
        for (const auto& [number, control] : engine.Panel(zan.setup.mainPanel).controls) {
            const auto found = expected.find(number);
            const std::string want = found == expected.end() ? "untouched" : found->second;
            EXPECT_EQ(LookOf(number), want) << NameOf(number);
        }
    }
};

// --- Access codes ---

struct CodeCase {
    int code;
    const char* level;
    const Looks* looks; // besides the start notice, hidden by every entry
};
void PrintTo(const CodeCase& entry, std::ostream* out) {
    *out << "code " << entry.code;
}

class AccessCodeTest : public AccessLevelsTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(AccessCodeTest, CodeOpensExactlyTheControlsOfItsLevel) {
    const CodeCase& entry = GetParam();
    ForgetLooks();
    Enter(entry.code);
    EXPECT_EQ(zan.setup.accessCode, entry.code);
    EXPECT_EQ(Main(MAIN_ACCESS_CODE).value, 0.0);
    ExpectLooks(Merge(*entry.looks, {{MAIN_START_NOTICE, "hidden"}}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryLevel, AccessCodeTest,
    ::testing::Values(CodeCase{0, "locked", &lockedLooks}, CodeCase{1, "none", &noLooks},
                      CodeCase{2739, "none", &noLooks}, CodeCase{2740, "service", &serviceLooks},
                      CodeCase{6867, "service", &serviceLooks},
                      CodeCase{6868, "calibration", &calibrationLooks},
                      CodeCase{6869, "service", &serviceRawLooks},
                      CodeCase{24517, "factory", &factoryLooks},
                      CodeCase{99999, "service", &serviceRawLooks}, CodeCase{-1, "none", &noLooks},
                      CodeCase{-24517, "none", &noLooks}),
    [](const ::testing::TestParamInfo<CodeCase>& info) {
        const int code = info.param.code;
        return std::string(info.param.level) + "_" + (code < 0 ? "minus" : "") +
               std::to_string(code < 0 ? -code : code);
    });

// Code 0 changes only the controls of its own column: after 6868 the factory controls stay
// dimmed, after 24517 they stay enabled, DEBU and SERIAL included.
TEST_F(AccessLevelsTest, ZeroAfterAHigherCodeChangesOnlyTheControlsOfItsColumn) {
    for (const auto& [code, opened] :
         {std::pair{6868, &calibrationLooks}, std::pair{24517, &factoryLooks}}) {
        SCOPED_TRACE(code);
        ForgetLooks();
        Enter(code);
        Enter(0);
        EXPECT_EQ(zan.setup.accessCode, 0);
        ExpectLooks(Merge(Merge(*opened, lockedLooks), {{MAIN_START_NOTICE, "hidden"}}));
    }
    EXPECT_EQ(LookOf(MAIN_DEBU), "enabled");
    EXPECT_EQ(LookOf(MAIN_CADI), "enabled");
    EXPECT_EQ(LookOf(MAIN_COM_PORT), "dimmed");
}

TEST_F(AccessLevelsTest, OnlyACommitEntersTheCode) {
    ForgetLooks();
    SetCtrlVal(zan.setup.mainPanel, MAIN_ACCESS_CODE, 24517);
    PWD(zan.setup.mainPanel, MAIN_ACCESS_CODE, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_EQ(zan.setup.accessCode, 0);
    EXPECT_EQ(Main(MAIN_ACCESS_CODE).value, 24517.0);
    ExpectLooks(noLooks);
}

// --- What the display makes of the code ---

TEST_F(AccessLevelsTest, SelectorDrivesTheMeasurementOnlyAboveTheServiceThreshold) {
    Enter(2739);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, 1);
    Tick();
    EXPECT_EQ(zan.setup.singleSide, SingleSide::Both);
    Enter(2740);
    Tick();
    EXPECT_EQ(zan.setup.singleSide, SingleSide::RightOnly);
    // Back below the threshold the measurement keeps the side it had.
    Enter(0);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, 2);
    Tick();
    EXPECT_EQ(zan.setup.singleSide, SingleSide::RightOnly);
}

TEST_F(AccessLevelsTest, OneSideBelowTheServiceLevelChangesTheLayoutButNotTheMeasurement) {
    Enter(1);
    Select(1);
    Tick();
    EXPECT_FALSE(Main(MAIN_LEFT_FORCE).Visible());
    EXPECT_EQ(zan.setup.singleSide, SingleSide::Both);
}

TEST_F(AccessLevelsTest, RawCountsShowFromTheCalibrationCodeUp) {
    zan.measure.pedals.counts.rightForce = 1234;
    for (const auto& [code, shown] :
         {std::pair{2740, false}, std::pair{6867, false}, std::pair{6868, true},
          std::pair{6869, true}, std::pair{24517, true}}) {
        Main(MAIN_RIGHT_RAW_FORCE).setCount = 0;
        Enter(code);
        Tick();
        EXPECT_EQ(Main(MAIN_RIGHT_RAW_FORCE).setCount > 0, shown) << code;
        if (shown) {
            EXPECT_EQ(Main(MAIN_RIGHT_RAW_FORCE).value, 1234.0) << code;
        }
    }
}

// --- Single-side layout ---

namespace {
// The selector's groups, told apart by the controls' names: the four offsets, then every other
// control of one pedal.
enum class Side { Offset, Right, Left, Neither };

Side SideOf(const std::string& name) {
    const auto has = [&name](const char* part) { return name.find(part) != std::string::npos; };
    // The polar view's figures show with the view, whichever pedals are measured.
    if (has("_POLAR_")) return Side::Neither;
    if (has("_OFFSET")) return Side::Offset;
    if (has("RIGHT") || has("_OFR") || has("_UDR")) return Side::Right;
    if (has("LEFT") || has("_OFL") || has("_UDL")) return Side::Left;
    return Side::Neither;
}

struct SideCase {
    int selector;
    const char* offsets; // the look of each group
    const char* right;
    const char* left;
};
// Listed by its selector value: the bytes of a struct with padding are not the same from one
// listing to the next, and the test's name must be.
void PrintTo(const SideCase& entry, std::ostream* out) {
    *out << "selector " << entry.selector;
}
} // namespace

class SingleSideTest : public AccessLevelsTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(SingleSideTest, SelectorShowsThePedalsItMeasures) {
    const SideCase& entry = GetParam();
    ForgetLooks();
    Select(entry.selector);
    std::map<Side, int> counts;
    for (const auto& [number, control] : engine.Panel(zan.setup.mainPanel).controls) {
        const std::string name = NameOf(number);
        const Side side = SideOf(name);
        counts[side] += 1;
        const char* want = side == Side::Offset  ? entry.offsets
                           : side == Side::Right ? entry.right
                           : side == Side::Left  ? entry.left
                                                 : "untouched";
        EXPECT_EQ(LookOf(number), want) << name;
    }
    EXPECT_EQ(counts[Side::Offset], 4);
    EXPECT_EQ(counts[Side::Right], 16);
    EXPECT_EQ(counts[Side::Left], 16);
}

INSTANTIATE_TEST_SUITE_P(EverySelectorValue, SingleSideTest,
                         ::testing::Values(SideCase{0, "shown", "shown", "shown"},
                                           SideCase{1, "hidden", "shown", "hidden"},
                                           SideCase{2, "hidden", "hidden", "shown"},
                                           SideCase{3, "untouched", "untouched", "untouched"},
                                           SideCase{-1, "untouched", "untouched", "untouched"}),
                         [](const ::testing::TestParamInfo<SideCase>& info) {
                             const int value = info.param.selector;
                             return std::string(value < 0 ? "minus" : "") +
                                    std::to_string(value < 0 ? -value : value);
                         });

TEST(AccessLevelOf, EachCodeOpensItsLevelAtTheBoundaries) {
    const std::pair<int, AccessLevel> table[] = {
        {-1, AccessLevel::Rider},
        {0, AccessLevel::Locked},
        {2739, AccessLevel::Rider},
        {2740, AccessLevel::Service},
        {6867, AccessLevel::Service},
        {6868, AccessLevel::Calibration},
        {6869, AccessLevel::ServiceWithRawCounts},
        {24517, AccessLevel::Factory},
        {24518, AccessLevel::ServiceWithRawCounts},
    };
    for (const auto& [code, level] : table) EXPECT_EQ(AccessLevelOf(code), level) << code;
    EXPECT_FALSE(ShowsRawCounts(AccessLevel::Service));
    EXPECT_TRUE(ShowsRawCounts(AccessLevel::Calibration));
    EXPECT_TRUE(ShowsRawCounts(AccessLevel::Factory));
    EXPECT_FALSE(ReadsSingleSide(AccessLevel::Rider));
    EXPECT_TRUE(ReadsSingleSide(AccessLevel::Service));
}
