#include "diagnostics/SampleClock.h"

void SampleClock::SwitchToArrival(int64_t arrivalUs) {
    source_ = TimeSource::Arrival;
    arrivalOffset_ = started_ ? lastStamp_ - arrivalUs : 0;
}

int64_t SampleClock::Stamp(uint32_t inputTimeMs, int64_t arrivalUs) {
    if (source_ == TimeSource::InputTime) {
        if (inputTimeMs == 0) {
            SwitchToArrival(arrivalUs);
        } else if (!started_) {
            baseMs_ = inputTimeMs;
            lastInputMs_ = inputTimeMs;
            lastInputArrival_ = arrivalUs;
        } else if (inputTimeMs != lastInputMs_) {
            lastInputMs_ = inputTimeMs;
            lastInputArrival_ = arrivalUs;
        } else if (arrivalUs - lastInputArrival_ > kStandStillUs) {
            SwitchToArrival(arrivalUs);
        }
    }
    int64_t stamp = 0;
    if (source_ == TimeSource::InputTime) {
        // Unsigned difference: the millisecond tick wraps after 49.7 days.
        stamp = static_cast<int64_t>(static_cast<uint32_t>(inputTimeMs - baseMs_)) * 1000;
    } else {
        stamp = arrivalUs + arrivalOffset_;
    }
    // Never back in time, so no gap is negative.
    if (started_ && stamp < lastStamp_) {
        stamp = lastStamp_;
    }
    started_ = true;
    lastStamp_ = stamp;
    lastArrival_ = arrivalUs;
    return stamp;
}

int64_t SampleClock::Now(int64_t arrivalUs) const {
    if (!started_) {
        return 0;
    }
    return lastStamp_ + (arrivalUs - lastArrival_);
}
