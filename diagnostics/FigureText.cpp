#include "diagnostics/FigureText.h"

#include <cstdio>

#include "diagnostics/TextPattern.h"

namespace {

std::u16string Widen(const char* text) {
    std::u16string out;
    for (const char* p = text; *p; ++p) {
        out += static_cast<char16_t>(static_cast<unsigned char>(*p));
    }
    return out;
}

std::u16string Pattern(const TextLookup& lookup, int32_t id,
                       std::initializer_list<std::u16string> values) {
    const std::u16string pattern = TextOf(lookup, id);
    return FormatPattern(pattern.c_str(), values);
}

// " mm" as the language writes it; lookups without the unit (tests) keep "mm".
std::u16string Mm(const TextLookup& lookup) {
    const std::u16string unit = TextOf(lookup, DiagText::MillimetreUnit);
    return u" " + (unit.empty() ? std::u16string(u"mm") : unit);
}

} // namespace

std::u16string BarText(const TextLookup& lookup, Figure figure, double refreshHz) {
    std::u16string bar;
    switch (figure) {
    case Figure::Contacts:
        bar = u"\u2265 " + FormatInteger(Bar::kMinContacts);
        break;
    case Figure::Rate:
        bar = u"\u2265 " + FormatFixed(RateFloorHz(refreshHz), 0) + u" Hz, \u2264 " +
              FormatFixed(Bar::kMaxRateHz, 0) + u" Hz";
        break;
    case Figure::Jitter:
        bar = u"\u2264 " + FormatFixed(Bar::kMaxJitterMm, 1) + Mm(lookup);
        break;
    case Figure::Straightness:
        bar = Pattern(lookup, DiagText::LinearityBar,
                      {FormatFixed(Bar::kLinearityMm, 0), FormatFixed(Bar::kLinearityEdgeMm, 0),
                       FormatFixed(kEdgeBandMm, 1)});
        break;
    case Figure::Separation:
        bar = u"\u2264 " + FormatFixed(Bar::kSeparationMm, 0) + Mm(lookup);
        break;
    case Figure::Stuck:
        bar = u"0";
        break;
    }
    return Pattern(lookup, DiagText::BarOf, {bar});
}

std::u16string VerdictText(const TextLookup& lookup, Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass:
        return TextOf(lookup, DiagText::Pass);
    case Verdict::Fail:
        return TextOf(lookup, DiagText::Fail);
    default:
        return TextOf(lookup, DiagText::NotTested);
    }
}

std::u16string FlagsText(const TextLookup& lookup, uint32_t flags) {
    std::u16string out;
    const struct {
        uint32_t bit;
        int32_t id;
    } names[] = {{TouchFlag::Primary, DiagText::Primary},
                 {TouchFlag::Palm, DiagText::Palm},
                 {TouchFlag::Pen, DiagText::Pen}};
    for (const auto& name : names) {
        if (flags & name.bit) {
            out += (out.empty() ? u"" : u" ") + TextOf(lookup, name.id);
        }
    }
    return out;
}

std::u16string ContactText(const TextLookup& lookup, const ContactFigures& contact) {
    std::u16string out = Pattern(lookup, DiagText::ContactAt,
                                 {FormatInteger(contact.id), FormatFixed(contact.clientX, 0),
                                  FormatFixed(contact.clientY, 0)});
    if (contact.positionMm) {
        out += u" (" + FormatFixed(contact.positionMm->x, 1) + u", " +
               FormatFixed(contact.positionMm->y, 1) + Mm(lookup) + u")";
    }
    const std::u16string flags = FlagsText(lookup, contact.flags);
    if (!flags.empty()) {
        out += u" " + flags;
    }
    return out;
}

std::u16string RateText(const TextLookup& lookup, const ContactFigures& contact) {
    const std::optional<double> mean = contact.MeanRateHz();
    const std::optional<double> worst = contact.WorstRateHz();
    if (!mean || !worst || contact.reports < kMinReportsForRate) {
        return {};
    }
    return Pattern(lookup, DiagText::Rate, {FormatFixed(*mean, 1), FormatFixed(*worst, 1)});
}

std::u16string SizeText(const TextLookup& lookup, const ContactFigures& contact) {
    if (!contact.sizeMm) {
        return {};
    }
    return Pattern(lookup, DiagText::Size,
                   {FormatFixed(contact.sizeMm->x, 1), FormatFixed(contact.sizeMm->y, 1)});
}

std::u16string JitterText(const TextLookup& lookup, double jitterMm) {
    return Pattern(lookup, DiagText::Jitter, {FormatFixed(jitterMm, 2)});
}

std::u16string StrokeText(const TextLookup& lookup, const StrokeMeasure& stroke) {
    return Pattern(lookup, DiagText::Straightness,
                   {FormatFixed(stroke.maxMm, 2), FormatFixed(stroke.lengthMm, 0)});
}

std::u16string SeparationText(const TextLookup& lookup, const Separation& separation) {
    return Pattern(lookup,
                   separation.edgeToEdge ? DiagText::ClosestEdges : DiagText::ClosestCentres,
                   {FormatFixed(separation.mm, 1)});
}

std::u16string ScaleText(const TextLookup& lookup, const PhysicalScale& scale, int displayWidth,
                         int displayHeight) {
    std::u16string source;
    if (!scale.Known()) {
        return TextOf(lookup, DiagText::ScaleNone);
    }
    if (scale.source == ScaleSource::RawDpi) {
        source =
            Pattern(lookup, DiagText::ScaleRawDpi,
                    {FormatFixed(25.4 / scale.mmPerPxX, 0), FormatFixed(25.4 / scale.mmPerPxY, 0)});
    } else {
        source = Pattern(lookup, DiagText::ScaleDeviceSize,
                         {FormatFixed(scale.ToMmX(displayWidth), 0),
                          FormatFixed(scale.ToMmY(displayHeight), 0)});
    }
    return Pattern(lookup, DiagText::ScaleFrom, {source});
}

std::u16string TimeSourceText(const TextLookup& lookup, TimeSource source) {
    const std::u16string what = source == TimeSource::InputTime
                                    ? u"TOUCHINPUT.dwTime"
                                    : TextOf(lookup, DiagText::ArrivalTime);
    return Pattern(lookup, DiagText::TimesFrom, {what});
}

std::u16string DigitizerFlagsText(const TextLookup& lookup, uint32_t flags) {
    if ((flags & 0xFF) == 0) {
        return TextOf(lookup, DiagText::NoDigitizer);
    }
    const struct {
        uint32_t bit;
        const char* name;
    } names[] = {{0x01, "NID_INTEGRATED_TOUCH"}, {0x02, "NID_EXTERNAL_TOUCH"},
                 {0x04, "NID_INTEGRATED_PEN"},   {0x08, "NID_EXTERNAL_PEN"},
                 {0x40, "NID_MULTI_INPUT"},      {0x80, "NID_READY"}};
    std::u16string out;
    for (const auto& name : names) {
        if (flags & name.bit) {
            out += (out.empty() ? u"" : u" | ") + Widen(name.name);
        }
    }
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%02X", static_cast<unsigned>(flags));
    return out.empty() ? Widen(hex) : out + u" (" + Widen(hex) + u")";
}
