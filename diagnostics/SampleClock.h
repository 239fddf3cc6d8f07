#pragma once
// Times of touch inputs in microseconds of one session clock. The system's own input time
// (milliseconds) is used where it advances; where it is missing or stands still while inputs
// keep arriving, the arrival time takes over for the rest of the session, continuing from where
// the input time left off so that no gap jumps.

#include <cstdint>

enum class TimeSource {
    InputTime, // TOUCHINPUT.dwTime
    Arrival,   // QueryPerformanceCounter when the message was read
};

class SampleClock {
  public:
    // inputTimeMs: the input's own time (0: none); arrivalUs: when its message was read.
    int64_t Stamp(uint32_t inputTimeMs, int64_t arrivalUs);
    // Now in the same clock: the latest stamp and the arrival time passed since. The input
    // time's base is the system's, which need not be the base of any clock read here.
    int64_t Now(int64_t arrivalUs) const;
    TimeSource Source() const { return source_; }
    bool Started() const { return started_; }

  private:
    // An input time that has not moved for this long of arrival time is taken as standing still.
    static constexpr int64_t kStandStillUs = 100000;

    void SwitchToArrival(int64_t arrivalUs);

    TimeSource source_ = TimeSource::InputTime;
    bool started_ = false;
    uint32_t baseMs_ = 0; // input time of the first input
    uint32_t lastInputMs_ = 0;
    int64_t lastInputArrival_ = 0; // arrival when the input time last moved
    int64_t lastStamp_ = 0;
    int64_t lastArrival_ = 0;
    int64_t arrivalOffset_ = 0; // added to arrival times once they are the source
};
