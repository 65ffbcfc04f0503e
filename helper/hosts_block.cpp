#include "hosts_block.h"

#include <optional>
#include <set>

namespace vorn::hostsblock {

namespace {

constexpr std::size_t kMaxNameLength = 253;
constexpr std::size_t kMaxLabelLength = 63;

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isValidLabel(std::string_view label) {
    if (label.empty() || label.size() > kMaxLabelLength)
        return false;
    if (label.front() == '-' || label.back() == '-')
        return false;
    for (char c : label) {
        if (!isLetterOrDigit(c) && c != '-')
            return false;
    }
    return true;
}

// One line of a text: [begin, end) is its content, `next` is where the
// following line starts (end + 1, or end for a last line without a line feed).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

Line lineAt(std::string_view text, std::size_t begin) {
    const std::size_t feed = text.find('\n', begin);
    if (feed == std::string_view::npos)
        return {begin, text.size(), text.size()};
    return {begin, feed, feed + 1};
}

// A line's content without trailing white space, which takes the carriage
// return of a file saved with CRLF with it.
std::string_view contentOf(std::string_view text, const Line& line) {
    return withoutTrailingSpace(text.substr(line.begin, line.end - line.begin));
}

bool isAllDigits(std::string_view label) {
    for (char c : label) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The name of a block entry "<prefix>name", or an empty view.
std::string_view entryName(std::string_view content, std::string_view prefix) {
    if (content.substr(0, prefix.size()) != prefix)
        return {};
    const std::string_view name = content.substr(prefix.size());
    return isValidHostName(name) ? name : std::string_view();
}

// Whether two lines are one host's pair of block entries, as blockText() writes them.
bool isBlockEntryPair(std::string_view first, std::string_view second) {
    const std::string_view name = entryName(first, "0.0.0.0 ");
    return !name.empty() && entryName(second, ":: ") == name;
}

// A block entry of any form the helper ever wrote: "0.0.0.0 name" or ":: name",
// with or without its partner.
bool isBlockEntry(std::string_view content) {
    return !entryName(content, "0.0.0.0 ").empty() || !entryName(content, ":: ").empty();
}

// Where the block that starts at `start` ends (the `next` of its last line);
// nullopt when its end marker closes lines the helper never writes.
std::optional<std::size_t> blockEnd(std::string_view text, const Line& start) {
    // A block closed by an end marker goes whole when it holds only entries.
    for (std::size_t pos = start.next; pos < text.size();) {
        const Line line = lineAt(text, pos);
        const std::string_view content = contentOf(text, line);
        if (isMarkerLine(content, kEndMarker))
            return line.next;
        if (isMarkerLine(content, kStartMarker))
            break;
        if (!isBlockEntry(content)) {
            // Lines of someone else's inside the block: taking the markers
            // and leaving entries, or taking the lines, would both be wrong.
            for (std::size_t rest = line.next; rest < text.size();) {
                const Line after = lineAt(text, rest);
                const std::string_view later = contentOf(text, after);
                if (isMarkerLine(later, kEndMarker))
                    return std::nullopt;
                if (isMarkerLine(later, kStartMarker))
                    break;
                rest = after.next;
            }
            break;
        }
        pos = line.next;
    }
    // No end marker: the start marker and the pairs right after it, so that
    // an ad-block list of the user's below a stray marker stays.
    std::size_t end = start.next;
    while (end < text.size()) {
        const Line first = lineAt(text, end);
        const Line second = lineAt(text, first.next);
        if (!isBlockEntryPair(contentOf(text, first), contentOf(text, second)))
            break;
        end = second.next;
    }
    return end;
}

std::size_t lineNumberAt(std::string_view text, std::size_t pos) {
    std::size_t number = 1;
    for (std::size_t i = 0; i < pos; ++i)
        number += text[i] == '\n' ? 1 : 0;
    return number;
}

} // namespace

bool isValidHostName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    for (std::size_t begin = 0;;) {
        const std::size_t dot = name.find('.', begin);
        if (!isValidLabel(name.substr(begin, dot == std::string_view::npos ? dot : dot - begin)))
            return false;
        if (dot == std::string_view::npos)
            return !isAllDigits(name.substr(begin));
        begin = dot + 1;
    }
}

std::vector<std::string> parseHostNames(std::string_view input) {
    std::vector<std::string> hosts;
    std::set<std::string_view> seen;
    for (std::size_t pos = 0; pos < input.size();) {
        const Line line = lineAt(input, pos);
        const std::string_view name = input.substr(line.begin, line.end - line.begin);
        if (isValidHostName(name) && seen.insert(name).second)
            hosts.emplace_back(name);
        pos = line.next;
    }
    return hosts;
}

std::string blockText(const std::vector<std::string>& hosts) {
    std::string block(kStartMarker);
    block += '\n';
    for (const std::string& host : hosts) {
        block += "0.0.0.0 " + host + '\n';
        block += ":: " + host + '\n';
    }
    block += kEndMarker;
    block += '\n';
    return block;
}

std::optional<std::string> withoutBlock(std::string_view text, std::string* why) {
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = lineAt(text, pos);
        if (!isMarkerLine(contentOf(text, line), kStartMarker)) {
            pos = line.next;
            continue;
        }
        const std::optional<std::size_t> end = blockEnd(text, line);
        if (!end) {
            if (why)
                *why = "the block that starts on line " + std::to_string(lineNumberAt(text, line.begin)) +
                       " holds lines Vorn did not write; remove it by hand";
            return std::nullopt;
        }
        out.append(text.substr(copied, line.begin - copied));
        // A block appended to a file without a final line feed brought its own
        // line feed in front and none at its end; take that one back as well.
        // Only the line feed that ends a line with text: after an empty line
        // it is the user's own, and taking it would drop that line.
        if (*end == text.size() && text.back() != '\n' && out.size() >= 2 && out.back() == '\n' &&
            out[out.size() - 2] != '\n')
            out.pop_back();
        copied = pos = *end;
    }
    out.append(text.substr(copied));
    return out;
}

std::optional<std::string> withBlock(std::string_view text, const std::vector<std::string>& hosts,
                                     std::string* why) {
    std::optional<std::string> out = withoutBlock(text, why);
    if (!out)
        return std::nullopt;
    std::string block = blockText(hosts);
    if (!out->empty() && out->back() != '\n') {
        block.pop_back();
        *out += '\n';
    }
    return *out + block;
}

} // namespace vorn::hostsblock
