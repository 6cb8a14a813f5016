#pragma once
// The fonts the templates name, as this platform has them (through
// fontconfig): "MS Shell Dlg" 8 pt is DejaVu Sans 8 pt, "MS UI Gothic" 9 pt
// is Noto Sans CJK JP 9 pt. Points become whole pixels at the screen's
// logical dots per inch (at 96: 8 pt = 11 px, 9 pt = 12 px), and the dialog
// units follow the font, so the whole layout grows with a screen set to a
// larger scale; Qt's device pixel ratio scales it further where the
// desktop asks for it.
#include <QFont>
#include <string>

namespace kivui {

struct DialogTemplate;

constexpr const char* kLatinDialogFamily = "DejaVu Sans";
constexpr const char* kJapaneseDialogFamily = "Noto Sans CJK JP";

// Other names map to the Latin family at the given size.
QFont DialogFont(const std::string& templateFace, int pointSize);
QFont DialogFont(const DialogTemplate& dialogTemplate);
// Points to pixels at `dotsPerInch`, rounded as MulDiv does.
int PointsToPixels(int points, int dotsPerInch);
// The primary screen's logical dots per inch; 96 without a screen.
int ScreenDotsPerInch();

}  // namespace kivui
