#pragma once
// One touch input as the diagnostics see it: plain data, filled by the Win32 layer from a
// TOUCHINPUT before the ten-slot table decides whether it tracks the contact.

#include <cstdint>

// The system's TOUCHEVENTF_* bits, repeated here so the portable code needs no platform header.
namespace TouchFlag {
inline constexpr uint32_t Move = 0x0001;
inline constexpr uint32_t Down = 0x0002;
inline constexpr uint32_t Up = 0x0004;
inline constexpr uint32_t InRange = 0x0008;
inline constexpr uint32_t Primary = 0x0010;
inline constexpr uint32_t NoCoalesce = 0x0020;
inline constexpr uint32_t Pen = 0x0040;
inline constexpr uint32_t Palm = 0x0080;
} // namespace TouchFlag

struct TouchSample {
    int64_t timeUs = 0; // monotonic within the session
    uint32_t id = 0;    // the system's contact id
    uint32_t flags = 0; // TouchFlag bits
    // Positions keep the hundredths of a pixel the system reports.
    double screenX = 0; // pixels from the screen's top-left corner
    double screenY = 0;
    double clientX = 0; // pixels from the window's client-area origin
    double clientY = 0;
    double widthPx = 0; // contact size; 0 when the digitizer reports none
    double heightPx = 0;
};
