#include "views/analytics/analytics_sheet.h"

#include "store/task_store.h"
#include "views/analytics/analytics_charts.h"
#include "views/analytics/analytics_text.h"
#include "views/chat/chat_style.h"
#include "views/readable_colors.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace vorn {

namespace {

constexpr int kCellColumns = 4;

// The list's rows are drawn on the fields' base colour.
QColor secondaryText(const QPalette& palette) {
    return readable::on(palette.color(QPalette::PlaceholderText), palette.color(QPalette::Base));
}

QWidget* statCell(const analytics::StatCell& cell) {
    auto* box = new QWidget;
    auto* caption = new QLabel(cell.caption);
    caption->setObjectName(QStringLiteral("caption"));
    QFont small = caption->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    caption->setFont(small);
    caption->setForegroundRole(QPalette::PlaceholderText);
    auto* value = new QLabel(cell.value);
    value->setObjectName(QStringLiteral("value"));
    QFont big = value->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    value->setFont(big);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(caption);
    column->addWidget(value);
    return box;
}

// Two lines: the title, then where it sat, the minutes and the verdict in its colour.
QLabel* recentEntry(const TaskAnalyticsRecord& record, const QPalette& palette) {
    const QColor verdictColor =
        readable::on(chat::tintColor(record.wasOnTime ? chat::Tint::green : chat::Tint::orange, palette),
                     palette.color(QPalette::Base));
    const QString html =
        QStringLiteral("%1<br><span style=\"color:%2\">%3 · </span><span style=\"color:%4\">%5</span>")
            .arg(record.taskTitle.toHtmlEscaped(), secondaryText(palette).name(),
                 analytics::recentDetail(record).toHtmlEscaped(), verdictColor.name(),
                 analytics::verdict(record));
    auto* label = new QLabel(html);
    label->setTextFormat(Qt::RichText);
    label->setContentsMargins(6, 4, 6, 4);
    return label;
}

} // namespace

AnalyticsSheet::AnalyticsSheet(TaskStore& store, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("analyticsSheet"));
    setWindowTitle(QStringLiteral("Analytics"));
    setModal(true);
    setFixedSize(520, 520);

    // Read once: the sheet shows the records as they were when it opened.
    m_records = store.taskAnalytics();
    const AnalyticsSummary summary = summarizeAnalytics(m_records);
    m_today = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(store.now() * 1000.0))).date();

    auto* title = new QLabel(QStringLiteral("Analytics"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(done);

    m_cells = new QGridLayout;
    m_cells->setHorizontalSpacing(16);
    m_cells->setVerticalSpacing(10);
    const QList<analytics::StatCell> cells = analytics::statisticCells(summary, store.boss().gamification());
    for (qsizetype i = 0; i < cells.size(); ++i)
        m_cells->addWidget(statCell(cells.at(i)), static_cast<int>(i / kCellColumns),
                           static_cast<int>(i % kCellColumns));

    auto* heading = new QLabel(QStringLiteral("Recent completions"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);

    m_recent = new QListWidget;
    m_recent->setObjectName(QStringLiteral("recentCompletions"));
    m_recent->setSelectionMode(QAbstractItemView::NoSelection);
    m_recent->setFocusPolicy(Qt::NoFocus);
    const qsizetype listed = std::min(m_records.size(), analytics::kRecentLimit);
    for (qsizetype i = 0; i < listed; ++i) {
        const TaskAnalyticsRecord& record = m_records.at(i);
        auto* item = new QListWidgetItem(m_recent);
        item->setText(record.taskTitle + QLatin1Char('\n') + analytics::recentDetail(record) +
                      QStringLiteral(" · ") + analytics::verdict(record));
        QLabel* entry = recentEntry(record, palette());
        item->setSizeHint(entry->sizeHint());
        item->setForeground(Qt::transparent); // the label draws the text
        m_recent->setItemWidget(item, entry);
    }

    // The charts are built when their tab is first shown.
    m_tabs = new QTabWidget;
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_recent, QStringLiteral("List"));
    m_tabs->addTab(new QWidget, QStringLiteral("Estimate vs actual"));
    m_tabs->addTab(new QWidget, QStringLiteral("On time, 14 days"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &AnalyticsSheet::showTab);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addLayout(top);
    column->addLayout(m_cells);
    column->addWidget(heading);
    column->addWidget(m_tabs, 1);
}

void AnalyticsSheet::showTab(int index) {
    QWidget* page = m_tabs->widget(index);
    if (index == 0 || !page || page->layout())
        return;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 4, 0, 0);
    if (index == 1) {
        const QList<TaskAnalyticsRecord> recent = m_records.mid(0, analytics::kRecentLimit);
        layout->addWidget(analytics::estimateChart(recent, palette()));
    } else {
        layout->addWidget(analytics::onTimeChart(analytics::onTimeByDay(m_records, m_today), palette()));
    }
}

QString AnalyticsSheet::cellValue(const QString& caption) const {
    for (int i = 0; i < m_cells->count(); ++i) {
        QWidget* cell = m_cells->itemAt(i)->widget();
        const auto* captionLabel = cell->findChild<QLabel*>(QStringLiteral("caption"));
        if (captionLabel && captionLabel->text() == caption)
            return cell->findChild<QLabel*>(QStringLiteral("value"))->text();
    }
    return {};
}

} // namespace vorn
