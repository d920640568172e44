#include "platform/win32/cp932_text.h"

#include <cerrno>
#include <cstring>

#include <iconv.h>

namespace platform {

std::string DecodeCp932(std::string_view bytes)
{
    std::string out;
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // No converter: ASCII survives, everything else is marked as unreadable.
        for (unsigned char c : bytes)
            out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char chunk[256];
    while (inLeft > 0) {
        char* outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or a sequence cut short at the end: skip one byte and mark it.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return out;
}

QString Cp932ToQString(const char* text)
{
    if (text == nullptr)
        return {};
    const std::string utf8 = DecodeCp932(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace platform
