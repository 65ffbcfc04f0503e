#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QWidget;

namespace vorn {

// Runs `action` once, on the event loop just after `window` was first painted
// (or after `latest`, should no paint come, as on a display that never shows
// it), so that work not needed for the first picture does not delay it.
void runAfterFirstPaint(QWidget* window, std::function<void()> action,
                        std::chrono::milliseconds latest = std::chrono::seconds(2));

} // namespace vorn
