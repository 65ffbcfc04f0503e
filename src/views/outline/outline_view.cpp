#include "views/outline/outline_view.h"

#include "views/outline/outline_header_bar.h"
#include "views/outline/outline_table.h"

#include <QVBoxLayout>

namespace vorn {

OutlineView::OutlineView(TaskStore& store, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new OutlineHeaderBar(store, this);
    m_table = new OutlineTable(store, this);
    m_table->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_header);
    layout->addWidget(m_table, 1);
    setFocusProxy(m_table);
    // Leaving the field commits the title.
    connect(m_header, &OutlineHeaderBar::titleDone, m_table,
            [this] { m_table->setFocus(Qt::OtherFocusReason); });
}

} // namespace vorn
