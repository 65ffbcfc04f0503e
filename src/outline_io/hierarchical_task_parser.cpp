#include "outline_io/hierarchical_task_parser.h"

#include "outline_io/outline_text.h"

#include <algorithm>
#include <climits>

namespace vorn::HierarchicalTaskParser {

namespace {

using namespace outline_text;

struct ParsedLine {
    QString title;
    int indentLevel = 0;
};

// Leading tabs, or else leading spaces in groups of four; tabs win when a line
// mixes both. Other whitespace ends the indentation.
int measureIndentLevel(QStringView line) {
    qsizetype tabs = 0;
    qsizetype spaces = 0;
    for (const QChar c : line) {
        if (c == u'\t')
            ++tabs;
        else if (c == u' ')
            ++spaces;
        else
            break;
    }
    return int(std::min<qsizetype>(tabs > 0 ? tabs : spaces / 4, INT_MAX));
}

// Whether a line before the first item names the list rather than starting it:
// an item only when titled "to do"; an unnumbered line when it reads "to do" or
// holds no number at all.
bool isLikelyRootTitle(QStringView line, std::optional<QStringView> numberedTitle) {
    if (isToDoTitle(numberedTitle ? *numberedTitle : line))
        return true;
    if (numberedTitle)
        return false;
    return !containsNumber(line);
}

// Shifts the levels so that the shallowest line stands at level 0.
void normalizeIndentLevels(std::vector<ParsedLine>& lines) {
    if (lines.empty())
        return;
    const int shallowest = std::min_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                               return a.indentLevel < b.indentLevel;
                           })->indentLevel;
    for (ParsedLine& line : lines)
        line.indentLevel -= shallowest;
}

// Each line becomes a child of the nearest earlier line that is shallower; one
// no deeper than any open line starts a new top-level node. A node is closed
// (turned into a value and handed to its parent) when a line at its level or
// shallower arrives, so the open path is the only state and nothing recurses.
QList<ParsedNode> buildTree(std::vector<ParsedLine>&& lines) {
    struct Open {
        int level;
        QString title;
        QList<ParsedNode> children;
    };
    std::vector<Open> open;
    QList<ParsedNode> roots;
    const auto closeTop = [&] {
        Open top = std::move(open.back());
        open.pop_back();
        QList<ParsedNode>& siblings = open.empty() ? roots : open.back().children;
        siblings.emplaceBack(std::move(top.title), std::move(top.children));
    };
    for (ParsedLine& line : lines) {
        while (!open.empty() && open.back().level >= line.indentLevel)
            closeTop();
        open.push_back({line.indentLevel, std::move(line.title), {}});
    }
    while (!open.empty())
        closeTop();
    return roots;
}

} // namespace

std::optional<ParsedOutline> parse(QStringView text) {
    QString rootTitle = QStringLiteral("To do");
    std::vector<ParsedLine> lines;

    LineSplitter splitter(text);
    QStringView raw;
    while (splitter.next(raw)) {
        const QStringView trimmed = trimmedLine(raw);
        if (trimmed.isEmpty())
            continue;
        const int indent = measureIndentLevel(raw);

        if (const qsizetype titleStart = itemMarkerEnd(trimmed); titleStart >= 0) {
            const QStringView title = trimmedLine(trimmed.sliced(titleStart));
            if (lines.empty() && isLikelyRootTitle(trimmed, title))
                rootTitle = title.toString();
            else
                lines.push_back({title.toString(), indent});
        } else if (lines.empty()) {
            if (isLikelyRootTitle(trimmed, std::nullopt))
                rootTitle = trimmed.toString();
            else
                lines.push_back({trimmed.toString(), indent});
        } else {
            // A continuation keeps the level of the item it extends.
            QString& title = lines.back().title;
            title += u' ';
            title += trimmed;
        }
    }

    if (lines.empty())
        return std::nullopt;
    normalizeIndentLevels(lines);
    QList<ParsedNode> nodes = buildTree(std::move(lines));
    if (nodes.isEmpty())
        return std::nullopt;
    return ParsedOutline{std::move(rootTitle), std::move(nodes)};
}

} // namespace vorn::HierarchicalTaskParser
