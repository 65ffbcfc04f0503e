#include "model/records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vorn {

const QStringList TaskSection::defaultTitles = {QStringLiteral("To do")};

QString uuidText(const QUuid& id) {
    // Hex digits and dashes only: capitals without a trip through Unicode's case
    // tables (the outline makes one for every row it shows).
    QByteArray text = id.toByteArray(QUuid::WithoutBraces);
    for (char& c : text)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return QString::fromLatin1(text);
}

std::optional<QUuid> parseUuid(const QString& text) {
    // Exactly the canonical form: two texts for one UUID could otherwise both
    // be stored, and both would be written back under one primary key.
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (dash ? c != u'-' : !hex)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

QUuid newUuid() {
    return QUuid::createUuid();
}

QString bossAIModeText(BossAIMode mode) {
    switch (mode) {
    case BossAIMode::normal:
        return QStringLiteral("Normal");
    case BossAIMode::demon:
        return QStringLiteral("Demon");
    case BossAIMode::messianic:
        return QStringLiteral("Messianic");
    }
    return {};
}

std::optional<BossAIMode> bossAIModeFromText(const QString& text) {
    for (BossAIMode m : {BossAIMode::normal, BossAIMode::demon, BossAIMode::messianic}) {
        if (bossAIModeText(m) == text)
            return m;
    }
    return std::nullopt;
}

QString chatRoleText(ChatMessage::Role role) {
    switch (role) {
    case ChatMessage::Role::user:
        return QStringLiteral("user");
    case ChatMessage::Role::boss:
        return QStringLiteral("boss");
    case ChatMessage::Role::system:
        return QStringLiteral("system");
    }
    return {};
}

std::optional<ChatMessage::Role> chatRoleFromText(const QString& text) {
    for (auto r : {ChatMessage::Role::user, ChatMessage::Role::boss, ChatMessage::Role::system}) {
        if (chatRoleText(r) == text)
            return r;
    }
    return std::nullopt;
}

size_t qHash(const OutlineEntry& entry, size_t seed) noexcept {
    return qHashMulti(seed, static_cast<int>(entry.kind), entry.id);
}

BossAIState BossAIState::initial(Instant now) {
    BossAIState s;
    s.urgencyScore = 45.0;
    s.lastActivityAt = now;
    s.lastInactivityCheckAt = now;
    return s;
}

QByteArray encodeOutlineEntries(const QList<OutlineEntry>& entries) {
    // QJsonObject sorts its keys, and "type" must come first, so the compact
    // text is written here directly. Both values are plain ASCII.
    QByteArray out;
    out.reserve(8 + entries.size() * 60);
    out += '[';
    bool first = true;
    for (const OutlineEntry& e : entries) {
        if (!first)
            out += ',';
        first = false;
        out += R"({"type":")";
        out += e.isTask() ? "task" : "section";
        out += R"(","id":")";
        out += uuidText(e.id).toLatin1();
        out += "\"}";
    }
    out += ']';
    return out;
}

Result<QList<OutlineEntry>, DataError> decodeOutlineEntries(const QByteArray& json) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray())
        return DataError{QStringLiteral("The data is not a JSON array of outline entries"), QString()};
    const QJsonArray array = doc.array();
    QList<OutlineEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& v : array) {
        if (!v.isObject())
            return DataError{QStringLiteral("Outline entry is not an object"), QString()};
        const QJsonObject o = v.toObject();
        const QJsonValue type = o.value(QLatin1String("type"));
        if (!type.isString())
            return DataError{QStringLiteral("Missing or non-text outline entry type"),
                             QStringLiteral("type")};
        const QJsonValue idValue = o.value(QLatin1String("id"));
        if (!idValue.isString())
            return DataError{QStringLiteral("Missing or non-text outline entry id"), QStringLiteral("id")};
        const auto id = parseUuid(idValue.toString());
        if (!id)
            return DataError{QStringLiteral("Outline entry id is not a UUID"), QStringLiteral("id")};
        const QString typeText = type.toString();
        if (typeText == QLatin1String("task"))
            entries.append(OutlineEntry::task(*id));
        else if (typeText == QLatin1String("section"))
            entries.append(OutlineEntry::section(*id));
        else
            return DataError{QStringLiteral("Unknown outline entry type"), QStringLiteral("type")};
    }
    return entries;
}

} // namespace vorn
