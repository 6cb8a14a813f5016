#pragma once
// Characters a reader cannot see but a terminal or a text layout acts on:
// the C1 controls (U+0080-U+009F; U+009B is a terminal's CSI) and the format
// characters of Unicode's general category Cf, the bidirectional overrides
// and isolates among them ("invoice\u202Enib.exe" shows as "invoiceexe.bin").
// Browsers replace both in the names of downloads.
#include <string_view>

namespace win {

// A character of general category Cf (Unicode 15).
bool IsFormatCharacter(char32_t c);

// A C1 control or a format character.
bool IsInvisibleCharacter(char32_t c);

// True when well-formed UTF-8 `utf8` holds an invisible character; bytes
// that are no UTF-8 are not judged here.
bool HasInvisibleCharacter(std::string_view utf8);

}  // namespace win
