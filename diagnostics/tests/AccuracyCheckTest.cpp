#include "diagnostics/AccuracyCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "diagnostics/tests/CheckTestTexts.h"

namespace {

constexpr double kMmX = 344.0 / 1920; // mm per pixel of the laptop screen
constexpr double kMmY = 194.0 / 1080;

AccuracyCheck LaptopCheck() {
    return AccuracyCheck(1920, 1080, ScaleFromSize(344, 194, 1920, 1080));
}

// One touch: down and a move near the point, a rest at (x, y), a lift a little off it.
void Touch(AccuracyCheck& check, double x, double y, uint32_t id = 1) {
    TouchSample s;
    s.id = id;
    s.flags = TouchFlag::Down;
    s.clientX = x + 7;
    s.clientY = y - 4;
    check.Feed(s);
    s.flags = TouchFlag::Move;
    s.clientX = x;
    s.clientY = y;
    check.Feed(s);
    s.flags = TouchFlag::Up;
    s.clientX = x + 30;
    s.clientY = y + 30;
    check.Feed(s);
}

// A touch landing (dxMm, dyMm) from the current target.
void TouchOff(AccuracyCheck& check, double dxMm, double dyMm) {
    const AccuracyTarget& target = check.Targets()[check.Current()];
    Touch(check, target.x + dxMm / kMmX, target.y + dyMm / kMmY);
}

TEST(AccuracyCheck, ThirteenTargetsOnALaptopScreen) {
    const AccuracyCheck check = LaptopCheck();
    const double ix = 2 / kMmX; // 11.16 px
    const double iy = 2 / kMmY; // 11.13 px
    struct Expected {
        double x;
        double y;
        bool band;
    } expected[] = {
        {960, 540, false}, // centre
        {ix, iy, true},
        {1920 - ix, iy, true}, // corners
        {1920 - ix, 1080 - iy, true},
        {ix, 1080 - iy, true},
        {960, iy, true},
        {1920 - ix, 540, true}, // edge midpoints
        {960, 1080 - iy, true},
        {ix, 540, true},
        {480, 270, false},
        {1440, 270, false}, // halfway
        {1440, 810, false},
        {480, 810, false},
    };
    ASSERT_EQ(check.Targets().size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        SCOPED_TRACE("target " + std::to_string(i + 1));
        EXPECT_NEAR(check.Targets()[i].x, expected[i].x, 1e-9);
        EXPECT_NEAR(check.Targets()[i].y, expected[i].y, 1e-9);
        EXPECT_EQ(check.Targets()[i].inEdgeBand, expected[i].band);
    }
    EXPECT_NEAR(ix, 11.163, 0.001);
    EXPECT_EQ(check.Current(), 0);
    EXPECT_FALSE(check.Done());
}

TEST(AccuracyCheck, LandingsAreJudgedAgainstTheBarOfTheirTarget) {
    struct Case {
        const char* what;
        int target;
        double dxMm;
        double dyMm;
        bool accepted;
        bool withinBar;
    } cases[] = {
        {"0.9 mm off the centre passes", 0, 0.9, 0, true, true},
        {"1.1 mm off the centre fails", 0, 1.1, 0, true, false},
        {"0.9 mm off diagonally passes", 0, 0.9 / std::sqrt(2), -0.9 / std::sqrt(2), true, true},
        {"1.1 mm off in the edge band passes", 1, 1.1, 0, true, true},
        {"1.9 mm off an edge midpoint passes", 6, 0, -1.9, true, true},
        {"2.1 mm off in the edge band fails", 2, 0, 2.1, true, false},
        {"1.1 mm off a halfway point fails", 9, 0, 1.1, true, false},
        {"14.9 mm off is taken, and fails", 0, 14.9, 0, true, false},
        {"20 mm off is asked again", 0, 20, 0, false, false},
        {"20 mm off in the edge band is asked again", 3, -20, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AccuracyCheck check = LaptopCheck();
        for (int i = 0; i < c.target; ++i) {
            TouchOff(check, 0, 0);
        }
        ASSERT_EQ(check.Current(), c.target);
        TouchOff(check, c.dxMm, c.dyMm);
        EXPECT_EQ(check.LastRefused(), !c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(check.Current(), c.target);
            EXPECT_EQ(check.Landings().size(), static_cast<size_t>(c.target));
            // The same target is asked again and a good touch then counts.
            TouchOff(check, 0.2, 0);
            EXPECT_FALSE(check.LastRefused());
            EXPECT_EQ(check.Current(), c.target + 1);
            continue;
        }
        ASSERT_EQ(check.Current(), c.target + 1);
        const AccuracyLanding& landing = check.Landings().back();
        EXPECT_NEAR(landing.dx, c.dxMm, 1e-9);
        EXPECT_NEAR(landing.dy, c.dyMm, 1e-9);
        EXPECT_NEAR(landing.offset, std::hypot(c.dxMm, c.dyMm), 1e-9);
        EXPECT_EQ(landing.withinBar, c.withinBar);
        EXPECT_DOUBLE_EQ(landing.bar, check.Targets()[c.target].inEdgeBand ? 2.0 : 1.0);
    }
}

TEST(AccuracyCheck, TheRestingPointBeforeTheLiftCountsAndOnlyTheCurrentTarget) {
    AccuracyCheck check = LaptopCheck();
    // Another contact rests on the centre while the first lands on the corner's target: the
    // corner is not the current target, so the touch there is refused.
    TouchSample rest;
    rest.id = 2;
    rest.flags = TouchFlag::Down;
    rest.clientX = 960.5;
    rest.clientY = 540;
    check.Feed(rest);
    Touch(check, check.Targets()[1].x, check.Targets()[1].y, 1);
    EXPECT_TRUE(check.LastRefused());
    EXPECT_EQ(check.Current(), 0);
    // The lift of the resting contact is reported far off; its rest counts.
    rest.flags = TouchFlag::Up;
    rest.clientX = 990;
    rest.clientY = 600;
    check.Feed(rest);
    ASSERT_EQ(check.Current(), 1);
    EXPECT_NEAR(check.Landings()[0].x, 960.5, 1e-9);
    EXPECT_NEAR(check.Landings()[0].dx, 0.5 * kMmX, 1e-9);
    EXPECT_FALSE(check.LastRefused());
    // A lift without any earlier report uses its own position.
    TouchSample lone;
    lone.id = 3;
    lone.flags = TouchFlag::Up;
    lone.clientX = check.Targets()[1].x;
    lone.clientY = check.Targets()[1].y;
    check.Feed(lone);
    EXPECT_EQ(check.Current(), 2);
}

TEST(AccuracyCheck, SummaryGivesTheLargestOffsetTheMeanVectorAndTheVerdict) {
    struct Case {
        const char* what;
        double dxMm;
        double dyMm;
        bool pass;
        bool suggestCalibration;
        const char* line;
    } cases[] = {
        {"a constant shift of 3 mm to the right", 3, 0, false, true,
         "max 3.0 mm mean (+3.0, 0.0) mm FAIL"},
        {"a constant shift of 0.9 mm up", 0, -0.9, true, false,
         "max 0.9 mm mean (0.0, -0.9) mm PASS"},
        {"1.5 mm off: edge targets pass, the middle fails, the mean suggests calibration", -1.5, 0,
         false, true, "max 1.5 mm mean (-1.5, 0.0) mm FAIL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AccuracyCheck check = LaptopCheck();
        for (int i = 0; i < AccuracyCheck::kTargetCount; ++i) {
            TouchOff(check, c.dxMm, c.dyMm);
        }
        ASSERT_TRUE(check.Done());
        const AccuracySummary summary = check.Summary();
        EXPECT_TRUE(summary.complete);
        EXPECT_EQ(summary.landed, 13);
        EXPECT_NEAR(summary.meanDx, c.dxMm, 1e-9);
        EXPECT_NEAR(summary.meanDy, c.dyMm, 1e-9);
        EXPECT_NEAR(summary.meanShift, std::hypot(c.dxMm, c.dyMm), 1e-9);
        EXPECT_NEAR(summary.largest, std::hypot(c.dxMm, c.dyMm), 1e-9);
        EXPECT_EQ(summary.pass, c.pass);
        EXPECT_EQ(summary.suggestCalibration, c.suggestCalibration);
        EXPECT_EQ(Narrow(AccuracySummaryLine(check, CheckTestText)), c.line);
        // Once done, further touches change nothing.
        TouchOff(check, 0, 0);
        EXPECT_EQ(check.Landings().size(), 13u);
    }
}

TEST(AccuracyCheck, WithoutAPhysicalSizeItWorksInPixelsAtANominal96Dpi) {
    AccuracyCheck check(1920, 1080, PhysicalScale{});
    EXPECT_FALSE(check.InMillimetres());
    const double inset = 2 * 96 / 25.4; // 7.56 px
    EXPECT_NEAR(check.Targets()[1].x, inset, 1e-9);
    EXPECT_NEAR(check.Targets()[3].y, 1080 - inset, 1e-9);
    // 3 px off the centre is within the bar of 1 mm (3.78 px); 5 px is not.
    Touch(check, 963, 540);
    EXPECT_NEAR(check.Landings()[0].dx, 3, 1e-9);
    EXPECT_NEAR(check.Landings()[0].bar, 96 / 25.4, 1e-9);
    EXPECT_TRUE(check.Landings()[0].withinBar);
    // 60 px is beyond the 15 mm (56.7 px) of a refusal.
    Touch(check, check.Targets()[1].x + 60, check.Targets()[1].y);
    EXPECT_TRUE(check.LastRefused());
    Touch(check, check.Targets()[1].x + 5, check.Targets()[1].y);
    EXPECT_TRUE(check.Landings()[1].withinBar); // 5 px < 7.56 px in the band
    Touch(check, check.Targets()[2].x, check.Targets()[2].y + 9);
    EXPECT_FALSE(check.Landings()[2].withinBar);

    const CheckSection report = AccuracyReport(check, CheckTestText);
    EXPECT_EQ(report.verdict, CheckSection::Verdict::NotRun);
    ASSERT_EQ(report.lines.size(), 5u);
    EXPECT_EQ(Narrow(report.lines[0]), "no size");
    EXPECT_EQ(Narrow(report.lines[1]), "3 of 13 targets");
    EXPECT_EQ(Narrow(report.lines[2]),
              "t1 960.0, 540.0 px -> 963.0, 540.0 px d(+3.0, 0.0) px 3.0 px bar 3.8 px PASS");
}

TEST(AccuracyCheck, ReportListsEveryTargetAndTheVerdict) {
    AccuracyCheck check = LaptopCheck();
    EXPECT_EQ(AccuracyReport(check, CheckTestText).verdict, CheckSection::Verdict::NotRun);
    for (int i = 0; i < AccuracyCheck::kTargetCount; ++i) {
        TouchOff(check, 3, 0);
    }
    const CheckSection report = AccuracyReport(check, CheckTestText);
    EXPECT_EQ(Narrow(report.title), "ACCURACY");
    EXPECT_EQ(report.verdict, CheckSection::Verdict::Fail);
    ASSERT_EQ(report.lines.size(), 13u + 2u);
    EXPECT_EQ(Narrow(report.lines[0]),
              "t1 172.0, 97.0 mm -> 175.0, 97.0 mm d(+3.0, 0.0) mm 3.0 mm bar 1.0 mm FAIL");
    EXPECT_EQ(Narrow(report.lines[1]),
              "t2 2.0, 2.0 mm -> 5.0, 2.0 mm d(+3.0, 0.0) mm 3.0 mm bar 2.0 mm FAIL");
    EXPECT_EQ(Narrow(report.lines[13]), "max 3.0 mm mean (+3.0, 0.0) mm FAIL");
    EXPECT_EQ(Narrow(report.lines[14]), "calibrate");
}

} // namespace
