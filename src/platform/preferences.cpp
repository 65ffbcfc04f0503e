#include "platform/preferences.h"

#include <algorithm>
#include <cmath>

namespace vorn {

Preferences::Preferences()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Vorn"), QStringLiteral("Vorn"))) {}

Preferences::Preferences(const QString& iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat)) {}

// QSettings' file formats keep scalars as text, so a stored double or bool comes
// back as a string; the readers accept the text forms of their type and reject
// everything else.

std::optional<QString> Preferences::text(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<double> Preferences::number(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> Preferences::flag(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s == QLatin1String("true"))
            return true;
        if (s == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

std::optional<QStringList> Preferences::textList(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant& item : v.toList()) {
            if (item.typeId() == QMetaType::QString)
                out.append(item.toString());
        }
        return out;
    }
    // A one-element list is written by QSettings as a plain string.
    if (v.typeId() == QMetaType::QString)
        return QStringList{v.toString()};
    return std::nullopt;
}

void Preferences::setText(const QString& key, const QString& value) {
    m_settings->setValue(key, value);
}

void Preferences::setNumber(const QString& key, double value) {
    m_settings->setValue(key, value);
}

void Preferences::setFlag(const QString& key, bool value) {
    m_settings->setValue(key, value);
}

void Preferences::setTextList(const QString& key, const QStringList& value) {
    m_settings->setValue(key, value);
}

void Preferences::remove(const QString& key) {
    m_settings->remove(key);
}

bool Preferences::contains(const QString& key) const {
    return m_settings->contains(key);
}

void Preferences::sync() {
    m_settings->sync();
}

double numberInRange(std::optional<double> value, double low, double high, double fallback) {
    if (!value || !std::isfinite(*value))
        return fallback;
    return std::clamp(*value, low, high);
}

} // namespace vorn
