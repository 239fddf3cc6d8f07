#include "diagnostics/TouchStatistics.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/Verdicts.h"

namespace {

double Distance(Point2 a, Point2 b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

// ---- StrokeFit

void StrokeFit::Clear() {
    *this = StrokeFit{};
}

void StrokeFit::Add(Point2 p) {
    if (count_ == 0) {
        origin_ = p;
    }
    const double x = p.x - origin_.x;
    const double y = p.y - origin_.y;
    sx_ += x;
    sy_ += y;
    sxx_ += x * x;
    syy_ += y * y;
    sxy_ += x * y;
    ++count_;
    if (stride_ > 1) {
        // Of each run of stride points the one farthest from the line so far is kept.
        const double d = DistanceFrom(Fit(), p);
        if (!pending_ || d >= pendingDistance_) {
            pending_ = p;
            pendingDistance_ = d;
        }
        if (++sinceKept_ < stride_) {
            return;
        }
        p = *pending_;
        pending_.reset();
        sinceKept_ = 0;
    }
    if (kept_.size() == kStrokePointCapacity) {
        Halve();
    }
    kept_.push_back(p);
}

StrokeFit::Line StrokeFit::Fit() const {
    Line line;
    const double n = static_cast<double>(count_);
    const double mx = sx_ / n;
    const double my = sy_ / n;
    line.mean = {origin_.x + mx, origin_.y + my};
    const double cxx = sxx_ / n - mx * mx;
    const double cyy = syy_ / n - my * my;
    const double cxy = sxy_ / n - mx * my;
    // The direction of largest spread: the principal axis of the covariance.
    const double angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);
    line.direction = {std::cos(angle), std::sin(angle)};
    line.normal = {-line.direction.y, line.direction.x};
    return line;
}

double StrokeFit::DistanceFrom(const Line& line, Point2 p) const {
    return std::fabs((p.x - line.mean.x) * line.normal.x + (p.y - line.mean.y) * line.normal.y);
}

void StrokeFit::Halve() {
    const Line line = Fit();
    size_t out = 0;
    for (size_t i = 0; i + 1 < kept_.size(); i += 2) {
        const Point2 a = kept_[i];
        const Point2 b = kept_[i + 1];
        kept_[out++] = DistanceFrom(line, a) >= DistanceFrom(line, b) ? a : b;
    }
    kept_.resize(out);
    stride_ *= 2;
}

std::optional<StrokeMeasure> StrokeFit::Measure(double screenWMm, double screenHMm) const {
    if (count_ < 2 || kept_.size() < 2) {
        return std::nullopt;
    }
    const Line line = Fit();
    StrokeMeasure m;
    double lo = 0;
    double hi = 0;
    bool first = true;
    std::vector<Point2> points = kept_;
    if (pending_) {
        points.push_back(*pending_);
    }
    for (const Point2& p : points) {
        const double d = DistanceFrom(line, p);
        const double along =
            (p.x - line.mean.x) * line.direction.x + (p.y - line.mean.y) * line.direction.y;
        lo = first ? along : std::min(lo, along);
        hi = first ? along : std::max(hi, along);
        first = false;
        m.maxMm = std::max(m.maxMm, d);
        const bool nearEdge =
            screenWMm > 0 && screenHMm > 0 &&
            std::min(std::min(p.x, screenWMm - p.x), std::min(p.y, screenHMm - p.y)) <= kEdgeBandMm;
        if (nearEdge) {
            m.edgeMaxMm = std::max(m.edgeMaxMm.value_or(0.0), d);
        } else {
            m.innerMaxMm = std::max(m.innerMaxMm, d);
        }
    }
    m.lengthMm = hi - lo;
    return m;
}

// ---- RestWindow

void RestWindow::Clear() {
    *this = RestWindow{};
}

void RestWindow::StartBlock() {
    kept_.clear();
    count_ = 0;
    sx_ = 0;
    sy_ = 0;
}

double RestWindow::Spread() const {
    const Point2 mean{sx_ / static_cast<double>(count_), sy_ / static_cast<double>(count_)};
    double spread = 0;
    for (const Point2& p : kept_) {
        spread = std::max(spread, Distance(p, mean));
    }
    return spread;
}

std::optional<double> RestWindow::Add(Point2 p, int64_t t) {
    if (count_ > 0) {
        const Point2 mean{sx_ / static_cast<double>(count_), sy_ / static_cast<double>(count_)};
        if (Distance(p, mean) > kRestRadiusMm) {
            StartBlock();
            latest_.reset();
            settling_ = true;
        }
    }
    if (count_ == 0) {
        start_ = t;
    }
    sx_ += p.x;
    sy_ += p.y;
    ++count_;
    if (kept_.size() == kRestPointCapacity) {
        // Keep of each pair the point farther from the mean: the jitter is the largest distance.
        const Point2 mean{sx_ / static_cast<double>(count_), sy_ / static_cast<double>(count_)};
        size_t out = 0;
        for (size_t i = 0; i + 1 < kept_.size(); i += 2) {
            kept_[out++] =
                Distance(kept_[i], mean) >= Distance(kept_[i + 1], mean) ? kept_[i] : kept_[i + 1];
        }
        kept_.resize(out);
    }
    kept_.push_back(p);
    if (t - start_ < kRestMinimumUs) {
        return std::nullopt;
    }
    const double spread = Spread();
    const bool counts = !settling_ && spread <= kRestRadiusMm;
    StartBlock();
    settling_ = false;
    if (!counts) {
        return std::nullopt;
    }
    latest_ = spread;
    return spread;
}

// ---- ContactFigures

std::optional<double> ContactFigures::MeanRateHz() const {
    if (reports < 2 || lastUs <= firstUs) {
        return std::nullopt;
    }
    return static_cast<double>(reports - 1) * 1e6 / static_cast<double>(lastUs - firstUs);
}

std::optional<double> ContactFigures::WorstRateHz() const {
    if (reports < 2 || longestGapUs <= 0) {
        return std::nullopt;
    }
    return 1e6 / static_cast<double>(longestGapUs);
}

// ---- TouchStatistics

void TouchStatistics::SetScreenSize(int widthPx, int heightPx) {
    screenWPx_ = widthPx;
    screenHPx_ = heightPx;
}

void TouchStatistics::Clear() {
    const PhysicalScale scale = scale_;
    const int w = screenWPx_;
    const int h = screenHPx_;
    *this = TouchStatistics{};
    scale_ = scale;
    SetScreenSize(w, h);
}

int TouchStatistics::Find(uint32_t id) const {
    for (size_t i = 0; i < active_.size(); ++i) {
        if (active_[i].figures.id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<Separation> TouchStatistics::Distance(const ContactFigures& a,
                                                    const ContactFigures& b) const {
    if (!a.positionMm || !b.positionMm) {
        return std::nullopt;
    }
    Separation s;
    s.mm = ::Distance(*a.positionMm, *b.positionMm);
    if (a.sizeMm && b.sizeMm) {
        // Contacts taken as circles of the mean of their width and height.
        const double radii = (a.sizeMm->x + a.sizeMm->y + b.sizeMm->x + b.sizeMm->y) / 4;
        s.mm = std::max(0.0, s.mm - radii);
        s.edgeToEdge = true;
    }
    return s;
}

void TouchStatistics::Add(const TouchSample& sample) {
    ++inputs_;
    if (sample.id == 0) {
        // The table never tracks id 0 either.
        ++untracked_;
        return;
    }
    int index = Find(sample.id);
    if (index < 0) {
        if (sample.flags & TouchFlag::Up) {
            ++untracked_;
            return;
        }
        if (static_cast<int>(active_.size()) >= kMaxTrackedContacts) {
            ++untracked_;
            return;
        }
        Tracked tracked;
        tracked.figures.id = sample.id;
        tracked.figures.firstUs = sample.timeUs;
        tracked.figures.lastUs = sample.timeUs;
        tracked.figures.beyondTable = static_cast<int>(active_.size()) >= kTableSlots;
        beyondTable_ += tracked.figures.beyondTable ? 1 : 0;
        active_.push_back(std::move(tracked));
        index = static_cast<int>(active_.size()) - 1;
        peak_ = std::max(peak_, static_cast<int>(active_.size()));
    }
    Tracked& t = active_[static_cast<size_t>(index)];
    ContactFigures& f = t.figures;
    if (f.reports > 0) {
        f.longestGapUs = std::max(f.longestGapUs, sample.timeUs - f.lastUs);
    }
    ++f.reports;
    f.lastUs = sample.timeUs;
    f.flags = sample.flags;
    f.stuck = false;
    f.clientX = sample.clientX;
    f.clientY = sample.clientY;
    f.screenX = sample.screenX;
    f.screenY = sample.screenY;
    if (scale_.Known()) {
        const Point2 mm{scale_.ToMmX(sample.screenX), scale_.ToMmY(sample.screenY)};
        f.positionMm = mm;
        if (sample.widthPx > 0 && sample.heightPx > 0) {
            f.sizeMm = Point2{scale_.ToMmX(sample.widthPx), scale_.ToMmY(sample.heightPx)};
        }
        t.stroke.Add(mm);
        if (const std::optional<double> ended = t.rest.Add(mm, sample.timeUs)) {
            f.worstJitterMm = std::max(f.worstJitterMm.value_or(0.0), *ended);
        }
        for (const Tracked& other : active_) {
            if (other.figures.id == f.id) {
                continue;
            }
            const std::optional<Separation> s = Distance(f, other.figures);
            if (s && (!closestSeen_ || s->mm < closestSeen_->mm)) {
                closestSeen_ = s;
            }
        }
    }
    if (sample.flags & TouchFlag::Up) {
        Finish(static_cast<size_t>(index));
    }
}

void TouchStatistics::Finish(size_t index) {
    Tracked& t = active_[index];
    ContactFigures& f = t.figures;
    f.lifted = true;
    f.stuck = false;
    f.jitterMm = f.worstJitterMm;
    const double screenW = scale_.Known() ? scale_.ToMmX(screenWPx_) : 0;
    const double screenH = scale_.Known() ? scale_.ToMmY(screenHPx_) : 0;
    const std::optional<StrokeMeasure> stroke = t.stroke.Measure(screenW, screenH);
    if (stroke && stroke->lengthMm >= kMinStrokeLengthMm) {
        f.stroke = stroke;
        lastStroke_ = f;
        if (!worstStroke_ || StrokeSeverity(*stroke) > StrokeSeverity(*worstStroke_->stroke)) {
            worstStroke_ = f;
        }
    }
    Keep(f);
    active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TouchStatistics::Keep(const ContactFigures& figures) {
    if (figures.worstJitterMm) {
        worstFinishedJitter_ = std::max(worstFinishedJitter_.value_or(0.0), *figures.worstJitterMm);
    }
    finished_.push_back(figures);
    if (finished_.size() > kMaxFinishedContacts) {
        finished_.pop_front();
    }
}

void TouchStatistics::Tick(int64_t nowUs) {
    for (Tracked& t : active_) {
        ContactFigures& f = t.figures;
        if (!f.stuck && nowUs - f.lastUs >= kStuckAfterUs) {
            f.stuck = true;
            if (!f.everStuck) {
                f.everStuck = true;
                ++stuckCount_;
            }
        }
    }
}

std::vector<ContactFigures> TouchStatistics::Active() const {
    std::vector<ContactFigures> list;
    list.reserve(active_.size());
    for (const Tracked& t : active_) {
        list.push_back(t.figures);
        list.back().jitterMm = t.rest.Jitter();
    }
    return list;
}

std::optional<Separation> TouchStatistics::ClosestNow() const {
    std::optional<Separation> closest;
    for (size_t i = 0; i < active_.size(); ++i) {
        for (size_t j = i + 1; j < active_.size(); ++j) {
            const std::optional<Separation> s = Distance(active_[i].figures, active_[j].figures);
            if (s && (!closest || s->mm < closest->mm)) {
                closest = s;
            }
        }
    }
    return closest;
}

std::optional<double> TouchStatistics::WorstJitterMm() const {
    std::optional<double> worst = worstFinishedJitter_;
    for (const Tracked& t : active_) {
        if (t.figures.worstJitterMm) {
            worst = std::max(worst.value_or(0.0), *t.figures.worstJitterMm);
        }
    }
    return worst;
}
