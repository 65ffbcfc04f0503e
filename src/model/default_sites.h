#pragma once

#include <QString>

namespace vorn {

// The distracting sites blocked in Demon mode until the user edits the list:
// each site as the bare domain and again with "www.", one host name per line.
QString defaultBlockedSitesText();

} // namespace vorn
