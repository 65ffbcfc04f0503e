// Thousands of random edits over random outlines. After every step the outline
// must be sound (outlineProblems), and undo must walk back exactly: k undos give
// the workspace as it was k recorded steps earlier, and k redos the present.
// Every tenth step also compares what was saved with what the store holds.
// VORN_EDIT_SEED=n replays the sequence of one seed; VORN_EDIT_STEPS=n sets the
// number of steps per sequence.
#include "fixtures/outline_fixture.h"
#include "fixtures/test_main.h"

#include <QtTest>

#include <algorithm>
#include <functional>
#include <random>

using namespace vorn;
using namespace vorn::test;

namespace {

class RandomEditing {
public:
    RandomEditing(TaskStore& store, DatabaseService& database, quint64 seed)
        : m_store(store), m_database(database), m_seed(seed), m_rng(seed) {
        QObject::connect(&store.editor(), &OutlineEditor::undoStateChanged, &store,
                         [this] { ++m_undoSignals; });
    }

    const QString& failure() const { return m_failure; }

    void buildOutline() {
        OutlineBuilder b(m_store);
        QList<QUuid> folders{b.root()};
        QList<QUuid> tasks;
        for (int i = 0, n = below(6) + 2; i < n; ++i)
            folders.append(b.folder(QStringLiteral("f%1").arg(i), folders.at(below(folders.size()))));
        for (int i = 0, n = below(14) + 2; i < n; ++i)
            tasks.append(
                b.task(QStringLiteral("t%1").arg(i), folders.at(below(folders.size())), below(40) + 1));
        for (int i = 0, n = below(4); i < n; ++i) {
            const QUuid group = b.group(tasks.at(below(tasks.size())));
            for (int k = 0, m = below(3) + 1; k < m; ++k)
                tasks.append(b.task(QStringLiteral("t%1").arg(tasks.size()), group, below(40) + 1));
        }
        b.apply();
        check(QStringLiteral("the built outline"));
    }

    void step() {
        const int pick = below(100);
        if (pick < 6)
            undo();
        else if (pick < 10)
            redo();
        else if (pick < 12 && !m_undoModel.isEmpty())
            walkBackAndForth();
        else
            edit(pick);
    }

private:
    int below(qsizetype n) {
        return n <= 0 ? 0 : int(std::uniform_int_distribution<qsizetype>(0, n - 1)(m_rng));
    }
    bool chance(int percent) { return below(100) < percent; }

    struct Pick {
        QUuid id;
        QString text;
    };

    // A task or section of the store by position, now and then an ID that names nothing.
    Pick anyTask() {
        const QList<TaskItem>& tasks = m_store.outline().tasks();
        if (tasks.isEmpty() || chance(3))
            return {newUuid(), QStringLiteral("nothing")};
        const qsizetype i = below(tasks.size());
        return {tasks.at(i).id, QStringLiteral("#%1 '%2'").arg(i).arg(tasks.at(i).title)};
    }
    Pick anySection() {
        const QList<TaskSection>& sections = m_store.outline().sections();
        if (chance(3))
            return {newUuid(), QStringLiteral("nothing")};
        const qsizetype i = below(sections.size());
        return {sections.at(i).id, QStringLiteral("section #%1 '%2'").arg(i).arg(sections.at(i).title)};
    }
    QString anyTitle() {
        static const QStringList extras{QStringLiteral("   "), QStringLiteral(" padded "), QString()};
        return chance(80) ? QStringLiteral("n%1").arg(m_log.size()) : extras.at(below(extras.size()));
    }

    void edit(int pick) {
        TaskStore& s = m_store;
        const bool crowded = s.outline().tasks().size() > 30;
        const auto [task, taskText] = anyTask();
        const auto [other, otherText] = anyTask();
        const auto [section, sectionText] = anySection();
        const auto [otherSection, otherSectionText] = anySection();
        const QString title = anyTitle();
        const qint64 minutes = below(200) - 20;

        QString text;
        std::function<void()> run;
        if (pick < 22 && !crowded) {
            const std::optional<QUuid> after = chance(70) ? std::optional(task) : std::nullopt;
            const std::optional<QUuid> in = chance(30) ? std::optional(section) : std::nullopt;
            text = QStringLiteral("add after %1 in %2").arg(after ? taskText : "-", in ? sectionText : "-");
            run = [&s, after, in] { s.editor().addTask(after, in); };
        } else if (pick < 28 && !crowded) {
            text = QStringLiteral("Enter on %1 with '%2'").arg(taskText, title);
            run = [&s, task, title] { s.editor().focusTaskBelow(task, title); };
        } else if (pick < 32) {
            text = QStringLiteral("retitle %1 to '%2'").arg(taskText, title);
            run = [&s, task, title] { s.editor().updateTitle(task, title); };
        } else if (pick < 38) {
            text = QStringLiteral("re-time %1 to %2").arg(taskText).arg(minutes);
            run = [&s, task, minutes] { s.editor().updateDuration(task, minutes); };
        } else if (pick < 44 || crowded) {
            text = QStringLiteral("remove %1").arg(taskText);
            run = [&s, task] { s.editor().removeTask(task); };
        } else if (pick < 54) {
            text = QStringLiteral("indent %1").arg(taskText);
            run = [&s, task] { s.editor().indentTask(task); };
        } else if (pick < 62) {
            text = QStringLiteral("outdent %1").arg(taskText);
            run = [&s, task] { s.editor().outdentTask(task); };
        } else if (pick < 68) {
            text = QStringLiteral("drop %1 on row %2").arg(taskText, otherText);
            run = [&s, task, other] { s.editor().moveOutlineTask(task, other); };
        } else if (pick < 73) {
            text = QStringLiteral("move %1 before %2").arg(taskText, otherText);
            run = [&s, task, other] { s.editor().moveTask(task, other); };
        } else if (pick < 80) {
            const std::optional<QUuid> before = chance(30) ? std::optional(other) : std::nullopt;
            text = QStringLiteral("move %1 into %2 before %3")
                       .arg(taskText, sectionText, before ? otherText : "-");
            run = [&s, task, section, before] { s.editor().moveTask(task, section, before); };
        } else if (pick < 85) {
            const std::optional<QUuid> before = chance(80) ? std::optional(otherSection) : std::nullopt;
            text = QStringLiteral("drop %1 on %2").arg(sectionText, before ? otherSectionText : "-");
            run = [&s, section, before] { s.editor().moveOutlineSection(section, before); };
        } else if (pick < 88) {
            const std::optional<QUuid> before = chance(80) ? std::optional(otherSection) : std::nullopt;
            text = QStringLiteral("reorder %1 before %2").arg(sectionText, before ? otherSectionText : "-");
            run = [&s, section, before] { s.editor().moveSection(section, before); };
        } else if (pick < 93) {
            text = QStringLiteral("rename %1 to '%2'").arg(sectionText, title);
            run = [&s, section, title] { s.editor().renameSection(section, title); };
        } else if (pick < 95) {
            text = QStringLiteral("rename the list to '%1'").arg(title);
            run = [&s, title] { s.editor().renameRootTitle(title); };
        } else {
            text = QStringLiteral("delete %1").arg(sectionText);
            run = [&s, section] { s.editor().deleteSection(section); };
        }

        m_log.append(text);
        const Workspace before = s.outline().workspace();
        const int signalsBefore = m_undoSignals;
        run();
        const int steps = m_undoSignals - signalsBefore;
        if (steps > 0) {
            m_undoModel.append(before); // the first step holds the state before the edit
            for (int i = 1; i < steps; ++i)
                m_undoModel.append(std::nullopt);
            if (m_undoModel.size() > OutlineEditor::kUndoLimit)
                m_undoModel.remove(0, m_undoModel.size() - OutlineEditor::kUndoLimit);
            m_redoModel.clear();
        }
        check(text);
    }

    void undo() {
        m_log.append(QStringLiteral("undo"));
        std::optional<Workspace> expected;
        const bool any = !m_undoModel.isEmpty();
        if (any) {
            expected = m_undoModel.takeLast();
            m_redoModel.append(m_store.outline().workspace());
        } else {
            expected = m_store.outline().workspace();
        }
        m_store.editor().undo();
        if (expected && m_store.outline().workspace() != *expected)
            fail(QStringLiteral("undo did not restore the recorded workspace"));
        check(QStringLiteral("undo"));
    }

    void redo() {
        m_log.append(QStringLiteral("redo"));
        Workspace expected = m_store.outline().workspace();
        if (!m_redoModel.isEmpty()) {
            m_undoModel.append(m_store.outline().workspace());
            expected = m_redoModel.takeLast();
        }
        m_store.editor().redo();
        if (m_store.outline().workspace() != expected)
            fail(QStringLiteral("redo did not restore the later workspace"));
        check(QStringLiteral("redo"));
    }

    void walkBackAndForth() {
        const int k = below(std::min<qsizetype>(m_undoModel.size(), OutlineEditor::kUndoLimit)) + 1;
        m_log.append(QStringLiteral("walk back and forth %1 steps").arg(k));
        const Workspace present = m_store.outline().workspace();
        for (int i = 0; i < k && m_failure.isEmpty(); ++i)
            undo();
        for (int i = 0; i < k && m_failure.isEmpty(); ++i)
            redo();
        if (m_failure.isEmpty() && m_store.outline().workspace() != present)
            fail(QStringLiteral("%1 undos and redos did not return to the present").arg(k));
    }

    // What the store saved is what it holds.
    QString savedDifference() const {
        DatabaseService& db = m_database;
        if (db.loadTasks(QUuid()) != m_store.outline().tasks())
            return QStringLiteral("the saved tasks differ");
        const auto byID = [](auto list) {
            std::sort(list.begin(), list.end(),
                      [](const auto& a, const auto& b) { return idOf(a) < idOf(b); });
            return list;
        };
        if (byID(db.loadSections()) != byID(m_store.outline().sections()))
            return QStringLiteral("the saved sections differ");
        if (db.loadSession().outlineOrder != m_store.outline().rootOutlineOrder())
            return QStringLiteral("the saved root order differs");
        if (byID(db.loadOverdueStates()) != byID(m_store.watch().buildOverdueSnapshots()))
            return QStringLiteral("the saved overdue rows differ");
        return {};
    }
    static QString idOf(const TaskSection& s) { return uuidText(s.id); }
    static QString idOf(const DatabaseService::OverdueSnapshot& s) { return uuidText(s.taskID); }

    void check(const QString& what) {
        if (!m_failure.isEmpty())
            return;
        if (const QString problem = outlineProblems(m_store); !problem.isEmpty())
            fail(QStringLiteral("%1 after %2").arg(problem, what));
        else if (const QString difference = m_log.size() % 10 == 0 ? savedDifference() : QString();
                 !difference.isEmpty())
            fail(QStringLiteral("%1 after %2").arg(difference, what));
        else if (m_store.editor().undoStack().size() != m_undoModel.size() ||
                 m_store.editor().redoStack().size() != m_redoModel.size())
            fail(QStringLiteral("%1 undo and %2 redo steps where %3 and %4 were recorded")
                     .arg(m_store.editor().undoStack().size())
                     .arg(m_store.editor().redoStack().size())
                     .arg(m_undoModel.size())
                     .arg(m_redoModel.size()));
    }

    void fail(const QString& what) {
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("seed %1, after %2 steps: %3\n  %4")
                            .arg(m_seed)
                            .arg(m_log.size())
                            .arg(what, m_log.join(QStringLiteral("\n  ")));
    }

    TaskStore& m_store;
    DatabaseService& m_database;
    quint64 m_seed;
    std::mt19937_64 m_rng;
    int m_undoSignals = 0;
    QStringList m_log;
    QList<std::optional<Workspace>> m_undoModel;
    QList<Workspace> m_redoModel;
    QString m_failure;
};

quint64 environmentNumber(const char* name, quint64 fallback) {
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

} // namespace

class EditingRandomTest : public QObject {
    Q_OBJECT

private slots:
    void randomEditsKeepTheOutlineSoundAndUndoExact() {
        const quint64 steps = environmentNumber("VORN_EDIT_STEPS", 800);
        QList<quint64> seeds;
        if (const quint64 seed = environmentNumber("VORN_EDIT_SEED", 0))
            seeds = {seed};
        else
            seeds = {11, 23, 37, 41, 53, 67, 79, 83, 97, 101};

        for (quint64 seed : seeds) {
            EditingStore e;
            RandomEditing run(*e.store, *e.database, seed);
            run.buildOutline();
            for (quint64 i = 0; i < steps && run.failure().isEmpty(); ++i)
                run.step();
            if (!run.failure().isEmpty())
                QFAIL(qPrintable(run.failure()));
        }
    }
};

VORN_TEST_CLASS(EditingRandomTest)
#include "editing_random_test.moc"
