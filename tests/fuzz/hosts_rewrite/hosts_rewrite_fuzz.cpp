// The helper's hosts-file rewrite against arbitrary hosts files and site lists.
// Input: the site list as the helper reads it from standard input, a NUL byte,
// then the hosts file (without a NUL the whole input is the hosts file).
// What must hold:
//  - taking the block out removes only the helper's own lines: the marker
//    lines and the "0.0.0.0 name" / ":: name" entries, nothing of the user's
//    (0 bytes outside a block change), and leaves no end marker whose start
//    marker it took; or it refuses, for a block closing lines it never wrote;
//  - putting a block in keeps every byte outside it and appends exactly the
//    block for the valid names, which reads back as a block of those names;
//  - "disable" after "enable" gives back the file without a block, which for a
//    file that held none is the original, byte for byte.
#include "hosts_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace vorn::hostsblock;

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t feed = text.find('\n', begin);
        const std::size_t end = feed == std::string_view::npos ? text.size() : feed;
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

// A line the helper writes: a marker line or a block entry.
bool isHelperLine(std::string_view line) {
    if (isMarkerLine(line, kStartMarker) || isMarkerLine(line, kEndMarker))
        return true;
    const std::string_view content = withoutTrailingSpace(line);
    for (std::string_view prefix : {std::string_view("0.0.0.0 "), std::string_view(":: ")}) {
        if (content.substr(0, prefix.size()) == prefix && isValidHostName(content.substr(prefix.size())))
            return true;
    }
    return false;
}

// `kept` is `original` less some of the helper's lines (the last line may
// have lost its line feed with the block after it).
void checkOnlyHelperLinesRemoved(std::string_view original, std::string_view kept) {
    const std::vector<std::string_view> from = linesOf(original);
    const std::vector<std::string_view> to = linesOf(kept);
    std::size_t next = 0;
    for (std::string_view line : from) {
        if (next < to.size() && to[next] == line)
            ++next;
        else
            check(isHelperLine(line));
    }
    check(next == to.size());
}

std::size_t countMarkers(std::string_view text, std::string_view marker) {
    std::size_t count = 0;
    for (std::string_view line : linesOf(text))
        count += isMarkerLine(line, marker) ? 1 : 0;
    return count;
}

// Start markers whose next marker line is an end marker: the blocks that close.
std::size_t closedBlocks(std::string_view text) {
    std::size_t count = 0;
    bool open = false;
    for (std::string_view line : linesOf(text)) {
        if (isMarkerLine(line, kStartMarker)) {
            open = true;
        } else if (isMarkerLine(line, kEndMarker)) {
            count += open ? 1 : 0;
            open = false;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view siteList =
        split == std::string_view::npos ? std::string_view() : input.substr(0, split);
    const std::string_view hostsFile = split == std::string_view::npos ? input : input.substr(split + 1);

    const std::vector<std::string> hosts = parseHostNames(siteList);
    for (const std::string& host : hosts)
        check(isValidHostName(host));

    // disable: refused only for a block whose end marker closes lines the
    // helper never writes; then enable refuses as well and nothing changes.
    const std::optional<std::string> maybeWithout = withoutBlock(hostsFile);
    if (!maybeWithout) {
        check(containsBlockMarker(hostsFile) && countMarkers(hostsFile, kEndMarker) > 0);
        check(!withBlock(hostsFile, hosts));
        return 0;
    }
    const std::string& without = *maybeWithout;
    checkOnlyHelperLinesRemoved(hostsFile, without);
    check(!containsBlockMarker(without));
    // An end marker goes exactly when the start marker above it goes: none is orphaned.
    check(countMarkers(without, kEndMarker) == countMarkers(hostsFile, kEndMarker) - closedBlocks(hostsFile));
    check(withoutBlock(without) == without);
    if (!containsBlockMarker(hostsFile))
        check(without == hostsFile);

    // enable: the file without a block, then exactly the block.
    const std::string with = *withBlock(hostsFile, hosts);
    std::string block = blockText(hosts);
    std::string expected = without;
    if (!expected.empty() && expected.back() != '\n') {
        expected += '\n';
        block.pop_back();
    }
    check(with == expected + block);

    // The block reads back: one start marker, then the pairs, then the end marker.
    const std::vector<std::string_view> blockLines = linesOf(std::string_view(with).substr(expected.size()));
    check(blockLines.size() == 2 * hosts.size() + 2);
    check(blockLines.front() == kStartMarker && blockLines.back() == kEndMarker);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        check(blockLines[1 + 2 * i] == "0.0.0.0 " + hosts[i]);
        check(blockLines[2 + 2 * i] == ":: " + hosts[i]);
    }
    check(containsBlockMarker(with));

    // disable after enable
    check(withoutBlock(with) == without);
    // enable twice leaves one block
    check(withBlock(with, hosts) == with);
    return 0;
}
