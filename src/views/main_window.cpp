#include "views/main_window.h"

#include "store/task_store.h"
#include "views/outline_rows_model.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace vorn {

MainWindow::MainWindow(TaskStore* store, QWidget* parent) : QMainWindow(parent), m_store(store) {
    setWindowTitle(QStringLiteral("Vorn"));
    setMinimumSize(640, 420);
    resize(1000, 640);

    auto* listPane = new QWidget;
    auto* layout = new QVBoxLayout(listPane);
    m_title = new QLabel;
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    layout->addWidget(m_title);

    m_model = new OutlineRowsModel(store, this);
    m_table = new QTableView;
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(OutlineRowsModel::TitleColumn, QHeaderView::Stretch);
    m_table->setShowGrid(false);
    layout->addWidget(m_table);

    m_chat = new QListWidget;
    m_chat->setWordWrap(true);
    m_chat->setSelectionMode(QAbstractItemView::NoSelection);

    auto* splitter = new QSplitter;
    splitter->addWidget(listPane);
    splitter->addWidget(m_chat);
    splitter->setStretchFactor(0, 65);
    splitter->setStretchFactor(1, 35);
    setCentralWidget(splitter);

    connect(store, &TaskStore::sectionsChanged, this, &MainWindow::refreshTitle);
    connect(store, &TaskStore::chatMessagesChanged, this, &MainWindow::refreshChat);
    connect(store, &TaskStore::statusMessageChanged, this, &MainWindow::refreshStatus);
    refreshTitle();
    refreshChat();
    refreshStatus();
}

QString MainWindow::listTitle() const {
    return m_title->text();
}

void MainWindow::refreshTitle() {
    if (!m_store)
        return;
    const auto root = m_store->rootSectionID();
    m_title->setText(root ? m_store->sectionTitle(*root) : QString());
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
