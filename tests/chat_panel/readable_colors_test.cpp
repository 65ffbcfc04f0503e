// Every text colour the painters use reads on what it is painted on (4.5:1),
// in the desktop's default Fusion palette and in a dark one, as the window
// gets them (mended); the toolbar's drawings and the charts follow the palette.
#include "fixtures/store_fixture.h"
#include "views/analytics/analytics_charts.h"
#include "views/chat/chat_style.h"
#include "views/chat/mood_banner.h"
#include "views/icons.h"
#include "views/outline/outline_header_bar.h"
#include "views/readable_colors.h"
#include "views/vorn_style.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace vorn;

namespace {

QPalette lightPalette() {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return readable::mended(fusion->standardPalette());
}

QPalette darkPalette() {
    return readable::mended(readable::dark());
}

// A text colour and the opaque background it is painted on, by what shows it.
struct Painted {
    QString what;
    QColor text;
    QColor background;
};

QList<Painted> paintedTexts(const QPalette& p) {
    QList<Painted> out;
    const auto role = [&](const char* what, QPalette::ColorRole text, QPalette::ColorRole background) {
        out.append({QString::fromLatin1(what), p.color(text), p.color(background)});
    };
    role("window text", QPalette::WindowText, QPalette::Window);
    role("field text", QPalette::Text, QPalette::Base);
    role("button text", QPalette::ButtonText, QPalette::Button);
    role("secondary on window", QPalette::PlaceholderText, QPalette::Window);
    role("secondary on fields", QPalette::PlaceholderText, QPalette::Base);
    role("current row", QPalette::HighlightedText, QPalette::Highlight);
    role("tool tip", QPalette::ToolTipText, QPalette::ToolTipBase);
    role("link", QPalette::Link, QPalette::Base);

    // The chat list: speakers, bubble texts, times, the typing indicator.
    const QColor list = chat::listBackground(p);
    using Role = ChatMessage::Role;
    const QList<std::pair<Role, std::optional<BossAIMode>>> speakers{
        {Role::user, std::nullopt},      {Role::system, std::nullopt},
        {Role::boss, std::nullopt},      {Role::boss, BossAIMode::normal},
        {Role::boss, BossAIMode::demon}, {Role::boss, BossAIMode::messianic}};
    for (const auto& [who, mode] : speakers) {
        const chat::Speaker speaker = chat::speaker(who, mode);
        out.append({QStringLiteral("speaker ") + speaker.name, chat::textColor(speaker.tint, p, list), list});
        const QColor bubble = chat::bubbleBackground(chat::bubbleFill(who, mode), p);
        out.append({QStringLiteral("bubble text"), readable::on(p.color(QPalette::Text), bubble), bubble});
    }
    out.append({QStringLiteral("time"), chat::textColor(chat::Tint::secondary, p, list), list});
    const QColor typing = chat::typingBackground(p);
    out.append({QStringLiteral("typing"), chat::textColor(chat::Tint::secondary, p, typing), typing});

    // The header: progress, the mood banner's subtitle, the cards' titles and values.
    const QColor header = chat::headerBackground(p);
    out.append({QStringLiteral("progress"), p.color(QPalette::PlaceholderText), header});
    for (chat::Tint tint : {chat::Tint::red, chat::Tint::orange, chat::Tint::blue}) {
        const QColor banner = chat::bannerBackground(chat::tintColor(tint, p), p);
        out.append({QStringLiteral("mood subtitle"), p.color(QPalette::PlaceholderText), banner});
    }
    for (chat::Tint tint : {chat::Tint::green, chat::Tint::orange, chat::Tint::red, chat::Tint::yellow,
                            chat::Tint::secondary}) {
        const QColor card = chat::cardBackground(tint, p);
        out.append({QStringLiteral("card title"), p.color(QPalette::PlaceholderText), card});
        out.append({QStringLiteral("card value"), p.color(QPalette::WindowText), card});
    }
    // Settings and analytics: the red button, the rejected sites, the verdicts.
    out.append({QStringLiteral("clear button"),
                chat::textColor(chat::Tint::red, p, p.color(QPalette::Button)), p.color(QPalette::Button)});
    for (chat::Tint tint : {chat::Tint::orange, chat::Tint::green})
        out.append({QStringLiteral("verdict"), chat::textColor(tint, p, p.color(QPalette::Base)),
                    p.color(QPalette::Base)});
    return out;
}

QColor inkOf(const QIcon& icon) {
    const QImage image = icon.pixmap(24, 24).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                return QColor(image.pixel(x, y));
    return {};
}

} // namespace

class ReadableColorsTest : public QObject {
    Q_OBJECT

private slots:
    void textReadsOnItsBackground_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("default (Fusion)") << lightPalette();
        QTest::newRow("dark Fusion") << darkPalette();
    }

    void textReadsOnItsBackground() {
        QFETCH(QPalette, palette);
        for (const Painted& painted : paintedTexts(palette)) {
            const double ratio =
                readable::contrast(readable::over(painted.text, painted.background), painted.background);
            if (ratio < readable::kMinimumContrast)
                QFAIL(qPrintable(QStringLiteral("%1: %2 on %3 is %4:1")
                                     .arg(painted.what, painted.text.name(), painted.background.name())
                                     .arg(ratio, 0, 'f', 2)));
        }
        // The banner's own headline, as the widget colours it for the Demon mood.
        MoodBanner banner;
        banner.setPalette(palette);
        const QColor red = chat::tintColor(chat::Tint::red, palette);
        banner.setMood(QStringLiteral("VornAngry"), QStringLiteral("Demon Mode"), QString(), red);
        const QColor surface = chat::bannerBackground(red, palette);
        QVERIFY(readable::contrast(banner.headlineColour(), surface) >= readable::kMinimumContrast);
        // Mending moves a colour only as far as needed: the tint keeps its hue.
        QCOMPARE(banner.headlineColour().hsvHue() / 10, red.hsvHue() / 10);

        // The list header's orange streak, on the header's own background.
        test::StoreFixture f;
        OutlineHeaderBar header(f.start());
        header.setPalette(palette);
        QVERIFY(readable::contrast(header.streakColor(), palette.color(QPalette::Window)) >=
                readable::kMinimumContrast);
    }

    void darkPaletteNeedsNoMending() { QCOMPARE(readable::mended(readable::dark()), readable::dark()); }

    // The toolbar's drawings take the palette's button text, again after a change.
    void inkIconsFollowTheApplicationPalette() {
        const QPalette before = QApplication::palette();
        const QIcon icon = paletteIcon(QStringLiteral("app-import"));
        QApplication::setPalette(lightPalette());
        QCOMPARE(inkOf(icon), lightPalette().color(QPalette::ButtonText));
        QApplication::setPalette(darkPalette());
        QCOMPARE(inkOf(icon), darkPalette().color(QPalette::ButtonText));
        QApplication::setPalette(before);
    }

    // Vorn's drawings as icons and pictures: the drawing's own proportions,
    // exactly the pixels asked for, the style's look when disabled, and
    // nothing for a name with no drawing.
    void drawingsKeepTheirShapeAndSize() {
        const QIcon handle = bundledIcon(QStringLiteral("outline-handle")); // 12 wide, 16 high
        QCOMPARE(handle.actualSize(QSize(48, 48)), QSize(36, 48));
        QCOMPARE(handle.pixmap(QSize(48, 48)).size(), QSize(36, 48));
        QCOMPARE(bundledPixmap(QStringLiteral("chat-send"), QSize(56, 56)).size(), QSize(56, 56));
        QVERIFY(bundledIcon(QStringLiteral("no-such-drawing")).isNull());
        QVERIFY(bundledPixmap(QStringLiteral("no-such-drawing"), QSize(16, 16)).isNull());
        const QIcon send = bundledIcon(QStringLiteral("chat-send"));
        QVERIFY(!send.isNull());
        QVERIFY(send.pixmap(QSize(24, 24), QIcon::Disabled).toImage() !=
                send.pixmap(QSize(24, 24), QIcon::Normal).toImage());
    }

    // A toolbar too narrow for its buttons shows Vorn's chevrons in the
    // palette's ink (Qt's own are dark bitmaps, lost on a dark palette).
    void toolbarOverflowReadsOnADarkPalette() {
        const QPalette before = QApplication::palette();
        const QString baseStyle = QApplication::style()->name();
        auto* style = new VornStyle(QStringLiteral("Fusion"));
        QApplication::setStyle(style); // the toolbar asks the application's style at its creation
        QToolBar bar;
        for (int i = 0; i < 8; ++i)
            bar.addAction(QStringLiteral("Action %1").arg(i));
        bar.resize(120, 40);
        bar.show();
        const auto* more = bar.findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(more);
        QTRY_VERIFY(more->isVisible());
        QApplication::setPalette(darkPalette());
        QCOMPARE(inkOf(more->icon()), darkPalette().color(QPalette::ButtonText));
        QCOMPARE(inkOf(style->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton)),
                 darkPalette().color(QPalette::ButtonText));
        // Everything else is the base style's.
        QVERIFY(!style->standardIcon(QStyle::SP_DialogOkButton).isNull());
        QApplication::setStyle(baseStyle);
        QApplication::setPalette(before);
    }

    void chartsTakeTheDarkThemeOnADarkWindow() {
        const std::unique_ptr<QWidget> light(analytics::onTimeChart({}, lightPalette()));
        const std::unique_ptr<QWidget> dark(analytics::onTimeChart({}, darkPalette()));
        // Drawn by the charts module, loaded on this first use.
        const auto* lightView = qobject_cast<QChartView*>(light.get());
        const auto* darkView = qobject_cast<QChartView*>(dark.get());
        QVERIFY(lightView && darkView);
        QCOMPARE(lightView->chart()->theme(), QChart::ChartThemeLight);
        QChart* chart = darkView->chart();
        QCOMPARE(chart->theme(), QChart::ChartThemeDark);
        QCOMPARE(chart->backgroundBrush().color(), darkPalette().color(QPalette::Base));
    }

    void aMissingChartsModuleLeavesANote() {
        const QByteArray before = qgetenv("VORN_MODULE_DIR");
        QTemporaryDir empty;
        qputenv("VORN_MODULE_DIR", empty.path().toUtf8());
        const std::unique_ptr<QWidget> chart(analytics::onTimeChart({}, lightPalette()));
        qputenv("VORN_MODULE_DIR", before);
        const auto* note = qobject_cast<QLabel*>(chart.get());
        QVERIFY(note);
        QVERIFY(note->text().contains(QLatin1String("vorn-charts.so")));
    }
};

QTEST_MAIN(ReadableColorsTest)
#include "readable_colors_test.moc"
