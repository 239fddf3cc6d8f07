#include "diagnostics/GhostWatch.h"

#include <algorithm>

#include "diagnostics/CheckStrings.h"
#include "diagnostics/TextPattern.h"

GhostWatch::GhostWatch(int64_t durationUs) : durationUs_(durationUs > 0 ? durationUs : 1) {}

void GhostWatch::Start(int64_t nowUs, const std::vector<uint32_t>& idsDown) {
    phase_ = Phase::Watching;
    startUs_ = nowUs;
    watchedUs_ = 0;
    endedEarly_ = false;
    marksShown_ = false;
    ghostCount_ = 0;
    events_.clear();
    down_.clear();
    for (uint32_t id : idsDown) {
        if (!Find(id)) {
            down_.push_back({id, true, kMaxEvents, 0});
        }
    }
}

GhostWatch::Contact* GhostWatch::Find(uint32_t id) {
    const auto found =
        std::find_if(down_.begin(), down_.end(), [id](const Contact& c) { return c.id == id; });
    return found != down_.end() ? &*found : nullptr;
}

void GhostWatch::Finish(int64_t endUs, bool early) {
    phase_ = Phase::Finished;
    endedEarly_ = early;
    marksShown_ = true;
    watchedUs_ = std::clamp<int64_t>(endUs - startUs_, 0, durationUs_);
    for (const Contact& contact : down_) {
        if (!contact.ignored && contact.event < events_.size()) {
            GhostEvent& event = events_[contact.event];
            event.stillDown = true;
            event.lastedUs = watchedUs_ - contact.downUs;
        }
    }
    down_.clear();
}

void GhostWatch::Advance(int64_t nowUs) {
    if (phase_ == Phase::Watching && nowUs - startUs_ >= durationUs_) {
        Finish(startUs_ + durationUs_, false);
    }
}

void GhostWatch::EndEarly(int64_t nowUs) {
    Advance(nowUs);
    if (phase_ == Phase::Watching) {
        Finish(nowUs, true);
    }
}

void GhostWatch::Feed(const TouchSample& sample) {
    Advance(sample.timeUs);
    if (phase_ == Phase::Finished) {
        if (sample.flags & TouchFlag::Down) {
            marksShown_ = false;
        }
        return;
    }
    if (phase_ != Phase::Watching) {
        return;
    }
    const int64_t at = std::max<int64_t>(0, sample.timeUs - startUs_);
    Contact* contact = Find(sample.id);
    if (sample.flags & TouchFlag::Up) {
        if (contact) {
            if (!contact->ignored && contact->event < events_.size()) {
                events_[contact->event].lastedUs = at - contact->downUs;
            }
            down_.erase(down_.begin() + (contact - down_.data()));
        }
        return;
    }
    if (contact) {
        return;
    }
    // A contact not seen before arrives, with or without its down report: a lost down must
    // not hide a ghost.
    ++ghostCount_;
    size_t index = kMaxEvents;
    if (events_.size() < kMaxEvents) {
        index = events_.size();
        events_.push_back({sample.id, at, sample.clientX, sample.clientY, 0, false});
    }
    down_.push_back({sample.id, false, index, at});
}

int GhostWatch::SecondsLeft(int64_t nowUs) const {
    if (phase_ != Phase::Watching) {
        return 0;
    }
    const int64_t left = std::clamp<int64_t>(startUs_ + durationUs_ - nowUs, 0, durationUs_);
    return static_cast<int>((left + 999'999) / 1'000'000);
}

CheckSection::Verdict GhostWatch::Verdict() const {
    if (phase_ != Phase::Finished) {
        return CheckSection::Verdict::NotRun;
    }
    if (ghostCount_ > 0) {
        return CheckSection::Verdict::Fail;
    }
    return endedEarly_ ? CheckSection::Verdict::NotRun : CheckSection::Verdict::Pass;
}

namespace {

std::u16string Seconds(int64_t us, int decimals) {
    return FormatFixed(static_cast<double>(us) / 1e6, decimals);
}

} // namespace

std::u16string GhostEventLine(size_t number, const GhostEvent& event, CheckLookup lookup) {
    using namespace CheckText;
    return FormatPattern(CheckTextOf(lookup, event.stillDown ? StillDown : GhostLine),
                         {FormatInteger(static_cast<long long>(number)),
                          Seconds(event.arrivedUs, 2), FormatInteger(event.id),
                          FormatFixed(event.x, 0) + u", " + FormatFixed(event.y, 0),
                          FormatInteger(event.lastedUs / 1000)});
}

std::vector<std::u16string> GhostResultLines(const GhostWatch& watch, CheckLookup lookup) {
    using namespace CheckText;
    std::vector<std::u16string> lines;
    // A full watch reads "30 s"; one ended early gives its tenths.
    const std::u16string watched = Seconds(watch.WatchedUs(), watch.EndedEarly() ? 1 : 0);
    if (watch.GhostCount() == 0) {
        lines.push_back(FormatPattern(CheckTextOf(lookup, NoGhosts), {watched}));
    } else {
        lines.push_back(
            FormatPattern(CheckTextOf(lookup, GhostsSeen),
                          {FormatInteger(static_cast<long long>(watch.GhostCount())), watched}));
    }
    if (watch.EndedEarly()) {
        lines.push_back(
            FormatPattern(CheckTextOf(lookup, EndedEarly), {Seconds(watch.WatchedUs(), 1)}));
    }
    return lines;
}

CheckSection GhostReport(const GhostWatch& watch, CheckLookup lookup) {
    CheckSection section;
    section.title = CheckTextOf(lookup, CheckText::WatchTitle);
    section.verdict = watch.Verdict();
    if (watch.State() != GhostWatch::Phase::Finished) {
        return section;
    }
    section.lines = GhostResultLines(watch, lookup);
    for (size_t i = 0; i < watch.Events().size(); ++i) {
        section.lines.push_back(GhostEventLine(i + 1, watch.Events()[i], lookup));
    }
    return section;
}
