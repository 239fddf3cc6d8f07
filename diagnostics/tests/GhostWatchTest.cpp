#include "diagnostics/GhostWatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/tests/CheckTestTexts.h"

namespace {

constexpr int64_t kStart = 50'000'000; // the session's clock when the watch starts
constexpr int64_t kSecond = 1'000'000;

TouchSample Input(int64_t afterStartUs, uint32_t id, uint32_t flags, double x = 100,
                  double y = 200) {
    TouchSample s;
    s.timeUs = kStart + afterStartUs;
    s.id = id;
    s.flags = flags;
    s.clientX = x;
    s.clientY = y;
    return s;
}

constexpr uint32_t kDown = TouchFlag::Down | TouchFlag::InRange;
constexpr uint32_t kMove = TouchFlag::Move | TouchFlag::InRange;
constexpr uint32_t kUp = TouchFlag::Up;

struct ExpectedGhost {
    uint32_t id;
    int64_t arrivedUs;
    int64_t lastedUs;
    bool stillDown;
};

struct Scenario {
    const char* name;
    std::vector<uint32_t> downAtStart;
    std::vector<TouchSample> inputs;
    int64_t earlyEndUs; // 0: the countdown runs out
    std::vector<ExpectedGhost> ghosts;
    CheckSection::Verdict verdict;
};

TEST(GhostWatch, ScriptedRunsFindExactlyTheirGhosts) {
    const Scenario scenarios[] = {
        {"quiet", {}, {}, 0, {}, CheckSection::Verdict::Pass},
        {"contacts down before the start are ignored while they stay and as they lift",
         {5, 6},
         {Input(kSecond, 5, kMove), Input(2 * kSecond, 6, kMove), Input(3 * kSecond, 5, kUp),
          Input(4 * kSecond, 6, kUp)},
         0,
         {},
         CheckSection::Verdict::Pass},
        {"after its lift, the id of a contact down before counts again",
         {5},
         {Input(kSecond, 5, kUp), Input(8 * kSecond, 5, kDown), Input(9 * kSecond, 5, kUp)},
         0,
         {{5, 8 * kSecond, kSecond, false}},
         CheckSection::Verdict::Fail},
        {"a ghost that lifts and returns is two events",
         {},
         {Input(2 * kSecond, 7, kDown), Input(2'300'000, 7, kMove), Input(2'500'000, 7, kUp),
          Input(4 * kSecond, 7, kDown), Input(4'100'000, 7, kUp)},
         0,
         {{7, 2 * kSecond, 500'000, false}, {7, 4 * kSecond, 100'000, false}},
         CheckSection::Verdict::Fail},
        {"a ghost whose down was lost still counts; one still down lasts to the end",
         {},
         {Input(10 * kSecond, 9, kMove), Input(29 * kSecond, 11, kDown)},
         0,
         {{9, 10 * kSecond, 20 * kSecond, true}, {11, 29 * kSecond, kSecond, true}},
         CheckSection::Verdict::Fail},
        {"inputs after the countdown are no ghosts",
         {},
         {Input(30 * kSecond, 3, kDown), Input(31 * kSecond, 3, kUp)},
         0,
         {},
         CheckSection::Verdict::Pass},
        {"ended early without ghosts has no verdict",
         {},
         {},
         12 * kSecond,
         {},
         CheckSection::Verdict::NotRun},
        {"ended early with a ghost fails",
         {},
         {Input(3 * kSecond, 4, kDown)},
         12 * kSecond,
         {{4, 3 * kSecond, 9 * kSecond, true}},
         CheckSection::Verdict::Fail},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        GhostWatch watch;
        watch.Start(kStart, s.downAtStart);
        EXPECT_EQ(watch.State(), GhostWatch::Phase::Watching);
        for (const TouchSample& input : s.inputs) {
            watch.Feed(input);
        }
        if (s.earlyEndUs > 0) {
            watch.EndEarly(kStart + s.earlyEndUs);
        } else {
            watch.Advance(kStart + 40 * kSecond);
        }
        EXPECT_EQ(watch.State(), GhostWatch::Phase::Finished);
        EXPECT_EQ(watch.EndedEarly(), s.earlyEndUs > 0);
        EXPECT_EQ(watch.WatchedUs(), s.earlyEndUs > 0 ? s.earlyEndUs : 30 * kSecond);
        EXPECT_EQ(watch.Verdict(), s.verdict);
        EXPECT_EQ(watch.GhostCount(), s.ghosts.size());
        ASSERT_EQ(watch.Events().size(), s.ghosts.size());
        for (size_t i = 0; i < s.ghosts.size(); ++i) {
            SCOPED_TRACE("ghost " + std::to_string(i));
            EXPECT_EQ(watch.Events()[i].id, s.ghosts[i].id);
            EXPECT_EQ(watch.Events()[i].arrivedUs, s.ghosts[i].arrivedUs);
            EXPECT_EQ(watch.Events()[i].lastedUs, s.ghosts[i].lastedUs);
            EXPECT_EQ(watch.Events()[i].stillDown, s.ghosts[i].stillDown);
        }
    }
}

TEST(GhostWatch, CountdownShowsWholeSecondsRoundedUpAndEndsOnTime) {
    GhostWatch watch;
    watch.Start(kStart, {});
    struct Case {
        int64_t at;
        int secondsLeft;
    } cases[] = {{0, 30}, {1, 30}, {kSecond, 29}, {29 * kSecond + 1, 1}, {30 * kSecond - 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.at));
        watch.Advance(kStart + c.at);
        EXPECT_EQ(watch.SecondsLeft(kStart + c.at), c.secondsLeft);
        EXPECT_EQ(watch.State(), GhostWatch::Phase::Watching);
    }
    watch.Advance(kStart + 30 * kSecond);
    EXPECT_EQ(watch.State(), GhostWatch::Phase::Finished);
    EXPECT_EQ(watch.SecondsLeft(kStart + 30 * kSecond), 0);
    EXPECT_FALSE(watch.EndedEarly());
}

TEST(GhostWatch, ShortDurationHookAndMarksKeptUntilTheNextTouch) {
    GhostWatch watch(2 * kSecond);
    watch.Start(kStart, {});
    watch.Feed(Input(kSecond, 8, kDown, 640, 360));
    EXPECT_TRUE(watch.MarksShown());
    // A move of the ghost after the end neither ends the marks nor counts.
    watch.Feed(Input(3 * kSecond, 8, kMove));
    EXPECT_EQ(watch.State(), GhostWatch::Phase::Finished);
    EXPECT_EQ(watch.WatchedUs(), 2 * kSecond);
    EXPECT_TRUE(watch.MarksShown());
    EXPECT_EQ(watch.GhostCount(), 1u);
    watch.Feed(Input(4 * kSecond, 12, kDown));
    EXPECT_FALSE(watch.MarksShown());
    EXPECT_EQ(watch.GhostCount(), 1u); // the result stays for the report

    // A new watch forgets the last one.
    watch.Start(kStart + 10 * kSecond, {12});
    EXPECT_EQ(watch.GhostCount(), 0u);
    EXPECT_TRUE(watch.Events().empty());
    EXPECT_TRUE(watch.MarksShown());
}

TEST(GhostWatch, EveryGhostIsCountedButOnlyTheFirstAreKept) {
    GhostWatch watch;
    watch.Start(kStart, {});
    const size_t total = GhostWatch::kMaxEvents + 5;
    for (size_t i = 0; i < total; ++i) {
        watch.Feed(Input(static_cast<int64_t>(i) * 1000, 7, kDown));
        watch.Feed(Input(static_cast<int64_t>(i) * 1000 + 500, 7, kUp));
    }
    EXPECT_EQ(watch.GhostCount(), total);
    EXPECT_EQ(watch.Events().size(), GhostWatch::kMaxEvents);
}

TEST(GhostWatch, ReportListsTheResultAndEachGhost) {
    GhostWatch watch;
    EXPECT_EQ(GhostReport(watch, CheckTestText).verdict, CheckSection::Verdict::NotRun);
    EXPECT_TRUE(GhostReport(watch, CheckTestText).lines.empty());

    watch.Start(kStart, {});
    watch.Feed(Input(2'250'000, 7, kDown, 812.4, 95.6));
    watch.Feed(Input(2'750'000, 7, kUp));
    watch.Feed(Input(5 * kSecond, 9, kDown, 10, 20));
    watch.EndEarly(kStart + 6'500'000);
    const CheckSection report = GhostReport(watch, CheckTestText);
    EXPECT_EQ(Narrow(report.title), "WATCH");
    EXPECT_EQ(report.verdict, CheckSection::Verdict::Fail);
    const std::vector<std::string> expected = {
        "2 ghosts in 6.5 s",
        "early at 6.5 s",
        "#1 2.25 s id 7 at 812, 96 lasted 500",
        "#2 5.00 s id 9 at 10, 20 down 1500",
    };
    ASSERT_EQ(report.lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Narrow(report.lines[i]), expected[i]);
    }

    GhostWatch quiet;
    quiet.Start(kStart, {});
    quiet.Advance(kStart + 30 * kSecond);
    const CheckSection pass = GhostReport(quiet, CheckTestText);
    EXPECT_EQ(pass.verdict, CheckSection::Verdict::Pass);
    ASSERT_EQ(pass.lines.size(), 1u);
    EXPECT_EQ(Narrow(pass.lines[0]), "none in 30 s");
}

} // namespace
