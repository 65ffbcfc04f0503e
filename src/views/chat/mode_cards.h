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

    QString title(Card card) const;
    QString value(Card card) const;
    chat::Tint tint(Card card) const;

private:
    class CardView;
    std::array<CardView*, 4> m_cards{};
};

} // namespace vorn
