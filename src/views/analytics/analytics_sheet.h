#pragma once

#include "model/records.h"

#include <QDate>
#include <QDialog>
#include <QList>

class QGridLayout;
class QListWidget;
class QTabWidget;

namespace vorn {

class TaskStore;

// A read-only summary of the completions: the statistic cells, the newest
// completions one by one and two small charts. Read once when it opens.
class AnalyticsSheet : public QDialog {
    Q_OBJECT

public:
    explicit AnalyticsSheet(TaskStore& store, QWidget* parent = nullptr);

    // The value under `caption` ("Completions", "On-time rate", …); empty if none.
    QString cellValue(const QString& caption) const;
    QListWidget* recentList() const { return m_recent; }
    QTabWidget* tabs() const { return m_tabs; }

private:
    void showTab(int index);

    QList<TaskAnalyticsRecord> m_records; // newest first
    QGridLayout* m_cells = nullptr;
    QListWidget* m_recent = nullptr;
    QTabWidget* m_tabs = nullptr;
    QDate m_today;
};

} // namespace vorn
