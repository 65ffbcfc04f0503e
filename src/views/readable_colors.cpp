#include "views/readable_colors.h"

#include <algorithm>
#include <cmath>

namespace vorn::readable {

namespace {

double channel(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor& from, const QColor& to, double t) {
    const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    return QColor::fromRgbF(static_cast<float>(lerp(from.redF(), to.redF())),
                            static_cast<float>(lerp(from.greenF(), to.greenF())),
                            static_cast<float>(lerp(from.blueF(), to.blueF())));
}

// The text role on both backgrounds it is used on, moved until it reads on the worse one.
void mendText(QPalette& palette, QPalette::ColorGroup group, QPalette::ColorRole text,
              std::initializer_list<QPalette::ColorRole> backgrounds, double minimum = kMinimumContrast) {
    QColor color = palette.color(group, text);
    for (int pass = 0; pass < 2; ++pass)
        for (QPalette::ColorRole background : backgrounds)
            color = on(color, palette.color(group, background), minimum);
    palette.setColor(group, text, color);
}

} // namespace

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor over(const QColor& color, const QColor& background) {
    return mix(background.toRgb(), color.toRgb(), color.alphaF());
}

QColor on(const QColor& text, const QColor& background, double minimum) {
    const QColor base =
        over(background, Qt::white); // a translucent background over nothing reads as on white
    const QColor start = over(text, base);
    if (contrast(start, base) >= minimum)
        return start;
    const QColor target = luminance(base) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    // The least step towards the target that reads, found by halving.
    double low = 0;
    double high = 1;
    for (int i = 0; i < 16; ++i) {
        const double mid = (low + high) / 2;
        (contrast(mix(start, target, mid), base) >= minimum ? high : low) = mid;
    }
    return mix(start, target, high);
}

bool isDark(const QPalette& palette) {
    return luminance(palette.color(QPalette::Window)) < 0.18;
}

QPalette mended(QPalette palette) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        mendText(palette, group, QPalette::PlaceholderText, {QPalette::Window, QPalette::Base}, 5.5);
        mendText(palette, group, QPalette::Link, {QPalette::Base, QPalette::Window});
        mendText(palette, group, QPalette::ToolTipText, {QPalette::ToolTipBase});
        // The highlight is the one background moved: its text keeps its colour.
        const QColor text = palette.color(group, QPalette::HighlightedText);
        const QColor highlight = palette.color(group, QPalette::Highlight);
        if (contrast(text, highlight) < kMinimumContrast)
            palette.setColor(group, QPalette::Highlight, on(highlight, text));
    }
    return palette;
}

QPalette dark() {
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x26, 0x26, 0x26);
    const QColor text(0xf0, 0xf0, 0xf0);
    const QColor disabledText(0x8a, 0x8a, 0x8a);
    QPalette p(text, window, QColor(0x50, 0x50, 0x50), QColor(0x1e, 0x1e, 0x1e), QColor(0x2a, 0x2a, 0x2a),
               text, QColor(Qt::white), base, window);
    p.setColor(QPalette::AlternateBase, QColor(0x2e, 0x2e, 0x2e));
    p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
    p.setColor(QPalette::Shadow, QColor(0x14, 0x14, 0x14));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x1f, 0x6f, 0xc0));
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb4, 0x9c, 0xff));
    p.setColor(QPalette::ToolTipBase, QColor(0x2b, 0x2b, 0x2b));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0xb4, 0xb4, 0xb4));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

} // namespace vorn::readable
