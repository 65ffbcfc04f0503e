// Start-up of the store: preferences, boss state, the stored workspace and the
// repairs that make it usable (a single root, a placeholder task, the orders).
#include "store/task_store.h"

#include "model/default_sites.h"
#include "model/outline.h"
#include "model/time_format.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/preferences.h"
#include "store/background_job.h"
#include "store/store_texts.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

namespace vorn {

namespace {

// A task whose section is gone would be scheduled without a row to show it in;
// it moves to the default section instead.
QList<TaskItem> tasksInKnownSections(QList<TaskItem> tasks, const QList<TaskSection>& sections,
                                     const QUuid& defaultSectionID) {
    QSet<QUuid> known;
    for (const TaskSection& s : sections)
        known.insert(s.id);
    for (TaskItem& t : tasks) {
        if (!known.contains(t.sectionID))
            t.sectionID = defaultSectionID;
    }
    return tasks;
}

} // namespace

QString firstStartKeysText() {
    return QCoreApplication::translate(
        "TaskStore", "Type a task and press Enter for the next one; Tab moves between the list and "
                     "the chat; Ctrl+Return ticks a task off; paste a numbered list to import it.");
}

TaskStore::TaskStore(const StoreEnvironment& env, QObject* parent) : QObject(parent), m_env(env) {
    Q_ASSERT(env.clock && env.random && env.preferences && env.database);
    settings().m_openAIModel = QStringLiteral("gpt-4o-mini");
    settings().m_blockedSitesText = defaultBlockedSitesText();
    outline().m_scheduleStartTime = now();

    readPreferences();
    boss().m_bossAIState = database().loadBossAIState(); // the initial state while the file is held elsewhere
    const bool heldElsewhere = database().openOutcome() == DatabaseService::OpenOutcome::inUseElsewhere;
    if (heldElsewhere)
        waitForDatabase();
    else
        loadPersistedWorkspace();
    boss().refreshBossAIMetrics();
    if (!heldElsewhere && !m_env.commandLine)
        postWelcome();
    reportStorageProblems();

    if (!m_env.commandLine)
        blocking().initializeWebsiteBlockState();
    m_started = true;
}

TaskStore::~TaskStore() = default;

Instant TaskStore::now() const {
    return m_env.clock->now();
}

void TaskStore::postWelcome() {
    // Nobody to welcome back on a database this start made and nothing was put
    // into: a first start says what to do instead.
    const bool firstStart = database().createdByThisOpen() && database().loadTasks({}).isEmpty();
    if (firstStart || outline().tasks().isEmpty()) {
        chat().postSystemMessage(tr("Vorn online. Import tasks to get started."));
        if (firstStart)
            chat().postSystemMessage(firstStartKeysText());
        return;
    }
    chat().postSystemMessage(tr("Welcome back — %1 loaded.").arg(taskCountText(outline().tasks().size())));
}

void TaskStore::waitForDatabase() {
    // Nothing was read, so nothing may be written over the stored list: the
    // placeholder lives in memory only (the database refuses every save).
    ensurePlaceholderTaskIfEmpty();
    m_databaseRetry = new QTimer(this);
    m_databaseRetry->setInterval(m_env.databaseRetryInterval);
    connect(m_databaseRetry, &QTimer::timeout, this, &TaskStore::retryLockedDatabase);
    m_databaseRetry->start();
}

void TaskStore::retryLockedDatabase() {
    if (!database().retryOpen())
        return;
    m_databaseRetry->stop();
    m_databaseRetry->deleteLater();
    m_databaseRetry = nullptr;

    boss().setBossAIState(database().loadBossAIState());
    loadPersistedWorkspace();
    // Undo steps of the placeholder list would bring it back over the real one.
    editor().m_undoStack.clear();
    editor().m_redoStack.clear();
    emit editor().undoStateChanged();
    boss().refreshBossAIMetrics();
    setStatusMessage(tr("The database is free again; your list is loaded."));
    postWelcome();
    reportStorageProblems();
}

void TaskStore::readPreferences() {
    const Preferences& prefs = *m_env.preferences;
    settings().m_openAIModel =
        prefs.text(QStringLiteral("openai_model")).value_or(QStringLiteral("gpt-4o-mini"));
    // A hand-edited file may hold anything: NaN, 0 or -5 would call a task that
    // just began late, 1e308 would never call one late.
    settings().m_lateThresholdMultiplier =
        numberInRange(prefs.number(QStringLiteral("late_multiplier")), StorePreferences::kMinLateMultiplier,
                      StorePreferences::kMaxLateMultiplier, 1.1);
    settings().m_demonWebsiteBlockingEnabled =
        prefs.flag(QStringLiteral("demon_website_blocking")).value_or(true);
    settings().m_blockedSitesText =
        prefs.text(QStringLiteral("blocked_sites")).value_or(defaultBlockedSitesText());
    window().m_isChatVisible = prefs.flag(QStringLiteral("chat_visible")).value_or(true);
    settings().m_speakMessages = prefs.flag(QStringLiteral("speak_messages")).value_or(true);
    settings().m_showNotifications = prefs.flag(QStringLiteral("show_notifications")).value_or(true);

    if (const auto fraction = prefs.number(QStringLiteral("chat_panel_fraction")))
        window().m_chatPanelFraction = numberInRange(fraction, 0.1, 0.9, 0.35);
    else if (const auto width = prefs.number(QStringLiteral("chat_panel_width")))
        window().m_chatPanelFraction = numberInRange(*width / 1000.0, 0.1, 0.9, 0.35);
    else
        window().m_chatPanelFraction = 0.35;

    loadCollapsedSections();
}

void TaskStore::loadCollapsedSections() {
    outline().m_collapsedSectionIDs.clear();
    const QStringList stored =
        m_env.preferences->textList(QStringLiteral("collapsed_section_ids")).value_or(QStringList());
    for (const QString& text : stored) {
        if (const auto id = parseUuid(text))
            outline().m_collapsedSectionIDs.insert(*id);
    }
}

void TaskStore::loadPersistedWorkspace() {
    m_isLoadingWorkspace = true;

    const DatabaseService::SessionSnapshot session = database().loadSession();
    outline().setScheduleStartTime(session.scheduleStartTime);
    window().setPasteText(session.pasteText);
    boss().m_inMotivationalStartPhase = session.inMotivationalStartPhase;
    outline().setRootOutlineOrder(session.outlineOrder);

    outline().setSections(database().loadSections());

    QUuid defaultSectionID;
    const auto work = std::find_if(outline().sections().cbegin(), outline().sections().cend(),
                                   [](const TaskSection& s) { return s.title == QLatin1String("Work"); });
    if (work != outline().sections().cend())
        defaultSectionID = work->id;
    else if (!outline().sections().isEmpty())
        defaultSectionID = outline().sections().first().id;
    else
        defaultSectionID = newUuid();

    outline().setTasks(
        tasksInKnownSections(database().loadTasks(defaultSectionID), outline().sections(), defaultSectionID));

    if (!outline().tasks().isEmpty()) {
        migrateToSingleRootIfNeeded();
        // A hand-edited or half-written file: no folder may be its own
        // ancestor, and the root order must give every stored task a row.
        if (const std::optional<QUuid> root = outline().rootSectionID()) {
            if (QList<TaskSection> repaired = outline::withSectionCyclesBroken(outline().sections(), *root);
                repaired != outline().sections())
                outline().setSections(std::move(repaired));
        }
        outline().setRootOutlineOrder(outline::repairedRootOrder(outline().m_workspace));
        outline().ensureTasksInDisplayOrder();
        outline().recalculateFinishTimes();
    } else {
        ensurePlaceholderTaskIfEmpty();
    }

    boss().setGamification(database().loadGamificationState());

    watch().m_lastOverdueNotificationAt.clear();
    watch().m_overdueEscalationChatSent.clear();
    watch().m_overdueIntenseChatSent.clear();
    for (const DatabaseService::OverdueSnapshot& o : database().loadOverdueStates()) {
        if (o.lastNotificationAt)
            watch().m_lastOverdueNotificationAt.insert(o.taskID, *o.lastNotificationAt);
        if (o.escalationChatSent)
            watch().m_overdueEscalationChatSent.insert(o.taskID);
        if (o.intenseChatSent)
            watch().m_overdueIntenseChatSent.insert(o.taskID);
    }

    QList<ChatMessage> messages = database().loadChatMessages();
    if (shouldResetChatForNewDay()) {
        database().clearChatMessages();
        chat().setChatMessages({});
    } else if (!messages.isEmpty()) {
        chat().setChatMessages(std::move(messages));
    }

    m_isLoadingWorkspace = false;
}

bool TaskStore::shouldResetChatForNewDay() {
    const QString today = formatLocalDate(now());
    const QString key = QStringLiteral("last_chat_day");
    if (m_env.preferences->text(key) == today)
        return false;
    m_env.preferences->setText(key, today);
    return true;
}

TaskSection TaskStore::makeRootSection() const {
    TaskSection root;
    root.id = newUuid();
    root.title = TaskSection::defaultTitles.first();
    root.sortOrder = 0;
    return root;
}

void TaskStore::migrateToSingleRootIfNeeded() {
    const QList<TaskSection> roots = outline().childSections(std::nullopt);
    if (roots.size() == 1)
        return;
    if (roots.isEmpty()) {
        // Only a damaged file gets here: every section names a parent. Keep them
        // all, hang the ones whose parent is missing under a new root, and
        // rebuild the top-level order from the repaired tree.
        const TaskSection root = makeRootSection();
        QSet<QUuid> known;
        for (const TaskSection& s : outline().sections())
            known.insert(s.id);
        QList<TaskSection> repaired{root};
        for (TaskSection s : outline().sections()) {
            if (!s.parentID || !known.contains(*s.parentID))
                s.parentID = root.id;
            repaired.append(s);
        }
        outline().setSections(std::move(repaired));
        outline().setRootOutlineOrder(outline().computeOutlineOrderSnapshot());
        return;
    }

    // Two or more roots: they become the folders of one new root, in their
    // current order. Every other section stays as it is, so all parent and
    // section references keep naming a section.
    const TaskSection root = makeRootSection();
    QSet<QUuid> formerRoots;
    QList<TaskSection> migrated{root};
    for (int i = 0; i < roots.size(); ++i) {
        TaskSection s = roots.at(i);
        s.parentID = root.id;
        s.sortOrder = i;
        formerRoots.insert(s.id);
        migrated.append(s);
    }
    for (const TaskSection& s : outline().sections()) {
        if (!formerRoots.contains(s.id))
            migrated.append(s);
    }
    outline().setSections(std::move(migrated));
    outline().setRootOutlineOrder(outline().computeOutlineOrderSnapshot());
}

bool TaskStore::ensurePlaceholderTaskIfEmpty() {
    if (!outline().tasks().isEmpty())
        return false;
    if (outline().sections().isEmpty())
        outline().setSections({makeRootSection()});
    const QList<TaskSection> roots = outline().childSections(std::nullopt);
    if (roots.isEmpty())
        return false;

    TaskItem placeholder;
    placeholder.id = newUuid();
    placeholder.title = QStringLiteral("Create to do list");
    placeholder.durationMinutes = 10;
    placeholder.sectionID = roots.first().id;
    // The top-level folders keep their entries, and with them their rows.
    QSet<QUuid> folders;
    for (const TaskSection& s : outline().sections()) {
        if (!s.headerTaskID)
            folders.insert(s.id);
    }
    QList<OutlineEntry> order{OutlineEntry::task(placeholder.id)};
    for (const OutlineEntry& entry : outline().activeOutlineOrder()) {
        if (entry.isSection() && folders.contains(entry.id))
            order.append(entry);
    }
    outline().setTasks({placeholder});
    outline().setRootOutlineOrder(std::move(order));
    outline().ensureTasksInDisplayOrder();
    outline().recalculateFinishTimes();
    return true;
}

void TaskStore::reportStorageProblems() {
    switch (database().openOutcome()) {
    case DatabaseService::OpenOutcome::opened:
        break;
    case DatabaseService::OpenOutcome::replacedCorruptFile:
        chat().postSystemMessage(tr("The saved database could not be read. It was kept at %1 and a new, "
                                    "empty database was started.")
                                     .arg(database().corruptFileKeptAt()));
        break;
    case DatabaseService::OpenOutcome::readOnly:
        chat().postSystemMessage(tr("Vorn can only read %1. Your list is shown, but changes will not be "
                                    "saved.")
                                     .arg(database().path()));
        break;
    case DatabaseService::OpenOutcome::inUseElsewhere: {
        const QString text = tr("The database %1 is in use by another program. Vorn loads your list "
                                "as soon as it is free; until then nothing is saved, and changes "
                                "made here are not kept.")
                                 .arg(database().path());
        setStatusMessage(text);
        chat().postSystemMessage(text);
        break;
    }
    case DatabaseService::OpenOutcome::inMemoryOnly:
        chat().postSystemMessage(tr("Vorn cannot write to %1. Changes will not be saved: they are lost when "
                                    "Vorn quits.")
                                     .arg(database().path()));
        break;
    }
}

QList<TaskItem> Outline::completedTasks() const {
    QList<TaskItem> out;
    std::copy_if(tasks().cbegin(), tasks().cend(), std::back_inserter(out),
                 [](const TaskItem& t) { return t.isCompleted; });
    return out;
}

QList<TaskItem> Outline::pendingTasks() const {
    QList<TaskItem> out;
    std::copy_if(tasks().cbegin(), tasks().cend(), std::back_inserter(out),
                 [](const TaskItem& t) { return !t.isCompleted; });
    return out;
}

} // namespace vorn
