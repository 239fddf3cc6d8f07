#pragma once
// What the drawing-speed test computes and shows: the scrolling picture, the rates and the
// status line. The worker thread supplies the clock and the drawing.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

inline constexpr int32_t kStatusBandHeight = 16;
// The picture is this much wider than the client area, so it can scroll by up to 256 pixels.
inline constexpr int32_t kStripExtraWidth = 256;
inline constexpr int32_t kFramesPerMeasurement = 50;
// The unit after "MB/"; no language carries a text for it.
inline constexpr int32_t kSpeedUnitStringId = 4;
inline constexpr size_t kStatusTextCapacity = 256; // wide characters, terminator included

// Pixel of the picture, 0x00RRGGBB: diagonal stripes of blue, green and red, 256 steps each,
// with an intensity ramp that restarts every 255 steps.
uint32_t GradientPixel(int32_t row, int32_t column);

// Fills a top-down picture of width x height pixels, rows packed without padding.
void FillGradientStrip(uint32_t* pixels, int32_t width, int32_t height);

// The x position the next frame copies from: 1, 2, ..., 256, 1, ... starting from 0.
int32_t NextSourceOffset(int32_t offset);

// Picture pixels that count frames of a client area copy: the area below the status band.
// A client lower than the band, or an empty one, copies nothing; formed in 64 bits.
int64_t PicturePixels(int32_t width, int32_t clientHeight, int32_t count);

struct SpeedRates {
    double megabytesPerSecond = 0; // mebibytes of 32-bit pixels
    double framesPerSecond = 0;
};

// Rates over an interval; nothing when the interval has no length (the millisecond clock did
// not move, or it went back), since no rate can be told from it.
std::optional<SpeedRates> MeasureRates(double pixelTotal, int32_t frames,
                                       int32_t elapsedMilliseconds);

// Truncates toward zero into the range of int32_t; not-a-number gives 0.
int32_t TruncateRate(double rate);

// The running measurement of one worker.
struct SpeedMeter {
    uint32_t intervalStart = 0; // millisecond clock
    double pixelTotal = 0;      // picture pixels since the last measurement
    int32_t frames = 0;         // frames since the last measurement
    SpeedRates last;            // what the status line shows
};

void StartSpeedMeter(SpeedMeter& meter, uint32_t now);
bool MeasurementDue(const SpeedMeter& meter);
// Measures at now and starts the next interval. When no time has passed the interval goes on
// (its frames and pixels count toward the next try) and the last rates stay; a clock that went
// back starts a fresh interval. True when new rates were taken.
bool TakeMeasurement(SpeedMeter& meter, uint32_t now);

// Counts one drawn frame; every kFramesPerMeasurement-th frame reads the clock and measures.
// True when new rates were taken.
bool CountFrame(SpeedMeter& meter, const std::function<uint32_t()>& clock);

// " <MB/s> MB/<unit> (<FPS> FPS) BitBlt". A missing or empty unit reads "s". Cut to what the
// status buffer holds.
std::u16string FormatSpeedTestStatus(const SpeedRates& rates, const char16_t* unit);
