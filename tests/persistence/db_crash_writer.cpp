// Saves two alternating workspaces into the database given as argv[1] until
// it is killed. Prints "ready" once the first save is on disk.

#include "crash_workspace.h"

#include <cstdio>

using namespace vorn;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    SystemClock clock;
    DatabaseService db(QString::fromLocal8Bit(argv[1]), clock);
    if (db.openOutcome() != DatabaseService::OpenOutcome::opened)
        return 1;
    const test::CrashWorkspace generations[] = {test::buildCrashWorkspace(test::kGenerationA),
                                                test::buildCrashWorkspace(test::kGenerationB)};
    for (unsigned long n = 0;; ++n) {
        const test::CrashWorkspace& w = generations[n % 2];
        if (!db.saveWorkspace(w.tasks, w.sections, w.gamification, w.session, w.overdue, w.chat))
            return 1;
        if (n == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
