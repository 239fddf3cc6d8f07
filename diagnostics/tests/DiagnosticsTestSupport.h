#pragma once
// Known texts for the builders, and scripted input streams, shared by the core's tests.

#include <cstdint>
#include <map>
#include <string>

#include "diagnostics/DiagnosticsText.h"
#include "diagnostics/TouchSample.h"

namespace diagtest {

// The English texts of the ids, as the archive has them.
inline const std::map<int32_t, std::u16string>& EnglishTexts() {
    static const std::map<int32_t, std::u16string> texts = {
        {100, u"Contacts: %1"},
        {101, u"peak %1"},
        {102, u"digitizer maximum %1"},
        {103, u"beyond ten slots %1"},
        {104, u"#%1 at %2, %3 px"},
        {105, u"%1 Hz mean, %2 Hz worst"},
        {106, u"size %1 \u00d7 %2 mm"},
        {107, u"jitter %1 mm"},
        {108, u"stuck: no input for %1 s"},
        {109, u"stroke straightness %1 mm over %2 mm"},
        {110, u"closest two: %1 mm apart, centre to centre"},
        {111, u"closest two: %1 mm apart, edge to edge"},
        {112, u"primary"},
        {113, u"palm"},
        {114, u"pen"},
        {115, u"(bar %1)"},
        {116, u"PASS"},
        {117, u"FAIL"},
        {118, u"NOT TESTED"},
        {119, u"Millimetres from %1"},
        {120, u"the monitor's raw DPI, %1 \u00d7 %2"},
        {121, u"the display's reported size, %1 \u00d7 %2 mm"},
        {122, u"No physical size known: millimetre figures left out"},
        {123, u"[I] figures off   [R] report"},
        {124, u"Quillfern touch report, %1"},
        {125, u"Windows %1"},
        {126, u"Display %1 \u00d7 %2 at %3 Hz"},
        {127, u"Digitizer: %1; maximum touches %2"},
        {30, u"Times from %1"},
        {31, u"Inputs: %1, of which the CSV keeps the most recent %2"},
        {32, u"System"},
        {33, u"Session figures"},
        {34, u"Contacts"},
        {35, u"The report could not be written:\n%1"},
        {36, u"stuck contacts %1"},
        {37, u"the arrival time (QueryPerformanceCounter)"},
        {38, u"\u2264 %1 mm, \u2264 %2 mm within %3 mm of an edge"},
        {39, u"no touch digitizer reported"},
    };
    return texts;
}

inline TextLookup English() {
    return [](int32_t id) -> const char16_t* {
        const auto found = EnglishTexts().find(id);
        return found == EnglishTexts().end() ? nullptr : found->second.c_str();
    };
}

inline TouchSample Sample(int64_t timeUs, uint32_t id, double x, double y, uint32_t flags) {
    TouchSample s;
    s.timeUs = timeUs;
    s.id = id;
    s.flags = flags;
    s.screenX = x;
    s.screenY = y;
    s.clientX = x;
    s.clientY = y;
    return s;
}

inline std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == u'\u2264') {
            out += "<=";
        } else if (c == u'\u2265') {
            out += ">=";
        } else if (c == u'\u00d7') {
            out += "x";
        } else {
            out += "?";
        }
    }
    return out;
}

} // namespace diagtest
