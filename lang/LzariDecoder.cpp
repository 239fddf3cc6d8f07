#include "lang/LzariDecoder.h"

#include <cstring>

using namespace lzari;

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

uint32_t LzariDecoder::NextBit() {
    bitMask = static_cast<uint16_t>(bitMask >> 1);
    if (bitMask == 0) {
        // Past the block every bit is 1, so no read ever leaves the caller's buffer.
        inputByte = inputPosition < inputSize ? inputStart[inputPosition] : 0xFF;
        ++inputPosition;
        if (inputPosition > inputSize) {
            inputPosition = inputSize; // keeps the count from wrapping on endless 1-bits
        }
        bitMask = 0x80;
    }
    return (inputByte & bitMask) != 0 ? 1u : 0u;
}

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
    uint32_t i = symbol;
    while (symbolFrequency[i] == symbolFrequency[i - 1]) {
        --i;
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
    while (i > 0) {
        --i;
        ++symbolCumulative[i];
    }
}

void LzariDecoder::Renormalise() {
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

uint32_t LzariDecoder::DecodeSymbol() {
    const uint32_t range = high - low;
    const uint32_t total = symbolCumulative[0];
    const uint32_t x = (((value - low + 1) * total - 1) / range) & 0xFFFF;
    uint32_t i = 1;
    uint32_t j = kSymbolCount;
    while (i < j) {
        const uint32_t k = (i + j) / 2;
        if (symbolCumulative[k] > x) {
            i = k + 1;
        } else {
            j = k;
        }
    }
    const uint32_t oldLow = low;
    high = oldLow + range * symbolCumulative[i - 1] / total;
    low = oldLow + range * symbolCumulative[i] / total;
    Renormalise();
    const uint32_t c = symbolToByte[i];
    UpdateModel(i);
    return c;
}

uint32_t LzariDecoder::DecodePosition() {
    const uint32_t range = high - low;
    const uint32_t total = positionCumulative[0];
    const uint32_t x = (((value - low + 1) * total - 1) / range) & 0xFFFF;
    uint32_t i = 1;
    uint32_t j = kRingSize;
    while (i < j) {
        const uint32_t k = (i + j) / 2;
        if (positionCumulative[k] > x) {
            i = k + 1;
        } else {
            j = k;
        }
    }
    const uint32_t p = i - 1;
    const uint32_t oldLow = low;
    high = oldLow + range * positionCumulative[p] / total;
    low = oldLow + range * positionCumulative[p + 1] / total;
    Renormalise();
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
        for (int i = 0; i < 17; ++i) {
            value = 2 * value + NextBit();
        }
        StartModel();
        std::memset(ring, ' ', kFirstWritePosition);
        uint32_t r = kFirstWritePosition;
        uint32_t produced = 0;
        while (produced < decodedLength) {
            const uint32_t c = DecodeSymbol();
            if (c < 256) {
                const uint8_t b = static_cast<uint8_t>(c);
                if (outputStored < outputCapacity) {
                    outputStart[outputStored++] = b;
                }
                ring[r] = b;
                r = (r + 1) & kRingMask;
                ++produced;
            } else {
                const uint32_t p = DecodePosition();
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
    }

    inputStart = nullptr;
    inputPosition = 0;
    inputSize = 0;
    outputStart = nullptr;
    outputStored = 0;
    outputCapacity = 0;
}
