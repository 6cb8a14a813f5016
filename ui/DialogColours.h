#pragma once
// The fixed colours of the download dialog and its controls, and the
// application style: Fusion with the platform's classic system colours, so
// widgets look the same on every desktop.
#include "ui/GdiTypes.h"

class QApplication;

namespace kivui {

constexpr COLORREF kDialogBackground = RGB(33, 65, 124);
constexpr COLORREF kDialogFrame = RGB(132, 153, 196);  // two 1-pixel rings
constexpr COLORREF kPanelFill = RGB(206, 215, 230);
constexpr COLORREF kPanelBorder = RGB(176, 176, 176);
constexpr COLORREF kStatusText = RGB(255, 255, 255);
constexpr COLORREF kDialogButtonFace = RGB(243, 243, 243);
constexpr COLORREF kDialogButtonText = RGB(0, 0, 0);
constexpr COLORREF kAboutLinkColour = RGB(0, 0, 255);

// Fusion style and a palette made of the system colours (GdiTypes.h).
void ApplyUiStyle(QApplication& application);

}  // namespace kivui
