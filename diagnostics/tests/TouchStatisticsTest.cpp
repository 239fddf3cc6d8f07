#include "diagnostics/InputLog.h"
#include "diagnostics/SampleClock.h"
#include "diagnostics/TouchStatistics.h"
#include "diagnostics/Verdicts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "diagnostics/tests/DiagnosticsTestSupport.h"

namespace {

using diagtest::Sample;
using F = uint32_t;
constexpr F kDown = TouchFlag::Down | TouchFlag::InRange;
constexpr F kMove = TouchFlag::Move | TouchFlag::InRange;
constexpr F kUp = TouchFlag::Up;

// 0.1 mm per pixel on a 1920 x 1080 screen: 192 x 108 mm.
TouchStatistics MakeStatistics() {
    TouchStatistics s;
    s.SetScale(ScaleFromSize(192, 108, 1920, 1080));
    s.SetScreenSize(1920, 1080);
    return s;
}

// A contact's path: position (px) of report i and its time (us).
struct Stream {
    uint32_t id = 7;
    int count = 0;
    std::function<int64_t(int)> time;
    std::function<std::pair<double, double>(int)> at;
    bool lift = true;
};

void Feed(TouchStatistics& s, const Stream& stream) {
    for (int i = 0; i < stream.count; ++i) {
        const auto [x, y] = stream.at(i);
        const bool last = i == stream.count - 1;
        const F flags = i == 0 ? kDown : (last && stream.lift ? kUp : kMove);
        s.Add(Sample(stream.time(i), stream.id, x, y, flags));
    }
}

const ContactFigures& Only(const TouchStatistics& s) {
    EXPECT_EQ(s.Finished().size(), 1u);
    return s.Finished().back();
}

TEST(TouchStatistics, RatesFromTheMeanAndTheLongestGap) {
    struct Case {
        const char* name;
        Stream stream;
        double mean;
        double worst;
        Verdict at60;
    } cases[] = {
        {"every 8 ms reads 125 Hz",
         {7, 50, [](int i) { return i * 8000LL; },
          [](int) {
              return std::pair{500.0, 500.0};
          }},
         125,
         125,
         Verdict::Pass},
        {"a 40 ms gap in a 120 Hz stream: worst 25 Hz",
         {7, 121,
          [](int i) { return i * 1000000LL / 120 + (i >= 60 ? 40000 - 1000000LL / 120 : 0); },
          [](int) {
              return std::pair{500.0, 500.0};
          }},
         120.0 * 120 / (120 + 120 * (0.040 - 1.0 / 120)),
         25,
         Verdict::Fail},
        {"300 Hz is too fast on average",
         {7, 301, [](int i) { return i * 1000000LL / 300; },
          [](int) {
              return std::pair{500.0, 500.0};
          }},
         300,
         300,
         Verdict::Fail},
        {"30 Hz is too slow",
         {7, 31, [](int i) { return i * 1000000LL / 30; },
          [](int) {
              return std::pair{500.0, 500.0};
          }},
         30,
         30,
         Verdict::Fail},
        {"60 Hz timed in whole milliseconds still passes",
         {7, 61, [](int i) { return (i * 1000LL / 60) * 1000; },
          [](int) {
              return std::pair{500.0, 500.0};
          }},
         60,
         1000.0 / 17,
         Verdict::Pass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchStatistics s = MakeStatistics();
        Feed(s, c.stream);
        const ContactFigures& f = Only(s);
        ASSERT_TRUE(f.MeanRateHz() && f.WorstRateHz());
        // Times are whole microseconds.
        EXPECT_NEAR(*f.MeanRateHz(), c.mean, c.mean * 2e-4);
        EXPECT_NEAR(*f.WorstRateHz(), c.worst, c.worst * 2e-4);
        EXPECT_EQ(JudgeRate(f, 60), c.at60);
    }
}

TEST(TouchStatistics, TooFewReportsGiveNoRateVerdict) {
    TouchStatistics s = MakeStatistics();
    Feed(s, {7, 3, [](int i) { return i * 8000LL; }, [](int) { return std::pair{5.0, 5.0}; }});
    EXPECT_EQ(JudgeRate(Only(s), 60), Verdict::NotTested);
    TouchStatistics single = MakeStatistics();
    single.Add(Sample(0, 3, 10, 10, kDown));
    EXPECT_FALSE(single.Active().front().MeanRateHz());
    EXPECT_FALSE(single.Active().front().WorstRateHz());
}

TEST(TouchStatistics, StationaryJitterAfterOneSecondOfRest) {
    struct Case {
        const char* name;
        Stream stream;
        std::optional<double> jitter; // of the rest, live and after the lift
    } cases[] = {
        {"wobbling +-0.2 mm along x reads 0.2 mm",
         {7, 200, [](int i) { return i * 8000LL; },
          [](int i) {
              return std::pair{500.0 + (i % 2 ? 2.0 : -2.0), 400.0};
          },
          false},
         0.2},
        {"a wobble in both axes reads its largest distance from the mean",
         {7, 200, [](int i) { return i * 8000LL; },
          [](int i) {
              const double a = i * 0.7;
              return std::pair{500.0 + 3 * std::cos(a), 400.0 + 3 * std::sin(a)};
          },
          false},
         0.3},
        {"resting for less than a second reads nothing",
         {7, 100, [](int i) { return i * 8000LL; },
          [](int i) {
              return std::pair{500.0 + (i % 2), 400.0};
          },
          false},
         std::nullopt},
        {"a moving finger never rests",
         {7, 300, [](int i) { return i * 8000LL; },
          [](int i) {
              return std::pair{100.0 + i * 5, 400.0};
          },
          false},
         std::nullopt},
        {"a slide then a rest: the settling second does not count",
         {7, 400, [](int i) { return i * 8000LL; },
          [](int i) {
              return i < 100 ? std::pair{100.0 + i * 5, 400.0}
                             : std::pair{600.0 + (i % 2 ? 1.5 : -1.5), 400.0};
          },
          false},
         0.15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchStatistics s = MakeStatistics();
        Feed(s, c.stream);
        const std::vector<ContactFigures> active = s.Active();
        ASSERT_EQ(active.size(), 1u);
        ASSERT_EQ(active[0].jitterMm.has_value(), c.jitter.has_value());
        if (c.jitter) {
            EXPECT_NEAR(*active[0].jitterMm, *c.jitter, 0.01);
            EXPECT_NEAR(*s.WorstJitterMm(), *c.jitter, 0.01);
        }
        // The lift keeps the rest's jitter with the contact.
        const auto [x, y] = c.stream.at(c.stream.count - 1);
        s.Add(Sample(c.stream.count * 8000LL, 7, x, y, kUp));
        ASSERT_EQ(Only(s).worstJitterMm.has_value(), c.jitter.has_value());
        if (c.jitter) {
            EXPECT_NEAR(*Only(s).worstJitterMm, *c.jitter, 0.01);
        }
    }
}

TEST(TouchStatistics, JitterBeyondTheBarFailsAndARestEndedByAMoveIsKept) {
    TouchStatistics s = MakeStatistics();
    // 1.2 s resting with +-0.8 mm, then a slide away.
    Stream stream{7, 250, [](int i) { return i * 8000LL; },
                  [](int i) {
                      return i < 150 ? std::pair{500.0 + (i % 2 ? 8.0 : -8.0), 400.0}
                                     : std::pair{500.0 + (i - 149) * 10.0, 400.0};
                  }};
    Feed(s, stream);
    ASSERT_TRUE(s.WorstJitterMm());
    EXPECT_NEAR(*s.WorstJitterMm(), 0.8, 0.005);
    EXPECT_EQ(JudgeJitter(s.WorstJitterMm()), Verdict::Fail);
}

TEST(TouchStatistics, StraightnessIsTheLargestDistanceFromTheBestFitLine) {
    struct Case {
        const char* name;
        int count;
        std::function<std::pair<double, double>(int)> at;
        std::optional<double> straightness;
        bool nearEdge;
        Verdict verdict;
    } cases[] = {
        {"a ruler-straight stroke", 1001,
         [](int i) {
             return std::pair{100.0 + i, 500.0};
         },
         0.0, false, Verdict::Pass},
        {"one point 1.5 mm off", 1001,
         [](int i) {
             return std::pair{100.0 + i, 500.0 + (i == 500 ? 15.0 : 0.0)};
         },
         1.5, false, Verdict::Fail},
        {"a slanted line with one point 0.8 mm off across it", 801,
         [](int i) {
             // 0.8 mm = 8 px along the normal of the 3:4 direction.
             const double off = i == 300 ? 8.0 : 0.0;
             return std::pair{100.0 + i * 0.8 - off * 0.6, 100.0 + i * 0.6 + off * 0.8};
         },
         0.8, false, Verdict::Pass},
        {"one point 1.5 mm off far past the capacity: kept through the halving", 9001,
         [](int i) {
             return std::pair{100.0 + i * 0.15, 500.0 + (i == 4321 ? 15.0 : 0.0)};
         },
         1.5, false, Verdict::Fail},
        {"1.5 mm off within 3.5 mm of the top edge passes the edge bar", 1001,
         [](int i) {
             return std::pair{100.0 + i, 20.0 + (i == 500 ? 15.0 : 0.0)};
         },
         1.5, true, Verdict::Pass},
        {"a tap is not judged", 40,
         [](int i) {
             return std::pair{500.0 + i, 500.0};
         },
         std::nullopt, false, Verdict::NotTested},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchStatistics s = MakeStatistics();
        Feed(s, {7, c.count, [](int i) { return i * 4000LL; }, c.at});
        const ContactFigures& f = Only(s);
        ASSERT_EQ(f.stroke.has_value(), c.straightness.has_value());
        EXPECT_EQ(JudgeStroke(f.stroke), c.verdict);
        if (!c.straightness) {
            EXPECT_FALSE(s.LastStroke());
            continue;
        }
        EXPECT_NEAR(f.stroke->maxMm, *c.straightness, 0.01);
        EXPECT_EQ(f.stroke->edgeMaxMm.has_value(), c.nearEdge);
        ASSERT_TRUE(s.LastStroke());
        EXPECT_EQ(s.LastStroke()->id, 7u);
    }
}

TEST(TouchStatistics, WorstStrokeIsTheOneFarthestPastItsBar) {
    TouchStatistics s = MakeStatistics();
    const auto line = [](double off) {
        return [off](int i) { return std::pair{100.0 + i, 500.0 + (i == 100 ? off : 0.0)}; };
    };
    Feed(s, {1, 201, [](int i) { return i * 4000LL; }, line(12)});
    Feed(s, {2, 201, [](int i) { return 1000000 + i * 4000LL; }, line(5)});
    ASSERT_TRUE(s.WorstStroke() && s.LastStroke());
    EXPECT_EQ(s.WorstStroke()->id, 1u);
    EXPECT_EQ(s.LastStroke()->id, 2u);
}

TEST(TouchStatistics, ContactsPeakBeyondTheTableAndStuck) {
    TouchStatistics s = MakeStatistics();
    for (uint32_t id = 1; id <= 12; ++id) {
        s.Add(Sample(id * 1000, id, 100.0 * id, 300, kDown));
    }
    EXPECT_EQ(s.ActiveCount(), 12);
    EXPECT_EQ(s.PeakContacts(), 12);
    EXPECT_EQ(s.BeyondTableCount(), 2);
    for (uint32_t id = 1; id <= 11; ++id) {
        s.Add(Sample(20000, id, 100.0 * id, 300, kUp));
    }
    EXPECT_EQ(s.ActiveCount(), 1);
    EXPECT_EQ(s.PeakContacts(), 12);

    // Contact 12 falls silent: stuck from two seconds on, counted once.
    s.Tick(12000 + kStuckAfterUs - 1);
    EXPECT_FALSE(s.Active()[0].stuck);
    s.Tick(12000 + kStuckAfterUs);
    EXPECT_TRUE(s.Active()[0].stuck);
    s.Tick(12000 + 3 * kStuckAfterUs);
    EXPECT_EQ(s.StuckCount(), 1);
    EXPECT_EQ(JudgeStuck(s.StuckCount()), Verdict::Fail);
    // An input brings it back; it stays in the count.
    s.Add(Sample(12000 + 3 * kStuckAfterUs, 12, 1200, 300, kMove));
    EXPECT_FALSE(s.Active()[0].stuck);
    EXPECT_EQ(s.StuckCount(), 1);

    // Id 0 and ups for unknown ids are not contacts.
    s.Add(Sample(9000000, 0, 5, 5, kDown));
    s.Add(Sample(9000000, 99, 5, 5, kUp));
    EXPECT_EQ(s.ActiveCount(), 1);
    EXPECT_EQ(s.UntrackedInputs(), 2);
}

TEST(TouchStatistics, TrackedContactsAreBounded) {
    TouchStatistics s = MakeStatistics();
    for (uint32_t id = 1; id <= kMaxTrackedContacts + 5; ++id) {
        s.Add(Sample(id, id, 10, 10, kDown));
    }
    EXPECT_EQ(s.ActiveCount(), kMaxTrackedContacts);
    EXPECT_EQ(s.UntrackedInputs(), 5);
    for (uint32_t id = 1; id <= kMaxTrackedContacts; ++id) {
        s.Add(Sample(100, id, 10, 10, kUp));
    }
    for (uint32_t id = 1; id <= kMaxFinishedContacts + 100; ++id) {
        s.Add(Sample(100000 + id, 1000 + id, 10, 10, kDown));
        s.Add(Sample(100000 + id, 1000 + id, 10, 10, kUp));
    }
    EXPECT_EQ(s.Finished().size(), kMaxFinishedContacts);
}

TEST(TouchStatistics, ClosestContactsEdgeToEdgeWhenBothReportASize) {
    struct Case {
        const char* name;
        double widthPx; // 0: no size reported
        double mm;
        bool edgeToEdge;
    } cases[] = {
        {"centres 6 mm apart", 0, 6.0, false},
        {"10 mm wide contacts, centres 6 mm apart: touching", 100, 0.0, true},
        {"4 mm wide contacts: 2 mm edge to edge", 40, 2.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchStatistics s = MakeStatistics();
        TouchSample a = Sample(0, 1, 500, 500, kDown);
        TouchSample b = Sample(0, 2, 560, 500, kDown);
        a.widthPx = a.heightPx = b.widthPx = b.heightPx = c.widthPx;
        s.Add(a);
        s.Add(b);
        ASSERT_TRUE(s.ClosestNow() && s.ClosestSeen());
        EXPECT_NEAR(s.ClosestNow()->mm, c.mm, 1e-9);
        EXPECT_EQ(s.ClosestNow()->edgeToEdge, c.edgeToEdge);
        EXPECT_NEAR(s.ClosestSeen()->mm, c.mm, 1e-9);
        // Moving apart leaves the closest seen where it was.
        s.Add(Sample(8000, 2, 900, 500, kMove));
        EXPECT_GT(s.ClosestNow()->mm, 25);
        EXPECT_NEAR(s.ClosestSeen()->mm, c.mm, 1e-9);
        EXPECT_EQ(JudgeSeparation(s.ClosestSeen()), Verdict::Pass);
    }
}

TEST(TouchStatistics, WithoutAScaleTheMillimetreFiguresAreLeftOut) {
    TouchStatistics s;
    s.SetScreenSize(1920, 1080);
    Feed(s, {7, 300, [](int i) { return i * 8000LL; },
             [](int i) {
                 return std::pair{100.0 + i, 400.0 + (i % 2)};
             },
             false});
    s.Add(Sample(0, 8, 200, 200, kDown));
    const std::vector<ContactFigures> active = s.Active();
    EXPECT_FALSE(active[0].positionMm);
    EXPECT_FALSE(active[0].jitterMm);
    EXPECT_FALSE(s.ClosestNow());
    EXPECT_NEAR(*active[0].MeanRateHz(), 125, 0.01);
    s.Add(Sample(300 * 8000, 7, 400, 400, kUp));
    EXPECT_FALSE(s.LastStroke());
}

TEST(SampleClock, InputTimeWhereItAdvancesElseArrival) {
    struct Step {
        uint32_t inputMs;
        int64_t arrivalUs;
        int64_t stamp;
        TimeSource source;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"input time from its first value",
         {{5000, 1, 0, TimeSource::InputTime},
          {5008, 999, 8000, TimeSource::InputTime},
          {5016, 2, 16000, TimeSource::InputTime}}},
        {"no input time: arrival from the start",
         {{0, 700, 700, TimeSource::Arrival}, {0, 8700, 8700, TimeSource::Arrival}}},
        {"input time standing still hands over to arrival, without a jump",
         {{100, 0, 0, TimeSource::InputTime},
          {108, 8000, 8000, TimeSource::InputTime},
          {108, 50000, 8000, TimeSource::InputTime},
          {108, 200000, 8000, TimeSource::Arrival},
          {108, 208000, 16000, TimeSource::Arrival}}},
        {"the millisecond tick wraps",
         {{0xFFFFFFF8u, 0, 0, TimeSource::InputTime},
          {0x00000008u, 16000, 16000, TimeSource::InputTime}}},
        {"input times never go back",
         {{500, 0, 0, TimeSource::InputTime},
          {520, 0, 20000, TimeSource::InputTime},
          {510, 0, 20000, TimeSource::InputTime}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleClock clock;
        for (const Step& step : c.steps) {
            EXPECT_EQ(clock.Stamp(step.inputMs, step.arrivalUs), step.stamp);
            EXPECT_EQ(clock.Source(), step.source);
        }
    }
    SampleClock clock;
    clock.Stamp(1000, 100);
    clock.Stamp(1008, 8100);
    EXPECT_EQ(clock.Now(2008100), 2008000);
}

TEST(InputLog, KeepsTheMostRecentInputsOldestFirst) {
    InputLog log(3);
    for (int i = 1; i <= 5; ++i) {
        TouchSample s = Sample(i * 1500, 10 + i, i * 100.25, 50.5, i == 1 ? kDown : kMove);
        s.widthPx = 12;
        s.heightPx = 14.5;
        log.Add(s);
    }
    EXPECT_EQ(log.Size(), 3u);
    EXPECT_EQ(log.Total(), 5u);
    EXPECT_EQ(log.At(0).id, 13u);
    EXPECT_EQ(log.At(2).id, 15u);
    EXPECT_EQ(log.Csv(), "time_ms,id,x_px,y_px,flags,contact_width_px,contact_height_px\r\n"
                         "4.500,13,300.75,50.50,0x0009,12.00,14.50\r\n"
                         "6.000,14,401.00,50.50,0x0009,12.00,14.50\r\n"
                         "7.500,15,501.25,50.50,0x0009,12.00,14.50\r\n");
    InputLog full;
    for (int i = 0; i < 100005; ++i) {
        full.Add(Sample(i, 1, 0, 0, kMove));
    }
    EXPECT_EQ(full.Size(), kInputLogCapacity);
    EXPECT_EQ(full.At(0).timeUs, 5);
}

TEST(Verdicts, CountsAndEmptyFigures) {
    const struct {
        int64_t count;
        Verdict verdict;
    } counts[] = {{0, Verdict::NotTested},
                  {1, Verdict::Fail},
                  {4, Verdict::Fail},
                  {5, Verdict::Pass},
                  {10, Verdict::Pass}};
    for (const auto& c : counts) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(JudgeContactCount(c.count), c.verdict);
    }
    EXPECT_EQ(JudgeJitter(std::nullopt), Verdict::NotTested);
    EXPECT_EQ(JudgeJitter(0.5), Verdict::Pass);
    EXPECT_EQ(JudgeJitter(0.51), Verdict::Fail);
    EXPECT_EQ(JudgeSeparation(std::nullopt), Verdict::NotTested);
    EXPECT_EQ(JudgeSeparation(Separation{8.0, true}), Verdict::Pass);
    EXPECT_EQ(JudgeSeparation(Separation{8.5, true}), Verdict::NotTested);
    EXPECT_EQ(JudgeStuck(0), Verdict::Pass);
    EXPECT_EQ(RateFloorHz(0), Bar::kFallbackRefreshHz);
    EXPECT_EQ(RateFloorHz(144), 144);
    StrokeMeasure edge{1.9, 0.9, 1.9, 100};
    EXPECT_EQ(JudgeStroke(edge), Verdict::Pass);
    edge.innerMaxMm = 1.1;
    EXPECT_EQ(JudgeStroke(edge), Verdict::Fail);
}

} // namespace
