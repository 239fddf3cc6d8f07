#pragma once
// What the on-screen readout shows, laid out in client pixels: lines of segments, each segment
// red when its figure breaks its bar. The Win32 layer only draws these lines.

#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/DiagnosticsText.h"
#include "diagnostics/TouchStatistics.h"

struct ReadoutSegment {
    std::u16string text;
    bool bad = false; // breaks its bar: drawn in red, with the bar beside it
};

struct ReadoutLine {
    int x = 0;               // left end, or right end when alignRight
    int y = 0;               // top
    bool alignRight = false; // beside a contact near the window's right edge
    std::vector<ReadoutSegment> segments;

    std::u16string Text() const;
    bool AnyBad() const;
};

struct ReadoutContext {
    int width = 0; // client area
    int height = 0;
    int lineHeight = 16;
    int contactRadius = 60;
    int displayWidth = 0; // for the scale's source text
    int displayHeight = 0;
    int maxTouches = 0;   // SM_MAXIMUMTOUCHES
    double refreshHz = 0; // 0: unknown
    int64_t nowUs = 0;    // in the statistics' clock, for how long a stuck contact is silent
};

struct Readout {
    std::vector<ReadoutLine> lines;
    std::vector<ReadoutLine> header; // the first lines, top left; also in lines
    struct Mark {
        int x;
        int y;
    };
    std::vector<Mark> stuck; // client positions of stuck contacts, outlined on screen
};

inline constexpr int kReadoutMargin = 12;
// A contact's lines stand this far beside its centre, past its circle.
inline constexpr int kReadoutGap = 8;
// Text beside a contact closer than this to the right edge goes to its left.
inline constexpr int kReadoutFlipWidth = 420;

Readout BuildReadout(const TouchStatistics& statistics, const ReadoutContext& context,
                     const TextLookup& lookup = DefaultTextLookup());
