// The boss's panel and the analytics sheet at the sizes a long day reaches:
// building the panel over 2,000 chat messages, one more message arriving, and
// opening the analytics sheet over 10,000 completion records. Offscreen.
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "store/task_store.h"
#include "views/analytics/analytics_sheet.h"
#include "views/chat/chat_panel.h"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vorn;

namespace {

constexpr Instant kNow = 1'780'000'000.0;

struct Day {
    QTemporaryDir dir;
    ManualClock clock{kNow};
    ScriptedRandomSource random;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<DatabaseService> db;
    std::unique_ptr<TaskStore> store;

    Day() {
        prefs = std::make_unique<Preferences>(dir.path() + QStringLiteral("/settings.ini"));
        db = std::make_unique<DatabaseService>(dir.path() + QStringLiteral("/vorn.sqlite"), clock);
    }

    void start() {
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = prefs.get();
        env.database = db.get();
        env.hostsBlocker.hostsFile = dir.filePath(QStringLiteral("hosts"));
        env.hostsBlocker.sudo = QStringLiteral("/bin/false");
        env.hostsBlocker.helperPath = dir.filePath(QStringLiteral("helper"));
        env.hostsBlocker.sudoersFile = dir.filePath(QStringLiteral("sudoers"));
        store = std::make_unique<TaskStore>(env);
    }
};

ChatMessage chatLine(int i) {
    static const QString sentences[] = {
        QStringLiteral("Finish the report."),
        QStringLiteral("You said twenty minutes. It has been thirty-five. Close the browser tab and get the "
                       "quarterly numbers into the table before the next call."),
        QStringLiteral(
            "Good. The next one is the invoice run; it is small, do it now while the momentum lasts, "
            "then take five minutes away from the screen.\nAfter that: the slides."),
    };
    const auto role = i % 3 == 0 ? ChatMessage::Role::user : ChatMessage::Role::boss;
    const std::optional<BossAIMode> mode =
        role == ChatMessage::Role::user ? std::nullopt : std::optional(static_cast<BossAIMode>(i % 3));
    return ChatMessage{newUuid(), role, sentences[i % 3], mode, kNow - 30.0 * (2000 - i)};
}

QList<ChatMessage> longChat(int count) {
    QList<ChatMessage> chat;
    chat.reserve(count + 1);
    for (int i = 0; i < count; ++i)
        chat.append(chatLine(i));
    return chat;
}

void BM_BuildChatPanel(benchmark::State& state) {
    Day day;
    day.start();
    day.store->chat().setChatMessages(longChat(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ChatPanel panel(*day.store);
        panel.resize(420, 800);
        panel.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(panel.messageList()->verticalScrollBar());
    }
}
BENCHMARK(BM_BuildChatPanel)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AppendChatMessage(benchmark::State& state) {
    Day day;
    day.start();
    QList<ChatMessage> chat = longChat(static_cast<int>(state.range(0)));
    day.store->chat().setChatMessages(chat);
    ChatPanel panel(*day.store);
    panel.resize(420, 800);
    panel.show();
    QCoreApplication::processEvents();
    int next = 0;
    for (auto _ : state) {
        chat.append(chatLine(next++));
        day.store->chat().setChatMessages(chat);
        QCoreApplication::processEvents(); // lay out, scroll and paint
    }
}
// Five repetitions: the report gives their median.
BENCHMARK(BM_AppendChatMessage)->Arg(2000)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_OpenAnalyticsSheet(benchmark::State& state) {
    Day day;
    day.db->exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < state.range(0); ++i) {
        TaskAnalyticsRecord record{newUuid(),
                                   newUuid(),
                                   QStringLiteral("Task %1").arg(i),
                                   QStringLiteral("Folder %1").arg(i % 20),
                                   10 + i % 50,
                                   5 + (i * 7) % 80,
                                   kNow - 90.0 * i,
                                   i % 3 != 0};
        day.db->recordTaskAnalytics(record);
    }
    day.db->exec(QStringLiteral("COMMIT"));
    day.start();
    for (auto _ : state) {
        AnalyticsSheet sheet(*day.store);
        sheet.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenAnalyticsSheet)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
