// The TCX file as training tools read it: the document's exact text (its layout is the one the
// files written so far have), XML escaping, and a file written whole, with the same bytes on
// every system.
#include "export/tcx_activity.h"
#include "export/xml_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

namespace {

constexpr std::int64_t start = 1'796'634'000; // 2026-12-07 09:00:00 UTC

TcxActivity TwoPoints() {
    TcxActivity ride{start, 12.0, 60.0, 1.4, 120.4, 131.6, {}};
    ride.points.push_back(TcxPoint{start + 6, 120.4, 90.5, 5.0, 30.0, 210.4});
    // No heart rate, a cadence past the schema's range, no speed, no power.
    ride.points.push_back(TcxPoint{start + 12, 0.0, 300.0, std::numeric_limits<double>::quiet_NaN(),
                                   60.0, std::numeric_limits<double>::infinity()});
    return ride;
}

constexpr const char* twoPointsDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<TrainingCenterDatabase xmlns="http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2" xmlns:ns3="http://www.garmin.com/xmlschemas/ActivityExtension/v2">
    <Activities>
        <Activity Sport="Biking">
            <Id>2026-12-07T09:00:00Z</Id>
            <Lap StartTime="2026-12-07T09:00:00Z">
                <TotalTimeSeconds>12.0</TotalTimeSeconds>
                <DistanceMeters>60.00</DistanceMeters>
                <Calories>1</Calories>
                <AverageHeartRateBpm>
                    <Value>120</Value>
                </AverageHeartRateBpm>
                <MaximumHeartRateBpm>
                    <Value>132</Value>
                </MaximumHeartRateBpm>
                <Intensity>Active</Intensity>
                <TriggerMethod>Manual</TriggerMethod>
                <Track>
                    <Trackpoint>
                        <Time>2026-12-07T09:00:06Z</Time>
                        <DistanceMeters>30.00</DistanceMeters>
                        <HeartRateBpm>
                            <Value>120</Value>
                        </HeartRateBpm>
                        <Cadence>91</Cadence>
                        <Extensions>
                            <ns3:TPX>
                                <ns3:Speed>5.000</ns3:Speed>
                                <ns3:Watts>210</ns3:Watts>
                            </ns3:TPX>
                        </Extensions>
                    </Trackpoint>
                    <Trackpoint>
                        <Time>2026-12-07T09:00:12Z</Time>
                        <DistanceMeters>60.00</DistanceMeters>
                        <Cadence>254</Cadence>
                    </Trackpoint>
                </Track>
            </Lap>
        </Activity>
    </Activities>
</TrainingCenterDatabase>
)";

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(TcxDocumentTest, ARideReadsAsItsTrackpointsWithRoundedValuesAndNothingForMissingOnes) {
    EXPECT_EQ(TcxDocument(TwoPoints()), twoPointsDocument);
}

// The schema's track holds at least one trackpoint: a ride without rows has no track.
TEST(TcxDocumentTest, ARideWithoutRowsHasNoTrackAndNoHeartRate) {
    const std::string document = TcxDocument(TcxActivity{0, 0.0, 0.0, 0.0, 0.0, 0.0, {}});
    EXPECT_NE(document.find("<Id>1970-01-01T00:00:00Z</Id>"), std::string::npos);
    EXPECT_EQ(document.find("<Track"), std::string::npos) << document;
    EXPECT_EQ(document.find("HeartRateBpm"), std::string::npos);
}

TEST(XmlTextTest, MarkupCharactersAreEscapedInTextAndAttributes) {
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"plain 12.5", "plain 12.5"}, {"a & b", "a &amp; b"},
        {"<Watts>", "&lt;Watts&gt;"}, {"\"quoted\" 'too'", "&quot;quoted&quot; &apos;too&apos;"},
        {"&amp;", "&amp;amp;"},       {"", ""}};
    for (const auto& one : cases) EXPECT_EQ(XmlEscaped(one.text), one.escaped) << one.text;

    XmlText xml;
    xml.StartElement("Note");
    xml.Attribute("By", "R&D \"lab\"");
    xml.TextElement("Text", "5 < 6");
    EXPECT_EQ(xml.Finish(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<Note By=\"R&amp;D &quot;lab&quot;\">\n"
                            "    <Text>5 &lt; 6</Text>\n"
                            "</Note>\n");
}

TEST(TcxFileTest, TheFileHasTheDocumentsBytesOrIsNotWrittenAtAllAndNeverWritesOverOne) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zan_tcx_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(std::filesystem::create_directories(folder));
    const std::filesystem::path older = folder / "older.tcx";
    std::ofstream(older) << "an older export";
    std::string error;
    EXPECT_FALSE(WriteTcxActivity(older.string(), TwoPoints(), error));
    EXPECT_EQ(error, older.string() + " is there already: not written over");
    EXPECT_EQ(Slurp(older), "an older export");
    EXPECT_FALSE(std::filesystem::exists(older.string() + ".new"));

    const std::filesystem::path path = folder / "ride.tcx";
    ASSERT_TRUE(WriteTcxActivity(path.string(), TwoPoints(), error)) << error;
    // Line ends stay '\n' on Windows too: the file is the document byte for byte.
    EXPECT_EQ(Slurp(path), twoPointsDocument);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".new"));

    const std::filesystem::path nowhere = folder / "missing" / "ride.tcx";
    EXPECT_FALSE(WriteTcxActivity(nowhere.string(), TwoPoints(), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    std::filesystem::remove_all(folder);
}

} // namespace
