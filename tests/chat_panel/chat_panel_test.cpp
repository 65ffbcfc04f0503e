// The boss's panel driven as a person would: typing, Return, the button, and
// what the header and the list show for the store's state.
#include "fixtures/boss_replies.h"
#include "fixtures/store_fixture.h"
#include "model/chat_transcript_formatter.h"
#include "views/chat/chat_input.h"
#include "views/chat/chat_messages_model.h"
#include "views/chat/chat_panel.h"
#include "views/chat/chat_style.h"
#include "views/chat/eliding_label.h"
#include "views/chat/mode_cards.h"
#include "views/chat/mood_banner.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace vorn;

namespace {

ChatMessage message(ChatMessage::Role role, const QString& text,
                    std::optional<BossAIMode> mode = std::nullopt) {
    return ChatMessage{newUuid(), role, text, mode, test::localTime(9, 30)};
}

int userTurns(const TaskStore& store) {
    return static_cast<int>(
        std::count_if(store.chat().chatMessages().begin(), store.chat().chatMessages().end(),
                      [](const ChatMessage& m) { return m.role == ChatMessage::Role::user; }));
}

} // namespace

class ChatPanelTest : public QObject {
    Q_OBJECT

private slots:
    void urgencyCardColour_data() {
        QTest::addColumn<double>("urgency");
        QTest::addColumn<chat::Tint>("tint");
        QTest::addColumn<QString>("shown");
        QTest::newRow("34.9 is still calm") << 34.9 << chat::Tint::green << QStringLiteral("34");
        QTest::newRow("35 turns orange") << 35.0 << chat::Tint::orange << QStringLiteral("35");
        QTest::newRow("59.99 stays orange") << 59.99 << chat::Tint::orange << QStringLiteral("59");
        QTest::newRow("60 turns red") << 60.0 << chat::Tint::red << QStringLiteral("60");
    }
    void urgencyCardColour() {
        QFETCH(double, urgency);
        QFETCH(chat::Tint, tint);
        QFETCH(QString, shown);
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        ChatPanel panel(store);
        BossAIState state = store.boss().bossAIState();
        state.urgencyScore = urgency;
        store.boss().setBossAIState(state);
        store.boss().setModeProbabilities({66.7, 20.9, 12.4});

        QCOMPARE(panel.modeCards()->tint(ModeCards::Urgency), tint);
        QCOMPARE(panel.modeCards()->value(ModeCards::Urgency), shown);
        QCOMPARE(panel.modeCards()->value(ModeCards::Messianic), QStringLiteral("66%"));
        QCOMPARE(panel.modeCards()->value(ModeCards::Demon), QStringLiteral("20%"));
        QCOMPARE(panel.modeCards()->value(ModeCards::Normal), QStringLiteral("12%"));
    }

    void headerAndBannerFollowTheStore() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        ChatPanel panel(store, new MoodBanner(nullptr, [](const QString&) { return QString(); }));
        panel.show();
        QVERIFY(!panel.liveBadge()->isVisible());
        store.watch().setIsBossAIActive(true);
        QVERIFY(panel.liveBadge()->isVisible());
        store.toggleCompletion(store.outline().tasks().first().id);
        QCOMPARE(panel.progressText(), QStringLiteral("1/1 tasks done"));
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());

        BossAIState locked = store.boss().bossAIState();
        locked.demonLockActive = true;
        store.boss().setBossAIState(locked);
        QCOMPARE(panel.moodBanner()->imageName(), QStringLiteral("VornAngry"));
        QCOMPARE(panel.moodBanner()->headline(), store.boss().moodHeadline());
        QCOMPARE(panel.moodBanner()->subtitle(), store.boss().moodSubtitle());
    }

    // The panel measures its compact header while still hidden; shown, the
    // full header gets all it asks for in the first frame, not after the next
    // change of layout (the cards were squeezed to their compact height).
    void firstFrameHasTheFullHeader() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        ChatPanel panel(store, new MoodBanner(nullptr, [](const QString&) { return QString(); }));
        panel.resize(385, 900);
        panel.show();
        for (QWidget* part :
             {static_cast<QWidget*>(panel.modeCards()), static_cast<QWidget*>(panel.moodBanner())})
            QVERIFY2(part->height() >= part->sizeHint().height(),
                     qPrintable(QStringLiteral("%1: %2 of %3")
                                    .arg(QLatin1String(part->metaObject()->className()))
                                    .arg(part->height())
                                    .arg(part->sizeHint().height())));
        const QList<QWidget*> cards = panel.modeCards()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!cards.isEmpty());
        for (const QWidget* card : cards)
            QCOMPARE(card->height(), panel.modeCards()->height());
    }

    // The compact strip's progress ("0/9 Aufgaben erledigt" beside the name)
    // ends in "…" when squeezed, never cut off mid-word; with room, whole.
    void squeezedProgressEndsInAnEllipsis() {
        ElidingLabel label(QStringLiteral("0/9 Aufgaben erledigt"));
        label.resize(label.sizeHint());
        QCOMPARE(label.shownText(), label.text());
        QVERIFY(label.minimumSizeHint().width() < label.sizeHint().width() / 3);
        label.resize(label.sizeHint().width() / 2, label.sizeHint().height());
        QVERIFY2(label.shownText().endsWith(QChar(0x2026)), qPrintable(label.shownText()));
        QVERIFY(label.fontMetrics().horizontalAdvance(label.shownText()) <= label.contentsRect().width());
        QCOMPARE(label.text(), QStringLiteral("0/9 Aufgaben erledigt"));
    }

    void returnSendsEvenWhileAReplyIsAwaited() {
        test::StoreFixture f(test::localTime(9, 0));
        test::answerEverything(f.proxy(), QStringLiteral("Back to work."));
        TaskStore& store = f.start();
        ChatPanel panel(store);
        panel.show();

        // Blanks and a line break: nothing to send, though the store keeps them.
        panel.input()->setFocus();
        QTest::keyClicks(panel.input(), QStringLiteral("   "));
        QTest::keyClick(panel.input(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(panel.input(), QStringLiteral(" "));
        QCOMPARE(store.chat().chatInput(), QStringLiteral("   \n "));
        QVERIFY(!panel.sendButton()->isEnabled());
        QTest::keyClick(panel.input(), Qt::Key_Return);
        QCOMPARE(userTurns(store), 0);

        QTest::keyClicks(panel.input(), QStringLiteral("  first question "));
        QTest::keyClick(panel.input(), Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(panel.sendButton()->isEnabled());
        QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
        QCOMPARE(panel.input()->toPlainText(), QString()); // cleared at once
        QCOMPARE(store.chat().chatMessages().last().content, QStringLiteral("first question"));
        QVERIFY(store.chat().isChatLoading());

        QTest::keyClicks(panel.input(), QStringLiteral("second"));
        QVERIFY(!panel.sendButton()->isEnabled());      // the button waits for the reply ...
        QTest::keyClick(panel.input(), Qt::Key_Return); // ... Return does not
        QCOMPARE(userTurns(store), 2);
        QCOMPARE(store.chat().chatInput(), QString());

        QTRY_VERIFY(!store.chat().isChatLoading());
        QTRY_COMPARE(f.proxy().requests(QStringLiteral("/api/openai/chat")).size(), 2);
    }

    // A long chat: new lines arrive as inserted rows and scroll into view; any
    // message, or all of them, can be copied.
    void longChatGrowsScrollsAndCopies() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        QList<ChatMessage> chat;
        for (int i = 0; i < 59; ++i)
            chat.append(message(ChatMessage::Role::boss, QStringLiteral("Line %1 of a long day").arg(i),
                                BossAIMode::normal));
        const QString last = QStringLiteral("Ship the release notes.");
        chat.append(message(ChatMessage::Role::boss, last, BossAIMode::demon));
        store.chat().setChatMessages(chat);
        ChatPanel panel(store);
        panel.resize(360, 700);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        ChatMessagesModel* model = panel.messagesModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QSignalSpy inserts(model, &QAbstractItemModel::rowsInserted);
        QListView* list = panel.messageList();
        QScrollBar* scroll = list->verticalScrollBar();
        QTRY_COMPARE(scroll->value(), scroll->maximum());
        QVERIFY(scroll->maximum() > 0);

        QTest::mouseClick(panel.copyAllButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 ChatTranscriptFormatter::plainText(store.chat().chatMessages()));
        const QPoint newest = list->visualRect(model->index(59)).center();
        std::unique_ptr<QMenu> menu(panel.messageMenu(newest));
        QVERIFY(menu);
        menu->actions().first()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), last);
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, newest);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), last);
        // A double click lays selectable text over the bubble; arriving lines leave it open.
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, newest);
        auto* text = list->viewport()->findChild<QLabel*>(QStringLiteral("chatSelectableText"));
        QVERIFY(text && text->text() == last);

        store.chat().postSystemMessage(QStringLiteral("Saved."));
        store.chat().setIsChatLoading(true);
        store.chat().setIsChatLoading(false);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(inserts.size(), 2);
        QCOMPARE(model->rowCount(), 61);
        QVERIFY(list->viewport()->findChild<QLabel*>(QStringLiteral("chatSelectableText")));
        QTRY_COMPARE(scroll->value(), scroll->maximum());

        store.chat().setChatMessages({}); // a new day
        QCOMPARE(resets.size(), 1);
        QVERIFY(!panel.messageMenu(QPoint(5, 5)));
        QVERIFY(!panel.copyAllButton()->isEnabled());
        store.chat().setIsChatLoading(true); // only the typing indicator
        QCOMPARE(model->rowCount(), 1);
        QVERIFY(model->index(0).data(ChatMessagesModel::TypingRole).toBool());
        store.chat().setIsChatLoading(false);
    }

    void missingPictureFallsBack_data() {
        QTest::addColumn<QString>("imageName");
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<MoodBanner::Shown>("shown");
        using S = MoodBanner::Shown;
        QTest::newRow("happy, shipped") << "VornHappy" << true << S::picture;
        QTest::newRow("happy, missing") << "VornHappy" << false << S::smilingFace;
        QTest::newRow("angry, missing") << "VornAngry" << false << S::flame;
        QTest::newRow("unknown name") << "VornSleepy" << true << S::flame;
    }
    void missingPictureFallsBack() {
        QFETCH(QString, imageName);
        QFETCH(bool, shipped);
        QFETCH(MoodBanner::Shown, shown);
        MoodBanner banner(
            nullptr, shipped ? MoodBanner::PictureLookup(&MoodBanner::bundledPicture)
                             : [](const QString&) { return QString(); });
        banner.setMood(imageName, QStringLiteral("Head"), QStringLiteral("Sub"), Qt::red);
        QCOMPARE(banner.shown(), shown);
    }

    // The tinted symbols are kept once drawn: a kept one must still be the
    // colour, size and pixel ratio asked for.
    void tintedSymbolsKeepTheirColourAndSize() {
        const struct {
            QColor colour;
            int side;
            qreal ratio;
        } cases[] = {{Qt::red, 16, 1.0}, {Qt::blue, 16, 1.0}, {Qt::red, 28, 1.0}, {Qt::red, 16, 2.0}};
        for (int round = 0; round < 2; ++round) {
            for (const auto& c : cases) {
                const QPixmap drawn =
                    chat::tintedIcon(QStringLiteral("chat-send"), c.side, c.colour, c.ratio);
                QCOMPARE(drawn.size(), QSize(qRound(c.side * c.ratio), qRound(c.side * c.ratio)));
                QCOMPARE(drawn.devicePixelRatio(), c.ratio);
                const QImage image = drawn.toImage();
                bool found = false;
                for (int y = 0; y < image.height() && !found; ++y)
                    for (int x = 0; x < image.width() && !found; ++x)
                        found = qAlpha(image.pixel(x, y)) == 255;
                QVERIFY(found);
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        if (qAlpha(image.pixel(x, y)) == 255)
                            QCOMPARE(QColor(image.pixel(x, y)), c.colour);
            }
        }
    }
};

QTEST_MAIN(ChatPanelTest)
#include "chat_panel_test.moc"
