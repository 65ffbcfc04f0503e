#include "outline_io/outline_paste_detector.h"

#include "outline_io/outline_text.h"

namespace vorn::OutlinePasteDetector {

bool isOutlineList(QStringView text) {
    using namespace outline_text;
    int lineCount = 0;
    bool marked = false;
    LineSplitter splitter(text);
    QStringView raw;
    while (splitter.next(raw) && !(lineCount >= 2 && marked)) {
        const QStringView line = trimmedLine(raw);
        if (line.isEmpty())
            continue;
        ++lineCount;
        marked = marked || itemMarkerEnd(line) >= 0 || isToDoTitle(line);
    }
    return lineCount >= 2 && marked;
}

} // namespace vorn::OutlinePasteDetector
