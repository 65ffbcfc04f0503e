#include "views/chat/mood_banner.h"

#include "views/chat/chat_style.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
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
    QPalette secondary = m_subtitle->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    m_subtitle->setPalette(secondary);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch();
    texts->addWidget(m_headline);
    texts->addWidget(m_subtitle);
    texts->addStretch();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(10);
    row->addWidget(m_picture, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    setImageSide(m_imageSide);
}

void MoodBanner::setImageSide(int side) {
    m_imageSide = side;
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
        QPalette palette = m_headline->palette();
        palette.setColor(QPalette::WindowText, accent);
        m_headline->setPalette(palette);
        static_cast<PictureFrame*>(m_picture)->tint = accent;
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

void MoodBanner::refreshPicture() {
    const QString path = m_lookup ? m_lookup(m_imageName) : QString();
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap;
    if (!path.isEmpty()) {
        const int side = qRound(m_imageSide * ratio);
        pixmap = QIcon(path).pixmap(QSize(side, side));
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
                                  qMin(kFallbackSymbol, m_imageSide), color, ratio);
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
    if (event->type() == QEvent::PaletteChange && m_shown != Shown::picture)
        refreshPicture();
}

} // namespace vorn
