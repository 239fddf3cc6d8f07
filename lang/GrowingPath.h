#pragma once
// Reading a path of unknown length through a call that fills a caller's buffer and cuts what
// does not fit (GetModuleFileNameW), without a cut path ever being returned.

#include <cstdint>
#include <functional>
#include <string>

// The longest path the platform allows, in UTF-16 units without the terminator.
inline constexpr uint32_t kLongestPath = 32767;

// Fills buffer (size units) and returns the units written without the terminator; a result of
// size or more means the path was cut, 0 a failure.
using PathReader = std::function<uint32_t(char16_t* buffer, uint32_t size)>;

// The whole path: the buffer starts at MAX_PATH and grows until the path fits, up to
// kLongestPath units. Empty on failure or when even that is too short.
std::u16string ReadGrowingPath(const PathReader& read);
