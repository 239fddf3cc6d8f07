#pragma once
// The accuracy check: 13 crosshair targets, one at a time; each touch is judged at the contact's
// resting point, the last position reported before its lift (the lift's own report is not used:
// a finger rolling off the glass moves it). The bar is 1 mm, or 2 mm for a target within 3.5 mm
// of an edge. A touch more than 15 mm from the current target is refused and the same target
// asked for again; only the current target counts, so a touch near another target can't be taken
// for it.
//
// Targets: the centre, the four corners and the four edge midpoints 2 mm inside the edges, and
// the four points halfway between the centre and the client's corners.
//
// Without a physical size every distance is taken at a nominal 96 pixels per inch and offsets
// are given in pixels: an estimate, which the check says on screen and in the report.

#include <cstdint>
#include <vector>

#include "diagnostics/PhysicalScale.h"
#include "diagnostics/CheckSection.h"
#include "diagnostics/TouchSample.h"

struct AccuracyTarget {
    double x = 0; // client pixels
    double y = 0;
    bool inEdgeBand = false;
};

// Offsets are in millimetres when the check has a physical size, in pixels otherwise.
struct AccuracyLanding {
    double x = 0; // client pixels
    double y = 0;
    double dx = 0; // landing minus target; x grows to the right, y downward
    double dy = 0;
    double offset = 0;
    double bar = 0;
    bool withinBar = false;
};

struct AccuracySummary {
    int landed = 0;
    double largest = 0;
    double meanDx = 0;
    double meanDy = 0;
    double meanShift = 0; // length of the mean offset
    bool complete = false;
    bool pass = false;               // complete, every landing within its bar
    bool suggestCalibration = false; // complete, mean shift beyond the 1 mm bar
};

class AccuracyCheck {
  public:
    static constexpr int kTargetCount = 13;
    static constexpr double kInsetMm = 2.0;
    static constexpr double kEdgeBandMm = 3.5;
    static constexpr double kBarMm = 1.0;
    static constexpr double kEdgeBarMm = 2.0;
    static constexpr double kRefuseMm = 15.0;
    static constexpr double kNominalDpi = 96.0;

    AccuracyCheck() = default; // no targets
    AccuracyCheck(int width, int height, const PhysicalScale& scale);

    void Feed(const TouchSample& sample);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool InMillimetres() const { return known_; }
    // The physical scale, or the nominal one the distances are taken at without it.
    const PhysicalScale& Scale() const { return work_; }
    const std::vector<AccuracyTarget>& Targets() const { return targets_; }
    // One per target done, in target order.
    const std::vector<AccuracyLanding>& Landings() const { return landings_; }
    // The target asked for now; equals the target count once done.
    int Current() const { return static_cast<int>(landings_.size()); }
    bool Done() const { return !targets_.empty() && landings_.size() == targets_.size(); }
    // The last lift was refused as too far from the current target.
    bool LastRefused() const { return lastRefused_; }
    AccuracySummary Summary() const;

  private:
    struct Contact {
        uint32_t id;
        double x;
        double y;
    };
    double UnitsX(double px) const { return known_ ? px * work_.mmPerPxX : px; }
    double UnitsY(double px) const { return known_ ? px * work_.mmPerPxY : px; }
    double MmToUnits(double mm) const { return known_ ? mm : mm / work_.mmPerPxX; }
    void Land(double x, double y);

    int width_ = 0;
    int height_ = 0;
    bool known_ = false;
    PhysicalScale work_; // the physical scale, or the nominal one
    std::vector<AccuracyTarget> targets_;
    std::vector<AccuracyLanding> landings_;
    std::vector<Contact> contacts_;
    bool lastRefused_ = false;
};

// A value with its sign always shown, for offsets: "+0.3", "-1.2", "0.0".
std::u16string SignedFixed(double value, int decimals);
// The summary line: largest offset, mean offset vector and PASS or FAIL.
std::u16string AccuracySummaryLine(const AccuracyCheck& check, CheckLookup lookup = LookupString);
// The report section: each target with its landing and offset, the summary and the verdict.
CheckSection AccuracyReport(const AccuracyCheck& check, CheckLookup lookup = LookupString);
