// The text side of the website block: which host names are accepted and how
// the block is put into and taken out of the hosts file. No I/O here.
#pragma once

#include "hosts_marker.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::hostsblock {

// A DNS name: letters, digits, hyphens and dots, labels of 1 to 63 characters
// that neither start nor end with a hyphen, at most 253 characters in all, and
// not an IPv4 address (its last label is not all digits).
bool isValidHostName(std::string_view name);

// The valid host names among the lines of `input`, each once, in the order of
// their first appearance. Every other line is skipped.
std::vector<std::string> parseHostNames(std::string_view input);

// The block for `hosts`: the start marker, "0.0.0.0 host" and ":: host" per
// host, the end marker; every line ends with a line feed.
std::string blockText(const std::vector<std::string>& hosts);

// `text` without any block. A block closed by an end marker goes whole when
// it holds only entries of the forms the helper ever wrote ("0.0.0.0 name" and
// ":: name", paired or not); a start marker without an end marker goes with the
// "0.0.0.0 name" / ":: name" pairs directly after it. Every other byte is kept,
// and no end marker is left behind without its start. nullopt (with the reason
// in `why`) when an end marker closes lines of someone else's: the file is
// then to be left as it is.
std::optional<std::string> withoutBlock(std::string_view text, std::string* why = nullptr);

// `text` with exactly one block, for `hosts`, at its end. A file that did not
// end with a line feed still does not, so withoutBlock() gives it back as it was.
// nullopt (with `why`) where withoutBlock() refuses.
std::optional<std::string> withBlock(std::string_view text, const std::vector<std::string>& hosts,
                                     std::string* why = nullptr);

} // namespace vorn::hostsblock
