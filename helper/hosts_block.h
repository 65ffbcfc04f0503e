// The text side of the website block: which host names are accepted and how
// the block is put into and taken out of the hosts file. No I/O here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn::hostsblock {

inline constexpr std::string_view kStartMarker = "# VORN_DEMON_BLOCK_START";
inline constexpr std::string_view kEndMarker = "# VORN_DEMON_BLOCK_END";

// A DNS name: letters, digits, hyphens and dots, labels of 1 to 63 characters
// that neither start nor end with a hyphen, at most 253 characters in all.
bool isValidHostName(std::string_view name);

// The valid host names among the lines of `input`, each once, in the order of
// their first appearance. Every other line is skipped.
std::vector<std::string> parseHostNames(std::string_view input);

// The block for `hosts`: the start marker, "0.0.0.0 host" and ":: host" per
// host, the end marker; every line ends with a line feed.
std::string blockText(const std::vector<std::string>& hosts);

// `text` without any block. A block runs from a start-marker line to the next
// end-marker line; when that is missing, only the start marker and the block
// entries directly after it go. Every other byte is kept.
std::string withoutBlock(std::string_view text);

// `text` with exactly one block, for `hosts`, at its end. A file that did not
// end with a line feed still does not, so withoutBlock() gives it back as it was.
std::string withBlock(std::string_view text, const std::vector<std::string>& hosts);

} // namespace vorn::hostsblock
