#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QListView;
class QMenu;
class QPushButton;
class QToolButton;

namespace vorn {

class ChatBubbleDelegate;
class ChatInput;
class ChatMessagesModel;
class ModeCards;
class MoodBanner;
class TaskStore;

// The column in which the boss lives: the header (name, "Live" badge,
// progress, mood banner, mode cards), the chat with its typing indicator, and
// the message field. Every value comes from the store; sending goes to the
// store's user chat turn.
class ChatPanel : public QWidget {
    Q_OBJECT

public:
    explicit ChatPanel(TaskStore* store, QWidget* parent = nullptr);
    // With a mood banner of the caller's, e.g. one that looks its pictures up elsewhere.
    ChatPanel(TaskStore* store, MoodBanner* banner, QWidget* parent = nullptr);

    // Posts the typed text as the user's chat message: trimmed, nothing when
    // blank; the field empties at once. Not held back by a reply being awaited.
    void send();

    MoodBanner* moodBanner() const { return m_banner; }
    ModeCards* modeCards() const { return m_cards; }
    QListView* messageList() const { return m_list; }
    ChatMessagesModel* messagesModel() const { return m_model; }
    ChatInput* input() const { return m_input; }
    QToolButton* sendButton() const { return m_send; }
    QPushButton* copyAllButton() const { return m_copyAll; }
    QWidget* liveBadge() const { return m_live; }
    QString progressText() const;
    // The context menu of the message at `pos` in the list's viewport ("Copy");
    // nullptr where there is no message. The caller owns it.
    QMenu* messageMenu(const QPoint& pos);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildInputBar();
    void refreshProgress();
    void refreshLive();
    void refreshCards();
    void refreshMood();
    void refreshInput();
    void refreshSendEnabled();
    void copyAll();
    void showMessageMenu(const QPoint& pos);
    void scrollToNewest();

    QPointer<TaskStore> m_store;
    MoodBanner* m_banner;
    ModeCards* m_cards = nullptr;
    QLabel* m_progress = nullptr;
    QWidget* m_live = nullptr;
    QPushButton* m_copyAll = nullptr;
    QListView* m_list = nullptr;
    ChatMessagesModel* m_model = nullptr;
    ChatBubbleDelegate* m_delegate = nullptr;
    ChatInput* m_input = nullptr;
    QToolButton* m_send = nullptr;
};

} // namespace vorn
