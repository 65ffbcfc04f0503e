#include "views/chat/chat_input.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

namespace vorn {

ChatInput::ChatInput(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("chatInput"));
    setPlaceholderText(tr("Message Vorn…"));
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &ChatInput::fitHeight);
    fitHeight();
}

int ChatInput::visibleLines() const {
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && lines < kMaxLines; block = block.next())
        lines += qMax(1, block.layout() ? block.layout()->lineCount() : 1);
    return qBound(1, lines, kMaxLines);
}

int ChatInput::heightFor(int lines) const {
    const QMargins margins = contentsMargins();
    return lines * fontMetrics().lineSpacing() + 2 * qRound(document()->documentMargin()) + margins.top() +
           margins.bottom();
}

QSize ChatInput::sizeHint() const {
    return {QPlainTextEdit::sizeHint().width(), heightFor(visibleLines())};
}

QSize ChatInput::minimumSizeHint() const {
    return {60, heightFor(1)};
}

void ChatInput::fitHeight() {
    const int height = heightFor(visibleLines());
    if (height != this->height())
        setFixedHeight(height);
    setVerticalScrollBarPolicy(visibleLines() >= kMaxLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void ChatInput::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ShiftModifier)) {
        event->accept();
        emit submitted();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit leaveRequested();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ChatInput::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    fitHeight();
}

} // namespace vorn
