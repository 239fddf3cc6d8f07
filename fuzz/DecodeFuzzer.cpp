// Arbitrary bytes as an LZARI block: the decoder must stay inside its exact-size buffers and end.
// The same bytes, taken as plain data, must survive an encode and decode unchanged.

#include "lang/LzariDecoder.h"
#include "lang/LzariEncoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A header may claim up to 4 GiB of output, which the decoder would dutifully produce from an
// endless run of 1-bits; keep each run short.
constexpr uint32_t kMaxFuzzLength = 1u << 13;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto block = std::make_unique<uint8_t[]>(size);
    if (size != 0) {
        std::memcpy(block.get(), data, size);
    }
    uint32_t length = 0;
    if (size >= 4) {
        length = (static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                  static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24) %
                 kMaxFuzzLength;
        for (int i = 0; i < 4; ++i) {
            block[static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
        }
    }
    // Capacity below, at or above the length, chosen by the last byte.
    const uint8_t choice = size != 0 ? data[size - 1] : 0;
    const uint32_t capacity = choice < 64 ? length * choice / 64 : length + (choice & 7);
    auto output = std::make_unique<uint8_t[]>(capacity);
    LzariDecoder decoder;
    decoder.DecodeToMemory(block.get(), static_cast<uint32_t>(size), output.get(), capacity);
    if (decoder.DecodedLength() != length) {
        std::abort();
    }

    if (size <= 2048) {
        const std::vector<uint8_t> code = EncodeLzari(data, size);
        auto decoded = std::make_unique<uint8_t[]>(size);
        LzariDecoder check;
        check.DecodeToMemory(code.data(), static_cast<uint32_t>(code.size()), decoded.get(),
                             static_cast<uint32_t>(size));
        if (size != 0 && std::memcmp(decoded.get(), data, size) != 0) {
            std::abort();
        }
    }
    return 0;
}
