#pragma once

#include <optional>

namespace vorn {

// The list, the divider and the chat side by side, without spacing.
struct MainLayoutWidths {
    double list = 0;
    double chat = 0;
};

constexpr double kDividerWidth = 5.0;
constexpr double kMinimumListWidth = 240.0;
constexpr double kMinimumChatFraction = 0.1;
constexpr double kMaximumChatFraction = 0.9;

// With the chat shown: the chat takes `fraction` of the width, the list the
// rest less the divider, but never less than 240.
constexpr MainLayoutWidths mainLayoutWidths(double totalWidth, double fraction) {
    const double chat = fraction * totalWidth;
    const double list = totalWidth - chat - kDividerWidth;
    return {list < kMinimumListWidth ? kMinimumListWidth : list, chat};
}

// The fraction a dragged divider leaves to the chat, kept within 0.1 to 0.9;
// nothing while the window has no width yet.
constexpr std::optional<double> chatFractionForWidth(double chatWidth, double totalWidth) {
    if (!(totalWidth > 0))
        return std::nullopt;
    const double f = chatWidth / totalWidth;
    return f < kMinimumChatFraction   ? kMinimumChatFraction
           : f > kMaximumChatFraction ? kMaximumChatFraction
                                      : f;
}

} // namespace vorn
