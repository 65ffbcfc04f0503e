#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vorn {

// The per-user key-value store. Reads are typed: a value that is absent or
// cannot be read as the asked type gives nullopt, and the caller falls back to
// its default.
class Preferences {
public:
    // The user's settings (organization "Vorn", application "Vorn").
    Preferences();
    // A settings file of its own; tests use a throw-away one.
    explicit Preferences(const QString& iniFilePath);

    std::optional<QString> text(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    std::optional<bool> flag(const QString& key) const;
    std::optional<QStringList> textList(const QString& key) const;

    void setText(const QString& key, const QString& value);
    void setNumber(const QString& key, double value);
    void setFlag(const QString& key, bool value);
    void setTextList(const QString& key, const QStringList& value);
    void remove(const QString& key);
    bool contains(const QString& key) const;
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

// A stored number made safe to use: `fallback` when it is absent, NaN or
// infinite, else clamped to [low, high], the range its control offers.
double numberInRange(std::optional<double> value, double low, double high, double fallback);

} // namespace vorn
