#include "views/chat/chat_style.h"

#include "views/icons.h"
#include "views/percent_text.h"
#include "views/readable_colors.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmapCache>

#include <cmath>

namespace vorn::chat {

namespace {

// The chat's own words, under one translation context.
struct ChatWords {
    Q_DECLARE_TR_FUNCTIONS(Chat)
};

} // namespace

QColor tintColor(Tint tint, const QPalette& palette) {
    switch (tint) {
    case Tint::accent:
        return palette.color(QPalette::Highlight);
    case Tint::secondary:
        return palette.color(QPalette::PlaceholderText);
    case Tint::control:
        return palette.color(QPalette::Base);
    case Tint::blue:
        return QColor(0x0a, 0x84, 0xff);
    case Tint::green:
        return QColor(0x2e, 0xb8, 0x4f);
    case Tint::yellow:
        return QColor(0xe6, 0xb0, 0x00);
    case Tint::orange:
        return QColor(0xff, 0x8c, 0x00);
    case Tint::red:
        return QColor(0xf0, 0x3a, 0x30);
    }
    return {};
}

QColor fillColor(Fill fill, const QPalette& palette) {
    QColor color = tintColor(fill.tint, palette);
    color.setAlphaF(static_cast<float>(fill.opacity));
    return color;
}

QColor textColor(Tint tint, const QPalette& palette, const QColor& background) {
    return readable::on(tintColor(tint, palette), background);
}

QColor listBackground(const QPalette& palette) {
    return palette.color(QPalette::Window);
}

QColor typingBackground(const QPalette& palette) {
    return readable::over(tintColor(Tint::control, palette), listBackground(palette));
}

QColor bubbleBackground(Fill fill, const QPalette& palette) {
    return readable::over(fillColor(fill, palette), listBackground(palette));
}

QColor headerBackground(const QPalette& palette) {
    return readable::over(fillColor({Tint::control, 0.5}, palette), palette.color(QPalette::Window));
}

QColor bannerBackground(const QColor& accent, const QPalette& palette) {
    QColor wash = accent;
    wash.setAlphaF(0.08f);
    return readable::over(wash, headerBackground(palette));
}

QColor cardBackground(Tint tint, const QPalette& palette) {
    return readable::over(fillColor({tint, 0.10}, palette), headerBackground(palette));
}

Speaker speaker(ChatMessage::Role role, std::optional<BossAIMode> mode) {
    switch (role) {
    case ChatMessage::Role::user:
        return {ChatWords::tr("You"), Tint::accent};
    case ChatMessage::Role::system:
        return {ChatWords::tr("System"), Tint::orange};
    case ChatMessage::Role::boss:
        break;
    }
    if (mode == BossAIMode::messianic)
        return {QStringLiteral("Vorn"), Tint::yellow};
    if (mode == BossAIMode::demon)
        return {QStringLiteral("Vorn"), Tint::red};
    return {QStringLiteral("Vorn"), Tint::secondary};
}

Fill bubbleFill(ChatMessage::Role role, std::optional<BossAIMode> mode) {
    switch (role) {
    case ChatMessage::Role::user:
        return {Tint::accent, 0.12};
    case ChatMessage::Role::system:
        return {Tint::orange, 0.08};
    case ChatMessage::Role::boss:
        break;
    }
    if (mode == BossAIMode::demon)
        return {Tint::red, 0.08};
    if (mode == BossAIMode::messianic)
        return {Tint::yellow, 0.10};
    return {Tint::control, 1.0};
}

Avatar avatar(ChatMessage::Role role, std::optional<BossAIMode> mode) {
    if (role == ChatMessage::Role::system)
        return {QStringLiteral("chat-info"), Tint::orange, {Tint::orange, 0.15}};
    if (!mode)
        return {QStringLiteral("chat-bolt-circle"), Tint::blue, {Tint::blue, 0.15}};
    switch (*mode) {
    case BossAIMode::normal:
        return {QStringLiteral("chat-person"), Tint::secondary, {Tint::secondary, 0.12}};
    case BossAIMode::demon:
        return {QStringLiteral("chat-flame"), Tint::red, {Tint::red, 0.15}};
    case BossAIMode::messianic:
        return {QStringLiteral("chat-star"), Tint::yellow, {Tint::yellow, 0.20}};
    }
    return {};
}

Tint urgencyTint(double urgency) {
    if (urgency < 35)
        return Tint::green;
    if (urgency < 60)
        return Tint::orange;
    return Tint::red;
}

QString truncatedValue(double value, bool percent) {
    const double whole = std::isfinite(value) ? std::trunc(value) : 0.0;
    return percent ? wholePercentText(static_cast<qint64>(whole))
                   : QString::number(static_cast<qint64>(whole));
}

QString progressText(qsizetype done, qsizetype total) {
    return ChatWords::tr("%1/%2 tasks done").arg(done).arg(total);
}

Tint moodTint(boss::MoodColor color) {
    switch (color) {
    case boss::MoodColor::red:
        return Tint::red;
    case boss::MoodColor::orange:
        return Tint::orange;
    case boss::MoodColor::blue:
        return Tint::blue;
    }
    return Tint::blue;
}

QString outgoingText(const QString& input) {
    return input.trimmed();
}

QPixmap tintedIcon(const QString& icon, int side, const QColor& color, qreal devicePixelRatio) {
    const int pixels = qMax(1, qRound(side * devicePixelRatio));
    // The same few symbols are asked for at every paint of the chat and every
    // change of palette; drawing one means reading and rendering its SVG.
    const QString key = QStringLiteral("vorn-tinted:%1:%2:%3:%4")
                            .arg(icon)
                            .arg(pixels)
                            .arg(color.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = bundledPixmap(icon, QSize(pixels, pixels));
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace vorn::chat
