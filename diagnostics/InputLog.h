#pragma once
// The most recent touch inputs of the session, for the CSV beside the report: a ring that
// keeps the last kInputLogCapacity inputs and grows only as far as it is used.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/TouchSample.h"

inline constexpr size_t kInputLogCapacity = 100000;

class InputLog {
  public:
    explicit InputLog(size_t capacity = kInputLogCapacity) : capacity_(capacity) {}
    void Add(const TouchSample& sample);
    void Clear();
    size_t Size() const { return ring_.size(); }
    uint64_t Total() const { return total_; } // every input seen, also those dropped
    // i = 0 is the oldest kept input.
    const TouchSample& At(size_t i) const;

    // Header and one line per kept input, oldest first, "\r\n" line ends. Times in
    // milliseconds, positions and sizes in screen pixels, flags as hexadecimal TOUCHEVENTF bits.
    std::string Csv() const;

  private:
    size_t capacity_;
    std::vector<TouchSample> ring_;
    size_t next_ = 0; // where the next input goes once the ring is full
    uint64_t total_ = 0;
};
