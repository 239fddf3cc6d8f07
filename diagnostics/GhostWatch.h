#pragma once
// The hands-off watch: for a countdown of 30 s nothing should touch the screen, so every contact
// that arrives meanwhile is a ghost. Contacts already down at the start are not ghosts; each is
// ignored until it lifts, and a later contact with the same id counts like any other. A ghost
// that lifts and comes back is a second event.
//
// Times are the session's microseconds, the clock of TouchSample::timeUs.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "diagnostics/CheckSection.h"
#include "diagnostics/TouchSample.h"

struct GhostEvent {
    uint32_t id = 0;
    int64_t arrivedUs = 0; // from the start of the watch
    double x = 0;          // client pixels where it arrived
    double y = 0;
    int64_t lastedUs = 0; // until its lift, or until the end of the watch while still down
    bool stillDown = false;
};

class GhostWatch {
  public:
    static constexpr int64_t kDurationUs = 30'000'000;
    // Details kept of the first ghosts; all of them are counted. A faulty screen can report
    // ghosts without end.
    static constexpr size_t kMaxEvents = 1000;

    enum class Phase { Idle, Watching, Finished };

    // The duration is a test hook: the program always watches kDurationUs.
    explicit GhostWatch(int64_t durationUs = kDurationUs);

    // Starts a new watch, forgetting the last one.
    void Start(int64_t nowUs, const std::vector<uint32_t>& idsDown);
    // A sample at or past the end of the countdown ends the watch first.
    void Feed(const TouchSample& sample);
    // Ends the watch when its time is up; call before reading the state at nowUs.
    void Advance(int64_t nowUs);
    // H during the countdown.
    void EndEarly(int64_t nowUs);

    Phase State() const { return phase_; }
    int64_t DurationUs() const { return durationUs_; }
    // Whole seconds still to go, rounded up, as the countdown shows them.
    int SecondsLeft(int64_t nowUs) const;
    int64_t WatchedUs() const { return watchedUs_; } // once finished
    bool EndedEarly() const { return endedEarly_; }
    size_t GhostCount() const { return ghostCount_; }
    const std::vector<GhostEvent>& Events() const { return events_; }
    // The marks stay after the end until the next contact arrives (or a new watch starts).
    bool MarksShown() const { return phase_ == Phase::Watching || marksShown_; }
    // Only a full watch that saw nothing passes; one ended early without ghosts has no verdict.
    CheckSection::Verdict Verdict() const;

  private:
    struct Contact {
        uint32_t id;
        bool ignored;   // down at the start
        size_t event;   // index into events_, or kMaxEvents when not kept
        int64_t downUs; // from the start of the watch
    };
    void Finish(int64_t endUs, bool early);
    Contact* Find(uint32_t id);

    int64_t durationUs_;
    Phase phase_ = Phase::Idle;
    int64_t startUs_ = 0;
    int64_t watchedUs_ = 0;
    bool endedEarly_ = false;
    bool marksShown_ = false;
    size_t ghostCount_ = 0;
    std::vector<Contact> down_;
    std::vector<GhostEvent> events_;
};

// "No ghost touches in 30 s" or how many, and "ended early" when so; for a finished watch.
std::vector<std::u16string> GhostResultLines(const GhostWatch& watch,
                                             CheckLookup lookup = LookupString);
// One ghost: its number (from 1), time, id, place and how long it lasted.
std::u16string GhostEventLine(size_t number, const GhostEvent& event,
                              CheckLookup lookup = LookupString);
// The report section: the result and every kept ghost.
CheckSection GhostReport(const GhostWatch& watch, CheckLookup lookup = LookupString);
