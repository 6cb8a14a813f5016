#pragma once
// Texts on their way to and from the terminal. The engine's texts are in the
// process code page; the terminal speaks UTF-8. Lines of the live display
// must never wrap (a wrapped line breaks the in-place redraw), so they are
// cut to the terminal's width in columns as the C library's wcwidth counts
// them (East Asian wide characters two, combining marks none).
#include <cstddef>
#include <string>
#include <string_view>

namespace kivterm {

// Process code page -> UTF-8; characters that cannot be converted become '?'.
std::string ToTerminal(std::string_view text);
// UTF-8 typed by the user -> process code page; false when it cannot be represented.
bool FromTerminal(std::string_view utf8, std::string& text);

// Whether line ends and tabs in a text are the layout's own.
enum class Layout { Kept, Shown };
// `utf8` with its control characters made visible: C0 and DEL as "\x1b",
// C1 and format characters as "\u009b" or "\u202e" ("\U000e0041" beyond
// U+FFFF), and bytes that are no UTF-8 as "\xff". Text from a page, a
// server or a file system then cannot move the cursor, retitle the window,
// write the clipboard or reorder what is shown. With Layout::Kept line ends and tabs stay as they are.
std::string VisibleControls(std::string_view utf8, Layout layout);

// Columns a UTF-8 text takes on a terminal (malformed bytes count one each,
// control characters and characters wcwidth does not know none).
std::size_t DisplayWidth(std::string_view utf8);
// The longest start of `utf8` that fits `columns`, never cutting a character.
std::string FitToWidth(std::string_view utf8, std::size_t columns);
// `utf8` in at most `columns`: its middle replaced by "..." when it is longer
// (a file name keeps its start and its extension).
std::string ShortenMiddle(std::string_view utf8, std::size_t columns);

// `text` with CR LF line ends as plain line ends and without the line ends it
// finishes with: the system's error texts end in CR LF, which a terminal line
// would otherwise show as a visible "\x0d".
std::string PlainLineEnds(std::string_view text);

}  // namespace kivterm
