#include "views/desktop/tray_texts.h"

#include "model/time_format.h"

#include <QCoreApplication>

namespace vorn {

namespace {

constexpr int kTitleLength = 48;

// The tray's words, under one translation context.
struct TrayWords {
    Q_DECLARE_TR_FUNCTIONS(TrayWords)
};

QString shortTitle(const QString& title) {
    const QString simple = title.simplified();
    if (simple.isEmpty())
        return TrayWords::tr("Untitled task");
    return simple.size() <= kTitleLength ? simple : simple.left(kTitleLength - 1) + QChar(0x2026);
}

QString until(const GlanceTask& task) {
    return task.finishTime ? TrayWords::tr("until %1").arg(formatClockTime(*task.finishTime)) : QString();
}

} // namespace

QString trayModeHeading(std::optional<BossAIMode> mode) {
    switch (mode.value_or(BossAIMode::normal)) {
    case BossAIMode::demon:
        return TrayWords::tr("Vorn \u2014 Demon mode");
    case BossAIMode::messianic:
        return TrayWords::tr("Vorn \u2014 Messianic mode");
    case BossAIMode::normal:
        break;
    }
    return TrayWords::tr("Vorn \u2014 Normal mode");
}

QString minutesLeftText(qint64 minutesLeft) {
    if (minutesLeft > 0)
        return TrayWords::tr("%n min left", nullptr, static_cast<int>(minutesLeft));
    if (minutesLeft == 0)
        return TrayWords::tr("due now");
    return TrayWords::tr("%n min over", nullptr, static_cast<int>(-minutesLeft));
}

TrayTexts trayTexts(const DayGlance& day, std::optional<BossAIMode> mode) {
    TrayTexts texts;
    QStringList lines{trayModeHeading(mode)};
    if (day.current) {
        const GlanceTask& task = *day.current;
        const QString left = minutesLeftText(task.minutesLeft);
        const QString due = until(task);
        lines << TrayWords::tr("Now: %1").arg(shortTitle(task.title))
              << (due.isEmpty() ? left : TrayWords::tr("%1 \u00b7 %2").arg(due, left));
        texts.current =
            TrayTexts::Entry{task.id, TrayWords::tr("%1 \u2014 %2").arg(shortTitle(task.title), left)};
    } else {
        lines << (day.doneCount > 0 ? TrayWords::tr("Every task is done.") : TrayWords::tr("No open task."));
    }
    for (const GlanceTask& task : day.next) {
        const QString due = until(task);
        texts.next.append({task.id, due.isEmpty()
                                        ? shortTitle(task.title)
                                        : TrayWords::tr("%1 \u2014 %2").arg(shortTitle(task.title), due)});
    }
    texts.tooltip = lines.join(QLatin1Char('\n'));
    return texts;
}

} // namespace vorn
