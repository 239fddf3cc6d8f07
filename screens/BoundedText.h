#pragma once
// Appending into a wide-character buffer of fixed capacity: what does not fit is dropped, the
// terminating zero always fits, and a cut never separates the halves of a surrogate pair.

#include <cstddef>
#include <cstdint>

class BoundedWriter {
  public:
    // capacity counts the terminating zero and must be at least 1.
    BoundedWriter(char16_t* buffer, size_t capacity);

    // Appends at most maxUnits units of text (all of it by default); a null text adds nothing.
    void Append(const char16_t* text, size_t maxUnits = static_cast<size_t>(-1));

    // Appends the decimal number whole, or nothing when it does not fit, so no cut number
    // misleads.
    void AppendNumber(int32_t value);

    size_t Length() const { return length_; }

  private:
    char16_t* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};
