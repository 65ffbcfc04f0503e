#include "views/import_tasks_sheet.h"

#include "store/task_store.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorn {

ImportTasksSheet::ImportTasksSheet(TaskStore& store, QWidget* parent) : QDialog(parent), m_store(store) {
    setWindowTitle(tr("Import Tasks"));
    setFixedSize(480, 420);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Import Tasks"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* intro = new QLabel(tr("Paste a numbered list from Notes. It replaces your current list and "
                                "builds folders from indented sub-items."));
    intro->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(intro);

    // A full import always fills the top-level list; the picker only names it.
    auto* form = new QFormLayout;
    m_picker = new QComboBox;
    m_picker->setEnabled(false);
    form->addRow(tr("Add to list"), m_picker);
    layout->addLayout(form);

    m_editor = new QPlainTextEdit;
    m_editor->setTabChangesFocus(true);
    m_editor->setPlainText(store.window().pasteText());
    layout->addWidget(m_editor, 1);

    auto* buttons = new QHBoxLayout;
    m_cancel = new QPushButton(tr("Cancel"));
    m_import = new QPushButton(tr("Import"));
    m_import->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_import);
    layout->addLayout(buttons);

    connect(m_editor, &QPlainTextEdit::textChanged, this,
            [this] { m_store.window().setPasteText(m_editor->toPlainText()); });
    connect(&store.window(), &WindowState::pasteTextChanged, this, &ImportTasksSheet::followStoreText);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &ImportTasksSheet::importPastedText);
}

void ImportTasksSheet::showEvent(QShowEvent* event) {
    m_picker->clear();
    const QList<TaskSection> roots = m_store.outline().childSections(std::nullopt);
    if (!roots.isEmpty()) {
        m_picker->addItem(roots.first().title, roots.first().id);
        m_picker->setCurrentIndex(0);
    } else {
        m_picker->setCurrentIndex(-1);
    }
    followStoreText();
    // The last imported list stays to be mended, picked whole, so that a new
    // one typed or pasted takes its place instead of running into it.
    m_editor->selectAll();
    m_editor->setFocus();
    QDialog::showEvent(event);
}

void ImportTasksSheet::followStoreText() {
    if (m_editor->toPlainText() != m_store.window().pasteText())
        m_editor->setPlainText(m_store.window().pasteText());
}

void ImportTasksSheet::importPastedText() {
    m_store.replaceFromPaste(m_store.window().pasteText());
    // A list that does not parse keeps the sheet open with the text in it, so
    // the fix is one edit away; the error alert says what went wrong.
    if (!m_store.errorMessage())
        accept();
}

} // namespace vorn
