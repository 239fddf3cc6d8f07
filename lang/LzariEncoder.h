#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Writes an LZARI code symbol by symbol: the same models, update rule, bit order and 17-bit
// register as LzariDecoder. Used by EncodeLzari and by tests that need blocks no parse would
// choose (a match 4,096 bytes back, a last match running past the length).
class LzariTokenWriter {
  public:
    LzariTokenWriter();

    void PutLiteral(uint8_t value);
    // length 3..60; position 0..4095 (the copy starts position + 1 bytes back).
    void PutMatch(uint32_t length, uint32_t position);
    // Ends the code so that the decoder fixes the final interval whatever bits follow, and
    // returns the 4-byte little-endian decoded length followed by the code.
    std::vector<uint8_t> Finish(uint32_t decodedLength);

    // Model state, for the known-answer tests.
    uint16_t SymbolFrequency(uint32_t symbol) const { return symbolFrequency[symbol]; }
    uint16_t SymbolCumulative(uint32_t symbol) const { return symbolCumulative[symbol]; }
    uint16_t SymbolToByte(uint32_t symbol) const { return symbolToByte[symbol]; }

  private:
    void EncodeInterval(uint32_t cumHigh, uint32_t cumLow, uint32_t total);
    void EncodeSymbol(uint32_t value);
    void UpdateModel(uint32_t symbol);
    void PutBit(uint32_t bit);
    void Output(uint32_t bit);

    uint16_t byteToSymbol[314];
    uint16_t symbolToByte[315];
    uint16_t symbolFrequency[315];
    uint16_t symbolCumulative[315];
    uint16_t positionCumulative[4097];
    uint32_t low = 0;
    uint32_t high = 0x20000;
    uint32_t pendingBits = 0;
    uint32_t bitBuffer = 0;
    uint32_t bitCount = 0;
    std::vector<uint8_t> code;
};

// Compresses data into one block: header, then the code (no filler). The parse looks for the
// longest matches over the whole 4,096-byte window (the 4,036 initial spaces included) and
// keeps whichever of a greedy and a cost-driven parse codes smaller. Returns an empty vector
// when size does not fit the 32-bit header.
std::vector<uint8_t> EncodeLzari(const uint8_t* data, size_t size);
