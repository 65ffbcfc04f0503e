#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace vorn {

class TaskStore;

// Above the table: the list title (committed on Enter or when it loses the
// focus; an emptied title puts the stored one back; Enter and Escape hand the
// keyboard back to the list), the add-row button and the day's progress
// ("3/5 done", "Done by HH:mm", the on-time streak, the total completions).
class OutlineHeaderBar : public QWidget {
    Q_OBJECT

public:
    explicit OutlineHeaderBar(TaskStore& store, QWidget* parent = nullptr);

    QLineEdit* titleField() const { return m_title; }
    QToolButton* addButton() const { return m_add; }
    QString progressText() const;
    QString doneByText() const;
    QString streakText() const;
    QString completedText() const;

    // The streak's orange, made to read on the header's background.
    QColor streakColor() const;

signals:
    // Enter or Escape in the list title: the keyboard goes back to the list.
    void titleDone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyStreakColor();
    void commitTitle();
    void refreshTitle();
    void refreshProgress();
    void scheduleRefresh();

    TaskStore& m_store;
    QLineEdit* m_title = nullptr;
    QToolButton* m_add = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_doneBy = nullptr;
    QWidget* m_streak = nullptr;
    QLabel* m_streakText = nullptr;
    QLabel* m_completed = nullptr;
    QTimer m_refresh; // one refresh for a burst of store changes
};

} // namespace vorn
