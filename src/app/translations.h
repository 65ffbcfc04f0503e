#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;
class QLocale;

namespace vorn {

// The endings of the translation files to try for the user's languages
// (QLocale::uiLanguages(), most preferred first): "de-AT" gives "de_AT", then
// "de". The list stops at the first English entry: English is what the
// program is written in, so a user who prefers it over German gets English
// even when a German file is at hand.
QStringList translationSuffixes(const QStringList& uiLanguages);

// Where vorn_<language>.qm may be, in order: "translations" beside the
// program (the build tree), then the installed data folder relative to it.
QStringList translationFolders(const QString& applicationDirectory);

// Installs Vorn's translation for `locale` from the first of `folders` that
// has one, and with it Qt's own ("qtbase_<language>") from `qtFolder`, so
// that the standard buttons and the command line's help speak the same
// language. Returns the ending of the file loaded, empty when the program
// stays in English.
QString installTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders,
                            const QString& qtFolder);

} // namespace vorn
