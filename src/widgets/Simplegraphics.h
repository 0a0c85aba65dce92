#pragma once
// Colour and size helpers shared by every window.
#include <QColor>

#include <cstdint>

class QWidget;

// Each of red, green and blue: channel + delta + max(tint channel - 64, 0) / 4, kept in 0..255.
std::uint32_t ShadeColor(std::uint32_t bgr, int delta, std::uint32_t tint_bgr = 0);

// Stored colours are blue-green-red values (0x0000FF is red); these two are the only place
// that converts them to and from Qt.
QColor color_from_bgr(std::uint32_t bgr);
std::uint32_t color_to_bgr(const QColor& color);

// Windows are designed at 120 pixels per inch: the factor for the widget's screen (the primary
// screen when there is no widget) and a design size in pixels of that screen.
double design_scale(const QWidget* w);
int design_px(const QWidget* w, int px);

// A tool panel's background: the window's colour a shade darker.
void ShadePanel(QWidget* panel);
