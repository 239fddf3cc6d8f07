#pragma once
// Per-contact figures of a touch session, measured from the inputs as the system delivers them
// (before the ten-slot table drops any). Every input costs O(1) amortised; memory is bounded:
// at most kMaxTrackedContacts contacts are measured at once, each keeps at most
// kStrokePointCapacity points of its stroke and kRestPointCapacity of its current rest, and the
// summaries of the most recent kMaxFinishedContacts lifted contacts are kept for the report.
//
// Positions are taken in millimetres from the screen's top-left corner, so the figures that
// need millimetres (jitter, straightness, separation) are left out while the scale is unknown.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "diagnostics/PhysicalScale.h"
#include "diagnostics/TouchSample.h"

inline constexpr int kMaxTrackedContacts = 64;
inline constexpr size_t kMaxFinishedContacts = 1000;
inline constexpr size_t kStrokePointCapacity = 2048;
inline constexpr size_t kRestPointCapacity = 512;
inline constexpr int kTableSlots = 10;             // what the touch picture can show
inline constexpr double kRestRadiusMm = 2.0;       // a resting finger stays this close to its mean
inline constexpr int64_t kRestMinimumUs = 1000000; // and this long, before its jitter counts
inline constexpr int64_t kStuckAfterUs = 2000000;  // no input this long without a lift: stuck
inline constexpr double kMinStrokeLengthMm = 10.0; // shorter strokes (taps) are not judged
inline constexpr int kMinReportsForRate = 5;
inline constexpr double kEdgeBandMm = 3.5;

struct Point2 {
    double x = 0;
    double y = 0;
};

// How far a stroke's points lie from their best-fit line. Points within kEdgeBandMm of a screen
// edge have a bar of their own, so they are counted apart.
struct StrokeMeasure {
    double maxMm = 0;                // every point
    double innerMaxMm = 0;           // points away from the edges
    std::optional<double> edgeMaxMm; // points near an edge, when there are any
    double lengthMm = 0;             // extent along the line
};

// Points of one stroke with the running sums of a total-least-squares line fit. The sums are
// exact over every point; the kept points are halved when full, keeping of each pair the one
// farther from the line at that moment, and later runs keep their farthest point, so a point
// that sticks out survives.
class StrokeFit {
  public:
    void Add(Point2 p);
    size_t Count() const { return count_; }
    // Nothing below two points. screenW/H: the screen in mm (0: no edge band).
    std::optional<StrokeMeasure> Measure(double screenWMm, double screenHMm) const;
    void Clear();

  private:
    struct Line {
        Point2 mean;
        Point2 direction;
        Point2 normal;
    };
    Line Fit() const;
    double DistanceFrom(const Line& line, Point2 p) const;
    void Halve();

    std::vector<Point2> kept_;
    size_t count_ = 0;
    size_t stride_ = 1; // every stride-th point is kept once halving started
    size_t sinceKept_ = 0;
    std::optional<Point2> pending_; // the candidate of the current run
    double pendingDistance_ = 0;
    Point2 origin_; // the first point; the sums are taken relative to it
    double sx_ = 0, sy_ = 0, sxx_ = 0, syy_ = 0, sxy_ = 0;
};

// A contact's rest, measured in blocks of kRestMinimumUs: a block whose positions all stay
// within kRestRadiusMm of their mean is a rested second, and its jitter is the largest distance
// of its positions from that mean. A position farther than that from the mean ends the rest and
// starts a new block; the first block after such a move is the finger settling and does not
// count, so the end of a slide is not taken for jitter.
class RestWindow {
  public:
    // Returns the jitter of a rested second that this position completed.
    std::optional<double> Add(Point2 p, int64_t t);
    // Jitter of the latest rested second while the contact still rests.
    std::optional<double> Jitter() const { return latest_; }
    void Clear();

  private:
    double Spread() const;
    void StartBlock();

    std::vector<Point2> kept_;
    size_t count_ = 0;
    double sx_ = 0, sy_ = 0;
    int64_t start_ = 0;
    bool settling_ = false;
    std::optional<double> latest_;
};

// One contact's figures, live or after its lift.
struct ContactFigures {
    uint32_t id = 0;
    uint32_t flags = 0; // of its latest input
    int64_t firstUs = 0;
    int64_t lastUs = 0;
    int64_t reports = 0;
    int64_t longestGapUs = 0;
    double clientX = 0; // latest position, client pixels
    double clientY = 0;
    double screenX = 0; // latest position, screen pixels
    double screenY = 0;
    std::optional<Point2> positionMm; // from the screen's top-left corner
    std::optional<Point2> sizeMm;     // when the digitizer reports one
    std::optional<double> jitterMm;   // of the current rest (live) or worst rest (summary)
    std::optional<double> worstJitterMm;
    std::optional<StrokeMeasure> stroke; // once lifted, when long enough to be judged
    bool stuck = false;                  // live: no input for kStuckAfterUs
    bool everStuck = false;
    bool lifted = false;
    bool beyondTable = false; // arrived while the table's ten slots were taken

    std::optional<double> MeanRateHz() const;
    std::optional<double> WorstRateHz() const;
};

struct Separation {
    double mm = 0;
    bool edgeToEdge = false; // both contacts reported a size; else centre to centre
};

class TouchStatistics {
  public:
    void SetScale(const PhysicalScale& scale) { scale_ = scale; }
    const PhysicalScale& Scale() const { return scale_; }
    // The screen's size in pixels, for the distance of strokes from its edges.
    void SetScreenSize(int widthPx, int heightPx);

    void Add(const TouchSample& sample);
    // Marks contacts stuck whose last input is kStuckAfterUs or more before now.
    void Tick(int64_t nowUs);
    void Clear();

    int ActiveCount() const { return static_cast<int>(active_.size()); }
    int PeakContacts() const { return peak_; }
    int64_t BeyondTableCount() const { return beyondTable_; }
    int64_t InputCount() const { return inputs_; }
    int64_t UntrackedInputs() const { return untracked_; }
    int64_t StuckCount() const { return stuckCount_; }

    // Live contacts in order of arrival; jitterMm holds the current rest's jitter.
    std::vector<ContactFigures> Active() const;
    // Lifted contacts, oldest first, at most kMaxFinishedContacts.
    const std::deque<ContactFigures>& Finished() const { return finished_; }
    // The most recent lifted stroke long enough to be judged.
    const std::optional<ContactFigures>& LastStroke() const { return lastStroke_; }

    // The two closest live contacts now, and the closest two seen in the session.
    std::optional<Separation> ClosestNow() const;
    std::optional<Separation> ClosestSeen() const { return closestSeen_; }

    // Session-wide worst figures, over every contact measured (also those no longer kept).
    std::optional<double> WorstJitterMm() const;
    // The judged stroke that broke its bar by most (or came closest to it).
    const std::optional<ContactFigures>& WorstStroke() const { return worstStroke_; }

  private:
    struct Tracked {
        ContactFigures figures;
        StrokeFit stroke;
        RestWindow rest;
    };
    int Find(uint32_t id) const;
    void Finish(size_t index);
    void Keep(const ContactFigures& figures);
    std::optional<Separation> Distance(const ContactFigures& a, const ContactFigures& b) const;

    PhysicalScale scale_;
    int screenWPx_ = 0;
    int screenHPx_ = 0;
    std::vector<Tracked> active_;
    std::deque<ContactFigures> finished_;
    std::optional<ContactFigures> lastStroke_;
    std::optional<Separation> closestSeen_;
    std::optional<double> worstFinishedJitter_;
    std::optional<ContactFigures> worstStroke_;
    int peak_ = 0;
    int64_t beyondTable_ = 0;
    int64_t inputs_ = 0;
    int64_t untracked_ = 0;
    int64_t stuckCount_ = 0;
};
