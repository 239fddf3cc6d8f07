#pragma once
// The bars a touch screen is held to, and the verdict on each figure. A figure the session has
// not produced (too few reports, no rest, no stroke) is "not tested", never a pass.

#include <cstdint>
#include <optional>

struct StrokeMeasure;
struct ContactFigures;
struct Separation;

enum class Verdict { Pass, Fail, NotTested };

namespace Bar {
inline constexpr int kMinContacts = 5;
inline constexpr double kMaxRateHz = 250;
// When the display's refresh rate can't be had, the floor of the usual 60 Hz display is used.
inline constexpr double kFallbackRefreshHz = 60;
inline constexpr double kMaxJitterMm = 0.5;
inline constexpr double kLinearityMm = 1.0;
inline constexpr double kLinearityEdgeMm = 2.0;
inline constexpr double kSeparationMm = 8.0;
} // namespace Bar

// The lowest report rate allowed: the display's refresh rate (0 or 1: unknown).
double RateFloorHz(double refreshHz);

// Peak contacts, or the digitizer's maximum: at least five; 0 means none seen.
Verdict JudgeContactCount(int64_t count);
// Every contact on its own: its worst rate reaches the floor and its mean stays at most 250 Hz.
Verdict JudgeRate(const ContactFigures& contact, double refreshHz);
bool RateMeanTooHigh(const ContactFigures& contact);
bool RateWorstTooLow(const ContactFigures& contact, double refreshHz);
Verdict JudgeJitter(std::optional<double> jitterMm);
Verdict JudgeStroke(const std::optional<StrokeMeasure>& stroke);
// How far a stroke is from its bars: above 1 breaks one of them.
double StrokeSeverity(const StrokeMeasure& stroke);
// Two contacts this close were told apart: shown. Never seen that close: not tested.
Verdict JudgeSeparation(const std::optional<Separation>& closest);
Verdict JudgeStuck(int64_t stuckContacts);
