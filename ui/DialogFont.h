#pragma once
// The fonts the templates name, as this platform has them (through
// fontconfig): "MS Shell Dlg" 8 pt is DejaVu Sans 8 pt, "MS UI Gothic" 9 pt
// is Noto Sans CJK JP 9 pt. Sizes are fixed in pixels at the platform's 96
// dots per inch (8 pt = 11 px, 9 pt = 12 px), so layouts do not depend on
// the screen.
#include <QFont>
#include <string>

namespace kivui {

struct DialogTemplate;

constexpr const char* kLatinDialogFamily = "DejaVu Sans";
constexpr const char* kJapaneseDialogFamily = "Noto Sans CJK JP";

// Other names map to the Latin family at the given size.
QFont DialogFont(const std::string& templateFace, int pointSize);
QFont DialogFont(const DialogTemplate& dialogTemplate);
// Points to pixels at 96 dots per inch, rounded as MulDiv does.
int PointsToPixels(int points);

}  // namespace kivui
