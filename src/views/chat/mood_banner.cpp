#include "views/chat/mood_banner.h"

#include "views/chat/chat_style.h"
#include "views/icons.h"
#include "views/readable_colors.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QVBoxLayout>

namespace vorn {

namespace {

constexpr int kFallbackSymbol = 72;

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

// The picture square: the accent colour at 10% behind whatever it shows.
class PictureFrame : public QLabel {
public:
    using QLabel::QLabel;
    QColor tint;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 10, 10);
        painter.fillPath(path, withOpacity(tint, 0.10));
        painter.end();
        QLabel::paintEvent(event);
    }
};

} // namespace

QString MoodBanner::bundledPicture(const QString& imageName) {
    QString path;
    if (imageName == QLatin1String("VornHappy"))
        path = QStringLiteral(":/icons/chat-vorn-happy.svg");
    else if (imageName == QLatin1String("VornAngry"))
        path = QStringLiteral(":/icons/chat-vorn-angry.svg");
    return !path.isEmpty() && QFile::exists(path) ? path : QString();
}

MoodBanner::MoodBanner(QWidget* parent, PictureLookup lookup) : QWidget(parent), m_lookup(std::move(lookup)) {
    setObjectName(QStringLiteral("moodBanner"));
    auto* picture = new PictureFrame;
    m_picture = picture;
    m_picture->setAlignment(Qt::AlignCenter);
    m_headline = new QLabel;
    m_headline->setObjectName(QStringLiteral("moodHeadline"));
    m_headline->setWordWrap(true);
    QFont bold = m_headline->font();
    bold.setBold(true);
    m_headline->setFont(bold);
    m_subtitle = new QLabel;
    m_subtitle->setObjectName(QStringLiteral("moodSubtitle"));
    m_subtitle->setWordWrap(true);
    QFont small = m_subtitle->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_subtitle->setFont(small);
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);

    m_texts = new QVBoxLayout;
    m_texts->setSpacing(2);
    m_texts->addStretch();
    m_texts->addWidget(m_headline);
    m_texts->addWidget(m_subtitle);
    m_texts->addStretch();
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(10, 10, 10, 10);
    m_row->setSpacing(10);
    m_row->addWidget(m_picture, 0, Qt::AlignVCenter);
    m_row->addLayout(m_texts, 1);
    setImageSide(m_imageSide);
}

void MoodBanner::setCompact(bool compact, QWidget* accessory) {
    if (compact == m_compact)
        return;
    m_compact = compact;
    m_subtitle->setVisible(!compact);
    m_headline->setWordWrap(!compact);
    m_row->setContentsMargins(compact ? QMargins(6, 6, 6, 6) : QMargins(10, 10, 10, 10));
    m_row->setSpacing(compact ? 8 : 10);
    if (compact && accessory) {
        m_accessory = accessory;
        m_texts->insertWidget(m_texts->indexOf(m_subtitle) + 1, accessory);
    } else if (!compact && m_accessory) {
        m_texts->removeWidget(m_accessory);
        m_accessory->setParent(nullptr);
        m_accessory = nullptr;
    }
    // The full side is kept for the way back.
    const int side = compact ? kCompactImageSide : m_imageSide;
    m_picture->setFixedSize(side, side);
    refreshPicture();
}

void MoodBanner::setImageSide(int side) {
    m_imageSide = side;
    if (m_compact)
        return;
    m_picture->setFixedSize(side, side);
    refreshPicture();
}

void MoodBanner::setMood(const QString& imageName, const QString& headline, const QString& subtitle,
                         const QColor& accent) {
    m_headline->setText(headline);
    m_subtitle->setText(subtitle);
    bool redraw = imageName != m_imageName;
    if (accent != m_accent) {
        m_accent = accent;
        redraw = redraw || m_shown != Shown::picture; // the stand-in symbol wears the accent
        static_cast<PictureFrame*>(m_picture)->tint = accent;
        refreshHeadlineColour();
        update();
    }
    m_imageName = imageName;
    if (redraw)
        refreshPicture();
}

QString MoodBanner::headline() const {
    return m_headline->text();
}

QString MoodBanner::subtitle() const {
    return m_subtitle->text();
}

QColor MoodBanner::headlineColour() const {
    return m_headline->palette().color(QPalette::WindowText);
}

void MoodBanner::refreshPicture() {
    const QString path = m_lookup ? m_lookup(m_imageName) : QString();
    const qreal ratio = devicePixelRatioF();
    const int shownSide = m_compact ? kCompactImageSide : m_imageSide;
    QPixmap pixmap;
    if (!path.isEmpty()) {
        const int side = qRound(shownSide * ratio);
        // A bundled picture never changes: rendered once per size (the header
        // turns compact and back, and every change of mood or palette redraws it).
        const bool bundled = path.startsWith(QLatin1String(":/"));
        const QString key = QStringLiteral("vorn-mood:%1:%2").arg(path).arg(side);
        if (!bundled || !QPixmapCache::find(key, &pixmap)) {
            pixmap = bundled ? drawingPixmap(path, QSize(side, side)) : QIcon(path).pixmap(QSize(side, side));
            if (bundled && !pixmap.isNull())
                QPixmapCache::insert(key, pixmap);
        }
    }
    if (!pixmap.isNull()) {
        pixmap.setDevicePixelRatio(ratio);
        m_shown = Shown::picture;
    } else {
        // No picture shipped under this name: a symbol stands in for it.
        const bool happy = m_imageName == QLatin1String("VornHappy");
        m_shown = happy ? Shown::smilingFace : Shown::flame;
        const QColor color = m_accent.isValid() ? m_accent : palette().color(QPalette::WindowText);
        pixmap = chat::tintedIcon(happy ? QStringLiteral("chat-face-smiling") : QStringLiteral("chat-flame"),
                                  qMin(kFallbackSymbol, shownSide), color, ratio);
    }
    m_picture->setPixmap(pixmap);
}

void MoodBanner::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 12, 12);
    painter.fillPath(path, withOpacity(m_accent.isValid() ? m_accent : palette().color(QPalette::Mid), 0.08));
}

void MoodBanner::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    refreshHeadlineColour();
    if (m_shown != Shown::picture)
        refreshPicture();
}

void MoodBanner::refreshHeadlineColour() {
    if (!m_accent.isValid())
        return;
    // The mood's colour, as near as it can be while reading on the banner.
    QPalette palette = m_headline->palette();
    palette.setColor(QPalette::WindowText,
                     readable::on(m_accent, chat::bannerBackground(m_accent, this->palette())));
    m_headline->setPalette(palette);
}

} // namespace vorn
