#pragma once
// PNG output for tessarine-frame.

#include <cstddef>
#include <cstdint>
#include <vector>

// A minimal PNG encoder with no dependencies: 8-bit RGB, filter 0 on every row, the image data
// in uncompressed (stored) deflate blocks. Files are larger than a compressor's, but any viewer
// reads them and the tool builds wherever a C++ compiler does.

// CRC-32 as PNG chunks use it (polynomial 0xEDB88320, initial and final xor 0xFFFFFFFF).
std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0);
// Adler-32 of a zlib stream's uncompressed data.
std::uint32_t Adler32(const std::uint8_t* bytes, std::size_t count);

// rgb: height rows of width * 3 bytes, top row first. Empty for a zero or oversized image.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb);
// Encodes and writes the file; false if it cannot be written.
bool WritePng(const char* path, int width, int height, const std::uint8_t* rgb);
