#pragma once

#include <QString>
#include <QStringList>

namespace vorn {

// What a pasted list of sites to block comes to: the host names, in the order
// given (a host listed twice is kept twice), and the entries that name no host.
struct SiteList {
    QStringList hosts;
    QStringList rejected;

    bool operator==(const SiteList&) const = default;
};

// One entry per line, trimmed; empty lines are skipped. An entry may be a
// whole address ("https://www.reddit.com/r/x" gives "www.reddit.com"); names
// are lower-cased and international names written in their ASCII form. An
// entry that then is not a valid host name goes to `rejected`, as typed.
SiteList parseSiteList(const QString& text);

} // namespace vorn
