#pragma once
// The process code page: texts inside the engine are byte strings in it.
// UTF-8 by default; 932 (Shift-JIS) can be chosen per process, so every scan
// walks characters and never takes a trail byte for a separator.
#include <cstddef>
#include <string>
#include <string_view>

namespace win {

constexpr unsigned CP_UTF8 = 65001;
constexpr unsigned CP_SHIFT_JIS = 932;

unsigned GetProcessCodePage();
// Returns false (and changes nothing) for a code page other than the two above.
bool SetProcessCodePage(unsigned codePage);

// True when `byte` begins a double-byte character in `codePage` (932 only).
bool IsDBCSLeadByte(unsigned char byte, unsigned codePage);
bool IsDBCSLeadByte(unsigned char byte);  // in the process code page

// Byte length of the character starting at `pos` (1 at least, never past the end;
// 0 when `pos` is at or past the end). A lead byte without a valid trail byte,
// or a malformed UTF-8 sequence, counts as one-byte characters.
std::size_t CharLength(std::string_view text, std::size_t pos);
// Start of the next character after the one at `pos`.
std::size_t CharNext(std::string_view text, std::size_t pos);
// Start of the last character of `text` (npos when empty).
std::size_t LastCharStart(std::string_view text);

// Byte length of the well-formed UTF-8 sequence at `pos` (no overlong forms,
// no surrogates, nothing above U+10FFFF); 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// Conversion between UTF-8 and the process code page (identity for UTF-8).
// Characters that cannot be represented make the call return false.
bool Utf8ToProcess(std::string_view utf8, std::string& out);
bool ProcessToUtf8(std::string_view text, std::string& out);

}  // namespace win
