#include "views/icons.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>

namespace vorn {

namespace {

// Vorn's drawings in one neutral ink (the toolbar's): they take the
// palette's button text instead, so they read on light and dark alike.
bool drawnInInk(const QString& bundledName) {
    static const QStringList names{QStringLiteral("app-import"),           QStringLiteral("app-analytics"),
                                   QStringLiteral("app-hide-chat"),        QStringLiteral("app-restart"),
                                   QStringLiteral("app-settings"),         QStringLiteral("app-toolbar-more"),
                                   QStringLiteral("app-toolbar-more-down")};
    return names.contains(bundledName);
}

// Draws the SVG, then colours every drawn pixel with the ink of the current
// application palette. The ink is looked up at each drawing, so a change of
// palette (which repaints the widgets) re-tints the icon.
class InkIconEngine final : public QIconEngine {
public:
    explicit InkIconEngine(QString path) : m_path(std::move(path)), m_drawing(m_path) {}

    QIconEngine* clone() const override { return new InkIconEngine(m_path); }
    QString key() const override { return QStringLiteral("vorn-ink"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const QColor ink = inkColor(mode);
        const QString cacheKey =
            QStringLiteral("%1x%2-%3").arg(size.width()).arg(size.height()).arg(ink.rgba());
        if (const auto cached = m_cache.constFind(cacheKey); cached != m_cache.constEnd())
            return *cached;
        QPixmap drawn = m_drawing.pixmap(size);
        if (!drawn.isNull()) {
            QPainter painter(&drawn);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(drawn.rect(), ink);
        }
        if (m_cache.size() > 32)
            m_cache.clear();
        m_cache.insert(cacheKey, drawn);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

private:
    static QColor inkColor(QIcon::Mode mode) {
        const QPalette palette = QGuiApplication::palette();
        switch (mode) {
        case QIcon::Disabled:
            return palette.color(QPalette::Disabled, QPalette::ButtonText);
        case QIcon::Selected:
            return palette.color(QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active:
            break;
        }
        return palette.color(QPalette::ButtonText);
    }

    QString m_path;
    QIcon m_drawing;
    QHash<QString, QPixmap> m_cache;
};

QString bundledPath(const QString& bundledName) {
    return QStringLiteral(":/icons/") + bundledName + QStringLiteral(".svg");
}

} // namespace

QIcon bundledIcon(const QString& bundledName) {
    return QIcon(bundledPath(bundledName));
}

QIcon paletteIcon(const QString& bundledName) {
    if (!drawnInInk(bundledName))
        return bundledIcon(bundledName);
    return QIcon(new InkIconEngine(bundledPath(bundledName)));
}

QIcon themedIcon(const QString& themeName, const QString& bundledName) {
    // "hicolor" is where every theme falls back to for application icons; it
    // holds no actions. Without a theme of the desktop's own there is nothing
    // to find, and the search would first read the whole index of hicolor.
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        return paletteIcon(bundledName);
    return QIcon::fromTheme(themeName, paletteIcon(bundledName));
}

} // namespace vorn
