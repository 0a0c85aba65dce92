#include "widgets/Simplegraphics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr double design_dpi = 120.0;

int channel(std::uint32_t bgr, int shift) {
    return static_cast<int>((bgr >> shift) & 0xFFu);
}

} // namespace

std::uint32_t ShadeColor(std::uint32_t bgr, int delta, std::uint32_t tint_bgr) {
    std::uint32_t result = 0;
    for (int shift : {0, 8, 16}) {
        const int tint = std::max(channel(tint_bgr, shift) - 64, 0) / 4;
        const int value = std::clamp(channel(bgr, shift) + delta + tint, 0, 255);
        result |= static_cast<std::uint32_t>(value) << shift;
    }
    return result;
}

QColor color_from_bgr(std::uint32_t bgr) {
    return QColor(channel(bgr, 0), channel(bgr, 8), channel(bgr, 16));
}

std::uint32_t color_to_bgr(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

double design_scale(const QWidget* w) {
    if (w)
        return w->logicalDpiY() / design_dpi;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() / design_dpi : 1.0;
}

int design_px(const QWidget* w, int px) {
    return static_cast<int>(std::lround(px * design_scale(w)));
}

void ShadePanel(QWidget* panel) {
    panel->setAutoFillBackground(true);
    QPalette shade = panel->palette();
    shade.setColor(QPalette::Window,
                   color_from_bgr(ShadeColor(color_to_bgr(panel->palette().color(QPalette::Window)),
                                             34, 0x000000)));
    panel->setPalette(shade);
}
