#include "speedtest/SpeedTestLogic.h"

#include <cmath>
#include <limits>

namespace {

constexpr int32_t kRampLength = 255;
constexpr int32_t kStripeLength = 256;
constexpr int32_t kStripeCycle = 3 * kStripeLength;

uint32_t StripePixel(int32_t ramp, int32_t stripe) {
    // Blue, then green, then red.
    return static_cast<uint32_t>(ramp) << (8 * (stripe / kStripeLength));
}

std::u16string Digits(int32_t value) {
    const std::string narrow = std::to_string(value);
    return std::u16string(narrow.begin(), narrow.end());
}

} // namespace

uint32_t GradientPixel(int32_t row, int32_t column) {
    const int64_t diagonal = static_cast<int64_t>(row) + column;
    return StripePixel(static_cast<int32_t>(diagonal % kRampLength),
                       static_cast<int32_t>(diagonal % kStripeCycle));
}

void FillGradientStrip(uint32_t* pixels, int32_t width, int32_t height) {
    if (!pixels || width <= 0 || height <= 0) {
        return;
    }
    for (int32_t row = 0; row < height; ++row) {
        uint32_t* line = pixels + static_cast<size_t>(row) * static_cast<size_t>(width);
        // Stepped along the row instead of two divisions per pixel.
        int32_t ramp = row % kRampLength;
        int32_t stripe = row % kStripeCycle;
        for (int32_t column = 0; column < width; ++column) {
            line[column] = StripePixel(ramp, stripe);
            if (++ramp == kRampLength) {
                ramp = 0;
            }
            if (++stripe == kStripeCycle) {
                stripe = 0;
            }
        }
    }
}

int32_t NextSourceOffset(int32_t offset) {
    const int32_t wrapped = offset % kStripExtraWidth;
    return (wrapped < 0 ? wrapped + kStripExtraWidth : wrapped) + 1;
}

int64_t PicturePixels(int32_t width, int32_t clientHeight, int32_t count) {
    const int64_t band = static_cast<int64_t>(clientHeight) - kStatusBandHeight;
    if (width <= 0 || band <= 0 || count <= 0) {
        return 0;
    }
    return static_cast<int64_t>(width) * band * count;
}

std::optional<SpeedRates> MeasureRates(double pixelTotal, int32_t frames,
                                       int32_t elapsedMilliseconds) {
    if (elapsedMilliseconds <= 0) {
        return std::nullopt;
    }
    const double seconds = elapsedMilliseconds / 1000.0;
    SpeedRates rates;
    rates.megabytesPerSecond = pixelTotal * 4.0 / seconds / (1024.0 * 1024.0);
    rates.framesPerSecond = frames / seconds;
    return rates;
}

int32_t TruncateRate(double rate) {
    if (std::isnan(rate)) {
        return 0;
    }
    if (rate >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (rate <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(rate);
}

void StartSpeedMeter(SpeedMeter& meter, uint32_t now) {
    meter = SpeedMeter{};
    meter.intervalStart = now;
}

bool MeasurementDue(const SpeedMeter& meter) {
    return meter.frames >= kFramesPerMeasurement;
}

bool CountFrame(SpeedMeter& meter, const std::function<uint32_t()>& clock) {
    meter.frames += 1;
    return MeasurementDue(meter) && TakeMeasurement(meter, clock());
}

bool TakeMeasurement(SpeedMeter& meter, uint32_t now) {
    // The clock wraps after 49.7 days; the signed difference stays right across the wrap.
    const auto elapsed = static_cast<int32_t>(now - meter.intervalStart);
    if (elapsed < 0) {
        meter.intervalStart = now;
        meter.pixelTotal = 0;
        meter.frames = 0;
        return false;
    }
    const std::optional<SpeedRates> rates = MeasureRates(meter.pixelTotal, meter.frames, elapsed);
    if (!rates) {
        return false;
    }
    meter.last = *rates;
    meter.intervalStart = now;
    meter.pixelTotal = 0;
    meter.frames = 0;
    return true;
}

std::u16string FormatSpeedTestStatus(const SpeedRates& rates, const char16_t* unit) {
    std::u16string text = u" ";
    text += Digits(TruncateRate(rates.megabytesPerSecond));
    text += u" MB/";
    text += (unit && *unit) ? unit : u"s";
    text += u" (";
    text += Digits(TruncateRate(rates.framesPerSecond));
    text += u" FPS) BitBlt";
    if (text.size() >= kStatusTextCapacity) {
        text.resize(kStatusTextCapacity - 1);
    }
    return text;
}
