#pragma once

#include <QSplitter>

namespace vorn {

// The list/chat splitter. A press on its divider asks the outline table to
// drop its row selection ("Vorn.clearTaskRowSelection").
class PanelSplitter : public QSplitter {
    Q_OBJECT

public:
    explicit PanelSplitter(QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};

} // namespace vorn
