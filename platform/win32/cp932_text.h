#pragma once
// The "A" functions take code page 932 text; Qt wants Unicode.
#include <string>
#include <string_view>

#include <QString>

namespace platform {

// UTF-8 of a code page 932 string. A byte sequence that is not code page 932 becomes U+FFFD and
// decoding goes on after it, so a bad text still shows what it can.
std::string DecodeCp932(std::string_view bytes);

// The same as a QString; null gives an empty string.
QString Cp932ToQString(const char* text);

} // namespace platform
