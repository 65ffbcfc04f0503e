#pragma once

#include <QStringView>

// Line-level scanning shared by the list parser and the paste detector. All of
// it is hand-written and linear: pasted text can be megabytes long, hold single
// lines of any length, control characters and unpaired surrogates.
namespace vorn::outline_text {

// Line feed, vertical tab, form feed, carriage return, next line, line and
// paragraph separator. A carriage return before a line feed ends a line of its own.
constexpr bool isNewline(char16_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Hands out the lines of a text one by one, without copying. A text ending in
// a newline ends in an empty line, as does an empty text.
class LineSplitter {
public:
    explicit LineSplitter(QStringView text) : m_text(text) {}

    bool next(QStringView& line) {
        if (m_done)
            return false;
        const qsizetype size = m_text.size();
        for (qsizetype i = m_pos; i < size; ++i) {
            if (isNewline(m_text[i].unicode())) {
                line = m_text.sliced(m_pos, i - m_pos);
                m_pos = i + 1;
                return true;
            }
        }
        line = m_text.sliced(m_pos);
        m_done = true;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_done = false;
};

// Whitespace inside a line: the tab and the Unicode space separators.
bool isLineSpace(char16_t c);
QStringView trimmedLine(QStringView line);

// For a trimmed line that starts with an item marker (decimal digits, "." or
// ")", whitespace), the position just after the marker's whitespace; -1 otherwise.
qsizetype itemMarkerEnd(QStringView line);

// "to do" or "todo" in any case, once trimmed.
bool isToDoTitle(QStringView text);

// Whether any character has a numeric type: decimal digits of any script, and
// other number characters such as "½", "²" or Roman numerals.
bool containsNumber(QStringView text);

} // namespace vorn::outline_text
