#include "platform/log.h"

// Debug lines (one per save, one per request) are for tests and tracing: off
// unless QT_LOGGING_RULES or a test's filter rules turn them on.
Q_LOGGING_CATEGORY(lcDb, "vorn.db", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "vorn.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBoss, "vorn.boss", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNet, "vorn.net", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHosts, "vorn.hosts", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAudio, "vorn.audio", QtInfoMsg)
