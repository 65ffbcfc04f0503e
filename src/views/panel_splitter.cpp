#include "views/panel_splitter.h"

#include "views/app_notifications.h"
#include "views/main_layout.h"

#include <QMouseEvent>
#include <QSplitterHandle>

namespace vorn {

namespace {

class PanelDivider : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        AppNotifications::instance().postClearTaskRowSelection();
        QSplitterHandle::mousePressEvent(event);
    }
};

} // namespace

PanelSplitter::PanelSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(static_cast<int>(kDividerWidth));
    setChildrenCollapsible(false);
}

QSplitterHandle* PanelSplitter::createHandle() {
    return new PanelDivider(orientation(), this);
}

} // namespace vorn
