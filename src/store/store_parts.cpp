// The parts' constructors: each keeps the store that owns it.
#include "store/background_job.h"
#include "store/task_store.h"

namespace vorn {

Outline::Outline(TaskStore& store) : m_store(store) {}

OutlineEditor::OutlineEditor(TaskStore& store) : m_store(store) {}

BossEngine::BossEngine(TaskStore& store) : m_store(store) {}

BossWatch::BossWatch(TaskStore& store) : m_store(store) {}

BossWatch::~BossWatch() = default;

ChatLog::ChatLog(TaskStore& store) : m_store(store) {}

WebsiteBlocking::WebsiteBlocking(TaskStore& store, const HostsBlockerConfig& config, Preferences* preferences)
    : m_store(store), m_hostsBlocker(config, preferences) {}

TimelineEstimator::TimelineEstimator(TaskStore& store) : m_store(store) {}

StorePreferences::StorePreferences(TaskStore& store) : m_store(store) {}

WindowState::WindowState(TaskStore& store) : m_store(store) {}

} // namespace vorn
