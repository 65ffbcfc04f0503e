#include "model/default_sites.h"

#include <QStringList>

namespace vorn {

QString defaultBlockedSitesText() {
    static const char* const sites[] = {"facebook.com", "instagram.com", "twitter.com", "x.com",
                                        "youtube.com",  "reddit.com",    "tiktok.com",  "netflix.com"};
    QStringList hosts;
    for (const char* site : sites) {
        hosts.append(QString::fromLatin1(site));
        hosts.append(QStringLiteral("www.") + QString::fromLatin1(site));
    }
    return hosts.join(QLatin1Char('\n'));
}

} // namespace vorn
