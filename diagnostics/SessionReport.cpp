#include "diagnostics/SessionReport.h"

#include "diagnostics/FigureText.h"
#include "diagnostics/TextPattern.h"

namespace {

constexpr char16_t kEol[] = u"\r\n";
constexpr char16_t kIndent[] = u"  ";

class Writer {
  public:
    explicit Writer(const TextLookup& lookup) : lookup_(lookup) {}
    void Line(const std::u16string& text) { out_ += text + kEol; }
    void Blank() { out_ += kEol; }
    void Title(const std::u16string& title, std::optional<Verdict> verdict = std::nullopt) {
        Blank();
        Line(verdict ? title + u": " + VerdictText(lookup_, *verdict) : title);
    }
    void Item(const std::u16string& text) { Line(kIndent + text); }
    // A figure with its bar and verdict.
    void Judged(const std::u16string& figure, const std::u16string& bar, Verdict verdict) {
        Item(figure + u" " + bar + u" " + VerdictText(lookup_, verdict));
    }
    std::u16string Take() { return std::move(out_); }

  private:
    const TextLookup& lookup_;
    std::u16string out_;
};

std::u16string Pattern(const TextLookup& lookup, int32_t id,
                       std::initializer_list<std::u16string> values) {
    return FormatPattern(TextOf(lookup, id).c_str(), values);
}

// One contact's line: where it was last, then each figure it has with its verdict.
std::u16string ContactLine(const TextLookup& lookup, const ContactFigures& c, double refreshHz) {
    std::u16string line = ContactText(lookup, c);
    const auto add = [&](const std::u16string& figure, const std::u16string& bar, Verdict v) {
        line += u"; " + figure + u" " + bar + u" " + VerdictText(lookup, v);
    };
    if (const std::u16string rate = RateText(lookup, c); !rate.empty()) {
        add(rate, BarText(lookup, Figure::Rate, refreshHz), JudgeRate(c, refreshHz));
    }
    if (const std::u16string size = SizeText(lookup, c); !size.empty()) {
        line += u"; " + size;
    }
    const std::optional<double> jitter = c.lifted ? c.worstJitterMm : c.jitterMm;
    if (jitter) {
        add(JitterText(lookup, *jitter), BarText(lookup, Figure::Jitter), JudgeJitter(jitter));
    }
    if (c.stroke) {
        add(StrokeText(lookup, *c.stroke), BarText(lookup, Figure::Straightness),
            JudgeStroke(c.stroke));
    }
    if (c.everStuck) {
        line += u"; " + Pattern(lookup, DiagText::StuckCount, {u"1"});
    }
    return line;
}

} // namespace

std::optional<ContactFigures> RateWitness(const std::vector<ContactFigures>& contacts,
                                          double refreshHz) {
    std::optional<ContactFigures> witness;
    bool witnessFails = false;
    for (const ContactFigures& c : contacts) {
        const Verdict v = JudgeRate(c, refreshHz);
        if (v == Verdict::NotTested) {
            continue;
        }
        const bool fails = v == Verdict::Fail;
        const bool lower = witness && *c.WorstRateHz() < *witness->WorstRateHz();
        if (!witness || (fails && !witnessFails) || (fails == witnessFails && lower)) {
            witness = c;
            witnessFails = fails;
        }
    }
    return witness;
}

std::u16string BuildSessionReport(const std::u16string& when, const SystemFacts& facts,
                                  const TouchStatistics& statistics,
                                  const std::vector<ReportSection>& extraSections,
                                  const TextLookup& lookup) {
    Writer out(lookup);
    out.Line(Pattern(lookup, DiagText::ReportTitle, {when}));
    out.Line(facts.program);

    out.Title(TextOf(lookup, DiagText::SystemSection));
    out.Item(Pattern(lookup, DiagText::Windows,
                     {facts.windowsVersion.empty() ? u"-" : facts.windowsVersion}));
    out.Item(Pattern(lookup, DiagText::Display,
                     {FormatInteger(facts.displayWidth), FormatInteger(facts.displayHeight),
                      facts.refreshHz > 1 ? FormatInteger(facts.refreshHz) : u"-"}));
    out.Item(ScaleText(lookup, facts.scale, facts.displayWidth, facts.displayHeight));
    out.Item(Pattern(
        lookup, DiagText::Digitizer,
        {DigitizerFlagsText(lookup, facts.digitizerFlags), FormatInteger(facts.maxTouches)}));
    out.Item(TimeSourceText(lookup, facts.timeSource));
    out.Item(Pattern(lookup, DiagText::Inputs,
                     {FormatInteger(static_cast<long long>(facts.inputsSeen)),
                      FormatInteger(static_cast<long long>(facts.inputsKept))}));

    std::vector<ContactFigures> contacts(statistics.Finished().begin(),
                                         statistics.Finished().end());
    for (const ContactFigures& c : statistics.Active()) {
        contacts.push_back(c);
    }
    const double refresh = facts.refreshHz;
    const std::u16string contactsBar = BarText(lookup, Figure::Contacts);

    out.Title(TextOf(lookup, DiagText::FiguresSection));
    out.Judged(Pattern(lookup, DiagText::Peak, {FormatInteger(statistics.PeakContacts())}),
               contactsBar, JudgeContactCount(statistics.PeakContacts()));
    out.Judged(Pattern(lookup, DiagText::DigitizerMaximum, {FormatInteger(facts.maxTouches)}),
               contactsBar, JudgeContactCount(facts.maxTouches));
    out.Item(Pattern(lookup, DiagText::BeyondTen, {FormatInteger(statistics.BeyondTableCount())}));
    // Every contact must keep the rate: one that does not fails the session.
    if (const std::optional<ContactFigures> witness = RateWitness(contacts, refresh)) {
        // Appended piece by piece: GCC 12 warns falsely on u"#" + a temporary.
        std::u16string figure(u"#");
        figure += FormatInteger(witness->id);
        figure += u": ";
        figure += RateText(lookup, *witness);
        out.Judged(figure, BarText(lookup, Figure::Rate, refresh), JudgeRate(*witness, refresh));
    } else {
        out.Item(Pattern(lookup, DiagText::Rate, {u"-", u"-"}) + u" " +
                 BarText(lookup, Figure::Rate, refresh) + u" " +
                 VerdictText(lookup, Verdict::NotTested));
    }
    const std::optional<double> jitter = statistics.WorstJitterMm();
    out.Judged(jitter ? JitterText(lookup, *jitter) : Pattern(lookup, DiagText::Jitter, {u"-"}),
               BarText(lookup, Figure::Jitter), JudgeJitter(jitter));
    const std::optional<ContactFigures>& stroke = statistics.WorstStroke();
    out.Judged(stroke ? StrokeText(lookup, *stroke->stroke)
                      : Pattern(lookup, DiagText::Straightness, {u"-", u"-"}),
               BarText(lookup, Figure::Straightness),
               JudgeStroke(stroke ? stroke->stroke : std::nullopt));
    const std::optional<Separation> closest = statistics.ClosestSeen();
    out.Judged(closest ? SeparationText(lookup, *closest)
                       : Pattern(lookup, DiagText::ClosestCentres, {u"-"}),
               BarText(lookup, Figure::Separation), JudgeSeparation(closest));
    out.Judged(Pattern(lookup, DiagText::StuckCount, {FormatInteger(statistics.StuckCount())}),
               BarText(lookup, Figure::Stuck), JudgeStuck(statistics.StuckCount()));

    out.Title(TextOf(lookup, DiagText::ContactsSection));
    for (const ContactFigures& c : contacts) {
        out.Item(ContactLine(lookup, c, refresh));
    }

    for (const ReportSection& section : extraSections) {
        out.Title(section.title, section.verdict);
        for (const std::u16string& line : section.lines) {
            out.Item(line);
        }
    }
    return out.Take();
}

std::string ToUtf8File(const std::u16string& text) {
    std::string out = "\xEF\xBB\xBF";
    out.reserve(text.size() + 3);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // a lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
