#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QUuid>

namespace vorn {

// Paints the cells of the outline table from the model's roles and the
// view's item state (a picked row is drawn with the highlight), and edits
// titles and minutes in line editors. The title editor of a task row turns
// Enter, Tab, Shift+Tab (Backtab too), delete-on-empty and the paste of a whole
// outline into requests to the table instead of ordinary editing; the editor
// is closed, without committing, before the request goes out. Escape,
// Ctrl+Return, Right at the end of a task title and, in the "Min" cell, Enter,
// Tab, Left at its start and Escape commit what was typed first.
class OutlineDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The last editor made; it may be closed or already gone.
    QLineEdit* lastEditor() const { return m_editor; }
    // The identity of the row `editor` edits (rows may have moved since it
    // opened), and whether it edits the title or the minutes.
    static QString editedRowId(const QLineEdit& editor);
    static bool editsTitle(const QLineEdit& editor);

signals:
    void enterPressed(const QUuid& taskID, const QString& text);
    void tabPressed(const QUuid& taskID, const QString& text, bool shift);
    void deleteOnEmpty(const QUuid& taskID);
    // Up / Down in a title (committed first): the title of the row above or
    // below; with Alt, the task itself moves one row.
    void stepRequested(const QString& rowID, int direction, bool moveTask);
    // A pasted outline in the title of the row `rowID`.
    void outlinePasted(const QString& rowID, const QString& text);
    // Ctrl+Return in the task's title (`fromTitle`) or "Min" cell.
    void toggleRequested(const QUuid& taskID, bool fromTitle);
    // Right at the end of the task's title: its "Min" cell.
    void minutesRequested(const QUuid& taskID);
    // Left at the start of the task's "Min" cell, or Escape there: its title.
    void titleRequested(const QUuid& taskID);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    mutable QPointer<QLineEdit> m_editor;

    void paintTitle(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    bool minutesKey(QLineEdit* editor, const QUuid& taskID, const QKeyEvent* key);
};

} // namespace vorn
