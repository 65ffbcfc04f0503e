#include "views/outline/outline_header_bar.h"

#include "model/time_format.h"
#include "outline_io/outline_paste_detector.h"
#include "store/task_store.h"
#include "views/icons.h"
#include "views/readable_colors.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace vorn {

namespace {

constexpr int kFlameSize = 14;

QLabel* captionLabel(double scale, bool bold) {
    auto* label = new QLabel;
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

OutlineHeaderBar::OutlineHeaderBar(TaskStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(8);

    m_title = new QLineEdit;
    m_title->setPlaceholderText(tr("List name"));
    m_title->setAccessibleName(tr("List name"));
    m_title->setFrame(false);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setMinimumWidth(120);
    m_title->installEventFilter(this);
    layout->addWidget(m_title, 1);

    m_add = new QToolButton;
    m_add->setIcon(themedIcon(QStringLiteral("list-add"), QStringLiteral("outline-add")));
    m_add->setToolTip(tr("Add row"));
    m_add->setAccessibleName(tr("Add row"));
    m_add->setAutoRaise(true);
    layout->addWidget(m_add);
    layout->addStretch();

    m_progress = captionLabel(1.0, false);
    m_doneBy = captionLabel(1.0, false);
    m_streak = new QWidget;
    auto* streakLayout = new QHBoxLayout(m_streak);
    streakLayout->setContentsMargins(0, 0, 0, 0);
    streakLayout->setSpacing(3);
    auto* flame = new QLabel;
    flame->setPixmap(bundledIcon(QStringLiteral("outline-flame")).pixmap(kFlameSize, kFlameSize));
    m_streakText = captionLabel(0.9, true);
    applyStreakColor();
    streakLayout->addWidget(flame);
    streakLayout->addWidget(m_streakText);
    m_completed = captionLabel(0.8, false);
    m_completed->setForegroundRole(QPalette::PlaceholderText);
    for (QWidget* w : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_doneBy), m_streak,
                       static_cast<QWidget*>(m_completed)})
        layout->addWidget(w);

    connect(m_title, &QLineEdit::editingFinished, this, &OutlineHeaderBar::commitTitle);
    connect(m_title, &QLineEdit::returnPressed, this, &OutlineHeaderBar::titleDone);
    connect(m_add, &QToolButton::clicked, this, [this] {
        m_store.editor().addTask(); // the new row's title opens through the editor's focus request
    });
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        refreshTitle();
        refreshProgress();
    });
    connect(&m_store.outline(), &Outline::tasksChanged, this, &OutlineHeaderBar::scheduleRefresh);
    connect(&m_store.outline(), &Outline::sectionsChanged, this, &OutlineHeaderBar::scheduleRefresh);
    connect(&m_store.boss(), &BossEngine::gamificationChanged, this, &OutlineHeaderBar::scheduleRefresh);
    refreshTitle();
    refreshProgress();
}

void OutlineHeaderBar::scheduleRefresh() {
    m_refresh.start();
}

void OutlineHeaderBar::refreshTitle() {
    if (m_title->hasFocus())
        return; // the text being typed stays
    const std::optional<QUuid> root = m_store.outline().rootSectionID();
    const QString title = root ? m_store.outline().sectionTitle(*root) : tr("To do");
    if (m_title->text() != title)
        m_title->setText(title);
}

void OutlineHeaderBar::commitTitle() {
    const QString text = m_title->text().trimmed();
    const std::optional<QUuid> root = m_store.outline().rootSectionID();
    const QString stored = root ? m_store.outline().sectionTitle(*root) : tr("To do");
    if (text.isEmpty() || !root) {
        m_title->setText(stored);
        return;
    }
    if (text != stored)
        m_store.editor().renameRootTitle(text);
    m_title->setText(text);
}

QColor OutlineHeaderBar::streakColor() const {
    return readable::on(QColor(0xf0, 0x8a, 0x1c), palette().color(QPalette::Window));
}

void OutlineHeaderBar::applyStreakColor() {
    if (!m_streakText)
        return;
    QPalette streak = m_streakText->palette();
    streak.setColor(QPalette::WindowText, streakColor());
    m_streakText->setPalette(streak);
}

void OutlineHeaderBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyStreakColor();
}

bool OutlineHeaderBar::eventFilter(QObject* watched, QEvent* event) {
    const auto* key =
        watched == m_title && event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    // Escape keeps what was typed, as in a row's title, and leaves the field.
    if (key && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        emit titleDone();
        return true;
    }
    // A whole outline pasted into the title goes into the list, not into the field.
    if (key && key->matches(QKeySequence::Paste)) {
        const QString text = QApplication::clipboard()->text();
        const std::optional<QUuid> root = m_store.outline().rootSectionID();
        if (root && OutlinePasteDetector::isOutlineList(text)) {
            m_store.pasteIntoSection(text, *root);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString OutlineHeaderBar::progressText() const {
    const auto& tasks = m_store.outline().tasks();
    const auto done =
        std::count_if(tasks.cbegin(), tasks.cend(), [](const TaskItem& t) { return t.isCompleted; });
    return tr("%1/%2 done").arg(done).arg(tasks.size());
}

QString OutlineHeaderBar::doneByText() const {
    if (m_store.outline().tasks().isEmpty() || !m_store.outline().tasks().last().finishTime)
        return {};
    return tr("Done by %1").arg(formatClockTime(*m_store.outline().tasks().last().finishTime));
}

QString OutlineHeaderBar::streakText() const {
    if (m_store.boss().gamification().onTimeStreak < 1)
        return {};
    return tr("%1 on-time streak").arg(m_store.boss().gamification().onTimeStreak);
}

QString OutlineHeaderBar::completedText() const {
    return tr("%1 completed").arg(m_store.boss().gamification().totalCompletions);
}

void OutlineHeaderBar::refreshProgress() {
    m_progress->setText(progressText());
    const QString doneBy = doneByText();
    m_doneBy->setText(doneBy);
    m_doneBy->setVisible(!doneBy.isEmpty());
    const QString streak = streakText();
    m_streakText->setText(streak);
    m_streak->setVisible(!streak.isEmpty());
    m_completed->setText(completedText());
}

} // namespace vorn
