#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace vorn {

// One item of a pasted list and the items indented beneath it.
//
// A plain value; children share their storage on copy. A pasted list can nest
// thousands of levels deep, so destruction and comparison walk the tree with an
// explicit stack rather than recursing once per level.
struct ParsedNode {
    QString title;
    QList<ParsedNode> children;

    ParsedNode(QString title = {}, QList<ParsedNode> children = {});
    ParsedNode(const ParsedNode&) = default;
    ParsedNode(ParsedNode&&) noexcept = default;
    ParsedNode& operator=(const ParsedNode&) = default;
    ParsedNode& operator=(ParsedNode&&) noexcept = default;
    ~ParsedNode();

    friend bool operator==(const ParsedNode& a, const ParsedNode& b);
};

bool sameParsedNodes(const QList<ParsedNode>& a, const QList<ParsedNode>& b);

// A parsed list: its title and its top-level items (never empty).
struct ParsedOutline {
    QString rootTitle;
    QList<ParsedNode> nodes;

    friend bool operator==(const ParsedOutline& a, const ParsedOutline& b) {
        return a.rootTitle == b.rootTitle && sameParsedNodes(a.nodes, b.nodes);
    }
};

// Visits every node in text order (a node before its children) without
// recursion, as visit(node, depth, index among its siblings).
template <typename Visit> void forEachParsedNode(const QList<ParsedNode>& nodes, Visit&& visit) {
    struct Frame {
        const QList<ParsedNode>* siblings;
        qsizetype next;
    };
    std::vector<Frame> stack{{&nodes, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.siblings->size()) {
            stack.pop_back();
            continue;
        }
        const qsizetype index = top.next++;
        const ParsedNode& node = top.siblings->at(index);
        visit(node, int(stack.size() - 1), index);
        if (!node.children.isEmpty())
            stack.push_back({&node.children, 0});
    }
}

namespace HierarchicalTaskParser {

// Reads a pasted list: items numbered "1." or "1)" (any numbers, in any order),
// nested by leading tabs or by groups of four spaces; unnumbered lines name the
// list before the first item and continue the previous item after it. nullopt
// when the text holds no item.
std::optional<ParsedOutline> parse(QStringView text);

} // namespace HierarchicalTaskParser

} // namespace vorn
