#include "screens/BoundedText.h"

#include <algorithm>

namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

BoundedWriter::BoundedWriter(char16_t* buffer, size_t capacity)
    : buffer_(buffer), capacity_(capacity) {
    buffer_[0] = 0;
}

void BoundedWriter::Append(const char16_t* text, size_t maxUnits) {
    if (!text) {
        return;
    }
    const size_t limit = std::min(maxUnits, capacity_ - 1 - length_);
    size_t n = 0;
    while (n < limit && text[n] != 0) {
        ++n;
    }
    // Stopped by the limit with text left over: a cut, which keeps surrogate pairs whole.
    if (n == limit && text[n] != 0 && n > 0 && IsHighSurrogate(text[n - 1])) {
        --n;
    }
    std::copy(text, text + n, buffer_ + length_);
    length_ += n;
    buffer_[length_] = 0;
}

void BoundedWriter::AppendNumber(int32_t value) {
    constexpr size_t kDigits = 11; // sign and ten digits
    char16_t digits[kDigits];
    size_t first = kDigits;
    // The magnitude in unsigned arithmetic: INT32_MIN has no positive counterpart.
    uint32_t magnitude =
        value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[--first] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        digits[--first] = u'-';
    }
    const size_t count = kDigits - first;
    if (count > capacity_ - 1 - length_) {
        return;
    }
    std::copy(digits + first, digits + kDigits, buffer_ + length_);
    length_ += count;
    buffer_[length_] = 0;
}
