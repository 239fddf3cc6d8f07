#include "diagnostics/Readout.h"

#include "diagnostics/FigureText.h"
#include "diagnostics/TextPattern.h"

namespace {

constexpr char16_t kSeparator[] = u"   ";

void AddFigure(ReadoutLine& line, std::u16string text, bool bad, const std::u16string& bar) {
    if (!line.segments.empty()) {
        line.segments.push_back({kSeparator, false});
    }
    line.segments.push_back({std::move(text), bad});
    if (bad && !bar.empty()) {
        line.segments.push_back({u" " + bar, true});
    }
}

} // namespace

std::u16string ReadoutLine::Text() const {
    std::u16string text;
    for (const ReadoutSegment& s : segments) {
        text += s.text;
    }
    return text;
}

bool ReadoutLine::AnyBad() const {
    for (const ReadoutSegment& s : segments) {
        if (s.bad) {
            return true;
        }
    }
    return false;
}

Readout BuildReadout(const TouchStatistics& statistics, const ReadoutContext& context,
                     const TextLookup& lookup) {
    Readout readout;
    const int lh = context.lineHeight;
    int y = kReadoutMargin;
    const auto next = [&] {
        ReadoutLine line;
        line.x = kReadoutMargin;
        line.y = y;
        y += lh;
        return line;
    };
    const std::u16string contactsBar = BarText(lookup, Figure::Contacts);

    ReadoutLine header = next();
    AddFigure(header,
              FormatPattern(TextOf(lookup, DiagText::ActiveContacts).c_str(),
                            {FormatInteger(statistics.ActiveCount())}),
              false, {});
    AddFigure(header,
              FormatPattern(TextOf(lookup, DiagText::Peak).c_str(),
                            {FormatInteger(statistics.PeakContacts())}),
              JudgeContactCount(statistics.PeakContacts()) == Verdict::Fail, contactsBar);
    AddFigure(header,
              FormatPattern(TextOf(lookup, DiagText::DigitizerMaximum).c_str(),
                            {FormatInteger(context.maxTouches)}),
              JudgeContactCount(context.maxTouches) != Verdict::Pass, contactsBar);
    AddFigure(header,
              FormatPattern(TextOf(lookup, DiagText::BeyondTen).c_str(),
                            {FormatInteger(statistics.BeyondTableCount())}),
              false, {});
    readout.header.push_back(std::move(header));

    ReadoutLine scale = next();
    AddFigure(scale,
              ScaleText(lookup, statistics.Scale(), context.displayWidth, context.displayHeight),
              false, {});
    readout.header.push_back(std::move(scale));

    if (const std::optional<ContactFigures>& stroke = statistics.LastStroke();
        stroke && stroke->stroke) {
        ReadoutLine line = next();
        AddFigure(line, StrokeText(lookup, *stroke->stroke),
                  JudgeStroke(stroke->stroke) == Verdict::Fail,
                  BarText(lookup, Figure::Straightness));
        readout.header.push_back(std::move(line));
    }
    if (const std::optional<Separation> closest = statistics.ClosestNow()) {
        ReadoutLine line = next();
        AddFigure(line, SeparationText(lookup, *closest), false, {});
        readout.header.push_back(std::move(line));
    }
    ReadoutLine keys = next();
    AddFigure(keys, TextOf(lookup, DiagText::ReadoutKeys), false, {});
    readout.header.push_back(std::move(keys));
    readout.lines = readout.header;

    for (const ContactFigures& contact : statistics.Active()) {
        const int cx = static_cast<int>(contact.clientX);
        const int cy = static_cast<int>(contact.clientY);
        const bool flip = cx > context.width - kReadoutFlipWidth;
        const int beside = context.contactRadius + kReadoutGap;
        int ly = cy - context.contactRadius;
        const auto line = [&] {
            ReadoutLine l;
            l.alignRight = flip;
            l.x = flip ? cx - beside : cx + beside;
            l.y = ly;
            ly += lh;
            return l;
        };
        ReadoutLine first = line();
        AddFigure(first, ContactText(lookup, contact), false, {});
        readout.lines.push_back(std::move(first));
        if (const std::u16string rate = RateText(lookup, contact); !rate.empty()) {
            ReadoutLine l = line();
            AddFigure(l, rate, JudgeRate(contact, context.refreshHz) == Verdict::Fail,
                      BarText(lookup, Figure::Rate, context.refreshHz));
            readout.lines.push_back(std::move(l));
        }
        if (const std::u16string size = SizeText(lookup, contact); !size.empty()) {
            ReadoutLine l = line();
            AddFigure(l, size, false, {});
            readout.lines.push_back(std::move(l));
        }
        if (contact.jitterMm) {
            ReadoutLine l = line();
            AddFigure(l, JitterText(lookup, *contact.jitterMm),
                      JudgeJitter(contact.jitterMm) == Verdict::Fail,
                      BarText(lookup, Figure::Jitter));
            readout.lines.push_back(std::move(l));
        }
        if (contact.stuck) {
            ReadoutLine l = line();
            const double silent = static_cast<double>(context.nowUs - contact.lastUs) / 1e6;
            AddFigure(
                l, FormatPattern(TextOf(lookup, DiagText::Stuck).c_str(), {FormatFixed(silent, 0)}),
                true, {});
            readout.lines.push_back(std::move(l));
            readout.stuck.push_back({cx, cy});
        }
    }
    return readout;
}
