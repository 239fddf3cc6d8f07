#pragma once
// Layout arithmetic of the start screen: sizes scale with the client width against a 1280-pixel
// reference, the gradient follows the height. Plain numbers only, so it is tested natively.

#include <cstddef>
#include <cstdint>

inline constexpr int32_t kReferenceWidth = 1280;
inline constexpr int32_t kTextMargin = 30;
inline constexpr int32_t kGradientSteps = 200;   // red runs 0..199, blue 200..1
inline constexpr size_t kSizeTextCapacity = 222; // wide characters, terminating zero included
// Longest label kept in the size text; the numbers then always fit the buffer.
inline constexpr size_t kMaxSizeLabel = 64;

struct LayoutRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Rows [top, bottom) that share one gradient colour (0x00BBGGRR); empty when top == bottom.
struct GradientBand {
    int32_t top;
    int32_t bottom;
    uint32_t colour;
};

struct StartScreenLayout {
    int32_t width;
    int32_t height;
    int32_t fontHeight; // negative: a character height
    int32_t shadowStep; // negative: the white pass moves up and left
    LayoutRect textRect;
    bool rightToLeft;
};

int32_t StartScreenFontHeight(int32_t clientWidth);
int32_t StartScreenShadowStep(int32_t clientWidth);
// Colour of pixel row y in a client area of the given height, 0x00BBGGRR.
uint32_t GradientRowColour(int32_t y, int32_t clientHeight);
// The rows of colour step 0..kGradientSteps-1; together the bands cover rows 0..height-1 in
// order, each row in the colour GradientRowColour gives it.
GradientBand GradientBandOfStep(int32_t step, int32_t clientHeight);
LayoutRect StartScreenTextRect(const LayoutRect& client);
// The archive's right-to-left languages: Arabic, Hebrew and Persian.
bool IsRightToLeftLanguage(int32_t language);
StartScreenLayout ComputeStartScreenLayout(const LayoutRect& client, int32_t language);

// "<screen label>:<w> x <h>  \n<window label>:<w> x <h>  " into buffer, always zero-terminated.
// Null labels count as empty; labels longer than kMaxSizeLabel are cut (never inside a
// surrogate pair). Returns the length without the terminating zero.
size_t FormatSizeText(char16_t (&buffer)[kSizeTextCapacity], const char16_t* screenLabel,
                      int32_t displayWidth, int32_t displayHeight, const char16_t* windowLabel,
                      int32_t clientWidth, int32_t clientHeight);

// The same with the labels of ids 16 and 17 in the active language.
size_t FormatLocalSizeText(char16_t (&buffer)[kSizeTextCapacity], int32_t displayWidth,
                           int32_t displayHeight, int32_t clientWidth, int32_t clientHeight);
