#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace vorn::autostart {

// The desktop session's autostart entry that starts Vorn at login, in the
// tray, without its window.
inline constexpr const char* kFileName = "io.github.vorn.vorn.desktop";
// The name the entry had before the application ID became lower case; an
// entry of that name beside `kFileName` counts as Vorn's and goes when the
// entry is next written or removed.
inline constexpr const char* kOldFileName = "io.github.vorn.Vorn.desktop";
inline constexpr const char* kCommand = "vorn --hidden";

using EnvironmentLookup = std::function<std::optional<QString>(const QString&)>;

// $XDG_CONFIG_HOME/autostart/<file>, else ~/.config/autostart/<file>; empty
// when neither variable gives a folder.
QString filePath(const EnvironmentLookup& lookup);
// The process environment.
QString filePath();

// The text of the entry.
QString entryText();
// Whether `path` is an entry that starts Vorn (one the user disabled with
// Hidden=true counts as off).
bool isEnabled(const QString& path);
// Writes (atomically) or removes the entry; an error text when that failed.
std::optional<QString> setEnabled(const QString& path, bool enabled);

} // namespace vorn::autostart
