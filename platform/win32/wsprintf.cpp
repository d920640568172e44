// wsprintfA: the user32 formatter. It knows less than printf (no floating point, no '*', no '+'
// or ' ' flags) and never writes more than 1024 characters and the terminating NUL.
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "platform/win32/windows.h"

namespace {

constexpr int kMaxOutput = 1024;

class Output {
public:
    explicit Output(char* buffer)
        : buffer_(buffer)
    {
    }
    bool Full() const { return length_ >= kMaxOutput; }
    void Put(char c)
    {
        if (!Full())
            buffer_[length_++] = c;
    }
    void Repeat(char c, int count)
    {
        for (int i = 0; i < count && !Full(); ++i)
            Put(c);
    }
    int Finish()
    {
        buffer_[length_] = 0;
        return length_;
    }

private:
    char* buffer_;
    int length_ = 0;
};

struct Spec {
    bool left = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
    bool longSize = false; // 'l': a wide character or string for c and s
    bool shortSize = false; // 'h': a narrow character or string even for C and S
    bool is64 = false; // "I64"
};

// Widths beyond the output limit all mean the same; clamping keeps the arithmetic defined.
int ClampedDigits(int value, char digit)
{
    const int next = value * 10 + (digit - '0');
    return next > 10 * kMaxOutput ? 10 * kMaxOutput : next;
}

void PutField(Output& out, const Spec& spec, const char* prefix, const char* body, int bodyLength,
    int zeroFill)
{
    const int prefixLength = static_cast<int>(std::strlen(prefix));
    const int total = prefixLength + zeroFill + bodyLength;
    const int pad = spec.width > total ? spec.width - total : 0;
    if (!spec.left)
        out.Repeat(' ', pad);
    for (int i = 0; i < prefixLength; ++i)
        out.Put(prefix[i]);
    out.Repeat('0', zeroFill);
    for (int i = 0; i < bodyLength; ++i)
        out.Put(body[i]);
    if (spec.left)
        out.Repeat(' ', pad);
}

void PutNumber(Output& out, const Spec& spec, char type, std::uint64_t magnitude, bool negative)
{
    char digits[24];
    int count = 0;
    const unsigned base = (type == 'x' || type == 'X') ? 16 : 10;
    const char* alphabet = type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    // As with printf, precision 0 prints no digit for the value zero.
    if (magnitude != 0 || spec.precision != 0) {
        do {
            digits[count++] = alphabet[magnitude % base];
            magnitude /= base;
        } while (magnitude != 0);
    }
    char body[24];
    for (int i = 0; i < count; ++i)
        body[i] = digits[count - 1 - i];

    const char* prefix = negative ? "-" : "";
    if (spec.alternate && base == 16 && count > 0 && !(count == 1 && body[0] == '0')) {
        prefix = type == 'X' ? "0X" : "0x";
    }
    int zeroFill = spec.precision > count ? spec.precision - count : 0;
    if (spec.zero && !spec.left && spec.precision < 0) {
        const int used = static_cast<int>(std::strlen(prefix)) + count;
        if (spec.width > used)
            zeroFill = spec.width - used;
    }
    PutField(out, spec, prefix, body, count, zeroFill);
}

} // namespace

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    if (buffer == nullptr)
        return 0;
    Output out(buffer);
    if (format == nullptr)
        return out.Finish();

    va_list args;
    va_start(args, format);
    const char* p = format;
    while (*p != 0 && !out.Full()) {
        if (*p != '%') {
            out.Put(*p++);
            continue;
        }
        ++p;
        Spec spec;
        for (;; ++p) {
            if (*p == '-')
                spec.left = true;
            else if (*p == '#')
                spec.alternate = true;
            else if (*p == '0')
                spec.zero = true;
            else
                break;
        }
        while (*p >= '0' && *p <= '9')
            spec.width = ClampedDigits(spec.width, *p++);
        if (*p == '.') {
            ++p;
            spec.precision = 0;
            while (*p >= '0' && *p <= '9')
                spec.precision = ClampedDigits(spec.precision, *p++);
        }
        if (*p == 'l') {
            spec.longSize = true;
            ++p;
        } else if (*p == 'h') {
            spec.shortSize = true;
            ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            spec.is64 = true;
            p += 3;
        }
        const char type = *p;
        if (type == 0)
            break;
        ++p;
        switch (type) {
        case 'd':
        case 'i': {
            const std::int64_t value = spec.is64 ? va_arg(args, std::int64_t)
                                                 : static_cast<std::int64_t>(va_arg(args, int));
            const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                                      : static_cast<std::uint64_t>(value);
            PutNumber(out, spec, type, magnitude, value < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            // LONG and DWORD are 32-bit, so 'l' reads the same int-sized argument.
            const std::uint64_t value = spec.is64
                ? va_arg(args, std::uint64_t)
                : static_cast<std::uint64_t>(va_arg(args, unsigned));
            PutNumber(out, spec, type, value, false);
            break;
        }
        case 'c':
        case 'C': {
            // A wide character (%C, %lc) is narrowed; outside ASCII it becomes '?', as without
            // a code page conversion.
            const int value = va_arg(args, int);
            const bool wide = (type == 'C' || spec.longSize) && !spec.shortSize;
            const char c = wide && (value < 0 || value > 0x7F) ? '?' : static_cast<char>(value);
            PutField(out, spec, "", &c, 1, 0);
            break;
        }
        case 's':
        case 'S': {
            const bool wide = (type == 'S' || spec.longSize) && !spec.shortSize;
            char narrowed[kMaxOutput];
            const char* text;
            int length = 0;
            if (wide) {
                // Windows wide strings are UTF-16.
                const char16_t* wideText = va_arg(args, const char16_t*);
                if (wideText == nullptr)
                    wideText = u"(null)";
                while (wideText[length] != 0 && length < kMaxOutput
                    && (spec.precision < 0 || length < spec.precision)) {
                    narrowed[length]
                        = wideText[length] < 0x80 ? static_cast<char>(wideText[length]) : '?';
                    ++length;
                }
                text = narrowed;
            } else {
                text = va_arg(args, const char*);
                if (text == nullptr)
                    text = "(null)";
                while (text[length] != 0 && (spec.precision < 0 || length < spec.precision))
                    ++length;
            }
            PutField(out, spec, "", text, length, 0);
            break;
        }
        default:
            // "%%" and any character that is no type are copied as they stand.
            out.Put(type);
            break;
        }
    }
    va_end(args);
    return out.Finish();
}
