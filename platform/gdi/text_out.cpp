// gdi32's text calls on the device contexts of surface_dc.cpp.
#include <QColor>
#include <QPainter>
#include <QStaticText>
#include <QString>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/gdi/surface_dc_state.h"
#include "platform/win32/windows.h"

namespace {

constexpr COLORREF kInvalidColour = 0xFFFFFFFF; // GDI's CLR_INVALID

QColor FromColourRef(COLORREF colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The "A" text is code page 932; plain ASCII (all this program writes) skips the converter.
QString DecodeCodePage932(const char* text, int length)
{
    bool ascii = true;
    for (int i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(text, length);

    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(text, length);
    std::string input(text, static_cast<std::size_t>(length));
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1))
            break;
        // An invalid or truncated byte shows as one replacement character, as a code-page
        // conversion on Windows would, and the rest of the line still comes out.
        if (outLeft < 3)
            break;
        *out++ = '\xEF';
        *out++ = '\xBF';
        *out++ = '\xBD';
        outLeft -= 3;
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    output.resize(output.size() - outLeft);
    return QString::fromUtf8(output.data(), static_cast<qsizetype>(output.size()));
}

bool IsAscii(const QString& line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Where a line of text may write, without laying it out (which would cost as much again as
// drawing it): no character of the font is wider than its widest, and no stroke reaches past
// the cell by half its height. Other characters may come from other fonts: anywhere.
RECT TextBounds(const platform::SurfaceDC& dc, int x, int y, const QString& line)
{
    constexpr LONG kAnywhere = std::numeric_limits<LONG>::max() / 2;
    if (!IsAscii(line))
        return RECT { -kAnywhere, -kAnywhere, kAnywhere, kAnywhere };
    const std::int64_t margin = dc.cellHeight / 2 + 2;
    const std::int64_t width = static_cast<std::int64_t>(line.size()) * (dc.widestAdvance + 1);
    auto limit = [](std::int64_t v) {
        return static_cast<LONG>(std::clamp<std::int64_t>(v, -kAnywhere, kAnywhere));
    };
    return RECT { limit(x - margin), limit(y - margin), limit(x + width + margin),
        limit(y + dc.cellHeight + margin) };
}

// A line laid out (shaped) for the font. Laying a line out costs more than drawing it, and the
// overlay writes the same few lines frame after frame, each twice: the last few layouts are kept.
// Never freed, so that nothing of Qt's font machinery outlives the application on exit.
const QStaticText& LaidOut(const QString& line, const QFont& font)
{
    struct Layout {
        QString line;
        QFont font;
        QStaticText text;
    };
    static auto* const layouts = new std::array<Layout, 16>;
    static std::size_t next = 0;
    for (const Layout& layout : *layouts) {
        if (!layout.line.isNull() && layout.line == line && layout.font == font)
            return layout.text;
    }
    Layout& made = (*layouts)[next++ % layouts->size()];
    made.line = line;
    made.font = font;
    made.text = QStaticText(line);
    made.text.setTextFormat(Qt::PlainText);
    made.text.prepare(QTransform(), font);
    return made.text;
}

} // namespace

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    platform::SurfaceDC* state = platform::FindSurfaceDC(dc);
    if (state == nullptr)
        return kInvalidColour;
    COLORREF previous = state->textColour;
    state->textColour = colour & 0x00FFFFFF;
    return previous;
}

int SetBkMode(HDC dc, int mode)
{
    platform::SurfaceDC* state = platform::FindSurfaceDC(dc);
    if (state == nullptr || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    int previous = state->backgroundMode;
    state->backgroundMode = mode;
    return previous;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    platform::SurfaceDC* state = platform::FindSurfaceDC(dc);
    if (state == nullptr || length < 0 || (text == nullptr && length > 0))
        return FALSE;
    if (length == 0)
        return TRUE;

    QString line = DecodeCodePage932(text, length);
    QPainter& painter = state->painter;
    painter.setPen(FromColourRef(state->textColour));
    if (state->backgroundMode == OPAQUE) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(FromColourRef(state->backgroundColour));
    } else {
        painter.setBackgroundMode(Qt::TransparentMode);
    }
    if (state->beforeWrite)
        state->beforeWrite(TextBounds(*state, x, y, line));
    // GDI places the top-left corner of the text cell at (x, y). A kept layout draws the same
    // pixels as drawing the line afresh, but paints no background and holds no fallback fonts.
    if (state->backgroundMode == TRANSPARENT && IsAscii(line))
        painter.drawStaticText(x, y, LaidOut(line, state->font));
    else
        painter.drawText(x, y + state->ascent, line);
    return TRUE;
}
