#include "lang/LzariDecoder.h"

#include <cstring>
#include <memory>

using namespace lzari;

namespace {

// position of x: the p with cumulative[p + 1] <= x < cumulative[p].
const uint16_t* PositionOfTable() {
    static const auto table = [] {
        auto t = std::make_unique<uint16_t[]>(kPositionTotal);
        uint32_t x = kPositionTotal;
        for (uint32_t p = 0; p < kRingSize; ++p) {
            for (uint32_t w = 0; w < PositionWeight(p); ++w) {
                t[--x] = static_cast<uint16_t>(p);
            }
        }
        return t;
    }();
    return table.get();
}

} // namespace

LzariDecoder::LzariDecoder() {
    // Zeroed so that a damaged block reading ring bytes nobody wrote yet still decodes the same
    // way every time.
    std::memset(ring, 0, sizeof ring);
    std::memset(byteToSymbol, 0, sizeof byteToSymbol);
    std::memset(symbolToByte, 0, sizeof symbolToByte);
    std::memset(symbolFrequency, 0, sizeof symbolFrequency);
    std::memset(symbolCumulative, 0, sizeof symbolCumulative);
    std::memset(positionCumulative, 0, sizeof positionCumulative);
}

LzariDecoder::~LzariDecoder() = default;

void LzariDecoder::StartModel() {
    symbolCumulative[kSymbolCount] = 0;
    for (uint32_t s = kSymbolCount; s >= 1; --s) {
        symbolToByte[s] = static_cast<uint16_t>(s - 1);
        byteToSymbol[s - 1] = static_cast<uint16_t>(s);
        symbolFrequency[s] = 1;
        symbolCumulative[s - 1] = static_cast<uint16_t>(symbolCumulative[s] + 1);
    }
    symbolFrequency[0] = 0;
    positionCumulative[kRingSize] = 0;
    for (uint32_t i = kRingSize; i >= 1; --i) {
        positionCumulative[i - 1] =
            static_cast<uint16_t>(positionCumulative[i] + PositionWeight(i - 1));
    }
}

void LzariDecoder::UpdateModel(uint32_t symbol) {
    if (symbolCumulative[0] >= kMaxTotal) {
        uint32_t sum = 0;
        for (uint32_t i = kSymbolCount; i > 0; --i) {
            symbolCumulative[i] = static_cast<uint16_t>(sum);
            symbolFrequency[i] = static_cast<uint16_t>((symbolFrequency[i] + 1) / 2);
            sum += symbolFrequency[i];
        }
        symbolCumulative[0] = static_cast<uint16_t>(sum);
    }
    // The first symbol of the run of equal frequencies that ends at `symbol`. Frequencies never
    // increase along the table, so this is a search, not a walk down a long run of 1s.
    const uint16_t frequency = symbolFrequency[symbol];
    uint32_t i = 1;
    for (uint32_t n = symbol; n > 1;) {
        const uint32_t half = n / 2;
        i += half & (0u - static_cast<uint32_t>(symbolFrequency[i + half - 1] > frequency));
        n -= half;
    }
    if (i < symbol) {
        const uint16_t byteAtI = symbolToByte[i];
        const uint16_t byteAtS = symbolToByte[symbol];
        symbolToByte[i] = byteAtS;
        symbolToByte[symbol] = byteAtI;
        byteToSymbol[byteAtS] = static_cast<uint16_t>(i);
        byteToSymbol[byteAtI] = static_cast<uint16_t>(symbol);
    }
    ++symbolFrequency[i];
    for (uint32_t k = 0; k < i; ++k) {
        ++symbolCumulative[k];
    }
}

struct LzariDecoder::Coder {
    uint32_t low;
    uint32_t high;
    uint32_t value;
    uint32_t inputByte;
    uint32_t bitMask;
    const uint8_t* input;
    uint32_t position;
    uint32_t size;

    uint32_t NextBit() {
        bitMask >>= 1;
        if (bitMask == 0) {
            // Past the block every bit is 1, so no read ever leaves the caller's buffer.
            if (position < size) {
                inputByte = input[position++];
            } else {
                inputByte = 0xFF;
            }
            bitMask = 0x80;
        }
        return (inputByte & bitMask) != 0 ? 1u : 0u;
    }

    void Renormalise() {
        for (;;) {
            if (low >= kHalf) {
                value -= kHalf;
                low -= kHalf;
                high -= kHalf;
            } else if (low >= kQuarter && high <= kThreeQuarters) {
                value -= kQuarter;
                low -= kQuarter;
                high -= kQuarter;
            } else if (high > kHalf) {
                return;
            }
            low += low;
            high += high;
            value = 2 * value + NextBit();
        }
    }
};

uint32_t LzariDecoder::DecodeSymbol(Coder& coder) {
    const uint32_t range = coder.high - coder.low;
    const uint32_t total = symbolCumulative[0];
    const uint32_t x = (((coder.value - coder.low + 1) * total - 1) / range) & 0xFFFF;
    // The first symbol whose cumulative entry is not above x (entries fall strictly and the
    // last is 0, so there is exactly one), found without branches.
    uint32_t i = 1;
    for (uint32_t n = kSymbolCount; n > 1;) {
        const uint32_t half = n / 2;
        i += half & (0u - static_cast<uint32_t>(symbolCumulative[i + half - 1] > x));
        n -= half;
    }
    const uint32_t oldLow = coder.low;
    coder.high = oldLow + range * symbolCumulative[i - 1] / total;
    coder.low = oldLow + range * symbolCumulative[i] / total;
    coder.Renormalise();
    const uint32_t c = symbolToByte[i];
    UpdateModel(i);
    return c;
}

uint32_t LzariDecoder::DecodePosition(Coder& coder) {
    const uint32_t range = coder.high - coder.low;
    const uint32_t total = positionCumulative[0];
    const uint32_t x = (((coder.value - coder.low + 1) * total - 1) / range) & 0xFFFF;
    // The position model never changes, so one table answers the search for every x.
    const uint32_t p = x < kPositionTotal ? PositionOfTable()[x] : 0;
    const uint32_t oldLow = coder.low;
    coder.high = oldLow + range * positionCumulative[p] / total;
    coder.low = oldLow + range * positionCumulative[p + 1] / total;
    coder.Renormalise();
    return p;
}

void LzariDecoder::DecodeToMemory(const uint8_t* block, uint32_t blockSize, uint8_t* output,
                                  uint32_t capacity) {
    inputStart = block;
    inputPosition = 0;
    inputSize = block != nullptr ? blockSize : 0;
    outputStart = output;
    outputStored = 0;
    outputCapacity = output != nullptr ? capacity : 0;
    decodedLength = 0;
    low = 0;
    high = kTop;
    value = 0;
    inputByte = 0;
    bitMask = 0;

    if (inputSize >= kHeaderSize) {
        decodedLength = static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
                        static_cast<uint32_t>(block[2]) << 16 |
                        static_cast<uint32_t>(block[3]) << 24;
        inputPosition = kHeaderSize;
    }
    if (decodedLength != 0) {
        Coder coder{low, high, value, inputByte, bitMask, inputStart, inputPosition, inputSize};
        for (int i = 0; i < 17; ++i) {
            coder.value = 2 * coder.value + coder.NextBit();
        }
        StartModel();
        std::memset(ring, ' ', kFirstWritePosition);
        uint32_t r = kFirstWritePosition;
        uint32_t produced = 0;
        while (produced < decodedLength) {
            const uint32_t c = DecodeSymbol(coder);
            if (c < 256) {
                const uint8_t b = static_cast<uint8_t>(c);
                if (outputStored < outputCapacity) {
                    outputStart[outputStored++] = b;
                }
                ring[r] = b;
                r = (r + 1) & kRingMask;
                ++produced;
            } else {
                const uint32_t p = DecodePosition(coder);
                const uint32_t start = (r - p - 1) & kRingMask;
                const uint32_t length = c - 253;
                for (uint32_t k = 0; k < length; ++k) {
                    const uint8_t b = ring[(start + k) & kRingMask];
                    if (outputStored < outputCapacity) {
                        outputStart[outputStored++] = b;
                    }
                    ring[r] = b;
                    r = (r + 1) & kRingMask;
                }
                // The count may pass the decoded length; a 32-bit wrap would restart the loop.
                produced = length > decodedLength - produced ? decodedLength : produced + length;
            }
        }
        low = coder.low;
        high = coder.high;
        value = coder.value;
        inputByte = static_cast<uint16_t>(coder.inputByte);
        bitMask = static_cast<uint16_t>(coder.bitMask);
    }

    inputStart = nullptr;
    inputPosition = 0;
    inputSize = 0;
    outputStart = nullptr;
    outputStored = 0;
    outputCapacity = 0;
}
