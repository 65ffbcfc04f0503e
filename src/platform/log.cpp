#include "platform/log.h"

Q_LOGGING_CATEGORY(lcDb, "vorn.db")
// The store's debug lines (one per save) are for tests and tracing: off unless asked for.
Q_LOGGING_CATEGORY(lcStore, "vorn.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBoss, "vorn.boss")
Q_LOGGING_CATEGORY(lcNet, "vorn.net")
Q_LOGGING_CATEGORY(lcHosts, "vorn.hosts")
Q_LOGGING_CATEGORY(lcAudio, "vorn.audio")
