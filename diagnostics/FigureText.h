#pragma once
// The phrases of the touch figures, shared by the on-screen readout and the report. Every text
// with words comes from the lookup; numbers, units and bars are put in with FormatPattern.

#include <cstdint>
#include <string>

#include "diagnostics/DiagnosticsText.h"
#include "diagnostics/PhysicalScale.h"
#include "diagnostics/SampleClock.h"
#include "diagnostics/TouchStatistics.h"
#include "diagnostics/Verdicts.h"

enum class Figure { Contacts, Rate, Jitter, Straightness, Separation, Stuck };

// "(bar ...)" for the figure; refreshHz only counts for the rate.
std::u16string BarText(const TextLookup& lookup, Figure figure, double refreshHz = 0);
std::u16string VerdictText(const TextLookup& lookup, Verdict verdict);

// "#7 at 400, 300 px (105.8, 79.4 mm)" and its flags that matter.
std::u16string ContactText(const TextLookup& lookup, const ContactFigures& contact);
std::u16string FlagsText(const TextLookup& lookup, uint32_t flags);
// Empty while the contact has too few reports to judge its rate.
std::u16string RateText(const TextLookup& lookup, const ContactFigures& contact);
std::u16string SizeText(const TextLookup& lookup, const ContactFigures& contact);
std::u16string JitterText(const TextLookup& lookup, double jitterMm);
std::u16string StrokeText(const TextLookup& lookup, const StrokeMeasure& stroke);
std::u16string SeparationText(const TextLookup& lookup, const Separation& separation);
// "Millimetres from ..." for the scale; the display's pixels give the size a DPI stands for.
std::u16string ScaleText(const TextLookup& lookup, const PhysicalScale& scale, int displayWidth,
                         int displayHeight);
std::u16string TimeSourceText(const TextLookup& lookup, TimeSource source);
// The NID_* bits of SM_DIGITIZER by name, with the value in hexadecimal.
std::u16string DigitizerFlagsText(const TextLookup& lookup, uint32_t flags);
