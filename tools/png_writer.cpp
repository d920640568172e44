#include "tools/png_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr std::size_t maxStoredBlock = 65535;

std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutChunk(
    std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data)
{
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The chunk's CRC covers its type and data, not its length.
    PutBigEndian(out, Crc32(out.data() + typeAt, 4 + data.size()));
}

// A zlib stream (no compression) of the given bytes.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out;
    out.reserve(raw.size() + raw.size() / maxStoredBlock * 5 + 16);
    out.push_back(0x78); // deflate, 32 KiB window
    out.push_back(0x01); // no preset dictionary, fastest; (0x78 << 8 | 0x01) % 31 == 0
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(maxStoredBlock, raw.size() - at);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0); // BFINAL, BTYPE 00 (stored)
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length));
        out.push_back(static_cast<std::uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
            raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    PutBigEndian(out, Adler32(raw.data(), raw.size()));
    return out;
}

} // namespace

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc)
{
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < count; ++i) {
        crc = table[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* bytes, std::size_t count)
{
    constexpr std::uint32_t modulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t i = 0; i < count; ++i) {
        a = (a + bytes[i]) % modulus;
        b = (b + a) % modulus;
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb)
{
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || rgb == nullptr) {
        return {};
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter type None
        const std::uint8_t* row = rgb + rowBytes * static_cast<std::size_t>(y);
        raw.insert(raw.end(), row, row + rowBytes);
    }

    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.push_back(8); // bit depth
    header.push_back(2); // colour type RGB
    header.push_back(0); // compression: deflate
    header.push_back(0); // filter method 0
    header.push_back(0); // no interlace

    std::vector<std::uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}

bool WritePng(const char* path, int width, int height, const std::uint8_t* rgb)
{
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}
