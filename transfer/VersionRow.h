#pragma once
// The text of one version-file row and of the file around the rows:
// formatting, parsing, the number field, line splitting and the lock name.
// Shared with the assistant program, so the row bytes must not change.
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"
#include "transfer/Composition.h"

namespace kivtransfer {

namespace versionrow {

// A row can hold any value without a line feed: one would split the row and
// make every later load of the file fail. (A lone CR is kept as it is.)
bool IsStorableValue(std::string_view value);
// A key must also not be empty or only quotes: those cannot be told apart
// from the enclosing quotes and would not read back.
bool IsStorableKey(std::string_view key);

// Appends the row for `key` and `entry`, ended by CR LF. Quotes inside
// values are doubled so the row always splits into its four fields. The
// number is written in decimal, a negative one as "0x" and eight hexadecimal
// digits (ParseNumberField reads no sign). False (nothing appended) when a
// value is not storable.
bool AppendRow(std::string_view key, const tagComposition& entry, std::string& out);

// Reads one line (without its line end) into key and entry; false when the
// line does not split into at least four fields.
bool ParseRowText(std::string_view line, std::string& key, tagComposition& entry);

// The number field: "0x" and hexadecimal digits give a 32-bit pattern
// (0xffffffff is -1); otherwise decimal digits alone, up to 2147483647.
// Anything else (a sign, an empty text, a value out of range) gives 0, so a
// row written elsewhere as "-1" cannot set every flag bit.
win::LONG ParseNumberField(std::string_view text);

// The lines of a file: each ends at LF with one CR before it dropped; a CR
// at the very end is dropped too, and a last line without a line end
// still counts. An empty file has no lines.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// The named mutex's name: the path with every backslash made a slash,
// walking characters so a Shift-JIS trail byte is left alone.
std::string MakeLockName(std::string_view path);

}  // namespace versionrow

}  // namespace kivtransfer
