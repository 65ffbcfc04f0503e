#include "outline_io/outline_text.h"

#include <QChar>

namespace vorn::outline_text {

namespace {

// The code point at `pos`, advancing `pos` past it. An unpaired surrogate is
// returned as it is (category Cs: neither space nor digit nor number).
char32_t nextCodePoint(QStringView text, qsizetype& pos) {
    const char16_t unit = text[pos++].unicode();
    if (QChar::isHighSurrogate(unit) && pos < text.size() && QChar::isLowSurrogate(text[pos].unicode()))
        return QChar::surrogateToUcs4(unit, text[pos++].unicode());
    return unit;
}

} // namespace

bool isLineSpace(char16_t c) {
    if (c < 0x80)
        return c == u' ' || c == u'\t';
    // Every space separator lies in the Basic Multilingual Plane.
    return QChar::category(char32_t(c)) == QChar::Separator_Space;
}

QStringView trimmedLine(QStringView line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isLineSpace(line[begin].unicode()))
        ++begin;
    while (end > begin && isLineSpace(line[end - 1].unicode()))
        --end;
    return line.sliced(begin, end - begin);
}

qsizetype itemMarkerEnd(QStringView line) {
    const qsizetype size = line.size();
    qsizetype pos = 0;
    bool anyDigit = false;
    while (pos < size) {
        qsizetype next = pos;
        const char32_t c = nextCodePoint(line, next);
        if (c < 0x80 ? !(c >= u'0' && c <= u'9') : !QChar::isDigit(c))
            break;
        anyDigit = true;
        pos = next;
    }
    if (!anyDigit || pos >= size || (line[pos] != u'.' && line[pos] != u')'))
        return -1;
    const qsizetype spaceStart = ++pos;
    while (pos < size && isLineSpace(line[pos].unicode()))
        ++pos;
    // Whitespace must follow, and a trimmed line never ends in it.
    return pos > spaceStart && pos < size ? pos : -1;
}

bool isToDoTitle(QStringView text) {
    const QStringView trimmed = trimmedLine(text);
    return trimmed.compare(u"to do", Qt::CaseInsensitive) == 0 ||
           trimmed.compare(u"todo", Qt::CaseInsensitive) == 0;
}

bool containsNumber(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size()) {
        const char32_t c = nextCodePoint(text, pos);
        if (c < 0x80 ? (c >= u'0' && c <= u'9') : QChar::isNumber(c))
            return true;
    }
    return false;
}

} // namespace vorn::outline_text
