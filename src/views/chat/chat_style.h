#pragma once

#include "model/mode_arithmetic.h"
#include "model/records.h"

#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QString>

#include <optional>

// Who speaks in which colour, which fill a bubble gets, and the other small
// choices of colour and text the boss's panel makes. Pure: nothing here reads
// the store.
namespace vorn::chat {

// The named colours of the panel; `accent`, `secondary` and `control` follow
// the desktop's palette (`control` is the base of input fields and lists), the
// others are fixed hues that read on light and dark.
enum class Tint { accent, secondary, control, blue, green, yellow, orange, red };

QColor tintColor(Tint tint, const QPalette& palette);

// A tint at an opacity (1 = solid).
struct Fill {
    Tint tint = Tint::control;
    double opacity = 1.0;

    bool operator==(const Fill&) const = default;
};

QColor fillColor(Fill fill, const QPalette& palette);

// The tint as text on the opaque `background`: its hue, moved just far enough
// towards black or white to read there.
QColor textColor(Tint tint, const QPalette& palette, const QColor& background);

// What the painters put text on: the list and the panel (the window colour),
// the typing indicator's box and a bubble's fill laid over the list.
QColor listBackground(const QPalette& palette);
QColor typingBackground(const QPalette& palette);
QColor bubbleBackground(Fill fill, const QPalette& palette);
// The header's surface: the fields' base at 50% over the window.
QColor headerBackground(const QPalette& palette);
// The mood banner's surface: the accent at 8% over the header.
QColor bannerBackground(const QColor& accent, const QPalette& palette);
// A mode card's surface: its tint at 10% over the header.
QColor cardBackground(Tint tint, const QPalette& palette);

struct Speaker {
    QString name;
    Tint tint = Tint::secondary;

    bool operator==(const Speaker&) const = default;
};

// "You" in the accent colour, "Vorn" by mode, "System" in orange.
Speaker speaker(ChatMessage::Role role, std::optional<BossAIMode> mode);

// The fill behind a message's text.
Fill bubbleFill(ChatMessage::Role role, std::optional<BossAIMode> mode);

// The round picture beside boss and system messages: a bundled icon name
// (":/icons/<icon>.svg"), the icon's colour and the circle's fill.
struct Avatar {
    QString icon;
    Tint tint = Tint::blue;
    Fill fill;

    bool operator==(const Avatar&) const = default;
};

Avatar avatar(ChatMessage::Role role, std::optional<BossAIMode> mode);

// Green below 35, orange below 60, red from 60 up.
Tint urgencyTint(double urgency);

// A score or percentage cut to its whole part ("34" for 34.9); with `percent` a "%" follows.
QString truncatedValue(double value, bool percent);

// "3/8 tasks done".
QString progressText(qsizetype done, qsizetype total);

// The mood banner's accent colour.
Tint moodTint(boss::MoodColor color);

// The text the send action posts: `input` trimmed of white space and line
// breaks; empty when there is nothing to send.
QString outgoingText(const QString& input);

// A bundled monochrome icon drawn `side` pixels square in `color`.
QPixmap tintedIcon(const QString& icon, int side, const QColor& color, qreal devicePixelRatio = 1.0);

} // namespace vorn::chat
