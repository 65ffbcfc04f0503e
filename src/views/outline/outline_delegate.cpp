#include "views/outline/outline_delegate.h"

#include "outline_io/outline_paste_detector.h"
#include "views/icons.h"
#include "views/outline/outline_metrics.h"
#include "views/outline/outline_table_model.h"

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace vorn {

namespace om = outline_metrics;
using M = OutlineTableModel;

namespace {

constexpr const char* kRowIdProperty = "vornRowId";
constexpr const char* kTitleProperty = "vornIsTitle";

QRect centredIcon(const QRect& cell, int size = om::kIconSize) {
    return QRect(cell.x() + (cell.width() - size) / 2, cell.y() + (cell.height() - size) / 2, size, size);
}

// The row icons, read from the resources once (an SVG parse per paint would cost a frame).
const QIcon& rowIcon(const QString& name) {
    static QHash<QString, QIcon> icons;
    auto found = icons.find(name);
    if (found == icons.end())
        found = icons.insert(name, bundledIcon(name));
    return *found;
}

bool hasFolderIcon(const QModelIndex& index) {
    return index.data(M::IsGroupHeaderRole).toBool();
}

} // namespace

void OutlineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const bool picked = option.state.testFlag(QStyle::State_Selected);
    if (picked)
        painter->fillRect(option.rect, palette.color(QPalette::Highlight));

    const bool isSection = index.data(M::IsSectionRole).toBool();
    switch (index.column()) {
    case M::HandleColumn:
        rowIcon(QStringLiteral("outline-handle")).paint(painter, centredIcon(option.rect, 12));
        break;
    case M::ToggleColumn: {
        const QString name = isSection                                 ? QStringLiteral("outline-folder")
                             : index.data(M::IsCompletedRole).toBool() ? QStringLiteral("outline-check")
                                                                       : QStringLiteral("outline-circle");
        rowIcon(name).paint(painter, centredIcon(option.rect));
        break;
    }
    case M::TitleColumn:
        paintTitle(painter, option, index);
        break;
    case M::MinutesColumn:
    case M::FinishColumn: {
        painter->setPen(palette.color(picked                              ? QPalette::HighlightedText
                                      : index.column() == M::FinishColumn ? QPalette::PlaceholderText
                                                                          : QPalette::Text));
        const QRect text = option.rect.adjusted(2, 0, -6, 0);
        painter->drawText(text, Qt::AlignRight | Qt::AlignVCenter, index.data().toString());
        break;
    }
    case M::TrashColumn:
        if (index.data(M::CanDeleteRole).toBool())
            rowIcon(QStringLiteral("outline-trash")).paint(painter, centredIcon(option.rect, 14));
        break;
    default:
        break;
    }
    painter->restore();
}

void OutlineDelegate::paintTitle(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const bool isSection = index.data(M::IsSectionRole).toBool();
    const int depth = index.data(M::DepthRole).toInt();
    const bool folder = hasFolderIcon(index);
    QRect rect = option.rect;
    if (folder) {
        const int x = rect.x() + om::titleInset(depth, false);
        rowIcon(QStringLiteral("outline-folder"))
            .paint(painter,
                   QRect(x, rect.y() + (rect.height() - om::kIconSize) / 2, om::kIconSize, om::kIconSize));
    }
    rect.setLeft(rect.x() + om::titleInset(depth, folder));
    rect.setRight(rect.right() - 4);

    QFont font = option.font;
    font.setBold(isSection);
    const bool done = index.data(M::IsCompletedRole).toBool();
    font.setStrikeOut(done);
    painter->setFont(font);
    QString text = index.data().toString();
    const bool placeholder = text.isEmpty();
    if (placeholder)
        text = isSection ? tr("Folder") : tr("Task name");
    const bool picked = option.state.testFlag(QStyle::State_Selected);
    painter->setPen(option.palette.color(picked                ? QPalette::HighlightedText
                                         : placeholder || done ? QPalette::PlaceholderText
                                                               : QPalette::Text));
    // A right-to-left title stands at the right, where its editor puts it too.
    const Qt::Alignment side = text.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft;
    const QString elided = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    painter->drawText(rect, side | Qt::AlignVCenter, elided);
}

QSize OutlineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), om::kRowHeight));
    return size;
}

QWidget* OutlineDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    m_editor = editor;
    editor->setFrame(false);
    editor->setProperty(kRowIdProperty, index.data(M::RowIdRole));
    editor->setProperty(kTitleProperty, index.column() == M::TitleColumn);
    if (index.column() == M::TitleColumn) {
        const bool isSection = index.data(M::IsSectionRole).toBool();
        editor->setPlaceholderText(isSection ? tr("Folder") : tr("Task name"));
        QFont font = editor->font();
        font.setBold(isSection);
        editor->setFont(font);
    } else {
        editor->setAlignment(Qt::AlignRight);
    }
    return editor;
}

QString OutlineDelegate::editedRowId(const QLineEdit& editor) {
    return editor.property(kRowIdProperty).toString();
}

bool OutlineDelegate::editsTitle(const QLineEdit& editor) {
    return editor.property(kTitleProperty).toBool();
}

void OutlineDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    // What is being typed wins over whatever the store says meanwhile.
    if (!line || line->hasFocus() || line->isModified())
        return;
    line->setText(index.data(Qt::EditRole).toString());
}

void OutlineDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

void OutlineDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QRect rect = option.rect;
    if (index.column() == M::TitleColumn)
        rect.setLeft(rect.x() + om::titleInset(index.data(M::DepthRole).toInt(), hasFolderIcon(index)) - 2);
    editor->setGeometry(rect);
}

bool OutlineDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QLineEdit*>(object);
    // Undo and Redo take back the field's own typing; with none, they are the
    // window's (the Tab that indented, the Enter that added a row), which a
    // field would otherwise swallow.
    if (editor && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !editor->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !editor->isRedoAvailable())) {
            event->ignore();
            return true;
        }
    }
    if (!editor || event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(object, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString rowID = editor->property(kRowIdProperty).toString();
    const bool isTitle = editor->property(kTitleProperty).toBool();
    const std::optional<QUuid> taskID =
        rowID.startsWith(QStringLiteral("task:")) ? parseUuid(rowID.mid(5)) : std::nullopt;
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool isEnter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const auto commitAndClose = [&] {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
    };

    // Escape ends editing and keeps what was typed; from "Min" back to the title.
    if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        commitAndClose();
        if (!isTitle && taskID)
            emit titleRequested(*taskID);
        return true;
    }
    if (taskID && isEnter && mods == Qt::ControlModifier) {
        commitAndClose();
        emit toggleRequested(*taskID, isTitle);
        return true;
    }
    if (!isTitle)
        return (taskID && minutesKey(editor, *taskID, key)) ||
               QStyledItemDelegate::eventFilter(object, event);

    const QString text = editor->text();
    if (key->matches(QKeySequence::Paste)) {
        const QString pasted = QApplication::clipboard()->text();
        if (!OutlinePasteDetector::isOutlineList(pasted))
            return false; // an ordinary paste into the field
        emit closeEditor(editor, NoHint);
        emit outlinePasted(rowID, pasted);
        return true;
    }
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        const bool moveTask = mods == Qt::AltModifier && taskID;
        if (mods == Qt::NoModifier || moveTask) {
            commitAndClose();
            emit stepRequested(rowID, key->key() == Qt::Key_Up ? -1 : 1, moveTask);
            return true;
        }
    }
    if (!taskID)
        return QStyledItemDelegate::eventFilter(object, event);

    const auto plainMods = mods & ~Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (plainMods != Qt::NoModifier)
            break;
        emit closeEditor(editor, NoHint);
        emit enterPressed(*taskID, text);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (plainMods != Qt::NoModifier)
            break;
        emit closeEditor(editor, NoHint);
        emit tabPressed(*taskID, text,
                        key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (!text.isEmpty() || plainMods != Qt::NoModifier)
            break;
        emit closeEditor(editor, NoHint);
        emit deleteOnEmpty(*taskID);
        return true;
    case Qt::Key_Right: {
        // At the visual right end of the text (its start, when it reads right to left).
        const int end = text.isRightToLeft() ? 0 : int(text.size());
        if (mods != Qt::NoModifier || editor->hasSelectedText() || editor->cursorPosition() != end)
            break;
        commitAndClose();
        emit minutesRequested(*taskID);
        return true;
    }
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// Keys of the "Min" cell that leave it; each commits the minutes first (text
// the duration grammar rejects leaves the old value).
bool OutlineDelegate::minutesKey(QLineEdit* editor, const QUuid& taskID, const QKeyEvent* key) {
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool atStart = editor->cursorPosition() == 0 && !editor->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods != Qt::NoModifier)
            return false;
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
        emit enterPressed(taskID, QString()); // as Enter in the title: a new task below
        return true;
    case Qt::Key_Left:
        if (mods != Qt::NoModifier || !atStart)
            return false;
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
        emit titleRequested(taskID);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        emit commitData(editor);
        emit closeEditor(editor, NoHint); // the table keeps the focus
        return true;
    default:
        return false;
    }
}

} // namespace vorn
