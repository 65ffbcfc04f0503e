#pragma once

#include <QLabel>

namespace vorn {

// A one-line label that, given less room than its text needs, ends the text
// with "…" instead of cutting it off mid-word; text() stays whole (and so
// does what a screen reader hears).
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as drawn at the label's present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vorn
