#pragma once

#include <QPointer>
#include <QWidget>

class QBoxLayout;
class QLabel;
class QListView;
class QMenu;
class QPushButton;
class QToolButton;

namespace vorn {

class ChatBubbleDelegate;
class ChatInput;
class ChatMessagesModel;
class ElidingLabel;
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
    explicit ChatPanel(TaskStore& store, QWidget* parent = nullptr);
    // With a mood banner of the caller's, e.g. one that looks its pictures up
    // elsewhere; the panel takes it over. Without one (nullptr), the usual banner.
    ChatPanel(TaskStore& store, MoodBanner* banner, QWidget* parent = nullptr);

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
    // Whether the header is the compact strip (small picture, mode name and
    // the four cards in one row) that a low panel gets, leaving room for the chat.
    bool hasCompactHeader() const { return m_compactHeader; }
    // The panel height below which the header is compact: where the full
    // mood banner would leave the chat less than two one-line messages.
    int compactHeaderBelow();
    // The least the panel needs: its width in either form, the height of the
    // compact form (a panel that low turns compact).
    QSize minimumSizeHint() const override;
    // The context menu of the message at `pos` in the list's viewport ("Copy");
    // nullptr where there is no message. The caller owns it.
    QMenu* messageMenu(const QPoint& pos);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

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
    void setCompactHeader(bool compact);
    // Moves the header's parts into the compact strip or back, nothing more.
    void arrangeHeader(bool compact);
    void applyColours();

    TaskStore& m_store;
    MoodBanner* m_banner;
    ModeCards* m_cards = nullptr;
    ElidingLabel* m_progress = nullptr;
    QLabel* m_bolt = nullptr;
    QLabel* m_name = nullptr;
    QWidget* m_header = nullptr;
    QBoxLayout* m_headerLayout = nullptr;
    QBoxLayout* m_titleRow = nullptr;
    QWidget* m_copyRow = nullptr;
    QBoxLayout* m_copyRowLayout = nullptr;
    QWidget* m_inputBar = nullptr;
    bool m_compactHeader = false;
    bool m_followNewest = true; // the list shows its end
    int m_fullHeaderHeight = 0; // measured while the header is full
    QSize m_compactMinimum;     // the layout's minimum in the compact form
    QWidget* m_live = nullptr;
    QPushButton* m_copyAll = nullptr;
    QListView* m_list = nullptr;
    ChatMessagesModel* m_model = nullptr;
    ChatBubbleDelegate* m_delegate = nullptr;
    ChatInput* m_input = nullptr;
    QToolButton* m_send = nullptr;
};

} // namespace vorn
