#include "views/chat/chat_panel.h"

#include "model/chat_transcript_formatter.h"
#include "store/task_store.h"
#include "views/chat/chat_bubble_delegate.h"
#include "views/chat/chat_input.h"
#include "views/chat/chat_messages_model.h"
#include "views/chat/chat_style.h"
#include "views/chat/eliding_label.h"
#include "views/chat/mode_cards.h"
#include "views/chat/mood_banner.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vorn {

namespace {

QFrame* separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QFont resized(QFont font, double factor, bool bold = false) {
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

void useSecondaryText(QWidget* widget) {
    widget->setForegroundRole(QPalette::PlaceholderText); // follows a change of palette
}

QPixmap dot(int side, const QColor& color, qreal ratio) {
    QPixmap pixmap(qRound(side * ratio), qRound(side * ratio));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(pixmap.rect());
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

ChatPanel::ChatPanel(TaskStore& store, QWidget* parent) : ChatPanel(store, nullptr, parent) {}

ChatPanel::ChatPanel(TaskStore& store, MoodBanner* banner, QWidget* parent)
    : QWidget(parent), m_store(store), m_banner(banner ? banner : new MoodBanner) {
    setObjectName(QStringLiteral("chatPanel"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(separator());

    m_copyAll = new QPushButton(tr("Copy All"));
    m_copyAll->setObjectName(QStringLiteral("copyAllButton"));
    m_copyAll->setFlat(true);
    m_copyAll->setFont(resized(m_copyAll->font(), 0.85));
    m_copyAll->setCursor(Qt::PointingHandCursor);
    m_copyRow = new QWidget;
    m_copyRowLayout = new QHBoxLayout(m_copyRow);
    m_copyRowLayout->setContentsMargins(12, 8, 12, 0);
    m_copyRowLayout->addStretch();
    m_copyRowLayout->addWidget(m_copyAll);
    column->addWidget(m_copyRow);

    m_list = new QListView;
    m_list->setObjectName(QStringLiteral("chatList"));
    m_model = new ChatMessagesModel(store, this);
    m_delegate = new ChatBubbleDelegate(m_list);
    // The view set up before it has a model: with the messages in, each change
    // of how it scrolls or lays out measures every bubble again.
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(false);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setItemDelegate(m_delegate);
    m_list->setModel(m_model);
    m_list->verticalScrollBar()->setSingleStep(24);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setBackgroundRole(QPalette::Window);
    m_list->viewport()->setBackgroundRole(QPalette::Window);
    m_list->setAccessibleName(tr("Chat with Vorn"));
    column->addWidget(m_list, 1);
    column->addWidget(separator());
    m_inputBar = buildInputBar();
    column->addWidget(m_inputBar);

    connect(m_copyAll, &QPushButton::clicked, this, &ChatPanel::copyAll);
    connect(m_list, &QWidget::customContextMenuRequested, this, &ChatPanel::showMessageMenu);
    // Ctrl+C on the chosen message copies it whole (the selectable text copies its own selection).
    auto* copy = new QAction(tr("Copy"), m_list);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] {
        if (const ChatMessage* message = m_model->messageAt(m_list->currentIndex().row()))
            QGuiApplication::clipboard()->setText(message->content);
    });
    // A list scrolled to its end stays there when it changes size (the
    // header turning compact or full, the window resized) or grows.
    QScrollBar* bar = m_list->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { m_followNewest = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_followNewest)
            bar->setValue(maximum);
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ChatPanel::scrollToNewest);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ChatPanel::scrollToNewest);

    connect(&store.outline(), &Outline::tasksChanged, this, &ChatPanel::refreshProgress);
    connect(&store.watch(), &BossWatch::isBossAIActiveChanged, this, &ChatPanel::refreshLive);
    connect(&store.boss(), &BossEngine::bossAIStateChanged, this, &ChatPanel::refreshCards);
    connect(&store.boss(), &BossEngine::modeProbabilitiesChanged, this, &ChatPanel::refreshCards);
    // The mood follows the boss state, the chances, the last mode and the chat.
    connect(&store.boss(), &BossEngine::bossAIStateChanged, this, &ChatPanel::refreshMood);
    connect(&store.boss(), &BossEngine::modeProbabilitiesChanged, this, &ChatPanel::refreshMood);
    connect(&store.boss(), &BossEngine::demonModeProbabilityChanged, this, &ChatPanel::refreshMood);
    connect(&store.boss(), &BossEngine::activeBossModeChanged, this, &ChatPanel::refreshMood);
    connect(&store.chat(), &ChatLog::chatMessagesChanged, this, &ChatPanel::refreshMood);
    connect(&store.chat(), &ChatLog::chatMessagesChanged, this,
            [this] { m_copyAll->setEnabled(!m_store.chat().chatMessages().isEmpty()); });
    connect(&store.chat(), &ChatLog::chatInputChanged, this, &ChatPanel::refreshInput);
    connect(&store.chat(), &ChatLog::isChatLoadingChanged, this, &ChatPanel::refreshSendEnabled);

    refreshProgress();
    refreshLive();
    refreshCards();
    refreshInput();
    m_copyAll->setEnabled(!store.chat().chatMessages().isEmpty());

    // The compact header's minimum, measured once while hidden: the header is
    // only arranged for it (no pictures drawn, no layout passes run).
    layout()->setEnabled(false);
    arrangeHeader(true);
    m_compactMinimum = layout()->minimumSize();
    arrangeHeader(false);
    layout()->setEnabled(true);
    applyColours();
}

QSize ChatPanel::minimumSizeHint() const {
    const QSize own = QWidget::minimumSizeHint();
    return {std::max(own.width(), m_compactMinimum.width()),
            m_compactHeader ? own.height() : m_compactMinimum.height()};
}

void ChatPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Measured now, at the width the list really has.
    scrollToNewest();
}

QWidget* ChatPanel::buildHeader() {
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("chatHeader"));
    header->setAutoFillBackground(true);

    m_bolt = new QLabel;
    m_name = new QLabel(QStringLiteral("Vorn"));
    m_name->setFont(resized(m_name->font(), 1.25, true));

    m_live = new QWidget;
    m_live->setObjectName(QStringLiteral("liveBadge"));
    auto* liveDot = new QLabel;
    liveDot->setPixmap(dot(7, chat::tintColor(chat::Tint::green, palette()), devicePixelRatioF()));
    liveDot->setAccessibleName(tr("Live"));
    auto* liveText = new QLabel(tr("Live"));
    liveText->setFont(resized(liveText->font(), 0.8));
    auto* liveRow = new QHBoxLayout(m_live);
    liveRow->setContentsMargins(0, 0, 0, 0);
    liveRow->setSpacing(4);
    liveRow->addWidget(liveDot);
    liveRow->addWidget(liveText);

    auto* titleRow = new QHBoxLayout;
    m_titleRow = titleRow;
    titleRow->setSpacing(8);
    titleRow->addWidget(m_bolt);
    titleRow->addWidget(m_name);
    titleRow->addStretch();
    titleRow->addWidget(m_live);

    m_progress = new ElidingLabel; // in the compact strip it may have less room than it needs
    m_progress->setObjectName(QStringLiteral("progressLabel"));
    m_progress->setFont(resized(m_progress->font(), 0.85));
    useSecondaryText(m_progress);

    m_banner->setParent(header);
    m_banner->setImageSide(168);
    m_cards = new ModeCards;

    auto* layout = new QVBoxLayout(header);
    m_headerLayout = layout;
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(titleRow);
    layout->addWidget(m_progress);
    layout->addWidget(m_banner);
    layout->addWidget(m_cards);
    m_header = header;
    return header;
}

void ChatPanel::applyColours() {
    // Everything drawn in a colour of its own, again after a change of palette.
    QPalette tinted = m_header->palette();
    QColor control = chat::tintColor(chat::Tint::control, palette());
    control.setAlphaF(0.5f);
    tinted.setColor(QPalette::Window, control);
    m_header->setPalette(tinted);

    const qreal ratio = devicePixelRatioF();
    const QColor blue = chat::tintColor(chat::Tint::blue, palette());
    m_bolt->setPixmap(
        chat::tintedIcon(QStringLiteral("chat-bolt-circle"), m_compactHeader ? 20 : 28, blue, ratio));
    QIcon icon;
    icon.addPixmap(chat::tintedIcon(QStringLiteral("chat-send"), 28, blue, ratio), QIcon::Normal);
    icon.addPixmap(chat::tintedIcon(QStringLiteral("chat-send"), 28,
                                    chat::tintColor(chat::Tint::secondary, palette()), ratio),
                   QIcon::Disabled);
    m_send->setIcon(icon);
    refreshMood();
}

int ChatPanel::compactHeaderBelow() {
    if (!m_compactHeader || m_fullHeaderHeight == 0) {
        // Measured in the full form (and again after a change of font).
        m_header->ensurePolished();
        m_fullHeaderHeight = m_header->sizeHint().height();
    }
    const BubbleFonts fonts(m_list->font());
    const ChatMessage oneLine{QUuid(), ChatMessage::Role::boss, QStringLiteral("Ok"), std::nullopt, 0};
    const int row = layoutBubble(oneLine, qMax(200, m_list->viewport()->width()), fonts).height;
    // The two separators, the "Copy All" row and the message field.
    const int chrome = 2 + m_copyRow->sizeHint().height() + m_inputBar->sizeHint().height();
    return m_fullHeaderHeight + chrome + 2 * row;
}

void ChatPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setCompactHeader(height() < compactHeaderBelow());
}

void ChatPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_compactHeader)
        m_fullHeaderHeight = 0;
    if (event->type() == QEvent::PaletteChange && m_send)
        applyColours();
}

void ChatPanel::setCompactHeader(bool compact) {
    if (compact == m_compactHeader)
        return;
    arrangeHeader(compact);
    applyColours();
    scrollToNewest();
}

void ChatPanel::arrangeHeader(bool compact) {
    m_compactHeader = compact;
    if (compact) {
        // One line of title, progress and "Copy All", then the strip: the
        // small picture and the mode's name with the cards under it.
        m_headerLayout->removeWidget(m_progress);
        m_titleRow->insertWidget(m_titleRow->indexOf(m_name) + 1, m_progress, 0, Qt::AlignVCenter);
        m_headerLayout->removeWidget(m_cards);
        m_cards->setCompact(true);
        m_banner->setCompact(true, m_cards);
        m_copyRowLayout->removeWidget(m_copyAll);
        m_titleRow->addWidget(m_copyAll);
        m_copyRow->hide();
        m_headerLayout->setContentsMargins(12, 8, 12, 8);
        m_headerLayout->setSpacing(6);
    } else {
        m_titleRow->removeWidget(m_progress);
        m_headerLayout->insertWidget(1, m_progress);
        m_banner->setCompact(false);
        m_cards->setCompact(false);
        m_headerLayout->addWidget(m_cards);
        m_titleRow->removeWidget(m_copyAll);
        m_copyRowLayout->addWidget(m_copyAll);
        m_copyRow->show();
        m_headerLayout->setContentsMargins(12, 12, 12, 12);
        m_headerLayout->setSpacing(10);
    }
    m_cards->show();
    m_progress->show();
    m_copyAll->show();
}

QWidget* ChatPanel::buildInputBar() {
    auto* bar = new QWidget;
    m_input = new ChatInput;
    m_send = new QToolButton;
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAutoRaise(true);
    m_send->setToolTip(tr("Send"));
    m_send->setAccessibleName(tr("Send"));
    m_send->setIconSize(QSize(28, 28));

    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(8);
    row->addWidget(m_input, 1, Qt::AlignVCenter);
    row->addWidget(m_send, 0, Qt::AlignVCenter);

    connect(m_input, &QPlainTextEdit::textChanged, this, [this] {
        if (m_store.chat().chatInput() != m_input->toPlainText())
            m_store.chat().setChatInput(m_input->toPlainText());
        refreshSendEnabled();
    });
    connect(m_input, &ChatInput::submitted, this, &ChatPanel::send);
    connect(m_send, &QToolButton::clicked, this, &ChatPanel::send);
    return bar;
}

QString ChatPanel::progressText() const {
    return m_progress->text();
}

void ChatPanel::send() {
    const QString text = chat::outgoingText(m_store.chat().chatInput());
    if (text.isEmpty())
        return;
    m_store.chat().setChatInput(QString());
    // Runs on by itself; the reply arrives through the store's chat.
    m_store.chat().sendUserChatMessage(text);
}

void ChatPanel::refreshProgress() {
    m_progress->setText(
        chat::progressText(m_store.outline().completedTasks().size(), m_store.outline().tasks().size()));
}

void ChatPanel::refreshLive() {
    m_live->setVisible(m_store.watch().isBossAIActive());
}

void ChatPanel::refreshCards() {
    m_cards->setValues(m_store.boss().bossAIState().urgencyScore, m_store.boss().modeProbabilities());
}

void ChatPanel::refreshMood() {
    m_banner->setMood(m_store.boss().moodImageName(), m_store.boss().moodHeadline(),
                      m_store.boss().moodSubtitle(),
                      chat::tintColor(chat::moodTint(m_store.boss().moodAccentColor()), palette()));
}

void ChatPanel::refreshInput() {
    if (m_input->toPlainText() != m_store.chat().chatInput()) {
        m_input->setPlainText(m_store.chat().chatInput());
        m_input->moveCursor(QTextCursor::End);
    }
    refreshSendEnabled();
}

void ChatPanel::refreshSendEnabled() {
    m_send->setEnabled(!chat::outgoingText(m_store.chat().chatInput()).isEmpty() &&
                       !m_store.chat().isChatLoading());
}

void ChatPanel::copyAll() {
    if (m_store.chat().chatMessages().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(ChatTranscriptFormatter::plainText(m_store.chat().chatMessages()));
}

QMenu* ChatPanel::messageMenu(const QPoint& pos) {
    const QModelIndex index = m_list->indexAt(pos);
    const ChatMessage* message = index.isValid() ? m_model->messageAt(index.row()) : nullptr;
    if (!message)
        return nullptr;
    const QString content = message->content;
    auto* menu = new QMenu(this);
    connect(menu->addAction(tr("Copy")), &QAction::triggered, menu,
            [content] { QGuiApplication::clipboard()->setText(content); });
    return menu;
}

void ChatPanel::showMessageMenu(const QPoint& pos) {
    if (QMenu* menu = messageMenu(pos)) {
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    }
}

void ChatPanel::scrollToNewest() {
    // A hidden list has no width yet; it scrolls when it is shown.
    if (m_model->rowCount() > 0 && m_list->isVisible())
        m_list->scrollToBottom();
}

} // namespace vorn
