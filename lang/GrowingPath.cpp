#include "lang/GrowingPath.h"

#include <algorithm>

std::u16string ReadGrowingPath(const PathReader& read) {
    constexpr uint32_t kFirstSize = 260;
    constexpr uint32_t kLastSize = kLongestPath + 1; // room for the terminator
    for (uint32_t size = kFirstSize;; size = std::min(size * 2, kLastSize)) {
        std::u16string path(size, u'\0');
        const uint32_t length = read(path.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            path.resize(length);
            return path;
        }
        if (size == kLastSize) {
            return {};
        }
    }
}
