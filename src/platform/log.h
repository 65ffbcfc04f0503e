#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDb)    // "vorn.db"
Q_DECLARE_LOGGING_CATEGORY(lcStore) // "vorn.store"
Q_DECLARE_LOGGING_CATEGORY(lcBoss)  // "vorn.boss"
Q_DECLARE_LOGGING_CATEGORY(lcNet)   // "vorn.net"
Q_DECLARE_LOGGING_CATEGORY(lcHosts) // "vorn.hosts"
Q_DECLARE_LOGGING_CATEGORY(lcAudio) // "vorn.audio"
