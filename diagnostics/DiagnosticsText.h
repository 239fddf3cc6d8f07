#pragma once
// The string ids of the touch figures and the lookup the text builders take, so that tests
// can give known texts in place of the archive's.

#include <cstdint>
#include <functional>
#include <string>

using TextLookup = std::function<const char16_t*(int32_t id)>;

// LookupString of the active language.
TextLookup DefaultTextLookup();
// The id's text, empty when there is none.
std::u16string TextOf(const TextLookup& lookup, int32_t id);

namespace DiagText {
inline constexpr int32_t ActiveContacts = 100;   // "Contacts: %1"
inline constexpr int32_t Peak = 101;             // "peak %1"
inline constexpr int32_t DigitizerMaximum = 102; // "digitizer maximum %1"
inline constexpr int32_t BeyondTen = 103;        // "beyond ten slots %1"
inline constexpr int32_t ContactAt = 104;        // "#%1 at %2, %3 px"
inline constexpr int32_t Rate = 105;             // "%1 Hz mean, %2 Hz worst"
inline constexpr int32_t Size = 106;             // "size %1 x %2 mm"
inline constexpr int32_t Jitter = 107;           // "jitter %1 mm"
inline constexpr int32_t Stuck = 108;            // "stuck: no input for %1 s"
inline constexpr int32_t Straightness = 109;     // "stroke straightness %1 mm over %2 mm"
inline constexpr int32_t ClosestCentres = 110;   // "closest two: %1 mm apart, centre to centre"
inline constexpr int32_t ClosestEdges = 111;     // "closest two: %1 mm apart, edge to edge"
inline constexpr int32_t Primary = 112;
inline constexpr int32_t Palm = 113;
inline constexpr int32_t Pen = 114;
inline constexpr int32_t BarOf = 115; // "(bar %1)"
inline constexpr int32_t Pass = 116;
inline constexpr int32_t Fail = 117;
inline constexpr int32_t NotTested = 118;
inline constexpr int32_t ScaleFrom = 119;       // "Millimetres from %1"
inline constexpr int32_t ScaleRawDpi = 120;     // "the monitor's raw DPI, %1 x %2"
inline constexpr int32_t ScaleDeviceSize = 121; // "the display's reported size, %1 x %2 mm"
inline constexpr int32_t ScaleNone = 122;       // no physical size: mm figures left out
inline constexpr int32_t ReadoutKeys = 123;     // "[I] figures off   [R] report"
inline constexpr int32_t ReportTitle = 124;     // "Quillfern touch report, %1"
inline constexpr int32_t Windows = 125;         // "Windows %1"
inline constexpr int32_t Display = 126;         // "Display %1 x %2 at %3 Hz"
inline constexpr int32_t Digitizer = 127;       // "Digitizer: %1; maximum touches %2"
inline constexpr int32_t TimesFrom = 30;        // "Times from %1"
inline constexpr int32_t Inputs = 31;           // "Inputs: %1, ... the most recent %2"
inline constexpr int32_t SystemSection = 32;
inline constexpr int32_t FiguresSection = 33;
inline constexpr int32_t ContactsSection = 34;
inline constexpr int32_t ReportFailed = 35; // "The report could not be written: %1"
inline constexpr int32_t StuckCount = 36;   // "stuck contacts %1"
inline constexpr int32_t ArrivalTime = 37;  // "the arrival time (QueryPerformanceCounter)"
inline constexpr int32_t LinearityBar = 38; // "<= %1 mm, <= %2 mm within %3 mm of an edge"
inline constexpr int32_t NoDigitizer = 39;  // "no touch digitizer reported"
// Shared with the accuracy check: the millimetre unit as the language writes it.
inline constexpr int32_t MillimetreUnit = 97;
} // namespace DiagText
