#include "speedtest/SpeedTestLogic.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

struct PixelCase {
    int32_t row;
    int32_t column;
    uint32_t expected; // 0x00RRGGBB
};

TEST(GradientPixel, StripesAndRampAcrossTheirBoundaries) {
    const PixelCase cases[] = {
        {0, 0, 0x000000},                            // the ramp starts dark
        {0, 1, 0x000001},      {0, 254, 0x0000FE},   // last ramp step inside the blue stripe
        {0, 255, 0x000000},                          // the ramp restarts at 255 while still blue
        {0, 256, 0x000100},                          // green stripe, ramp at 1
        {0, 511, 0x000100},                          // last green column: 511 mod 255 = 1
        {0, 512, 0x020000},                          // red stripe: 512 mod 255 = 2
        {0, 767, 0x020000},                          // last red column
        {0, 768, 0x000003},                          // blue again, the ramp has drifted by 3
        {0, 1020, 0x000000},                         // 4 x 255: the ramp restarts inside blue
        {0, 1535, 0x050000},                         // last column of a 1280-wide client's strip
        {1, 253, 0x0000FE},                          // constant along the diagonal
        {255, 0, 0x000000},                          // rows count like columns
        {256, 0, 0x000100},    {200, 311, 0x000100}, // row and column together cross into green
        {300, 467, 0x020000},                        // 767 on the diagonal
        {719, 1535, 0xD60000},                       // bottom right of a 1280 x 720 client's strip
    };
    for (const PixelCase& c : cases) {
        EXPECT_EQ(GradientPixel(c.row, c.column), c.expected)
            << "row " << c.row << " column " << c.column;
    }
}

TEST(GradientPixel, OnlyOneChannelIsEverLit) {
    for (int32_t diagonal = 0; diagonal < 3 * 768; ++diagonal) {
        const uint32_t pixel = GradientPixel(0, diagonal);
        const uint32_t blue = pixel & 0xFF;
        const uint32_t green = (pixel >> 8) & 0xFF;
        const uint32_t red = (pixel >> 16) & 0xFF;
        EXPECT_EQ(pixel >> 24, 0u) << diagonal;
        EXPECT_LE((blue != 0) + (green != 0) + (red != 0), 1) << diagonal;
        EXPECT_EQ(blue + green + red, static_cast<uint32_t>(diagonal % 255)) << diagonal;
    }
}

TEST(FillGradientStrip, EveryPixelFollowsTheFormula) {
    // Wider and taller than one stripe cycle, so the stepped fill wraps both counters in
    // mid-row and starts later rows in every phase.
    struct Size {
        int32_t width;
        int32_t height;
    };
    for (const Size size : {Size{1300, 800}, Size{256, 3}, Size{1, 770}}) {
        std::vector<uint32_t> pixels(static_cast<size_t>(size.width) * size.height, 0xFFFFFFFF);
        FillGradientStrip(pixels.data(), size.width, size.height);
        int mismatches = 0;
        for (int32_t row = 0; row < size.height; ++row) {
            for (int32_t column = 0; column < size.width; ++column) {
                const uint32_t actual = pixels[static_cast<size_t>(row) * size.width + column];
                if (actual != GradientPixel(row, column) && ++mismatches <= 5) {
                    ADD_FAILURE() << size.width << "x" << size.height << " at row " << row
                                  << " column " << column << ": " << std::hex << actual;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(FillGradientStrip, EmptySizesWriteNothing) {
    std::vector<uint32_t> pixels(4, 0xABCDEF01);
    FillGradientStrip(pixels.data(), 0, 4);
    FillGradientStrip(pixels.data(), 4, 0);
    FillGradientStrip(pixels.data(), -4, 1);
    FillGradientStrip(nullptr, 4, 1);
    for (uint32_t pixel : pixels) {
        EXPECT_EQ(pixel, 0xABCDEF01u);
    }
}

TEST(SourceOffset, RunsFromOneTo256AndWraps) {
    const std::pair<int32_t, int32_t> steps[] = {
        {0, 1}, {1, 2}, {128, 129}, {255, 256}, {256, 1},
    };
    for (const auto& [from, to] : steps) {
        EXPECT_EQ(NextSourceOffset(from), to) << from;
    }
    // Over many frames from the start: frame n copies from ((n - 1) mod 256) + 1.
    int32_t offset = 0;
    for (int32_t frame = 1; frame <= 1000; ++frame) {
        offset = NextSourceOffset(offset);
        ASSERT_EQ(offset, (frame - 1) % 256 + 1) << "frame " << frame;
    }
}

struct PixelsCase {
    int32_t width;
    int32_t clientHeight;
    int32_t count;
    int64_t expected;
};

TEST(PicturePixels, CountsTheAreaBelowTheStatusBand) {
    const PixelsCase cases[] = {
        {1280, 720, 1, 1280 * 704},
        {1920, 1080, 1, 1920 * 1064},
        {1280, 720, 3, 3 * 1280 * 704},
        {800, 17, 1, 800},
        {800, 16, 1, 0}, // only the status band
        {800, 10, 1, 0}, // lower than the band: no negative pixels
        {800, 0, 1, 0},  // minimised
        {0, 0, 1, 0},
        {0, 600, 1, 0},
        {1280, 720, 0, 0},
        {-5, 720, 1, 0},
        {1280, 720, -2, 0},
        // Beyond 32 bits: 7680 x 4304 x 100 = 3 305 472 000.
        {7680, 4320, 100, INT64_C(3305472000)},
        {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), 2,
         INT64_C(2) * std::numeric_limits<int32_t>::max() *
             (int64_t{std::numeric_limits<int32_t>::max()} - 16)},
    };
    for (const PixelsCase& c : cases) {
        EXPECT_EQ(PicturePixels(c.width, c.clientHeight, c.count), c.expected)
            << c.width << "x" << c.clientHeight << " x" << c.count;
    }
}

struct RatesCase {
    double pixelTotal;
    int32_t frames;
    int32_t milliseconds;
    double megabytesPerSecond;
    double framesPerSecond;
};

TEST(MeasureRates, MebibytesOfFourBytePixelsAndFramesPerSecond) {
    const RatesCase cases[] = {
        {262144, 50, 1000, 1.0, 50.0}, // 2^18 pixels x 4 bytes = 1 MiB
        {50.0 * 1280 * 704, 50, 1000, 171.875, 50.0},
        {50.0 * 1280 * 704, 50, 250, 687.5, 200.0},
        {50.0 * 1920 * 1064, 50, 500, 779.296875, 100.0},
        {0, 50, 20, 0.0, 2500.0},         // empty frames still count
        {262144, 50, 1, 1000.0, 50000.0}, // shortest measurable interval
        {262144, 75, 3000, 1.0 / 3.0, 25.0},
    };
    for (const RatesCase& c : cases) {
        const std::optional<SpeedRates> rates =
            MeasureRates(c.pixelTotal, c.frames, c.milliseconds);
        ASSERT_TRUE(rates.has_value()) << c.milliseconds;
        EXPECT_DOUBLE_EQ(rates->megabytesPerSecond, c.megabytesPerSecond) << c.milliseconds;
        EXPECT_DOUBLE_EQ(rates->framesPerSecond, c.framesPerSecond) << c.milliseconds;
    }
}

TEST(MeasureRates, AnIntervalWithoutLengthGivesNoRates) {
    for (const int32_t milliseconds : {0, -1, std::numeric_limits<int32_t>::min()}) {
        EXPECT_FALSE(MeasureRates(1e6, 50, milliseconds).has_value()) << milliseconds;
    }
}

TEST(TruncateRate, TowardZeroAndInsideTheIntegerRange) {
    const std::pair<double, int32_t> cases[] = {
        {0.0, 0},
        {0.999, 0},
        {171.875, 171},
        {59.9999, 59},
        {-3.7, -3},
        {2147483646.5, 2147483646},
        {1e12, std::numeric_limits<int32_t>::max()},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::max()},
        {-1e12, std::numeric_limits<int32_t>::min()},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& [rate, expected] : cases) {
        EXPECT_EQ(TruncateRate(rate), expected) << rate;
    }
}

TEST(SpeedMeter, MeasuresEvery50FramesAndStartsTheNextInterval) {
    SpeedMeter meter;
    StartSpeedMeter(meter, 5000);
    for (int frame = 1; frame <= 49; ++frame) {
        meter.pixelTotal += 1280.0 * 704;
        meter.frames += 1;
        EXPECT_FALSE(MeasurementDue(meter)) << frame;
    }
    meter.pixelTotal += 1280.0 * 704;
    meter.frames += 1;
    ASSERT_TRUE(MeasurementDue(meter));
    ASSERT_TRUE(TakeMeasurement(meter, 6000));
    EXPECT_DOUBLE_EQ(meter.last.megabytesPerSecond, 171.875);
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 50.0);
    EXPECT_EQ(meter.frames, 0);
    EXPECT_EQ(meter.pixelTotal, 0.0);
    EXPECT_EQ(meter.intervalStart, 6000u);
    EXPECT_FALSE(MeasurementDue(meter));

    // The second interval is measured from the first's end, not from the start.
    for (int frame = 0; frame < 50; ++frame) {
        meter.frames += 1;
    }
    ASSERT_TRUE(TakeMeasurement(meter, 6250));
    EXPECT_DOUBLE_EQ(meter.last.megabytesPerSecond, 0.0);
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 200.0);
}

// The worker's own step: one count per frame, the clock read and the rates taken only at
// frames 50, 100, ... (a doubled count or a shorter period measures at 25).
TEST(SpeedMeter, CountFrameCountsOnceAndMeasuresAtEveryFiftiethFrame) {
    SpeedMeter meter;
    StartSpeedMeter(meter, 1000);
    uint32_t now = 1000;
    std::vector<int> clockReadAt;
    int frame = 0;
    const auto clock = [&] {
        clockReadAt.push_back(frame);
        return now;
    };
    std::vector<int> measuredAt;
    for (frame = 1; frame <= 150; ++frame) {
        now += 10;
        meter.pixelTotal += 1024.0 * 1024 / 4;
        if (CountFrame(meter, clock)) {
            measuredAt.push_back(frame);
            // 50 frames over 500 ms, each a mebibyte of 32-bit pixels.
            EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 100.0) << frame;
            EXPECT_DOUBLE_EQ(meter.last.megabytesPerSecond, 100.0) << frame;
        }
        EXPECT_EQ(meter.frames, frame % 50) << frame;
    }
    EXPECT_EQ(measuredAt, (std::vector<int>{50, 100, 150}));
    EXPECT_EQ(clockReadAt, (std::vector<int>{50, 100, 150}));
}

TEST(SpeedMeter, ZeroLengthIntervalKeepsTheLastRatesAndGoesOn) {
    SpeedMeter meter;
    StartSpeedMeter(meter, 100);
    meter.frames = 50;
    meter.pixelTotal = 262144;
    ASSERT_TRUE(TakeMeasurement(meter, 1100));
    meter.frames = 50;
    meter.pixelTotal = 262144;

    // 50 frames within the same millisecond tick: no division by zero, the last rates stay.
    EXPECT_FALSE(TakeMeasurement(meter, 1100));
    EXPECT_DOUBLE_EQ(meter.last.megabytesPerSecond, 1.0);
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 50.0);
    EXPECT_TRUE(MeasurementDue(meter));

    // The next frame tries again over everything since the last measurement.
    meter.frames += 1;
    meter.pixelTotal += 262144;
    ASSERT_TRUE(TakeMeasurement(meter, 1102));
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 51 / 0.002);
    EXPECT_DOUBLE_EQ(meter.last.megabytesPerSecond, 1000.0);
}

TEST(SpeedMeter, ClockWrapAndClockGoingBack) {
    SpeedMeter meter;
    // Across the 32-bit wrap of the millisecond clock the interval is still 1000 ms.
    StartSpeedMeter(meter, 0xFFFFFE00u);
    meter.frames = 50;
    ASSERT_TRUE(TakeMeasurement(meter, 0xFFFFFE00u + 1000u));
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 50.0);

    // A clock behind the interval's start: no rates, and a fresh interval from there.
    meter.frames = 50;
    meter.pixelTotal = 99;
    EXPECT_FALSE(TakeMeasurement(meter, meter.intervalStart - 10));
    EXPECT_DOUBLE_EQ(meter.last.framesPerSecond, 50.0);
    EXPECT_EQ(meter.frames, 0);
    EXPECT_EQ(meter.pixelTotal, 0.0);
}

TEST(SpeedTestStatus, BeforeAndAfterTheFirstMeasurement) {
    SpeedMeter meter;
    StartSpeedMeter(meter, 0);
    EXPECT_EQ(FormatSpeedTestStatus(meter.last, nullptr), u" 0 MB/s (0 FPS) BitBlt");
    meter.frames = 50;
    meter.pixelTotal = 50.0 * 1280 * 704;
    ASSERT_TRUE(TakeMeasurement(meter, 250));
    EXPECT_EQ(FormatSpeedTestStatus(meter.last, nullptr), u" 687 MB/s (200 FPS) BitBlt");
}

struct StatusCase {
    double megabytesPerSecond;
    double framesPerSecond;
    const char16_t* unit;
    std::u16string expected;
};

TEST(SpeedTestStatus, NumbersTruncatedAndTheUnitFallsBackToS) {
    const StatusCase cases[] = {
        {0, 0, nullptr, u" 0 MB/s (0 FPS) BitBlt"},
        {0, 0, u"", u" 0 MB/s (0 FPS) BitBlt"},
        {171.875, 50, nullptr, u" 171 MB/s (50 FPS) BitBlt"},
        {0.99, 1999.99, nullptr, u" 0 MB/s (1999 FPS) BitBlt"},
        {12, 3, u"sec", u" 12 MB/sec (3 FPS) BitBlt"},
        {12, 3, u"str:4?", u" 12 MB/str:4? (3 FPS) BitBlt"},
        {12, 3, u"\u0441", u" 12 MB/\u0441 (3 FPS) BitBlt"},
        {1e15, 1e15, nullptr, u" 2147483647 MB/s (2147483647 FPS) BitBlt"},
    };
    for (const StatusCase& c : cases) {
        const std::u16string text =
            FormatSpeedTestStatus(SpeedRates{c.megabytesPerSecond, c.framesPerSecond}, c.unit);
        EXPECT_TRUE(text == c.expected)
            << std::string(text.begin(), text.end()) << " for " << c.megabytesPerSecond;
    }
}

TEST(SpeedTestStatus, ALongUnitIsCutToTheStatusBuffer) {
    const std::u16string unit(400, u'x');
    const std::u16string text = FormatSpeedTestStatus(SpeedRates{5, 6}, unit.c_str());
    EXPECT_EQ(text.size(), kStatusTextCapacity - 1);
    EXPECT_EQ(text.substr(0, 7), u" 5 MB/x");
    EXPECT_EQ(text.back(), u'x');
}

} // namespace
