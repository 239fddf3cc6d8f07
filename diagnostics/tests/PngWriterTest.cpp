#include "diagnostics/PngWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t Big32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking each CRC; fails the test on any damage.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t>& png) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<Chunk> chunks;
    if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) {
        ADD_FAILURE() << "no PNG signature";
        return chunks;
    }
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Big32(png, at);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk runs past the end";
            return chunks;
        }
        Chunk chunk;
        chunk.type.assign(png.begin() + at + 4, png.begin() + at + 8);
        chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
        EXPECT_EQ(Big32(png, at + 8 + length), Crc32(png.data() + at + 4, length + 4))
            << chunk.type;
        chunks.push_back(chunk);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
    return chunks;
}

// Inflates a zlib stream of stored blocks only; fails the test on anything else.
std::vector<uint8_t> InflateStored(const std::vector<uint8_t>& zlib, int* blocks) {
    std::vector<uint8_t> out;
    *blocks = 0;
    if (zlib.size() < 6 || (zlib[0] & 0x0F) != 8 || ((zlib[0] << 8) | zlib[1]) % 31 != 0) {
        ADD_FAILURE() << "bad zlib header";
        return out;
    }
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > zlib.size() || (zlib[at] & 0x06) != 0) {
            ADD_FAILURE() << "not a stored block at " << at;
            return out;
        }
        last = zlib[at] & 1;
        const uint16_t length = static_cast<uint16_t>(zlib[at + 1] | (zlib[at + 2] << 8));
        const uint16_t check = static_cast<uint16_t>(zlib[at + 3] | (zlib[at + 4] << 8));
        EXPECT_EQ(static_cast<uint16_t>(~length), check);
        at += 5;
        if (at + length > zlib.size()) {
            ADD_FAILURE() << "block runs past the end";
            return out;
        }
        out.insert(out.end(), zlib.begin() + at, zlib.begin() + at + length);
        at += length;
        ++*blocks;
    }
    EXPECT_EQ(at + 4, zlib.size());
    EXPECT_EQ(Big32(zlib, at), Adler32(out.data(), out.size()));
    return out;
}

TEST(PngWriter, ChecksumsGiveTheirStandardCheckValues) {
    const std::string digits = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*>(digits.data());
    EXPECT_EQ(Crc32(bytes, digits.size()), 0xCBF43926u);
    // Continued in two parts, the same value.
    EXPECT_EQ(Crc32(bytes + 4, 5, Crc32(bytes, 4)), 0xCBF43926u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
    // The CRC of an IEND chunk, as every PNG ends: AE 42 60 82.
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>("IEND"), 4), 0xAE426082u);
    // Long runs of 0xFF keep Adler-32's sums in range.
    const std::vector<uint8_t> ones(100000, 0xFF);
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : ones) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Adler32(ones.data(), ones.size()), (b << 16) | a);
}

TEST(PngWriter, ImagesDecodeBackToTheirPixels) {
    struct Case {
        int width;
        int height;
        int blocks;
    } cases[] = {
        {1, 1, 1},     {2, 2, 1}, {200, 200, 2}, // 120200 bytes of rows: two stored blocks
        {21845, 1, 2},                           // a row of 1 + 65535 bytes: one byte over a block
        {300, 300, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        std::vector<uint32_t> pixels(static_cast<size_t>(c.width) * c.height);
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0x00FFFFFF;
        }
        const std::vector<uint8_t> png = EncodePng(c.width, c.height, pixels);
        const std::vector<Chunk> chunks = ReadChunks(png);
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[1].type, "IDAT");
        EXPECT_EQ(chunks[2].type, "IEND");
        ASSERT_EQ(chunks[0].data.size(), 13u);
        EXPECT_EQ(Big32(chunks[0].data, 0), static_cast<uint32_t>(c.width));
        EXPECT_EQ(Big32(chunks[0].data, 4), static_cast<uint32_t>(c.height));
        EXPECT_EQ(std::vector<uint8_t>(chunks[0].data.begin() + 8, chunks[0].data.end()),
                  (std::vector<uint8_t>{8, 2, 0, 0, 0}));
        int blocks = 0;
        const std::vector<uint8_t> raw = InflateStored(chunks[1].data, &blocks);
        EXPECT_EQ(blocks, c.blocks);
        const size_t rowBytes = 1 + 3 * static_cast<size_t>(c.width);
        ASSERT_EQ(raw.size(), rowBytes * c.height);
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(raw[y * rowBytes], 0) << "filter of row " << y;
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* p = &raw[y * rowBytes + 1 + 3 * x];
                const uint32_t decoded = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
                ASSERT_EQ(decoded, pixels[static_cast<size_t>(y) * c.width + x])
                    << "at " << x << ", " << y;
            }
        }
    }
}

TEST(PngWriter, OneRedPixelIsByteForByteTheKnownFile) {
    // Made apart from this encoder, with Python's zlib (level 0 gives stored blocks) and its
    // crc32: IHDR 1 x 1 RGB, IDAT holding the row 00 FF 00 00 and its Adler-32 0x03010100.
    const std::vector<uint8_t> expected = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90,
        0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0F, 0x49, 0x44, 0x41, 0x54, 0x78, 0x01, 0x01, 0x04,
        0x00, 0xFB, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x8D, 0x1D, 0xE5, 0x82,
        0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(EncodePng(1, 1, {0x00FF0000}), expected);
    EXPECT_TRUE(EncodePng(0, 1, {}).empty());
    EXPECT_TRUE(EncodePng(2, 2, {1, 2, 3}).empty());
}

} // namespace
