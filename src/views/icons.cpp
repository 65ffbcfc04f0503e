#include "views/icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>

namespace vorn {

namespace {

// Every drawing is read and parsed once: icons ask for each new size and
// mode as they are shown, and the chat's symbols come in several colours.
// Only the GUI thread draws.
QSvgRenderer& parsedDrawing(const QString& path) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> drawings;
    auto found = drawings.constFind(path);
    if (found == drawings.constEnd())
        found = drawings.insert(path, std::make_shared<QSvgRenderer>(path));
    return **found;
}

// The drawing's own proportions, as large as fits `size`; empty when there is no drawing.
QSize fittedSize(const QString& path, const QSize& size) {
    const QSvgRenderer& drawing = parsedDrawing(path);
    if (!drawing.isValid())
        return {};
    QSize fitted = drawing.defaultSize();
    if (!fitted.isNull())
        fitted.scale(size, Qt::KeepAspectRatio);
    return fitted;
}

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
    explicit InkIconEngine(QString path) : m_path(std::move(path)) {}

    QIconEngine* clone() const override { return new InkIconEngine(m_path); }
    QString key() const override { return QStringLiteral("vorn-ink"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const QColor ink = inkColor(mode);
        const QString cacheKey =
            QStringLiteral("%1x%2-%3").arg(size.width()).arg(size.height()).arg(ink.rgba());
        if (const auto cached = m_cache.constFind(cacheKey); cached != m_cache.constEnd())
            return *cached;
        QPixmap drawn = drawingPixmap(m_path, size);
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
    QHash<QString, QPixmap> m_cache;
};

// A drawing as an icon, in the desktop style's forms for the other modes.
class DrawingIconEngine final : public QIconEngine {
public:
    explicit DrawingIconEngine(QString path) : m_path(std::move(path)) {}

    QIconEngine* clone() const override { return new DrawingIconEngine(m_path); }
    QString key() const override { return QStringLiteral("vorn-drawing"); }
    bool isNull() override { return !parsedDrawing(m_path).isValid(); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return fittedSize(m_path, size);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        // The other modes are made from the palette, which may change.
        QString cacheKey = QStringLiteral("vorn-drawing:%1:%2x%3:%4")
                               .arg(m_path)
                               .arg(size.width())
                               .arg(size.height())
                               .arg(int(mode));
        if (mode != QIcon::Normal)
            cacheKey += QLatin1Char(':') + QString::number(QGuiApplication::palette().cacheKey());
        QPixmap drawn;
        if (QPixmapCache::find(cacheKey, &drawn))
            return drawn;
        drawn = drawingPixmap(m_path, size);
        if (drawn.isNull())
            return drawn;
        if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
            if (!generated.isNull())
                drawn = generated;
        }
        QPixmapCache::insert(cacheKey, drawn);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        QSize pixels = rect.size();
        if (painter->device())
            pixels *= painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(pixels, mode, state));
    }

private:
    QString m_path;
};

QString bundledPath(const QString& bundledName) {
    return QStringLiteral(":/icons/") + bundledName + QStringLiteral(".svg");
}

} // namespace

QPixmap drawingPixmap(const QString& svgPath, const QSize& size) {
    const QSize fitted = fittedSize(svgPath, size);
    if (fitted.isEmpty())
        return {};
    QImage image(fitted, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    parsedDrawing(svgPath).render(&painter);
    painter.end();
    return QPixmap::fromImage(std::move(image));
}

QPixmap bundledPixmap(const QString& bundledName, const QSize& size) {
    return drawingPixmap(bundledPath(bundledName), size);
}

QIcon bundledIcon(const QString& bundledName) {
    return QIcon(new DrawingIconEngine(bundledPath(bundledName)));
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
