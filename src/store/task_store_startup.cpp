// Start-up of the store: preferences, boss state, the stored workspace and the
// repairs that make it usable (a single root, a placeholder task, the orders).
#include "store/task_store.h"

#include "model/default_sites.h"
#include "model/outline.h"
#include "model/plural.h"
#include "model/time_format.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/preferences.h"
#include "store/background_job.h"

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
    return QStringLiteral("Type a task and press Enter for the next one; Tab moves between the list and the "
                          "chat; Ctrl+Return ticks a task off; paste a numbered list to import it.");
}

TaskStore::TaskStore(const StoreEnvironment& env, QObject* parent) : QObject(parent), m_env(env) {
    Q_ASSERT(env.clock && env.random && env.preferences && env.database);
    m_openAIModel = QStringLiteral("gpt-4o-mini");
    m_blockedSitesText = defaultBlockedSitesText();
    m_scheduleStartTime = now();

    readPreferences();
    m_bossAIState = database().loadBossAIState(); // the initial state while the file is held elsewhere
    const bool heldElsewhere = database().openOutcome() == DatabaseService::OpenOutcome::inUseElsewhere;
    if (heldElsewhere)
        waitForDatabase();
    else
        loadPersistedWorkspace();
    refreshBossAIMetrics();
    if (!heldElsewhere && !m_env.commandLine)
        postWelcome();
    reportStorageProblems();

    if (!m_env.commandLine)
        initializeWebsiteBlockState();
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
    if (firstStart || tasks().isEmpty()) {
        postSystemMessage(QStringLiteral("Vorn online. Import tasks to get started."));
        if (firstStart)
            postSystemMessage(firstStartKeysText());
        return;
    }
    postSystemMessage(QStringLiteral("Welcome back — %1 loaded.")
                          .arg(counted(tasks().size(), QStringLiteral("task"), QStringLiteral("tasks"))));
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

    setBossAIState(database().loadBossAIState());
    loadPersistedWorkspace();
    // Undo steps of the placeholder list would bring it back over the real one.
    m_undoStack.clear();
    m_redoStack.clear();
    emit undoStateChanged();
    refreshBossAIMetrics();
    setStatusMessage(QStringLiteral("The database is free again; your list is loaded."));
    postWelcome();
    reportStorageProblems();
}

void TaskStore::readPreferences() {
    const Preferences& prefs = *m_env.preferences;
    m_openAIModel = prefs.text(QStringLiteral("openai_model")).value_or(QStringLiteral("gpt-4o-mini"));
    // A hand-edited file may hold anything: NaN, 0 or -5 would call a task that
    // just began late, 1e308 would never call one late.
    m_lateThresholdMultiplier = numberInRange(prefs.number(QStringLiteral("late_multiplier")),
                                              kMinLateMultiplier, kMaxLateMultiplier, 1.1);
    m_demonWebsiteBlockingEnabled = prefs.flag(QStringLiteral("demon_website_blocking")).value_or(true);
    m_blockedSitesText = prefs.text(QStringLiteral("blocked_sites")).value_or(defaultBlockedSitesText());
    m_isChatVisible = prefs.flag(QStringLiteral("chat_visible")).value_or(true);
    m_speakMessages = prefs.flag(QStringLiteral("speak_messages")).value_or(true);
    m_showNotifications = prefs.flag(QStringLiteral("show_notifications")).value_or(true);

    if (const auto fraction = prefs.number(QStringLiteral("chat_panel_fraction")))
        m_chatPanelFraction = numberInRange(fraction, 0.1, 0.9, 0.35);
    else if (const auto width = prefs.number(QStringLiteral("chat_panel_width")))
        m_chatPanelFraction = numberInRange(*width / 1000.0, 0.1, 0.9, 0.35);
    else
        m_chatPanelFraction = 0.35;

    loadCollapsedSections();
}

void TaskStore::loadCollapsedSections() {
    m_collapsedSectionIDs.clear();
    const QStringList stored =
        m_env.preferences->textList(QStringLiteral("collapsed_section_ids")).value_or(QStringList());
    for (const QString& text : stored) {
        if (const auto id = parseUuid(text))
            m_collapsedSectionIDs.insert(*id);
    }
}

void TaskStore::loadPersistedWorkspace() {
    m_isLoadingWorkspace = true;

    const DatabaseService::SessionSnapshot session = database().loadSession();
    setScheduleStartTime(session.scheduleStartTime);
    setPasteText(session.pasteText);
    m_inMotivationalStartPhase = session.inMotivationalStartPhase;
    setRootOutlineOrder(session.outlineOrder);

    setSections(database().loadSections());

    QUuid defaultSectionID;
    const auto work = std::find_if(sections().cbegin(), sections().cend(),
                                   [](const TaskSection& s) { return s.title == QLatin1String("Work"); });
    if (work != sections().cend())
        defaultSectionID = work->id;
    else if (!sections().isEmpty())
        defaultSectionID = sections().first().id;
    else
        defaultSectionID = newUuid();

    setTasks(tasksInKnownSections(database().loadTasks(defaultSectionID), sections(), defaultSectionID));

    if (!tasks().isEmpty()) {
        migrateToSingleRootIfNeeded();
        // A hand-edited or half-written file: no folder may be its own
        // ancestor, and the root order must give every stored task a row.
        if (const std::optional<QUuid> root = rootSectionID()) {
            if (QList<TaskSection> repaired = outline::withSectionCyclesBroken(sections(), *root);
                repaired != sections())
                setSections(std::move(repaired));
        }
        setRootOutlineOrder(outline::repairedRootOrder(m_workspace));
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    } else {
        ensurePlaceholderTaskIfEmpty();
    }

    setGamification(database().loadGamificationState());

    m_lastOverdueNotificationAt.clear();
    m_overdueEscalationChatSent.clear();
    m_overdueIntenseChatSent.clear();
    for (const DatabaseService::OverdueSnapshot& o : database().loadOverdueStates()) {
        if (o.lastNotificationAt)
            m_lastOverdueNotificationAt.insert(o.taskID, *o.lastNotificationAt);
        if (o.escalationChatSent)
            m_overdueEscalationChatSent.insert(o.taskID);
        if (o.intenseChatSent)
            m_overdueIntenseChatSent.insert(o.taskID);
    }

    QList<ChatMessage> chat = database().loadChatMessages();
    if (shouldResetChatForNewDay()) {
        database().clearChatMessages();
        setChatMessages({});
    } else if (!chat.isEmpty()) {
        setChatMessages(std::move(chat));
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
    const QList<TaskSection> roots = childSections(std::nullopt);
    if (roots.size() == 1)
        return;
    if (roots.isEmpty()) {
        // Only a damaged file gets here: every section names a parent. Keep them
        // all, hang the ones whose parent is missing under a new root, and
        // rebuild the top-level order from the repaired tree.
        const TaskSection root = makeRootSection();
        QSet<QUuid> known;
        for (const TaskSection& s : sections())
            known.insert(s.id);
        QList<TaskSection> repaired{root};
        for (TaskSection s : sections()) {
            if (!s.parentID || !known.contains(*s.parentID))
                s.parentID = root.id;
            repaired.append(s);
        }
        setSections(std::move(repaired));
        setRootOutlineOrder(computeOutlineOrderSnapshot());
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
    for (const TaskSection& s : sections()) {
        if (!formerRoots.contains(s.id))
            migrated.append(s);
    }
    setSections(std::move(migrated));
    setRootOutlineOrder(computeOutlineOrderSnapshot());
}

bool TaskStore::ensurePlaceholderTaskIfEmpty() {
    if (!tasks().isEmpty())
        return false;
    if (sections().isEmpty())
        setSections({makeRootSection()});
    const QList<TaskSection> roots = childSections(std::nullopt);
    if (roots.isEmpty())
        return false;

    TaskItem placeholder;
    placeholder.id = newUuid();
    placeholder.title = QStringLiteral("Create to do list");
    placeholder.durationMinutes = 10;
    placeholder.sectionID = roots.first().id;
    // The top-level folders keep their entries, and with them their rows.
    QSet<QUuid> folders;
    for (const TaskSection& s : sections()) {
        if (!s.headerTaskID)
            folders.insert(s.id);
    }
    QList<OutlineEntry> order{OutlineEntry::task(placeholder.id)};
    for (const OutlineEntry& entry : activeOutlineOrder()) {
        if (entry.isSection() && folders.contains(entry.id))
            order.append(entry);
    }
    setTasks({placeholder});
    setRootOutlineOrder(std::move(order));
    ensureTasksInDisplayOrder();
    recalculateFinishTimes();
    return true;
}

void TaskStore::reportStorageProblems() {
    switch (database().openOutcome()) {
    case DatabaseService::OpenOutcome::opened:
        break;
    case DatabaseService::OpenOutcome::replacedCorruptFile:
        postSystemMessage(QStringLiteral("The saved database could not be read. It was kept at %1 and a new, "
                                         "empty database was started.")
                              .arg(database().corruptFileKeptAt()));
        break;
    case DatabaseService::OpenOutcome::readOnly:
        postSystemMessage(QStringLiteral("Vorn can only read %1. Your list is shown, but changes will not be "
                                         "saved.")
                              .arg(database().path()));
        break;
    case DatabaseService::OpenOutcome::inUseElsewhere: {
        const QString text =
            QStringLiteral("The database %1 is in use by another program. Vorn loads your list "
                           "as soon as it is free; until then nothing is saved, and changes "
                           "made here are not kept.")
                .arg(database().path());
        setStatusMessage(text);
        postSystemMessage(text);
        break;
    }
    case DatabaseService::OpenOutcome::inMemoryOnly:
        postSystemMessage(
            QStringLiteral("Vorn cannot write to %1. Changes will not be saved: they are lost when "
                           "Vorn quits.")
                .arg(database().path()));
        break;
    }
}

QList<TaskItem> TaskStore::completedTasks() const {
    QList<TaskItem> out;
    std::copy_if(tasks().cbegin(), tasks().cend(), std::back_inserter(out),
                 [](const TaskItem& t) { return t.isCompleted; });
    return out;
}

QList<TaskItem> TaskStore::pendingTasks() const {
    QList<TaskItem> out;
    std::copy_if(tasks().cbegin(), tasks().cend(), std::back_inserter(out),
                 [](const TaskItem& t) { return !t.isCompleted; });
    return out;
}

} // namespace vorn
