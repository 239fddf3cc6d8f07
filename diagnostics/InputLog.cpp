#include "diagnostics/InputLog.h"

#include <cinttypes>
#include <cstdio>

void InputLog::Add(const TouchSample& sample) {
    ++total_;
    if (capacity_ == 0) {
        return;
    }
    if (ring_.size() < capacity_) {
        ring_.push_back(sample);
        return;
    }
    ring_[next_] = sample;
    next_ = (next_ + 1) % capacity_;
}

void InputLog::Clear() {
    ring_.clear();
    next_ = 0;
    total_ = 0;
}

const TouchSample& InputLog::At(size_t i) const {
    return ring_[(next_ + i) % ring_.size()];
}

std::string InputLog::Csv() const {
    std::string out = "time_ms,id,x_px,y_px,flags,contact_width_px,contact_height_px\r\n";
    out.reserve(out.size() + ring_.size() * 56);
    char line[160];
    for (size_t i = 0; i < ring_.size(); ++i) {
        const TouchSample& s = At(i);
        std::snprintf(line, sizeof(line),
                      "%" PRId64 ".%03d,%" PRIu32 ",%.2f,%.2f,0x%04" PRIX32 ",%.2f,%.2f\r\n",
                      s.timeUs / 1000, static_cast<int>(s.timeUs % 1000), s.id, s.screenX,
                      s.screenY, s.flags, s.widthPx, s.heightPx);
        out += line;
    }
    return out;
}
