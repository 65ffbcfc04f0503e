#pragma once

// The store and its parts, which name one another.
namespace vorn {
class TaskStore;
class Outline;
class OutlineEditor;
class BossEngine;
class BossWatch;
class ChatLog;
class WebsiteBlocking;
class TimelineEstimator;
class StorePreferences;
class WindowState;
} // namespace vorn
