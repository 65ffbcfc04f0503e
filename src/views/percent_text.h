#pragma once

#include <QString>

namespace vorn {

// A whole percentage as the user's language writes it: "37%" in English,
// "37 %" (a space that does not break) in German.
QString wholePercentText(qint64 percent);

} // namespace vorn
