#include "WindowGeometry.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

struct GeometryCase {
    const char* Name;
    QRect Saved;
    QList<QRect> Screens;
    QRect Used;
};

void PrintTo(const GeometryCase& c, std::ostream* os) {
    *os << c.Name;
}

const QRect Wide(0, 0, 1920, 1080);          // primary, with nothing taken off
const QRect Laptop(0, 0, 1366, 728);         // primary without its 40-pixel panel
const QRect Right(1920, 0, 1280, 1024);      // a second screen to the right of Wide
const QRect LeftOfIt(-1280, 200, 1280, 800); // a second screen to the left of Laptop

class ReachableGeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(ReachableGeometryTest, GivesTheGeometryUsed) {
    const GeometryCase& c = GetParam();
    EXPECT_EQ(ReachableGeometry(c.Saved, c.Screens), c.Used);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReachableGeometryTest,
    ::testing::Values(
        GeometryCase{"OnScreenIsKept", {101, 125, 895, 602}, {Wide}, {101, 125, 895, 602}},
        GeometryCase{"FillingTheScreenExactlyIsKept", Laptop, {Laptop}, Laptop},
        GeometryCase{
            "OnTheSecondScreenIsKept", {2000, 100, 895, 602}, {Wide, Right}, {2000, 100, 895, 602}},
        GeometryCase{"SpanningTwoScreensIsKept",
                     {1500, 100, 895, 602},
                     {Wide, Right},
                     {1500, 100, 895, 602}},
        GeometryCase{"FarOffEveryScreenGoesToThePrimaryCorner",
                     {-32767, 32767, 895, 602},
                     {Laptop, LeftOfIt},
                     {0, 126, 895, 602}},
        GeometryCase{"HugeSizeShrinksToTheScreen", {0, 0, 32767, 32767}, {Laptop}, Laptop},
        GeometryCase{
            "HugeAndFarOffShrinksAndMovesIn", {-32767, 32767, 32767, 32767}, {Laptop}, Laptop},
        GeometryCase{"HangingOffTheRightEdgeMovesBack",
                     {1000, 100, 895, 602},
                     {Laptop},
                     {471, 100, 895, 602}},
        GeometryCase{"AboveTheTopMovesDown", {40, -500, 895, 602}, {Laptop}, {40, 0, 895, 602}},
        GeometryCase{"HangingOffTheSecondScreenMovesOntoIt",
                     {3000, 900, 400, 300},
                     {Wide, Right},
                     {2800, 724, 400, 300}},
        GeometryCase{"ScreenAwayFromTheOriginMovesIntoIt",
                     {-2000, 0, 895, 602},
                     {Laptop, LeftOfIt},
                     {-1280, 200, 895, 602}},
        GeometryCase{"NoScreensKeepsTheSavedGeometry",
                     {-32767, 32767, 32767, 32767},
                     {},
                     {-32767, 32767, 32767, 32767}}),
    [](const ::testing::TestParamInfo<GeometryCase>& info) {
        return std::string(info.param.Name);
    });

} // namespace
