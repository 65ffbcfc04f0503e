#pragma once

#include <QDialog>
#include <QPointer>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace vorn {

class TaskStore;

// The small dialog that replaces the whole list with a pasted one. Its editor
// is bound to the store's pasteText, so it opens with the last imported list.
class ImportTasksSheet : public QDialog {
    Q_OBJECT

public:
    explicit ImportTasksSheet(TaskStore& store, QWidget* parent = nullptr);

    QComboBox* listPicker() const { return m_picker; }
    QPlainTextEdit* editor() const { return m_editor; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void importPastedText();
    void followStoreText();

    TaskStore& m_store;
    QComboBox* m_picker = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vorn
