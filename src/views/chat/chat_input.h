#pragma once

#include <QPlainTextEdit>

namespace vorn {

// The message field of the chat: grows from one to four lines as the text
// wraps, Return asks to send, Shift+Return breaks the line, Escape asks to
// leave the field (the text stays for later).
class ChatInput : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 4;

    explicit ChatInput(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void submitted();
    void leaveRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int visibleLines() const;
    void fitHeight();
    int heightFor(int lines) const;
};

} // namespace vorn
