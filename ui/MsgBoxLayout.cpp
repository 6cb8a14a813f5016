#include "ui/MsgBoxLayout.h"

#include "control/ControlServices.h"

namespace kivui {

MsgBoxKind KindOf(unsigned flags) {
    switch (flags & kMsgBoxKindMask) {
        case MB_OK:
            return {{IDOK, 0, 0}, 1, true};
        case MB_OKCANCEL:
            return {{IDOK, IDCANCEL, 0}, 2, true};
        case MB_ABORTRETRYIGNORE:
            return {{IDABORT, IDRETRY, IDIGNORE}, 3, false};
        case MB_YESNOCANCEL:
            return {{IDYES, IDNO, IDCANCEL}, 3, true};
        case MB_YESNO:
            return {{IDYES, IDNO, 0}, 2, false};
        case MB_RETRYCANCEL:
            return {{IDRETRY, IDCANCEL, 0}, 2, true};
        default:
            return {{0, 0, 0}, 0, true};
    }
}

MsgBoxIcon IconOf(unsigned flags) {
    switch (flags & kMsgBoxIconMask) {
        case MB_ICONSTOP:
            return MsgBoxIcon::Stop;
        case MB_ICONQUESTION:
            return MsgBoxIcon::Question;
        case MB_ICONINFORMATION:
            return MsgBoxIcon::Information;
        default:  // the exclamation, and every undefined value: there is always an icon
            return MsgBoxIcon::Warning;
    }
}

int DefaultButtonIndex(unsigned flags, int shown) {
    if (shown == 3 && (flags & kMsgBoxDefButton3) != 0) {
        return 2;
    }
    if (shown > 1 && (flags & kMsgBoxDefButton2) != 0) {
        return 1;
    }
    return 0;
}

int ButtonRowWidth(const std::array<int, 3>& widths, int shown) {
    int row = widths[0];
    for (int i = 1; i < shown && i < 3; ++i) {
        row += kButtonGap + widths[i];
    }
    return row;
}

std::array<int, 3> ButtonCentreOffsets(const std::array<int, 3>& widths, int shown) {
    std::array<int, 3> offsets{};
    if (shown < 1 || shown > 3) {
        return offsets;
    }
    // The row is centred as a whole; C++ division truncates toward zero.
    offsets[0] = -ButtonRowWidth(widths, shown) / 2;
    for (int i = 1; i < shown; ++i) {
        offsets[i] = offsets[i - 1] + widths[i - 1] + kButtonGap;
    }
    return offsets;
}

Size TextControlSize(Size text, Size control, int rowWidth) {
    Size result = control;
    if (text.width < rowWidth) {
        result.width = rowWidth;
    } else if (text.width > control.width) {
        result.width = text.width;
    }
    if (text.height > control.height) {
        result.height = text.height;
    }
    return result;
}

}  // namespace kivui
