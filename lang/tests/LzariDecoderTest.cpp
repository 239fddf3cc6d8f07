// Decoder edge cases and known answers. The known-answer blocks were worked out from the coding
// rules step by step (intervals noted beside them), not produced by LzariTokenWriter, so they
// also catch a mistake that the encoder and the decoder would share.

#include "lang/LzariDecoder.h"
#include "lang/LzariEncoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Decodes into a heap buffer of exactly `capacity` bytes, so that ASan sees any store past it,
// from a heap copy of exactly the block, so that it sees any read past it.
Bytes Decode(LzariDecoder& decoder, const Bytes& block, uint32_t capacity) {
    auto input = std::make_unique<uint8_t[]>(block.size() + (block.empty() ? 1 : 0));
    std::copy(block.begin(), block.end(), input.get());
    auto output = std::make_unique<uint8_t[]>(capacity + (capacity == 0 ? 1 : 0));
    decoder.DecodeToMemory(input.get(), static_cast<uint32_t>(block.size()), output.get(),
                           capacity);
    return Bytes(output.get(), output.get() + capacity);
}

Bytes Decode(const Bytes& block, uint32_t capacity) {
    LzariDecoder decoder;
    return Decode(decoder, block, capacity);
}

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// One literal 'A' (byte 65 = symbol 66 of the starting model, total 314):
//   high = 0x20000 * cum[65] / 314 = 131072 * 249 / 314 = 103939
//   low  = 0x20000 * cum[66] / 314 = 131072 * 248 / 314 = 103521
// Renormalising emits 1 1 0 0 1 0 1 and leaves [12416, 65920) (low < Q1, high > Q2); the end
// adds 0 and one pending 1, padding 0s: 11001010 10000000.
const Bytes kLiteralA = {0x01, 0x00, 0x00, 0x00, 0xCA, 0x80};

// One literal 0 (symbol 1): [130654, 131072) emits eight 1s and leaves [24064, 131072); the
// end adds 0 1, padding 0s: 11111111 01000000.
const Bytes kLiteralZero = {0x01, 0x00, 0x00, 0x00, 0xFF, 0x40};

// 'A', match 3 at p = 4036 (copy from ring position 0: the farthest a match can reach at that
// point, all initial spaces), 'B', match 5 at p = 0 (overlaps itself: BBBBB), match 4 at
// p = 10 (from ring 4035: one initial space, then "A  "). Header 12, so the last match runs
// two bytes past the length. Step by step ([low, high) before renormalising, bits out):
//   'A'  sym 66  of 314   [103521, 103939)  1100101
//   len3 sym 257 of 315   [22097, 22267)    001010110      (cum 58/57 after the first swap)
//   p4036 cum 120/118     [41831, 41837)    0101000110110  (weights of 4036.. are all 2)
//   'B'  sym 67  of 316   [95763, 95918)    101110110
//   len5 sym 259 of 317   [23497, 23747)    001011 + 2 pending
//   p0   cum 28568/28519  [115346, 115456)  100110000101
//   len4 sym 258 of 318   [38267, 38622)    0100101 + 1 pending
//   p10  cum 28086/28039  [120685, 120834)  101101 + 3 pending, ending in [27904, 66048)
//   end: 0 and four 1s, then padding.
const Bytes kSpacesBlock = {0x0C, 0x00, 0x00, 0x00, 0xCA, 0x56, 0x51,
                            0xB5, 0xD8, 0xB9, 0x85, 0x4B, 0x6B, 0xC0};
const std::string kSpacesText = "A   BBBBBB A  ";

TEST(LzariDecoderKnownAnswer, FirstSymbolSwapsIntoSymbolOne) {
    LzariDecoder decoder;
    EXPECT_EQ(Decode(decoder, kLiteralA, 1), ToBytes("A"));
    EXPECT_EQ(decoder.SymbolFrequency(1), 2);
    EXPECT_EQ(decoder.SymbolFrequency(66), 1);
    EXPECT_EQ(decoder.SymbolCumulative(0), 315);
    EXPECT_EQ(decoder.SymbolCumulative(1), 313);
    EXPECT_EQ(decoder.SymbolToByte(1), 'A');
    EXPECT_EQ(decoder.SymbolToByte(66), 0);
    EXPECT_EQ(decoder.ByteToSymbol('A'), 1);
    EXPECT_EQ(decoder.ByteToSymbol(0), 66);
    EXPECT_EQ(decoder.SymbolToByte(2), 1); // untouched neighbours
    EXPECT_EQ(decoder.SymbolToByte(67), 66);
}

TEST(LzariDecoderKnownAnswer, FirstSymbolOneOnlyRaisesItsFrequency) {
    LzariDecoder decoder;
    EXPECT_EQ(Decode(decoder, kLiteralZero, 1), Bytes{0});
    EXPECT_EQ(decoder.SymbolFrequency(1), 2);
    EXPECT_EQ(decoder.SymbolFrequency(2), 1);
    EXPECT_EQ(decoder.SymbolCumulative(0), 315);
    EXPECT_EQ(decoder.SymbolToByte(1), 0);
    EXPECT_EQ(decoder.ByteToSymbol(0), 1);
}

TEST(LzariDecoderKnownAnswer, StartingModel) {
    LzariDecoder decoder;
    Decode(decoder, kLiteralZero, 1);
    EXPECT_EQ(decoder.PositionCumulative(0), 28568);
    EXPECT_EQ(decoder.PositionCumulative(1), 28568 - 49); // 10000 / 201
    EXPECT_EQ(decoder.PositionCumulative(4036), 120);
    EXPECT_EQ(decoder.PositionCumulative(4095), 2);
    EXPECT_EQ(decoder.PositionCumulative(4096), 0);
    EXPECT_EQ(decoder.SymbolCumulative(314), 0);
    EXPECT_EQ(decoder.SymbolCumulative(313), 1);
    EXPECT_EQ(decoder.SymbolToByte(314), 313);
}

TEST(LzariDecoderKnownAnswer, MatchesFromTheInitialSpaces) {
    EXPECT_EQ(Decode(kSpacesBlock, 14), ToBytes(kSpacesText));
}

TEST(LzariDecoderKnownAnswer, WriterProducesTheSameBits) {
    LzariTokenWriter a;
    a.PutLiteral('A');
    EXPECT_EQ(a.SymbolFrequency(1), 2);
    EXPECT_EQ(a.SymbolCumulative(0), 315);
    EXPECT_EQ(a.SymbolToByte(1), 'A');
    EXPECT_EQ(a.SymbolToByte(66), 0);
    EXPECT_EQ(a.Finish(1), kLiteralA);

    LzariTokenWriter zero;
    zero.PutLiteral(0);
    EXPECT_EQ(zero.Finish(1), kLiteralZero);

    LzariTokenWriter spaces;
    spaces.PutLiteral('A');
    spaces.PutMatch(3, 4036);
    spaces.PutLiteral('B');
    spaces.PutMatch(5, 0);
    spaces.PutMatch(4, 10);
    EXPECT_EQ(spaces.Finish(12), kSpacesBlock);
}

TEST(LzariDecoderEdge, HeaderZeroReadsNothing) {
    LzariDecoder decoder;
    // Code bytes follow the header; a decoder that primed its register would start the model.
    const Bytes block = {0, 0, 0, 0, 0xCA, 0x80};
    Bytes sentinel(8, 0x5A);
    decoder.DecodeToMemory(block.data(), static_cast<uint32_t>(block.size()), sentinel.data(),
                           static_cast<uint32_t>(sentinel.size()));
    EXPECT_EQ(sentinel, Bytes(8, 0x5A));
    EXPECT_EQ(decoder.DecodedLength(), 0u);
    EXPECT_EQ(decoder.SymbolCumulative(0), 0); // the model was never set up
}

TEST(LzariDecoderEdge, BlockShorterThanItsHeaderDecodesNothing) {
    for (const Bytes& block : {Bytes{}, Bytes{0x05}, Bytes{0x05, 0x00, 0x00}}) {
        LzariDecoder decoder;
        Bytes out(4, 0x5A);
        decoder.DecodeToMemory(block.empty() ? nullptr : block.data(),
                               static_cast<uint32_t>(block.size()), out.data(), 4);
        EXPECT_EQ(out, Bytes(4, 0x5A)) << block.size();
        EXPECT_EQ(decoder.DecodedLength(), 0u);
    }
}

TEST(LzariDecoderEdge, BitsPastTheEndReadAsOnes) {
    // Without its last byte the literal block reads 11001010 then 1s: 0x195FF = 103935, still
    // inside [103521, 103939). Read as 0s it would be 103424 and decode another symbol.
    const Bytes truncated(kLiteralA.begin(), kLiteralA.end() - 1);
    EXPECT_EQ(Decode(truncated, 1), ToBytes("A"));
    // The spaces block ends exactly at its last code byte; no filler is needed.
    EXPECT_EQ(Decode(kSpacesBlock, 14), ToBytes(kSpacesText));
}

TEST(LzariDecoderEdge, AnyFillerAfterTheCodeIsHarmless) {
    for (uint8_t filler : {0x00, 0x20, 0x55, 0xFF}) {
        Bytes block = kSpacesBlock;
        block.insert(block.end(), 4547, filler);
        EXPECT_EQ(Decode(block, 14), ToBytes(kSpacesText)) << int(filler);
    }
}

TEST(LzariDecoderEdge, CapacitySmallerThanTheLength) {
    LzariDecoder full;
    Decode(full, kSpacesBlock, 14);
    for (uint32_t capacity : {0u, 1u, 5u, 12u}) {
        LzariDecoder decoder;
        EXPECT_EQ(Decode(decoder, kSpacesBlock, capacity),
                  ToBytes(kSpacesText.substr(0, capacity)));
        // The rest of the stream was still decoded: five symbols moved the model.
        EXPECT_EQ(decoder.SymbolCumulative(0), 319);
        EXPECT_EQ(decoder.SymbolCumulative(0), full.SymbolCumulative(0));
        EXPECT_EQ(decoder.SymbolToByte(3), 'B');
    }
}

TEST(LzariDecoderEdge, LastMatchPassesTheLength) {
    // Header 12, the last match ends at 14: all four bytes are emitted and stored while the
    // capacity allows; a decoder stopping the copy at the length would leave the last two.
    Bytes out(16, 0x5A);
    LzariDecoder decoder;
    decoder.DecodeToMemory(kSpacesBlock.data(), static_cast<uint32_t>(kSpacesBlock.size()),
                           out.data(), 16);
    Bytes expected = ToBytes(kSpacesText);
    expected.resize(16, 0x5A);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(decoder.DecodedLength(), 12u);
}

TEST(LzariDecoderEdge, MatchOfFullWindowRepeatsTheByteAtTheWritePosition) {
    // p = 4,095: the copy starts at the write position itself, 4,096 bytes back.
    Bytes text;
    for (uint32_t i = 0; i < 4096; ++i) {
        text.push_back(static_cast<uint8_t>((i * 7 + i / 256) & 0xFF));
    }
    LzariTokenWriter writer;
    for (uint8_t b : text) {
        writer.PutLiteral(b);
    }
    writer.PutMatch(10, 4095);
    writer.PutMatch(3, 4095);
    const Bytes block = writer.Finish(4096 + 13);
    Bytes expected = text;
    expected.insert(expected.end(), text.begin(), text.begin() + 13);
    EXPECT_EQ(Decode(block, 4096 + 13), expected);
}

TEST(LzariDecoderEdge, OverlappingMatchRepeatsThePattern) {
    LzariTokenWriter writer;
    for (char c : std::string("abc")) {
        writer.PutLiteral(static_cast<uint8_t>(c));
    }
    writer.PutMatch(60, 2); // 3 back, 60 long: reads what it has just written
    writer.PutMatch(7, 0);
    const Bytes block = writer.Finish(70);
    std::string expected;
    for (int i = 0; i < 21; ++i) {
        expected += "abc";
    }
    expected += std::string(7, 'c');
    EXPECT_EQ(Decode(block, 70), ToBytes(expected));
}

TEST(LzariDecoderEdge, HalvingPoint) {
    // Three 'b' then 'a': the fourth 'a' ties with 'b' (both 4) and takes symbol 1 from it.
    // After 3 + 32,450 symbols the total is 314 + 32,453 = 0x7FFF, so the next update halves:
    // 'a' (32,451 + 1) / 2 = 16,226, 'b' (4 + 1) / 2 = 2, every other (1 + 1) / 2 = 1, then
    // 'a' gains 1. Total 16,227 + 2 + 312 = 16,541.
    std::string text = "bbb" + std::string(32451, 'a');
    LzariTokenWriter writer;
    for (char c : text) {
        writer.PutLiteral(static_cast<uint8_t>(c));
    }
    EXPECT_EQ(writer.SymbolFrequency(1), 16227);
    EXPECT_EQ(writer.SymbolCumulative(0), 16541);
    const Bytes block = writer.Finish(static_cast<uint32_t>(text.size()));

    LzariDecoder decoder;
    EXPECT_EQ(Decode(decoder, block, static_cast<uint32_t>(text.size())), ToBytes(text));
    EXPECT_EQ(decoder.SymbolFrequency(1), 16227);
    EXPECT_EQ(decoder.SymbolFrequency(2), 2);
    EXPECT_EQ(decoder.SymbolCumulative(0), 16541);
    EXPECT_EQ(decoder.SymbolCumulative(1), 314);
    EXPECT_EQ(decoder.SymbolCumulative(2), 312);
    EXPECT_EQ(decoder.SymbolToByte(1), 'a');
    EXPECT_EQ(decoder.SymbolToByte(2), 'b');
    EXPECT_EQ(decoder.ByteToSymbol(0), 99);
    uint32_t sum = 0;
    for (uint32_t s = 1; s <= 314; ++s) {
        EXPECT_GE(decoder.SymbolFrequency(s), 1) << s;
        sum += decoder.SymbolFrequency(s);
    }
    EXPECT_EQ(sum, 16541u);
}

TEST(LzariDecoderEdge, GarbageDecodesWithinBounds) {
    // Arbitrary code bytes still produce exactly the capacity's worth of output and stay
    // inside both buffers (ASan watches the exact-size copies).
    uint32_t seed = 12345;
    for (int round = 0; round < 50; ++round) {
        Bytes block(4 + round * 3);
        for (uint8_t& b : block) {
            seed = seed * 1103515245 + 12345;
            b = static_cast<uint8_t>(seed >> 16);
        }
        const uint32_t length = 1 + (seed >> 8) % 3000;
        block[0] = static_cast<uint8_t>(length);
        block[1] = static_cast<uint8_t>(length >> 8);
        block[2] = block[3] = 0;
        const uint32_t capacity = length / (1 + round % 3);
        LzariDecoder a;
        LzariDecoder b;
        EXPECT_EQ(Decode(a, block, capacity), Decode(b, block, capacity));
        EXPECT_EQ(a.DecodedLength(), length);
    }
}

} // namespace
