// Pasted text, as anyone may paste it, through the paste detector and the list
// parser: neither may crash, hang or read out of bounds, and what the parser
// returns keeps the promises of its header.
#include "outline_io/hierarchical_task_parser.h"
#include "outline_io/outline_paste_detector.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    OutlinePasteDetector::isOutlineList(text);

    const std::optional<ParsedOutline> outline = HierarchicalTaskParser::parse(text);
    if (!outline)
        return 0;
    if (outline->nodes.isEmpty())
        std::abort(); // a parsed list always has an item

    // Depths grow by one level at a time, and the walk sees every node once.
    int previousDepth = 0;
    qsizetype visited = 0;
    forEachParsedNode(outline->nodes, [&](const ParsedNode&, int depth, qsizetype) {
        if (depth > previousDepth + 1)
            std::abort();
        previousDepth = depth;
        ++visited;
    });
    if (visited == 0)
        std::abort();

    // The same text parses to the same list, and a copy compares equal after
    // the original is gone (deep lists are freed without recursion).
    ParsedOutline copy = *HierarchicalTaskParser::parse(text);
    if (!(copy == *outline))
        std::abort();
    return 0;
}
