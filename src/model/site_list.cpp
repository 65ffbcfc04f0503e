#include "model/site_list.h"

#include "hosts_block.h"

#include <QUrl>

namespace vorn {

namespace {

// The host an entry names, or an empty string.
QString hostOf(const QString& entry) {
    // Without a scheme, QUrl would read "reddit.com:443" as scheme and path.
    const bool hasScheme = entry.contains(QLatin1String("://"));
    const QUrl url(hasScheme ? entry : QStringLiteral("http://") + entry, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    QString host = url.host(QUrl::EncodeUnicode).toLower();
    if (host.endsWith(QLatin1Char('.'))) // the root of a fully qualified name
        host.chop(1);
    const QByteArray name = host.toLatin1();
    if (!hostsblock::isValidHostName(
            std::string_view(name.constData(), static_cast<std::size_t>(name.size()))))
        return {};
    return host;
}

} // namespace

SiteList parseSiteList(const QString& text) {
    SiteList list;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed();
        if (entry.isEmpty())
            continue;
        const QString host = hostOf(entry);
        if (host.isEmpty())
            list.rejected.append(entry);
        else
            list.hosts.append(host);
    }
    return list;
}

} // namespace vorn
