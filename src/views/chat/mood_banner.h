#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>

class QBoxLayout;
class QLabel;

namespace vorn {

// The boss's mood at a glance: his picture on a tinted square, the headline
// in the mood's colour and a subtitle, on a lightly tinted rounded card.
class MoodBanner : public QWidget {
    Q_OBJECT

public:
    // The resource that holds the picture named `imageName`; empty when the
    // application ships none.
    using PictureLookup = std::function<QString(const QString& imageName)>;
    static QString bundledPicture(const QString& imageName);

    enum class Shown { picture, smilingFace, flame };

    explicit MoodBanner(QWidget* parent = nullptr, PictureLookup lookup = &MoodBanner::bundledPicture);

    void setMood(const QString& imageName, const QString& headline, const QString& subtitle,
                 const QColor& accent);
    void setImageSide(int side);

    // Compact: a strip with a small picture and the headline, the subtitle
    // left out; `accessory` (when given) sits under the headline, in the
    // banner's care until the banner is made full again, when it is handed
    // back without a parent in any layout.
    void setCompact(bool compact, QWidget* accessory = nullptr);
    bool isCompact() const { return m_compact; }
    static constexpr int kCompactImageSide = 40;

    QString imageName() const { return m_imageName; }
    Shown shown() const { return m_shown; }
    QString headline() const;
    QString subtitle() const;
    // The colour the headline is written in.
    QColor headlineColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshPicture();
    void refreshHeadlineColour();

    PictureLookup m_lookup;
    QString m_imageName;
    QColor m_accent;
    int m_imageSide = 168;
    bool m_compact = false;
    QWidget* m_accessory = nullptr;
    QBoxLayout* m_row = nullptr;
    QBoxLayout* m_texts = nullptr;
    Shown m_shown = Shown::flame;
    QLabel* m_picture;
    QLabel* m_headline;
    QLabel* m_subtitle;
};

} // namespace vorn
