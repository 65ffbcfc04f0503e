#include "app/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

namespace vorn {

QStringList translationSuffixes(const QStringList& uiLanguages) {
    QStringList suffixes;
    for (const QString& language : uiLanguages) {
        QString name = language;
        name.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (name == QLatin1String("C") || name == QLatin1String("en") ||
            name.startsWith(QLatin1String("en_")))
            break;
        // "zh_Hant_TW", "zh_Hant", "zh"
        while (!name.isEmpty()) {
            if (!suffixes.contains(name))
                suffixes.append(name);
            const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
            name = cut > 0 ? name.left(cut) : QString();
        }
    }
    return suffixes;
}

QStringList translationFolders(const QString& applicationDirectory) {
    const QDir dir(applicationDirectory);
    return {dir.filePath(QStringLiteral("translations")),
            QDir::cleanPath(dir.filePath(QStringLiteral("../" VORN_TRANSLATIONS_INSTALL_DIR)))};
}

QString installTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders,
                            const QString& qtFolder) {
    for (const QString& suffix : translationSuffixes(locale.uiLanguages())) {
        for (const QString& folder : folders) {
            // The exact file: QTranslator would otherwise shorten the name
            // itself and report "de_Latn_AT" for what is vorn_de.qm.
            const QString file = QDir(folder).filePath(QStringLiteral("vorn_%1.qm").arg(suffix));
            if (!QFileInfo::exists(file))
                continue;
            auto* own = new QTranslator(&app);
            if (!own->load(file)) {
                delete own;
                continue;
            }
            QCoreApplication::installTranslator(own);
            auto* qt = new QTranslator(&app);
            if (qt->load(QStringLiteral("qtbase_") + suffix, qtFolder))
                QCoreApplication::installTranslator(qt);
            else
                delete qt;
            return suffix;
        }
    }
    return {};
}

} // namespace vorn
