#pragma once
// The message box's layout rules as plain arithmetic: which buttons a kind
// shows, which one is the default, how wide the button row is, where each
// button sits relative to the middle, and how far the box grows for its text.
#include <array>

namespace kivui {

// Platform message-box flags.
constexpr unsigned kMsgBoxKindMask = 0xF;
constexpr unsigned kMsgBoxIconMask = 0xF0;
constexpr unsigned kMsgBoxDefButton2 = 0x100;
constexpr unsigned kMsgBoxDefButton3 = 0x200;
// Gap between two buttons of the row, in pixels.
constexpr int kButtonGap = 6;
// Texts wider than this wrap.
constexpr int kMaxTextWidth = 640;

// The buttons of one kind, left to right; code 0 means the button is hidden.
struct MsgBoxKind {
    std::array<int, 3> codes{};
    int shown = 0;            // 0 for an undefined kind: buttons keep their template texts
    bool cancellable = true;  // Esc, Alt+F4 and Close end the box with 2
};

MsgBoxKind KindOf(unsigned flags);
enum class MsgBoxIcon { Stop, Question, Information, Warning };
MsgBoxIcon IconOf(unsigned flags);
// Index (0..2) of the default button.
int DefaultButtonIndex(unsigned flags, int shown);
// Width of the shown buttons with their gaps.
int ButtonRowWidth(const std::array<int, 3>& widths, int shown);
// Left edges of the shown buttons relative to the middle of the client area.
std::array<int, 3> ButtonCentreOffsets(const std::array<int, 3>& widths, int shown);

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};
// The text control's new size for a text of `text` extent, given its
// template size and the button row width.
Size TextControlSize(Size text, Size control, int rowWidth);

}  // namespace kivui
