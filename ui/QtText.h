#pragma once
// Texts cross between the engine (byte strings in the process code page) and
// Qt (UTF-16) only here, so a Shift-JIS process shows the same characters.
#include <QString>
#include <string>
#include <string_view>

namespace kivui {

// A byte that cannot be converted shows as U+FFFD rather than losing the text.
QString FromProcessText(std::string_view text);
// Characters the process code page cannot hold become '?'.
std::string ToProcessText(const QString& text);
// A string-table text for the user's language.
QString LoadQString(unsigned id);

// The program's name as boxes use it for an empty title: what the host set
// (the page's caption), else the product name (string 1).
void SetApplicationName(const std::string& name);
std::string ApplicationName();

}  // namespace kivui
