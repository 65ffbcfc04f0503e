#include "outline_io/hierarchical_task_parser.h"

#include <utility>

namespace vorn {

ParsedNode::ParsedNode(QString title, QList<ParsedNode> children)
    : title(std::move(title)), children(std::move(children)) {}

ParsedNode::~ParsedNode() {
    if (children.isEmpty())
        return;
    // Strip the subtree level by level, so that every node is destroyed with no
    // children left and the default destruction never nests.
    std::vector<QList<ParsedNode>> pending;
    pending.push_back(std::move(children));
    while (!pending.empty()) {
        QList<ParsedNode> siblings = std::move(pending.back());
        pending.pop_back();
        // Shared storage outlives this list; dropping the reference frees nothing.
        if (!siblings.isDetached())
            continue;
        for (ParsedNode& node : siblings) {
            if (!node.children.isEmpty())
                pending.push_back(std::move(node.children));
        }
    }
}

bool operator==(const ParsedNode& a, const ParsedNode& b) {
    return a.title == b.title && sameParsedNodes(a.children, b.children);
}

bool sameParsedNodes(const QList<ParsedNode>& a, const QList<ParsedNode>& b) {
    std::vector<std::pair<const QList<ParsedNode>*, const QList<ParsedNode>*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [left, right] = pending.back();
        pending.pop_back();
        if (left->size() != right->size())
            return false;
        if (left->constData() == right->constData())
            continue;
        for (qsizetype i = 0; i < left->size(); ++i) {
            const ParsedNode& l = left->at(i);
            const ParsedNode& r = right->at(i);
            if (l.title != r.title)
                return false;
            pending.emplace_back(&l.children, &r.children);
        }
    }
    return true;
}

} // namespace vorn
