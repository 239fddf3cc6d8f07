// The module path read into a buffer that grows until the path fits, as long as the platform
// allows paths to be.

#include "lang/GrowingPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Behaves as GetModuleFileNameW: a buffer too small gets the cut path, terminated, and the
// result is the buffer's size.
struct FakeModule {
    std::u16string path;
    std::vector<uint32_t> sizesAsked;
    PathReader Reader() {
        return [this](char16_t* buffer, uint32_t size) -> uint32_t {
            sizesAsked.push_back(size);
            if (path.empty()) {
                return 0;
            }
            if (path.size() < size) {
                std::copy(path.begin(), path.end(), buffer);
                buffer[path.size()] = 0;
                return static_cast<uint32_t>(path.size());
            }
            std::copy(path.begin(), path.begin() + size - 1, buffer);
            buffer[size - 1] = 0;
            return size;
        };
    }
};

TEST(GrowingPath, ReadsEveryLengthUpToTheLongestPath) {
    // 16,640 was once the largest buffer tried; the platform allows 32,767.
    for (const size_t length : {1u, 259u, 260u, 261u, 16639u, 16640u, 16641u, 20000u, 32767u}) {
        SCOPED_TRACE(length);
        FakeModule module;
        module.path = std::u16string(length, u'q');
        EXPECT_EQ(ReadGrowingPath(module.Reader()), module.path);
        EXPECT_LE(module.sizesAsked.back(), kLongestPath + 1);
    }
}

TEST(GrowingPath, NothingWhenTheCallFailsOrThePathIsLongerThanAllowed) {
    FakeModule failing;
    EXPECT_EQ(ReadGrowingPath(failing.Reader()), u"");
    EXPECT_EQ(failing.sizesAsked, std::vector<uint32_t>{260});

    FakeModule tooLong;
    tooLong.path = std::u16string(40000, u'q');
    EXPECT_EQ(ReadGrowingPath(tooLong.Reader()), u"");
    EXPECT_EQ(tooLong.sizesAsked.back(), kLongestPath + 1);
}

} // namespace
