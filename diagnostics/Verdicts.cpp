#include "diagnostics/Verdicts.h"

#include <algorithm>

#include "diagnostics/TouchStatistics.h"

double RateFloorHz(double refreshHz) {
    return refreshHz > 1 ? refreshHz : Bar::kFallbackRefreshHz;
}

Verdict JudgeContactCount(int64_t count) {
    if (count <= 0) {
        return Verdict::NotTested;
    }
    return count >= Bar::kMinContacts ? Verdict::Pass : Verdict::Fail;
}

bool RateMeanTooHigh(const ContactFigures& contact) {
    const std::optional<double> mean = contact.MeanRateHz();
    return contact.reports >= kMinReportsForRate && mean && *mean > Bar::kMaxRateHz;
}

bool RateWorstTooLow(const ContactFigures& contact, double refreshHz) {
    const std::optional<double> worst = contact.WorstRateHz();
    // A small tolerance: a 60 Hz stream timed in whole milliseconds shows gaps of 17 ms.
    return contact.reports >= kMinReportsForRate && worst && *worst < RateFloorHz(refreshHz) * 0.95;
}

Verdict JudgeRate(const ContactFigures& contact, double refreshHz) {
    if (contact.reports < kMinReportsForRate || !contact.WorstRateHz()) {
        return Verdict::NotTested;
    }
    return RateMeanTooHigh(contact) || RateWorstTooLow(contact, refreshHz) ? Verdict::Fail
                                                                           : Verdict::Pass;
}

Verdict JudgeJitter(std::optional<double> jitterMm) {
    if (!jitterMm) {
        return Verdict::NotTested;
    }
    return *jitterMm <= Bar::kMaxJitterMm ? Verdict::Pass : Verdict::Fail;
}

double StrokeSeverity(const StrokeMeasure& stroke) {
    double severity = stroke.innerMaxMm / Bar::kLinearityMm;
    if (stroke.edgeMaxMm) {
        severity = std::max(severity, *stroke.edgeMaxMm / Bar::kLinearityEdgeMm);
    }
    return severity;
}

Verdict JudgeStroke(const std::optional<StrokeMeasure>& stroke) {
    if (!stroke) {
        return Verdict::NotTested;
    }
    return StrokeSeverity(*stroke) <= 1.0 ? Verdict::Pass : Verdict::Fail;
}

Verdict JudgeSeparation(const std::optional<Separation>& closest) {
    return closest && closest->mm <= Bar::kSeparationMm ? Verdict::Pass : Verdict::NotTested;
}

Verdict JudgeStuck(int64_t stuckContacts) {
    return stuckContacts == 0 ? Verdict::Pass : Verdict::Fail;
}
