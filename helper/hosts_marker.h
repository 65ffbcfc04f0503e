// What counts as Vorn's block marker in a hosts file. The privileged helper and
// the application both decide by this one rule, so the application never
// believes in a block that the helper would not lift. Plain C++17, no I/O.
#pragma once

#include <cstddef>
#include <string_view>

namespace vorn::hostsblock {

inline constexpr char kStartMarkerText[] = "# VORN_DEMON_BLOCK_START";
inline constexpr std::string_view kStartMarker = kStartMarkerText;
inline constexpr std::string_view kEndMarker = "# VORN_DEMON_BLOCK_END";

// `line` without trailing white space; a carriage return counts as white space.
inline std::string_view withoutTrailingSpace(std::string_view line) {
    while (!line.empty()) {
        const char c = line.back();
        if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
            break;
        line.remove_suffix(1);
    }
    return line;
}

// Whether `line` (without its line feed) is the marker line for `marker`: the
// whole line equal to it, ignoring trailing white space.
inline bool isMarkerLine(std::string_view line, std::string_view marker) {
    return withoutTrailingSpace(line) == marker;
}

// Whether any line of `text` is a start marker line: a block is in force.
inline bool containsBlockMarker(std::string_view text) {
    for (std::size_t begin = 0; begin <= text.size();) {
        const std::size_t feed = text.find('\n', begin);
        const std::size_t end = feed == std::string_view::npos ? text.size() : feed;
        if (isMarkerLine(text.substr(begin, end - begin), kStartMarker))
            return true;
        if (feed == std::string_view::npos)
            break;
        begin = feed + 1;
    }
    return false;
}

} // namespace vorn::hostsblock
