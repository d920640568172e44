#pragma once
// Bounds-checked reading of little-endian bytes, shared by every reader of resource formats.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::detail {

// A cursor over untrusted little-endian bytes. Every read checks the bounds first and
// reports a short read as false, leaving the cursor where it was; no read is unaligned.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(data ? size : 0)
    {
    }

    std::size_t Offset() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    const std::uint8_t* Here() const { return data_ + pos_; }

    bool Skip(std::size_t n)
    {
        if (n > Remaining())
            return false;
        pos_ += n;
        return true;
    }
    // Moves to the next multiple of four from the start of the bytes.
    bool AlignTo4() { return Skip((4 - pos_ % 4) % 4); }

    bool U8(std::uint8_t& v)
    {
        if (Remaining() < 1)
            return false;
        v = data_[pos_++];
        return true;
    }
    bool U16(std::uint16_t& v)
    {
        if (Remaining() < 2)
            return false;
        v = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }
    bool U32(std::uint32_t& v)
    {
        if (Remaining() < 4)
            return false;
        v = static_cast<std::uint32_t>(data_[pos_])
            | static_cast<std::uint32_t>(data_[pos_ + 1]) << 8
            | static_cast<std::uint32_t>(data_[pos_ + 2]) << 16
            | static_cast<std::uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool I32(std::int32_t& v)
    {
        std::uint32_t u = 0;
        if (!U32(u))
            return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    // A NUL-terminated UTF-16 string; false when no terminator lies within the bytes.
    bool Utf16z(std::u16string& out)
    {
        ByteReader probe = *this;
        std::u16string text;
        for (std::uint16_t unit = 0;;) {
            if (!probe.U16(unit))
                return false;
            if (unit == 0)
                break;
            text.push_back(static_cast<char16_t>(unit));
        }
        *this = probe;
        out = std::move(text);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// UTF-16 as found in resources, to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

} // namespace platform::detail
