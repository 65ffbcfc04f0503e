#pragma once

#include "model/mode_probabilities.h"
#include "views/chat/chat_style.h"

#include <QWidget>

#include <array>

namespace vorn {

// The row of four small cards under the mood banner: the urgency score and
// the chances of the three modes, each with its icon in the card's colour.
class ModeCards : public QWidget {
    Q_OBJECT

public:
    enum Card { Urgency, Messianic, Demon, Normal };

    explicit ModeCards(QWidget* parent = nullptr);

    void setValues(double urgency, const ModeProbabilities& probabilities);

    // Compact: each card is its icon beside its value, one short line; the
    // title moves to the tooltip and the accessible name.
    void setCompact(bool compact);
    bool isCompact() const { return m_compact; }

    QString title(Card card) const;
    QString value(Card card) const;
    chat::Tint tint(Card card) const;

private:
    class CardView;
    std::array<CardView*, 4> m_cards{};
    bool m_compact = false;
};

} // namespace vorn
