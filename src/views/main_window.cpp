#include "views/main_window.h"

#include "model/task_store.h"
#include "views/outline/outline_header_bar.h"
#include "views/outline/outline_view.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStatusBar>

namespace vorn {

MainWindow::MainWindow(TaskStore* store, QWidget* parent) : QMainWindow(parent), m_store(store) {
    setWindowTitle(QStringLiteral("Vorn"));
    setMinimumSize(640, 420);
    resize(1000, 640);

    m_outline = new OutlineView(store);

    m_chat = new QListWidget;
    m_chat->setWordWrap(true);
    m_chat->setSelectionMode(QAbstractItemView::NoSelection);

    auto* splitter = new QSplitter;
    splitter->addWidget(m_outline);
    splitter->addWidget(m_chat);
    splitter->setStretchFactor(0, 65);
    splitter->setStretchFactor(1, 35);
    setCentralWidget(splitter);

    connect(store, &TaskStore::chatMessagesChanged, this, &MainWindow::refreshChat);
    connect(store, &TaskStore::statusMessageChanged, this, &MainWindow::refreshStatus);
    refreshChat();
    refreshStatus();
}

QString MainWindow::listTitle() const {
    return m_outline->headerBar()->titleField()->text();
}

void MainWindow::refreshChat() {
    if (!m_store)
        return;
    m_chat->clear();
    for (const ChatMessage& message : m_store->chatMessages()) {
        QString who;
        switch (message.role) {
        case ChatMessage::Role::user:
            who = tr("You");
            break;
        case ChatMessage::Role::boss:
            who = QStringLiteral("Vorn");
            break;
        case ChatMessage::Role::system:
            who = QString();
            break;
        }
        m_chat->addItem(who.isEmpty() ? message.content : who + QStringLiteral(": ") + message.content);
    }
    m_chat->scrollToBottom();
}

void MainWindow::refreshStatus() {
    if (!m_store)
        return;
    statusBar()->showMessage(m_store->statusMessage().value_or(QString()));
}

} // namespace vorn
