#include "screens/StartScreenLayout.h"

#include "lang/StringLookup.h"
#include "screens/BoundedText.h"

namespace {

constexpr StringId kScreenLabel = 16;
constexpr StringId kWindowLabel = 17;

constexpr uint32_t Bgr(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// 64-bit products: a width or height beyond 10 million would overflow 32 bits.
int32_t ScaledByWidth(int32_t clientWidth, int32_t factor) {
    return static_cast<int32_t>(static_cast<int64_t>(clientWidth) * factor / kReferenceWidth);
}

} // namespace

int32_t StartScreenFontHeight(int32_t clientWidth) {
    return ScaledByWidth(clientWidth, -26);
}

int32_t StartScreenShadowStep(int32_t clientWidth) {
    return ScaledByWidth(clientWidth, -3);
}

uint32_t GradientRowColour(int32_t y, int32_t clientHeight) {
    if (clientHeight <= 0) {
        return Bgr(0, 0, kGradientSteps);
    }
    const auto c = static_cast<uint32_t>(static_cast<int64_t>(kGradientSteps) * y / clientHeight);
    return Bgr(c, 0, kGradientSteps - c);
}

GradientBand GradientBandOfStep(int32_t step, int32_t clientHeight) {
    // Row y has step floor(200 y / H), so step s begins at the first y with 200 y >= s H.
    const auto firstRow = [clientHeight](int64_t s) {
        return static_cast<int32_t>((s * clientHeight + kGradientSteps - 1) / kGradientSteps);
    };
    if (clientHeight <= 0 || step < 0 || step >= kGradientSteps) {
        return GradientBand{0, 0, Bgr(0, 0, kGradientSteps)};
    }
    const auto s = static_cast<uint32_t>(step);
    return GradientBand{firstRow(step), firstRow(step + 1), Bgr(s, 0, kGradientSteps - s)};
}

LayoutRect StartScreenTextRect(const LayoutRect& client) {
    return LayoutRect{client.left + kTextMargin, client.top + kTextMargin, client.right,
                      client.bottom};
}

bool IsRightToLeftLanguage(int32_t language) {
    return language == 18 || language == 25 || language == 29;
}

StartScreenLayout ComputeStartScreenLayout(const LayoutRect& client, int32_t language) {
    const int32_t width = client.right - client.left;
    const int32_t height = client.bottom - client.top;
    return StartScreenLayout{width,
                             height,
                             StartScreenFontHeight(width),
                             StartScreenShadowStep(width),
                             StartScreenTextRect(client),
                             IsRightToLeftLanguage(language)};
}

size_t FormatSizeText(char16_t (&buffer)[kSizeTextCapacity], const char16_t* screenLabel,
                      int32_t displayWidth, int32_t displayHeight, const char16_t* windowLabel,
                      int32_t clientWidth, int32_t clientHeight) {
    BoundedWriter out(buffer, kSizeTextCapacity);
    out.Append(screenLabel, kMaxSizeLabel);
    out.Append(u":");
    out.AppendNumber(displayWidth);
    out.Append(u" x ");
    out.AppendNumber(displayHeight);
    out.Append(u"  \n");
    out.Append(windowLabel, kMaxSizeLabel);
    out.Append(u":");
    out.AppendNumber(clientWidth);
    out.Append(u" x ");
    out.AppendNumber(clientHeight);
    out.Append(u"  ");
    return out.Length();
}

size_t FormatLocalSizeText(char16_t (&buffer)[kSizeTextCapacity], int32_t displayWidth,
                           int32_t displayHeight, int32_t clientWidth, int32_t clientHeight) {
    const HeldString screenLabel(kScreenLabel);
    const HeldString windowLabel(kWindowLabel);
    return FormatSizeText(buffer, screenLabel.Get(), displayWidth, displayHeight, windowLabel.Get(),
                          clientWidth, clientHeight);
}
