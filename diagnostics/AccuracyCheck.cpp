#include "diagnostics/AccuracyCheck.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/CheckStrings.h"
#include "diagnostics/TextPattern.h"

namespace {

// Contacts followed at once; more than any digitizer reports.
constexpr size_t kMaxContacts = 32;

} // namespace

AccuracyCheck::AccuracyCheck(int width, int height, const PhysicalScale& scale)
    : width_(std::max(0, width)), height_(std::max(0, height)), known_(scale.Known()),
      work_(scale.Known() ? scale : ScaleFromDpi(kNominalDpi, kNominalDpi)) {
    if (width_ == 0 || height_ == 0) {
        return;
    }
    const double w = width_;
    const double h = height_;
    const double ix = kInsetMm / work_.mmPerPxX;
    const double iy = kInsetMm / work_.mmPerPxY;
    const double points[kTargetCount][2] = {
        {w / 2, h / 2},                                                           // centre
        {ix, iy},       {w - ix, iy},       {w - ix, h - iy},       {ix, h - iy}, // corners
        {w / 2, iy},    {w - ix, h / 2},    {w / 2, h - iy},        {ix, h / 2},  // edge midpoints
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {3 * w / 4, 3 * h / 4}, {w / 4, 3 * h / 4},
    };
    for (const auto& p : points) {
        const double edgeMm = std::min(
            {work_.ToMmX(p[0]), work_.ToMmX(w - p[0]), work_.ToMmY(p[1]), work_.ToMmY(h - p[1])});
        targets_.push_back({p[0], p[1], edgeMm <= kEdgeBandMm});
    }
}

void AccuracyCheck::Feed(const TouchSample& sample) {
    auto found = std::find_if(contacts_.begin(), contacts_.end(),
                              [&](const Contact& c) { return c.id == sample.id; });
    if (sample.flags & TouchFlag::Up) {
        double x = sample.clientX;
        double y = sample.clientY;
        if (found != contacts_.end()) {
            x = found->x;
            y = found->y;
            contacts_.erase(found);
        }
        Land(x, y);
        return;
    }
    if (found != contacts_.end()) {
        found->x = sample.clientX;
        found->y = sample.clientY;
        return;
    }
    if (contacts_.size() == kMaxContacts) {
        contacts_.erase(contacts_.begin());
    }
    contacts_.push_back({sample.id, sample.clientX, sample.clientY});
}

void AccuracyCheck::Land(double x, double y) {
    if (Done() || targets_.empty()) {
        return;
    }
    const AccuracyTarget& target = targets_[landings_.size()];
    const double dxMm = work_.ToMmX(x - target.x);
    const double dyMm = work_.ToMmY(y - target.y);
    const double offsetMm = std::hypot(dxMm, dyMm);
    if (offsetMm > kRefuseMm) {
        lastRefused_ = true;
        return;
    }
    lastRefused_ = false;
    const double barMm = target.inEdgeBand ? kEdgeBarMm : kBarMm;
    AccuracyLanding landing;
    landing.x = x;
    landing.y = y;
    landing.dx = UnitsX(x - target.x);
    landing.dy = UnitsY(y - target.y);
    landing.offset = known_ ? offsetMm : std::hypot(landing.dx, landing.dy);
    landing.bar = MmToUnits(barMm);
    landing.withinBar = offsetMm <= barMm;
    landings_.push_back(landing);
}

AccuracySummary AccuracyCheck::Summary() const {
    AccuracySummary summary;
    summary.landed = static_cast<int>(landings_.size());
    summary.complete = Done();
    if (landings_.empty()) {
        return summary;
    }
    bool allWithin = true;
    double meanDxMm = 0;
    double meanDyMm = 0;
    for (size_t i = 0; i < landings_.size(); ++i) {
        const AccuracyLanding& landing = landings_[i];
        summary.largest = std::max(summary.largest, landing.offset);
        summary.meanDx += landing.dx;
        summary.meanDy += landing.dy;
        meanDxMm += work_.ToMmX(landing.x - targets_[i].x);
        meanDyMm += work_.ToMmY(landing.y - targets_[i].y);
        allWithin = allWithin && landing.withinBar;
    }
    const double n = static_cast<double>(landings_.size());
    summary.meanDx /= n;
    summary.meanDy /= n;
    summary.meanShift = std::hypot(summary.meanDx, summary.meanDy);
    summary.pass = summary.complete && allWithin;
    summary.suggestCalibration =
        summary.complete && std::hypot(meanDxMm / n, meanDyMm / n) > kBarMm;
    return summary;
}

std::u16string SignedFixed(double value, int decimals) {
    std::u16string text = FormatFixed(value, decimals);
    if (text.find_first_of(u"123456789") != std::u16string::npos && text[0] != u'-') {
        text.insert(text.begin(), u'+');
    }
    return text;
}

namespace {

std::u16string Unit(const AccuracyCheck& check, CheckLookup lookup) {
    return CheckTextOf(lookup, check.InMillimetres() ? CheckText::Millimetres : CheckText::Pixels);
}

// A client position in the check's unit, from the top-left corner.
std::u16string Place(const AccuracyCheck& check, const PhysicalScale& scale, double x, double y,
                     CheckLookup lookup) {
    if (check.InMillimetres()) {
        x = scale.ToMmX(x);
        y = scale.ToMmY(y);
    }
    return FormatFixed(x, 1) + u", " + FormatFixed(y, 1) + u" " + Unit(check, lookup);
}

} // namespace

std::u16string AccuracySummaryLine(const AccuracyCheck& check, CheckLookup lookup) {
    using namespace CheckText;
    const AccuracySummary summary = check.Summary();
    const std::u16string unit = Unit(check, lookup);
    return FormatPattern(CheckTextOf(lookup, SummaryLine),
                         {FormatFixed(summary.largest, 1) + u" " + unit,
                          u"(" + SignedFixed(summary.meanDx, 1) + u", " +
                              SignedFixed(summary.meanDy, 1) + u") " + unit,
                          CheckTextOf(lookup, summary.pass ? Pass : Fail)});
}

CheckSection AccuracyReport(const AccuracyCheck& check, CheckLookup lookup) {
    using namespace CheckText;
    CheckSection section;
    section.title = CheckTextOf(lookup, AccuracyTitle);
    if (check.Targets().empty() || check.Landings().empty()) {
        return section;
    }
    const AccuracySummary summary = check.Summary();
    const std::u16string unit = Unit(check, lookup);
    if (!check.InMillimetres()) {
        section.lines.push_back(CheckTextOf(lookup, NoPhysicalSize));
    }
    if (!summary.complete) {
        section.lines.push_back(FormatPattern(
            CheckTextOf(lookup, TargetsTouched),
            {FormatInteger(summary.landed), FormatInteger(AccuracyCheck::kTargetCount)}));
    }
    for (size_t i = 0; i < check.Landings().size(); ++i) {
        const AccuracyTarget& target = check.Targets()[i];
        const AccuracyLanding& landing = check.Landings()[i];
        section.lines.push_back(FormatPattern(
            CheckTextOf(lookup, TargetLine),
            {FormatInteger(static_cast<long long>(i + 1)),
             Place(check, check.Scale(), target.x, target.y, lookup),
             Place(check, check.Scale(), landing.x, landing.y, lookup),
             u"(" + SignedFixed(landing.dx, 1) + u", " + SignedFixed(landing.dy, 1) + u") " + unit,
             FormatFixed(landing.offset, 1) + u" " + unit,
             FormatFixed(landing.bar, 1) + u" " + unit,
             CheckTextOf(lookup, landing.withinBar ? Pass : Fail)}));
    }
    if (summary.complete) {
        section.lines.push_back(AccuracySummaryLine(check, lookup));
        if (summary.suggestCalibration) {
            section.lines.push_back(CheckTextOf(lookup, SuggestCalibration));
        }
    }
    section.verdict = !summary.complete ? CheckSection::Verdict::NotRun
                      : summary.pass    ? CheckSection::Verdict::Pass
                                        : CheckSection::Verdict::Fail;
    return section;
}
