#pragma once

#include <cstdint>

// Parameters shared by the decoder, the build-time encoder and their tests. The block format is
// fixed by the archive that ships inside the executable, so none of these may change.
namespace lzari {
inline constexpr uint32_t kRingSize = 4096;
inline constexpr uint32_t kRingMask = kRingSize - 1;
inline constexpr uint32_t kMaxMatch = 60;
inline constexpr uint32_t kMinMatch = 3;
inline constexpr uint32_t kSymbolCount = 314; // bytes 0..255, then lengths 3..60
inline constexpr uint32_t kFirstWritePosition = kRingSize - kMaxMatch; // 4036
inline constexpr uint32_t kQuarter = 0x8000;
inline constexpr uint32_t kHalf = 0x10000;
inline constexpr uint32_t kThreeQuarters = 0x18000;
inline constexpr uint32_t kTop = 0x20000;
inline constexpr uint32_t kMaxTotal = 0x7FFF;
inline constexpr uint32_t kHeaderSize = 4;
inline constexpr uint32_t kPositionTotal = 28568;

// Static weight of match position p (the copy starts p + 1 bytes back).
constexpr uint32_t PositionWeight(uint32_t p) {
    return 10000 / (p + 201);
}
} // namespace lzari

class LzariDecoder {
  public:
    LzariDecoder();
    virtual ~LzariDecoder();

    LzariDecoder(const LzariDecoder&) = delete;
    LzariDecoder& operator=(const LzariDecoder&) = delete;

    // Decodes one block (4-byte little-endian decoded length, then the code) into output. Stops
    // when the decoded length is reached; bytes past capacity are dropped, bits past blockSize
    // read as 1. A block shorter than its 4-byte header decodes to nothing (decoded length 0):
    // reading the missing bytes as 1-bits like the code would claim 4 GiB from an empty block.
    void DecodeToMemory(const uint8_t* block, uint32_t blockSize, uint8_t* output,
                        uint32_t capacity);

    // Model state, read by the tests after a decode.
    uint32_t DecodedLength() const { return decodedLength; }
    uint16_t SymbolFrequency(uint32_t symbol) const { return symbolFrequency[symbol]; }
    uint16_t SymbolCumulative(uint32_t symbol) const { return symbolCumulative[symbol]; }
    uint16_t SymbolToByte(uint32_t symbol) const { return symbolToByte[symbol]; }
    uint16_t ByteToSymbol(uint32_t value) const { return byteToSymbol[value]; }
    uint16_t PositionCumulative(uint32_t position) const { return positionCumulative[position]; }

  private:
    struct Coder; // the registers and the bit reader, held in locals while decoding
    uint32_t DecodeSymbol(Coder& coder);
    uint32_t DecodePosition(Coder& coder);
    void StartModel();
    void UpdateModel(uint32_t symbol);

    uint16_t inputByte = 0;
    uint16_t bitMask = 0;
    uint32_t decodedLength = 0;
    uint8_t ring[lzari::kRingSize + lzari::kMaxMatch - 1];
    uint16_t byteToSymbol[lzari::kSymbolCount];
    uint16_t symbolToByte[lzari::kSymbolCount + 1];
    uint16_t symbolFrequency[lzari::kSymbolCount + 1];
    uint16_t symbolCumulative[lzari::kSymbolCount + 1];
    uint16_t positionCumulative[lzari::kRingSize + 1];
    uint32_t low = 0;
    uint32_t high = lzari::kTop;
    uint32_t value = 0;
    const uint8_t* inputStart = nullptr;
    uint32_t inputPosition = 0;
    uint32_t inputSize = 0;
    uint8_t* outputStart = nullptr;
    uint32_t outputStored = 0;
    uint32_t outputCapacity = 0;
};
