#pragma once
// A minimal PNG encoder: 8-bit RGB, no filtering, the image data in stored (uncompressed)
// deflate blocks. Large, but simple enough to check by hand, and it needs no library.

#include <cstddef>
#include <cstdint>
#include <vector>

// CRC-32 as PNG chunks use it (ISO 3309, reflected 0xEDB88320), continued from crc.
uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0);
// Adler-32 of the zlib stream, continued from adler.
uint32_t Adler32(const uint8_t* data, size_t length, uint32_t adler = 1);

// Pixels are 0x00RRGGBB, rows top down, width * height of them. An empty result when the size
// is not positive or the pixels are too few.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint32_t>& pixels);
