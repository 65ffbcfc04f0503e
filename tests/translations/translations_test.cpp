// Which translation the program picks for the user's languages, and the
// German one at work: one text from each window, Qt's own buttons with them.
#include "app/translations.h"
#include "fixtures/fake_connection_access.h"
#include "fixtures/store_fixture.h"
#include "views/analytics/analytics_sheet.h"
#include "views/analytics/analytics_text.h"
#include "views/chat/chat_panel.h"
#include "views/chat/chat_style.h"
#include "views/import_tasks_sheet.h"
#include "views/keyboard_shortcuts.h"
#include "views/main_window.h"
#include "views/settings/settings_window.h"

#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using namespace vorn;

class TranslationsTest : public QObject {
    Q_OBJECT

    // A folder with no translation in it.
    QTemporaryDir m_empty;
    test::FakeConnectionAccess m_connection;

    QString qtFolder() const { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

private slots:
    void suffixesFollowTheUsersLanguages_data() {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QStringList>("suffixes");
        QTest::newRow("region, then language") << QStringList{"de-AT"} << QStringList{"de_AT", "de"};
        QTest::newRow("no repeats") << QStringList{"de-DE", "de"} << QStringList{"de_DE", "de"};
        QTest::newRow("script") << QStringList{"zh-Hant-TW"} << QStringList{"zh_Hant_TW", "zh_Hant", "zh"};
        QTest::newRow("second choice") << QStringList{"fr-FR", "de"} << QStringList{"fr_FR", "fr", "de"};
        // English is the program's own language: a German file never wins over it.
        QTest::newRow("English first") << QStringList{"en-GB", "de-DE"} << QStringList{};
        QTest::newRow("English after") << QStringList{"de-CH", "en", "fr"} << QStringList{"de_CH", "de"};
        QTest::newRow("C locale") << QStringList{"C"} << QStringList{};
        QTest::newRow("nothing") << QStringList{} << QStringList{};
    }
    void suffixesFollowTheUsersLanguages() {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QStringList, suffixes);
        QCOMPARE(translationSuffixes(uiLanguages), suffixes);
    }

    void foldersStartBesideTheProgram() {
        const QStringList folders = translationFolders(QStringLiteral("/opt/vorn/bin"));
        QCOMPARE(folders.first(), QStringLiteral("/opt/vorn/bin/translations"));
        QCOMPARE(folders.last(), QStringLiteral("/opt/vorn/share/vorn/translations"));
    }

    // Nothing is installed for an English user or where no file is found.
    void englishStaysUntranslated() {
        const QStringList folders{QStringLiteral(VORN_QM_DIR)};
        QCOMPARE(installTranslations(*qApp, QLocale(QStringLiteral("en_US")), folders, qtFolder()),
                 QString());
        QCOMPARE(installTranslations(*qApp, QLocale(QStringLiteral("de_DE")), {m_empty.path()}, qtFolder()),
                 QString());
        QVERIFY(qApp->findChildren<QTranslator*>().isEmpty());
        QCOMPARE(QCoreApplication::translate("vorn::MainWindow", "&File"), QStringLiteral("&File"));
    }

    // The rest runs in German, from the first folder that has the file.
    void germanIsFoundInTheBuildTree() {
        const QStringList folders{m_empty.path(), QStringLiteral(VORN_QM_DIR)};
        QCOMPARE(installTranslations(*qApp, QLocale(QStringLiteral("de_AT")), folders, qtFolder()),
                 QStringLiteral("de"));
        // Qt's own translation comes with it (Debian's qt6-translations-l10n).
        QCOMPARE(qApp->findChildren<QTranslator*>().size(), 2);
    }

    void mainWindowMenu() {
        test::StoreFixture f;
        MainWindow window(f.start(), m_connection);
        QCOMPARE(window.menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
    }

    void settingsWindow() {
        test::StoreFixture f;
        SettingsWindow window(f.start(), m_connection, [] { return false; });
        QCOMPARE(window.windowTitle(), QStringLiteral("Einstellungen"));
    }

    void importSheet() {
        test::StoreFixture f;
        ImportTasksSheet sheet(f.start());
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Aufgaben importieren"));
    }

    void analyticsSheet() {
        test::StoreFixture f;
        AnalyticsSheet sheet(f.start());
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Auswertung"));
    }

    // The keys of the list come from a free function with a context of its own.
    void shortcutsDialog() {
        KeyboardShortcutsDialog dialog(outlineKeys());
        QCOMPARE(dialog.table()->item(0, 1)->text(), QStringLiteral("Durch die Zeilen gehen"));
    }

    void chatPanel() {
        test::StoreFixture f;
        ChatPanel panel(f.start());
        auto* copyAll = panel.findChild<QPushButton*>(QStringLiteral("copyAllButton"));
        QVERIFY(copyAll);
        QCOMPARE(copyAll->text(), QStringLiteral("Alles kopieren"));
    }

    // German sets a percentage off from its number by a space that does not break.
    void percentages() {
        const QString germanPercent = QStringLiteral("37\u00a0%");
        QCOMPARE(analytics::percentText(0.37), germanPercent);
        QCOMPARE(chat::truncatedValue(37.9, true), germanPercent);
        QCOMPARE(chat::truncatedValue(37.9, false), QStringLiteral("37"));
    }

    void qtsOwnButtons() {
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
