#include "diagnostics/PngWriter.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Largest payload of one stored deflate block.
constexpr size_t kStoredBlock = 65535;

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

} // namespace

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t length, uint32_t adler) {
    constexpr uint32_t kMod = 65521;
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    while (length > 0) {
        // 5552 bytes is the most that can be summed before b may pass 32 bits.
        const size_t run = length < 5552 ? length : 5552;
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kMod;
        b %= kMod;
        data += run;
        length -= run;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) {
        return {};
    }
    // Each row: filter type 0, then red, green, blue.
    const size_t rowBytes = 1 + 3 * static_cast<size_t>(width);
    std::vector<uint8_t> raw;
    raw.reserve(rowBytes * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const uint32_t* row = pixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<uint8_t>(row[x] >> 16));
            raw.push_back(static_cast<uint8_t>(row[x] >> 8));
            raw.push_back(static_cast<uint8_t>(row[x]));
        }
    }

    std::vector<uint8_t> zlib;
    zlib.reserve(raw.size() + raw.size() / kStoredBlock * 5 + 11);
    zlib.push_back(0x78); // deflate, 32 KB window
    zlib.push_back(0x01); // no preset dictionary; 0x7801 is a multiple of 31
    for (size_t at = 0;; at += kStoredBlock) {
        const size_t length = std::min(kStoredBlock, raw.size() - at);
        const bool last = at + length >= raw.size();
        zlib.push_back(last ? 1 : 0); // BFINAL, BTYPE 00 (stored)
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
        if (last) {
            break;
        }
    }
    PutBig32(zlib, Adler32(raw.data(), raw.size()));

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, static_cast<uint32_t>(width));
    PutBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // depth 8, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}
