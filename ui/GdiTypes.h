#pragma once
// The drawing vocabulary of the widgets: colours as the platform packs them,
// the default-colour marker, the system colours the widgets fall back to and
// the progress-bar messages with their platform numbers.
#include <QColor>

#include "platform/WindowTypes.h"

using COLORREF = win::DWORD;

constexpr COLORREF RGB(int red, int green, int blue) {
    return static_cast<COLORREF>(red & 0xFF) | (static_cast<COLORREF>(green & 0xFF) << 8) |
           (static_cast<COLORREF>(blue & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF colour) {
    return static_cast<int>(colour & 0xFF);
}
constexpr int GetGValue(COLORREF colour) {
    return static_cast<int>((colour >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF colour) {
    return static_cast<int>((colour >> 16) & 0xFF);
}

// "Use the system colour": resolved each time a colour is read.
constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

// System colour indexes (GetSysColor numbering).
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNHIGHLIGHT = 20;

// Drag thresholds (GetSystemMetrics SM_CXDRAG / SM_CYDRAG defaults).
constexpr int kDragThresholdX = 4;
constexpr int kDragThresholdY = 4;

namespace kivui {

// The fixed system colours of this front end (the platform's classic defaults),
// so drawings do not depend on the desktop theme.
COLORREF GetSysColor(int index);
inline QColor ToQColor(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}
inline COLORREF FromQColor(const QColor& colour) {
    return RGB(colour.red(), colour.green(), colour.blue());
}

}  // namespace kivui

// Window messages the widgets answer besides the window layer's own.
constexpr win::UINT WM_PAINT = 0x000F;
constexpr win::UINT WM_ERASEBKGND = 0x0014;
constexpr win::UINT WM_SETFONT = 0x0030;
constexpr win::UINT WM_USER = 0x0400;

// Progress-bar messages and styles.
constexpr win::UINT PBM_SETRANGE = WM_USER + 1;
constexpr win::UINT PBM_SETPOS = WM_USER + 2;
constexpr win::UINT PBM_DELTAPOS = WM_USER + 3;
constexpr win::UINT PBM_SETSTEP = WM_USER + 4;
constexpr win::UINT PBM_STEPIT = WM_USER + 5;
constexpr win::UINT PBM_SETRANGE32 = WM_USER + 6;
constexpr win::UINT PBM_GETRANGE = WM_USER + 7;
constexpr win::UINT PBM_GETPOS = WM_USER + 8;
constexpr win::UINT PBM_SETBARCOLOR = WM_USER + 9;
constexpr win::UINT PBM_SETMARQUEE = WM_USER + 10;
constexpr win::UINT PBM_SETBKCOLOR = 0x2001;  // CCM_SETBKCOLOR
constexpr win::DWORD PBS_VERTICAL = 0x04;
constexpr win::DWORD PBS_MARQUEE = 0x08;

// lParam of PBM_GETRANGE.
struct PBRANGE {
    int iLow = 0;
    int iHigh = 0;
};
