#pragma once
// Texts on their way to and from the terminal. The engine's texts are in the
// process code page; the terminal speaks UTF-8. Lines of the live display
// must never wrap (a wrapped line breaks the in-place redraw), so they are
// cut to the terminal's width in columns, with East Asian wide characters
// counting two.
#include <cstddef>
#include <string>
#include <string_view>

namespace kivterm {

// Process code page -> UTF-8; characters that cannot be converted become '?'.
std::string ToTerminal(std::string_view text);
// UTF-8 typed by the user -> process code page; false when it cannot be represented.
bool FromTerminal(std::string_view utf8, std::string& text);

// Columns a UTF-8 text takes on a terminal (malformed bytes count one each,
// control characters none).
std::size_t DisplayWidth(std::string_view utf8);
// The longest start of `utf8` that fits `columns`, never cutting a character.
std::string FitToWidth(std::string_view utf8, std::size_t columns);

}  // namespace kivterm
