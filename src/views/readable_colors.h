#pragma once

#include <QColor>
#include <QPalette>

// Colours that stay readable: the contrast of text against what it is painted
// on, text colours moved just far enough to read, and the palettes the window
// uses. Pure: only colours in, colours out.
namespace vorn::readable {

// Text smaller than 18 points needs this much contrast to be read with ease.
inline constexpr double kMinimumContrast = 4.5;

// The contrast ratio of two opaque colours, 1 (same) to 21 (black on white).
double contrast(const QColor& a, const QColor& b);

// `color` laid over the opaque `background` by its alpha.
QColor over(const QColor& color, const QColor& background);

// `text` (laid over `background` first) if it reads there, else the same hue
// moved towards black (on a light background) or white (on a dark one) just
// far enough to reach `minimum`.
QColor on(const QColor& text, const QColor& background, double minimum = kMinimumContrast);

// Whether the window background is dark (charts and icons follow it).
bool isDark(const QPalette& palette);

// The palette with its text roles made readable where they fall short: the
// placeholder (secondary) text on the window and on fields (with room to spare
// for the light washes of colour it also sits on), the highlight behind
// highlighted text, links, tool tips. Roles that read stay as they are.
QPalette mended(QPalette palette);

// A dark Fusion palette: grey surfaces, light text, a blue highlight.
QPalette dark();

} // namespace vorn::readable
