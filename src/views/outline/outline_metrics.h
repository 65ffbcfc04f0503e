#pragma once

// Sizes of the outline table, in device-independent pixels.
namespace vorn::outline_metrics {

constexpr int kHandleWidth = 12;
constexpr int kToggleWidth = 22;
constexpr int kMinutesWidth = 44;
constexpr int kFinishWidth = 52;
constexpr int kTrashWidth = 20;
constexpr int kIndentStep = 18;
constexpr int kIconSize = 16;
constexpr int kIconGap = 4;
constexpr int kRowHeight = 26;
// How far the pointer travels with the button held before a press becomes a drag selection.
constexpr double kDragSelectThreshold = 6.0;

// Where the title text starts inside its cell.
constexpr int titleInset(int depth, bool withFolderIcon) {
    return 4 + depth * kIndentStep + (withFolderIcon ? kIconSize + kIconGap : 0);
}

} // namespace vorn::outline_metrics
