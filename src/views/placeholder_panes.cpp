#include "views/placeholder_panes.h"

#include "model/task_store.h"
#include "views/outline_rows_model.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vorn {

ReadOnlyOutlinePane::ReadOnlyOutlinePane(TaskStore* store, QWidget* parent)
    : QWidget(parent), m_store(store) {
    auto* layout = new QVBoxLayout(this);
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

    connect(store, &TaskStore::sectionsChanged, this, &ReadOnlyOutlinePane::refreshTitle);
    refreshTitle();
}

QString ReadOnlyOutlinePane::listTitle() const {
    return m_title->text();
}

void ReadOnlyOutlinePane::refreshTitle() {
    if (!m_store)
        return;
    const auto root = m_store->rootSectionID();
    m_title->setText(root ? m_store->sectionTitle(*root) : QString());
}

ReadOnlyChatPane::ReadOnlyChatPane(TaskStore* store, QWidget* parent) : QWidget(parent), m_store(store) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget;
    m_list->setWordWrap(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(m_list);
    connect(store, &TaskStore::chatMessagesChanged, this, &ReadOnlyChatPane::refresh);
    refresh();
}

void ReadOnlyChatPane::refresh() {
    if (!m_store)
        return;
    m_list->clear();
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
            break;
        }
        m_list->addItem(who.isEmpty() ? message.content : who + QStringLiteral(": ") + message.content);
    }
    m_list->scrollToBottom();
}

} // namespace vorn
