#include "platform/gdi/surface_dc.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/gdi/surface_dc_state.h"
#include "platform/qt/qt_application.h"

namespace platform {

namespace {

// Handles are checked against this table so that a stale or foreign HDC makes the GDI calls fail
// instead of touching freed memory.
std::unordered_map<HDC, std::unique_ptr<SurfaceDC>>& LiveDCs()
{
    static std::unordered_map<HDC, std::unique_ptr<SurfaceDC>> live;
    return live;
}

constexpr int kMaxSurfaceSide = 16384;

// Stands in for the default device-context font of Windows ("System": bold, 16-pixel cell).
// Bitmap-like, unsmoothed strokes keep the overlay's double draw at x and x + 1 crisp.
QFont DefaultDeviceFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace

SurfaceDC* FindSurfaceDC(HDC dc)
{
    if (dc == nullptr)
        return nullptr;
    auto& live = LiveDCs();
    auto found = live.find(dc);
    return found == live.end() ? nullptr : found->second.get();
}

HDC CreateSurfaceDC(
    std::uint32_t* pixels, int width, int height, int pitchBytes, SurfaceWriteHook beforeWrite)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || width > kMaxSurfaceSide
        || height > kMaxSurfaceSide || pitchBytes < width * 4 || pitchBytes % 4 != 0) {
        return nullptr;
    }
    EnsureQtApplication();
    // Fonts need the GUI part of Qt; a bare QCoreApplication made by someone else cannot draw text.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;

    auto state = std::make_unique<SurfaceDC>();
    state->image
        = QImage(reinterpret_cast<uchar*>(pixels), width, height, pitchBytes, QImage::Format_RGB32);
    if (!state->painter.begin(&state->image))
        return nullptr;
    // Resolved once: finding the font and measuring it cost more than the text a frame draws.
    // Never freed, so that nothing of Qt's font machinery outlives the application on exit.
    struct DeviceFont {
        QFont font;
        int ascent, cellHeight, widestAdvance;
    };
    static const DeviceFont* const deviceFont = [] {
        const QFont font = DefaultDeviceFont();
        const QFontMetrics metrics(font);
        return new DeviceFont { font, metrics.ascent(), metrics.height(), metrics.maxWidth() };
    }();
    state->font = deviceFont->font;
    state->painter.setFont(state->font);
    state->ascent = deviceFont->ascent;
    state->cellHeight = deviceFont->cellHeight;
    state->widestAdvance = deviceFont->widestAdvance;
    state->beforeWrite = std::move(beforeWrite);

    HDC handle = reinterpret_cast<HDC>(state.get());
    LiveDCs().emplace(handle, std::move(state));
    return handle;
}

void DestroySurfaceDC(HDC dc)
{
    auto& live = LiveDCs();
    auto found = live.find(dc);
    if (found == live.end())
        return;
    found->second->painter.end();
    live.erase(found);
}

} // namespace platform
