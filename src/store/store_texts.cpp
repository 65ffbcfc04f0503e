#include "store/store_texts.h"

#include <QCoreApplication>

namespace vorn {

QString taskCountText(qint64 count) {
    return (count == 1 ? QCoreApplication::translate("TaskStore", "%1 task")
                       : QCoreApplication::translate("TaskStore", "%1 tasks"))
        .arg(count);
}

} // namespace vorn
