#pragma once

#include <QStringView>

namespace vorn::OutlinePasteDetector {

// Whether pasted text reads as a list to import rather than a plain title: at
// least two non-blank lines, one of them an item ("1. …", "2) …") or the
// heading "to do"/"todo".
bool isOutlineList(QStringView text);

} // namespace vorn::OutlinePasteDetector
